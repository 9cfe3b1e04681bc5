#include "app/Principal.h"

// Each window lives in its own header; a window whose header is not in the tree is simply not
// offered (its menu item does nothing).
#if __has_include("link/DETECT.h")
#include "link/DETECT.h"
#define KWF_HAS_DETECT 1
#endif
#if __has_include("clock/MiseaH.h")
#include "clock/MiseaH.h"
#define KWF_HAS_MISEAH 1
#endif
#if __has_include("clock/LecturH.h")
#include "clock/LecturH.h"
#define KWF_HAS_LECTURH 1
#endif
#if __has_include("clock/DER_MiseH.h")
#include "clock/DER_MiseH.h"
#define KWF_HAS_DER_MISEH 1
#endif
#if __has_include("clock/DCF77.h")
#include "clock/DCF77.h"
#define KWF_HAS_DCF77 1
#endif
#if __has_include("panel/Relais.h")
#include "panel/Relais.h"
#define KWF_HAS_RELAIS 1
#endif
#if __has_include("panel/Mise_even.h")
#include "panel/Mise_even.h"
#define KWF_HAS_MISE_EVEN 1
#endif
#if __has_include("panel/LUM.h")
#include "panel/LUM.h"
#define KWF_HAS_LUM 1
#endif
#if __has_include("panel/COUL6.h")
#include "panel/COUL6.h"
#define KWF_HAS_COUL6 1
#endif
#if __has_include("panel/COUL66.h")
#include "panel/COUL66.h"
#define KWF_HAS_COUL66 1
#endif
#if __has_include("panel/dump.h")
#include "panel/dump.h"
#define KWF_HAS_DUMP 1
#endif
#if __has_include("config/FICHIER.h")
#include "config/FICHIER.h"
#define KWF_HAS_FICHIER 1
#endif

namespace kwf {

template <class W>
static void add(Principal& p, const char* name)
{
    p.registerWindow(QString::fromLatin1(name), [](Principal& principal) -> QWidget* { return new W(principal); });
}

// Every window of the program by name. Each class is built as W(Principal&).
void registerAllWindows(Principal& principal)
{
    Q_UNUSED(principal);
#ifdef KWF_HAS_DETECT
    add<DETECT>(principal, "DETECT");
#endif
#ifdef KWF_HAS_MISEAH
    add<MiseaH>(principal, "MiseaH");
#endif
#ifdef KWF_HAS_LECTURH
    add<LecturH>(principal, "LecturH");
#endif
#ifdef KWF_HAS_DER_MISEH
    add<DER_MiseH>(principal, "DER_MiseH");
#endif
#ifdef KWF_HAS_DCF77
    add<DCF77>(principal, "DCF77");
#endif
#ifdef KWF_HAS_RELAIS
    principal.registerWindow(QStringLiteral("Relais_1"), [](Principal& p) -> QWidget* { return new Relais(p, 1); });
    principal.registerWindow(QStringLiteral("Relais_2"), [](Principal& p) -> QWidget* { return new Relais(p, 2); });
#endif
#ifdef KWF_HAS_MISE_EVEN
    add<Mise_even>(principal, "Mise_even");
#endif
#ifdef KWF_HAS_LUM
    add<LUM>(principal, "LUM");
#endif
#ifdef KWF_HAS_COUL6
    add<COUL6>(principal, "COUL6");
#endif
#ifdef KWF_HAS_COUL66
    add<COUL66>(principal, "COUL66");
#endif
#ifdef KWF_HAS_DUMP
    add<dump>(principal, "dump");
#endif
#ifdef KWF_HAS_FICHIER
    // The configuration file: start-up loading and the File menu's open and save.
    installConfigFile(principal);
#endif
}

} // namespace kwf

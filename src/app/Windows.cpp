#include "app/Principal.h"
#include "clock/DCF77.h"
#include "clock/DER_MiseH.h"
#include "clock/LecturH.h"
#include "clock/MiseaH.h"
#include "config/FICHIER.h"
#include "config/PanelProfileMenu.h"
#include "link/DETECT.h"
#include "panel/COUL6.h"
#include "panel/COUL66.h"
#include "panel/LUM.h"
#include "panel/Mise_even.h"
#include "panel/Relais.h"
#include "panel/dump.h"

namespace kwf {

namespace {
template <class W>
void add(Principal& p, const char* name)
{
    const AppContext& ctx = p.context();
    p.registerWindow(QString::fromLatin1(name), [&ctx]() -> QWidget* { return new W(ctx); });
}
} // namespace

// Every window of the program by name.
void registerAllWindows(Principal& principal)
{
    const AppContext& ctx = principal.context();
    add<DETECT>(principal, "DETECT");
    add<MiseaH>(principal, "MiseaH");
    add<LecturH>(principal, "LecturH");
    add<DER_MiseH>(principal, "DER_MiseH");
    principal.registerWindow(QStringLiteral("DCF77"), [&principal, &ctx]() -> QWidget* {
        auto* w = new DCF77(ctx);
        QObject::connect(w, &DCF77::settingsWindowWanted, &principal,
                         [&principal] { principal.showWindow(QStringLiteral("CONFIGURATION")); });
        return w;
    });
    principal.registerWindow(QStringLiteral("Relais_1"), [&ctx]() -> QWidget* { return new Relais(ctx, 1); });
    principal.registerWindow(QStringLiteral("Relais_2"), [&ctx]() -> QWidget* { return new Relais(ctx, 2); });
    add<Mise_even>(principal, "Mise_even");
    add<LUM>(principal, "LUM");
    add<COUL6>(principal, "COUL6");
    add<COUL66>(principal, "COUL66");
    add<dump>(principal, "dump");

    // The configuration file: start-up loading and the File menu's open and save.
    auto* file = new FICHIER(ctx, principal, &principal);
    principal.onStartup = [file] { file->OUVRE_CONFIG_DEMARRAGE(); };
    principal.onOpenConfig = [file] { file->OUVRIR_CONFIG(); };
    principal.onSaveConfig = [file] { file->ENREGISTRER_CONFIG(); };
    auto* profiles = new PanelProfileMenu(ctx, &principal);
    principal.onSavePanel = [profiles] { profiles->saveCurrentPanel(); };
    principal.onComparePanel = [profiles] { profiles->compareWithPanel(); };
    principal.onProgramPanel = [profiles] { profiles->programPanel(); };
}

} // namespace kwf

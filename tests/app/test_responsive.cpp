// The event loop turns inside the waits of an exchange (simulated here by the clock's hook):
// whatever it runs then must not start a second exchange, touch the port or show a message; a
// close waits for the end of the exchange; the status bar tells how far a long command has got.
#include "../relays/RelayTestApp.h"
#include "clock/DCF77.h"
#include "core/ComPorts.h"
#include "core/DetectOps.h"
#include "core/Frames.h"
#include "link/DETECT.h"
#include "panel/dump.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QStatusBar>

using namespace kwf;
using namespace kwf::test;

namespace {

// Runs `during` once, at the start of wait number `atWait` of the relay 2 read (of a programmed
// relay: its marker is set).
struct ReadWithInterference {
    QStringList portCallsDuring;
    std::vector<QByteArray> writes;
    QStringList messages;
};

ReadWithInterference readRelay2(RelayTestApp& r, int atWait, const std::function<void(RelayTestApp&)>& during)
{
    ReadWithInterference out;
    Relais* w = r.relais(2);
    r.panel.regs[48] = kBlockMarker;
    int wait = 0;
    r.app.clock.duringWait = [&] {
        if (++wait != atWait || !during)
            return;
        const int calls = int(r.app.fake->calls.size());
        during(r);
        out.portCallsDuring = r.app.fake->calls.mid(calls);
    };
    w->Command1_Click();
    r.app.clock.duringWait = nullptr;
    out.writes = r.app.takeWrites();
    out.messages = r.app.ui.texts();
    return out;
}

} // namespace

// A device command, a port-touching timer or a settings change that comes in while a relay 2
// read waits for its answers is refused quietly: nothing reaches the port, no message, and the
// read goes on exactly as it would have alone.
TEST(Responsive, WhatComesInDuringAnExchangeDoesNotReachThePort)
{
    RelayTestApp alone;
    const ReadWithInterference clean = readRelay2(alone, 0, nullptr);
    ASSERT_EQ(clean.messages, QStringList{QStringLiteral("Lecture Relais 2 effectuée.")});

    struct Case { const char* name; std::function<void(RelayTestApp&)> during; };
    const Case cases[] = {
        {"the same read again (a late double click)", [](RelayTestApp& r) { r.relais(2)->Command1_Click(); }},
        {"relay 1 sent (an accessibility action)", [](RelayTestApp& r) { r.relais(1)->ENVOI_Click(); }},
        {"grid written", [](RelayTestApp& r) { r.open<dump>(QStringLiteral("dump"))->ENVOI_4DIGITCOUL_Click(); }},
        {"transport called directly", [](RelayTestApp& r) {
             EXPECT_FALSE(r.app.tqv->VERIF_PORT());
             EXPECT_FALSE(r.app.tqv->TEST_LIAISON());
             EXPECT_EQ(r.app.tqv->LIT_REG(3), -1);
             r.app.tqv->COMPTE_RENDU(CmdResult::failed(0), QStringLiteral("non"));
         }},
        {"DCF77 poll (answers are waiting)", [](RelayTestApp& r) {
             auto* d = r.open<DCF77>(QStringLiteral("DCF77"));
             d->Timer3_Timer();
             EXPECT_TRUE(d->logText().isEmpty());
         }},
        {"detection", [](RelayTestApp& r) {
             r.open<DETECT>(QStringLiteral("DETECT"))->Command1_Click();
             EXPECT_TRUE(scanPorts(*r.app.tqv, PortDirectory(choosePlaces(r.app.dir.path(), true, QString()), {})).empty());
         }},
        {"settings validated", [](RelayTestApp& r) { r.app.principal->configuration()->OUVERTURE_DU_COM(); }},
        {"new configuration", [](RelayTestApp& r) { r.app.principal->MENU_NOUVELLE_Click(); }},
        {"menu items triggered", [](RelayTestApp& r) {
             for (const char* item : {"MENU_NOUVELLE", "MENU_OUVRIR", "MENU_ENREGISTRER", "MENU_DETECT"})
                 r.app.principal->menuAction(QString::fromLatin1(item))->trigger();
             EXPECT_EQ(r.app.principal->existingWindow(QStringLiteral("DETECT")), nullptr);
             EXPECT_TRUE(r.app.ui.dialogs.empty());
         }},
        {"the reading window closed", [](RelayTestApp& r) {
             QWidget* frame = r.app.principal->existingWindow(QStringLiteral("Relais_2"))->parentWidget();
             EXPECT_FALSE(frame->close());
             EXPECT_TRUE(frame->isVisible());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RelayTestApp r;
        const ReadWithInterference got = readRelay2(r, 5, c.during);
        EXPECT_TRUE(got.portCallsDuring.isEmpty()) << got.portCallsDuring.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(got.writes, clean.writes);
        EXPECT_EQ(got.messages, clean.messages);   // no message of its own either
        EXPECT_TRUE(r.app.link.portValide);
        // Once the exchange is over the same command runs again.
        EXPECT_EQ(readRelay2(r, 0, nullptr).writes, clean.writes);
    }
}

// The close box or "Quitter" during an exchange: the exchange runs to its closing frame and
// its message, and the program ends once control is back with the event loop.
TEST(Responsive, ACloseDuringAnExchangeWaitsForItsEnd)
{
    RelayTestApp alone;
    const std::vector<QByteArray> clean = readRelay2(alone, 0, nullptr).writes;
    for (bool menu : {false, true}) {
        SCOPED_TRACE(menu ? "Quitter" : "close box");
        RelayTestApp r;
        int quits = 0;
        r.app.principal->onQuit = [&quits] { ++quits; };
        const ReadWithInterference got = readRelay2(r, 3, [menu](RelayTestApp& a) {
            if (menu)
                a.app.principal->menuAction(QStringLiteral("MENU_QUITTER"))->trigger();
            else
                a.app.principal->close();
        });
        EXPECT_EQ(quits, 0) << "ended in the middle of the exchange";
        EXPECT_EQ(got.writes, clean);   // through to the closing frame
        EXPECT_EQ(got.messages, QStringList{QStringLiteral("Lecture Relais 2 effectuée.")});
        QCoreApplication::processEvents();
        EXPECT_EQ(quits, 1);
        EXPECT_FALSE(r.app.port->isOpen());
    }
}

// A command that lasts more than a second shows what it does and how far it has got, with the
// busy cursor; the status bar and the cursor come back once it is over.
TEST(Responsive, StatusBarShowsTheProgressOfLongCommands)
{
    struct Case { const char* expected; std::function<void(RelayTestApp&)> run; };
    const Case cases[] = {
        {"Lecture relais 2 : 9/17", [](RelayTestApp& r) { r.relais(2)->Command1_Click(); }},
        {"Écriture des registres : 40/64", [](RelayTestApp& r) { r.open<dump>(QStringLiteral("dump"))->ENVOI_4DIGITCOUL_Click(); }},
        {"Détection : COM5", [](RelayTestApp& r) { r.open<DETECT>(QStringLiteral("DETECT"))->Command1_Click(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        RelayTestApp r;
        QLabel* label = r.app.principal->statusBar()->findChild<QLabel*>(QStringLiteral("STATUS_PORT"));
        QStringList seen;
        bool busyCursor = true;
        r.app.clock.duringWait = [&] {
            seen << label->text();
            busyCursor = busyCursor && QApplication::overrideCursor() != nullptr;
        };
        c.run(r);
        r.app.clock.duringWait = nullptr;
        EXPECT_TRUE(seen.contains(QString::fromUtf8(c.expected))) << seen.join(QLatin1Char('|')).toStdString();
        const QString what = QString::fromUtf8(c.expected).section(QStringLiteral(" : "), 0, 0);
        EXPECT_FALSE(seen.first().startsWith(what)) << "progress shown before a second";
        EXPECT_TRUE(busyCursor);
        QCoreApplication::processEvents();
        EXPECT_EQ(label->text(), r.app.principal->portStatusText());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
}

#include "EmulatedApp.h"
#include "RelayTestApp.h"
#include "panel/Mise_even.h"

#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

namespace {

// The program against the emulated panel, response control on, wired link.
struct EmulatedRelays {
    std::unique_ptr<TestApp> app = makeEmulatedApp();
    emu::PanelModel& panel() { return emulatedPort(*app).model(); }

    EmulatedRelays()
    {
        app->principal->configuration()->SEL_REP->setCurrentText(QStringLiteral("OUI"));
        app->principal->show();
        app->validate();
        app->ui.messages.clear();
    }
    // Closes the window if it is open and opens it again, at its defaults.
    Relais* fresh(int n)
    {
        app->principal->unloadWindow(QStringLiteral("Relais_%1").arg(n));
        return qobject_cast<Relais*>(app->principal->showWindow(QStringLiteral("Relais_%1").arg(n)));
    }
};

} // namespace

TEST(RelayRoundTrip, EveryControlComesBackFromThePanel)
{
    for (int n : {1, 2})
        for (bool closes : {true, false}) {
            EmulatedRelays t;
            Relais* w = t.fresh(n);
            setVariedState(w, closes);
            const std::string sent = stateOf(w);
            RelayTestApp::click(w->ENVOI);
            EXPECT_EQ(t.app->ui.lastText(), QStringLiteral("Programmation Relais %1 effectuée.").arg(n));
            Relais* again = t.fresh(n);
            RelayTestApp::click(again->Command1);
            EXPECT_EQ(t.app->ui.lastText(), QStringLiteral("Lecture Relais %1 effectuée.").arg(n));
            EXPECT_EQ(stateOf(again), sent) << n << closes;
            EXPECT_EQ(t.panel().reg(n == 1 ? 15 : 48), 0xCC);
        }
}

TEST(RelayRoundTrip, EventSentAfterRelay2ReplacesItsBlock)
{
    EmulatedRelays t;
    Relais* r2 = t.fresh(2);
    setVariedState(r2, true);
    const std::string relay2 = stateOf(r2);
    RelayTestApp::click(r2->ENVOI);

    // The event as the window opens: today at the current minute, zero counts.
    auto* ev = qobject_cast<Mise_even*>(t.app->principal->showWindow(QStringLiteral("Mise_even")));
    ASSERT_NE(ev, nullptr);
    const QTime at = t.app->clock.now().time();
    RelayTestApp::click(ev->ECRI_MAN_DS_COMBO);
    ASSERT_EQ(t.app->ui.lastText(), QStringLiteral("Programmation Événement effectuée."));
    EXPECT_EQ(t.panel().reg(32), (at.hour() / 10) * 16 + at.hour() % 10);
    EXPECT_EQ(t.panel().reg(33), (at.minute() / 10) * 16 + at.minute() % 10);
    for (int r = 38; r <= 48; ++r)
        EXPECT_EQ(t.panel().reg(r), r == 47 ? 0xFF : r == 48 ? 0xCC : 0) << r;   // zero counts, contact closing

    // Read back as relay 2: the alarms are gone, the image holds the event.
    Relais* again = t.fresh(2);
    RelayTestApp::click(again->Command1);
    EXPECT_EQ(t.app->ui.lastText(), QStringLiteral("Lecture Relais 2 effectuée."));
    EXPECT_NE(stateOf(again), relay2);
    for (int r = 32; r <= 48; ++r)
        EXPECT_EQ(t.app->tqv->TAB_DS()[size_t(r)], t.panel().reg(r)) << r;
}

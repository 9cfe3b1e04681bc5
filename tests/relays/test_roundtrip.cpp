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
    Relais* relais(int n)
    {
        return qobject_cast<Relais*>(app->principal->showWindow(QStringLiteral("Relais_%1").arg(n)));
    }
    // Closes the window and opens it again, back at its defaults.
    Relais* fresh(int n)
    {
        app->principal->unloadWindow(QStringLiteral("Relais_%1").arg(n));
        return relais(n);
    }
};

} // namespace

TEST(RelayRoundTrip, Relay2SendThenReadRestoresEveryControl)
{
    for (bool closes : {true, false}) {
        EmulatedRelays t;
        Relais* w = t.relais(2);
        setVariedState(w, closes);
        const RelayState sent = stateOf(w);
        RelayTestApp::click(w->ENVOI);
        ASSERT_EQ(t.app->ui.lastText(), QStringLiteral("Programmation Relais 2 effectuée."));
        EXPECT_EQ(t.panel().reg(33), 0x23);
        EXPECT_EQ(t.panel().reg(34), 0x59);

        Relais* again = t.fresh(2);
        ASSERT_NE(stateOf(again), sent);
        const qint64 start = t.app->clock.monotonicMs();
        RelayTestApp::click(again->Command1);
        EXPECT_EQ(t.app->ui.lastText(), QStringLiteral("Lecture Relais 2 effectuée."));
        EXPECT_EQ(stateOf(again), sent) << closes;
        EXPECT_NEAR(double(t.app->clock.monotonicMs() - start), 900 + 9400 + 100, 50);
    }
}

TEST(RelayRoundTrip, Relay1SentFromOneStateReadsIntoAFreshWindow)
{
    EmulatedRelays t;
    Relais* w = t.relais(1);
    setVariedState(w, false);
    const RelayState sent = stateOf(w);
    RelayTestApp::click(w->ENVOI);
    ASSERT_EQ(t.app->ui.lastText(), QStringLiteral("Programmation Relais 1 effectuée."));
    EXPECT_EQ(t.panel().reg(15), 0xCC);

    Relais* again = t.fresh(1);
    RelayTestApp::click(again->Command1);
    EXPECT_EQ(t.app->ui.lastText(), QStringLiteral("Lecture Relais 1 effectuée."));
    EXPECT_EQ(stateOf(again), sent);
}

TEST(RelayRoundTrip, WrongMarkersFromThePanelLeaveBothWindowsAlone)
{
    EmulatedRelays t;
    t.panel().faults().wrongMarkers = true;
    for (int n : {1, 2}) {
        Relais* w = t.relais(n);
        setVariedState(w, n == 1);
        const RelayState before = stateOf(w);
        t.app->ui.messages.clear();
        RelayTestApp::click(w->Command1);
        EXPECT_EQ(t.app->ui.texts(),
                  QStringList({QStringLiteral("Pas de Lecture possible."), QString::fromUtf8(msg::kWiredFailure)}))
            << n;
        EXPECT_EQ(stateOf(w), before) << n;
    }
}

TEST(RelayRoundTrip, EventSentAfterRelay2ReplacesItsBlock)
{
    EmulatedRelays t;
    Relais* r2 = t.relais(2);
    setVariedState(r2, true);
    const RelayState relay2 = stateOf(r2);
    RelayTestApp::click(r2->ENVOI);

    // The event as the window opens: today at the current minute, zero counts.
    auto* ev = qobject_cast<Mise_even*>(t.app->principal->showWindow(QStringLiteral("Mise_even")));
    ASSERT_NE(ev, nullptr);
    const QTime at = t.app->clock.now().time();
    RelayTestApp::click(ev->ECRI_MAN_DS_COMBO);
    ASSERT_EQ(t.app->ui.lastText(), QStringLiteral("Programmation Événement effectuée."));

    EXPECT_EQ(t.panel().reg(32), (at.hour() / 10) * 16 + at.hour() % 10);
    EXPECT_EQ(t.panel().reg(33), (at.minute() / 10) * 16 + at.minute() % 10);
    for (int r = 38; r <= 46; ++r)
        EXPECT_EQ(t.panel().reg(r), 0) << r;
    EXPECT_EQ(t.panel().reg(47), 0xFF);
    EXPECT_EQ(t.panel().reg(48), 0xCC);

    // Read back as relay 2: the alarms are gone, the image holds the event.
    Relais* again = t.fresh(2);
    RelayTestApp::click(again->Command1);
    EXPECT_EQ(t.app->ui.lastText(), QStringLiteral("Lecture Relais 2 effectuée."));
    EXPECT_NE(stateOf(again), relay2);
    for (int r = 32; r <= 48; ++r)
        EXPECT_EQ(t.app->tqv->TAB_DS()[size_t(r)], t.panel().reg(r)) << r;
}

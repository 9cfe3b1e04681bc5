#include "RelayTestApp.h"
#include "panel/Mise_even.h"

#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

// Send, then read back into a window that starts from its defaults: every control comes back.
TEST(RelayRoundTrip, Relay2SendThenReadRestoresEveryControl)
{
    for (bool closes : {true, false}) {
        RelayTestApp t;
        Relais* w = t.relais(2);
        setVariedState(w, closes);
        const RelayState sent = stateOf(w);
        RelayTestApp::click(w->ENVOI);
        ASSERT_EQ(t.app.ui.lastText(), QStringLiteral("Programmation Relais 2 effectuée."));

        t.app.principal->unloadWindow(QStringLiteral("Relais_2"));
        Relais* fresh = t.relais(2);
        ASSERT_NE(stateOf(fresh), sent);
        RelayTestApp::click(fresh->Command1);
        EXPECT_EQ(t.app.ui.lastText(), QStringLiteral("Lecture Relais 2 effectuée."));
        EXPECT_EQ(stateOf(fresh), sent) << closes;
    }
}

TEST(RelayRoundTrip, Relay1SentFromOneStateReadsIntoAFreshWindow)
{
    RelayTestApp t;
    Relais* w = t.relais(1);
    setVariedState(w, false);
    const RelayState sent = stateOf(w);
    RelayTestApp::click(w->ENVOI);
    t.app.principal->unloadWindow(QStringLiteral("Relais_1"));
    Relais* fresh = t.relais(1);
    RelayTestApp::click(fresh->Command1);
    EXPECT_EQ(stateOf(fresh), sent);
    // Relay 2's window reads its own, empty, block: no marker there.
    RelayTestApp::click(t.relais(2)->Command1);
    EXPECT_EQ(t.app.ui.texts().mid(t.app.ui.texts().size() - 2, 1), QStringList{QStringLiteral("Pas de Lecture possible.")});
}

TEST(RelayRoundTrip, EventSentAfterRelay2ReplacesItsBlock)
{
    RelayTestApp t;
    Relais* r2 = t.relais(2);
    setVariedState(r2, true);
    const RelayState relay2 = stateOf(r2);
    RelayTestApp::click(r2->ENVOI);

    auto* ev = qobject_cast<Mise_even*>(t.app.principal->showWindow(QStringLiteral("Mise_even")));
    ASSERT_NE(ev, nullptr);
    const QTime at = t.app.clock.now().time();
    RelayTestApp::click(ev->ECRI_MAN_DS_COMBO);
    ASSERT_EQ(t.app.ui.lastText(), QStringLiteral("Programmation Événement effectuée."));

    // The block now holds the event: its time, zero counts (current minute), contact byte, marker.
    EXPECT_EQ(t.panel.regs[32], (at.hour() / 10) * 16 + at.hour() % 10);
    EXPECT_EQ(t.panel.regs[33], (at.minute() / 10) * 16 + at.minute() % 10);
    for (int r = 38; r <= 46; ++r)
        EXPECT_EQ(t.panel.regs[size_t(r)], 0) << r;
    EXPECT_EQ(t.panel.regs[47], 0xFF);
    EXPECT_EQ(t.panel.regs[48], 0xCC);

    // Read back as relay 2, the alarms are gone.
    t.app.principal->unloadWindow(QStringLiteral("Relais_2"));
    Relais* fresh = t.relais(2);
    RelayTestApp::click(fresh->Command1);
    EXPECT_EQ(t.app.ui.lastText(), QStringLiteral("Lecture Relais 2 effectuée."));
    EXPECT_NE(stateOf(fresh), relay2);
    for (int r = 32; r <= 48; ++r)
        EXPECT_EQ(t.app.tqv->TAB_DS()[size_t(r)], t.panel.regs[size_t(r)]) << r;
}

#include "RelayTestApp.h"
#include "core/Frames.h"
#include "core/Tqvbase.h"

#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

TEST(RelayWindow, OpensOnItsListsAndReadsOnAWiredLinkOnly)
{
    RelayTestApp t(QStringLiteral("Sans fil"));
    for (int n : {1, 2}) {
        Relais* w = t.relais(n);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Relais %1.").arg(n));
        EXPECT_EQ(stateOf(w), "00 00 01 00 00 01 00 00 01 00 00 01 " + std::string(28, '.') + " ferme");
        EXPECT_EQ(w->durationBox(4)->count(), 59);
        EXPECT_EQ(w->minuteBox(4)->count(), 60);
        EXPECT_EQ(w->ENVOI->objectName(), QStringLiteral("ENVOI_REL%1").arg(n));
        EXPECT_EQ(w->ENVOI->toolTip(),
                  QStringLiteral("Programmation des informations heure, jour, durée du relais %1 au panneau.").arg(n));
        EXPECT_FALSE(w->Command1->isEnabled());
    }
    t.app.principal->configuration()->SEL_INTER->setCurrentText(QStringLiteral("Filaire "));
    t.app.validate();
    EXPECT_TRUE(t.relais(1)->Command1->isEnabled());
    EXPECT_TRUE(t.relais(2)->Command1->isEnabled());
}

TEST(RelaySend, EveryRegisterOfTheBlockWithDayMasksAndBcdTimes)
{
    struct Case { int relay; bool closes; std::vector<int> days; std::vector<int> block; };
    const Case cases[] = {
        // No day ticked, contact closes: 0x80 in all four masks; relay 1's marker first.
        {1, true, {}, {0xCC, 0x80, 0x23, 0x59, 0x3B, 0x80, 0, 0, 1, 0x80, 0, 0, 1, 0x80, 0, 0, 1}},
        // Contact opens; alarm 1 Lundi + Dimanche, alarm 2 Samedi; relay 2's marker last.
        {2, false, {0, 6, 12}, {0x41, 0x23, 0x59, 0x3B, 0x20, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0xCC}},
    };
    for (const Case& c : cases) {
        RelayTestApp t;
        Relais* w = t.relais(c.relay);
        w->hourBox(1)->setCurrentText(QStringLiteral("23"));
        w->minuteBox(1)->setCurrentText(QStringLiteral("59"));
        w->durationBox(1)->setCurrentText(QStringLiteral("59"));   // a plain byte: 0x3B
        RelayTestApp::click(c.closes ? w->Option1 : w->Option2);
        for (int d : c.days)
            RelayTestApp::click(w->Check1[size_t(d)]);
        RelayTestApp::click(w->ENVOI);

        // Link test, the 17 registers with a two-byte preamble and a three-byte end run, closing.
        const int first = c.relay == 1 ? 15 : 32;
        const auto writes = t.app.takeWrites();
        ASSERT_EQ(writes.size(), 19u);
        EXPECT_EQ(writes.front(), linkTestFrame());
        EXPECT_EQ(writes.back(), closingFrame());
        for (int i = 0; i < 17; ++i)
            EXPECT_EQ(writes[size_t(1 + i)], registerWriteFrame(first + i, quint8(c.block[size_t(i)]), 2, 3))
                << c.relay << " register " << first + i;
        EXPECT_EQ(t.app.tqv->TAB_DS()[size_t(first + 1)], c.block[1]);
        EXPECT_EQ(t.app.ui.texts(), QStringList{QStringLiteral("Programmation Relais %1 effectuée.").arg(c.relay)});
        EXPECT_EQ(t.app.ui.messages[0].icon, MsgIcon::Information);
    }
}

TEST(RelayExchange, ShortLongAndUnmarkedBlocksLeaveTheWindowAsItWas)
{
    // 16 or 18 answers to a send or a read, or a read of a block whose marker is wrong (relay 1's
    // first byte, relay 2's last).
    struct Case { int relay; bool send; int answers; bool marked; };
    const Case cases[] = {{1, true, 16, true},  {1, true, 18, true},   {1, false, 16, true},
                          {1, false, 18, true}, {1, false, 17, false}, {2, false, 17, false}};
    for (const Case& c : cases) {
        RelayTestApp t;
        for (int i = 0; i < 16; ++i)   // alarms that would decode well, unlike the window's
            t.panel.regs[size_t((c.relay == 1 ? 16 : 32) + i)] = i % 4 == 0 ? 0x7F : 0x01;
        t.panel.regs[c.relay == 1 ? 15 : 48] = c.marked ? 0xCC : 0x00;
        int frame = 0;   // frame 18 is the last register frame: no answer, or its answer twice
        t.app.fake->responder = [&](const QByteArray& f) {
            const QByteArray a = t.panel(f);
            return ++frame != 18 || c.answers == 17 ? a : c.answers == 16 ? QByteArray() : a + a;
        };
        Relais* w = t.relais(c.relay);
        setVariedState(w, false);
        const std::string before = stateOf(w);
        RelayTestApp::click(c.send ? w->ENVOI : w->Command1);
        QStringList expected{QString::fromUtf8(msg::kWiredFailure)};
        if (!c.marked)
            expected.prepend(QStringLiteral("Pas de Lecture possible."));
        EXPECT_EQ(t.app.ui.texts(), expected) << c.relay << c.send << c.answers;
        for (const auto& m : t.app.ui.messages)
            EXPECT_EQ(m.icon, MsgIcon::Exclamation);
        EXPECT_EQ(stateOf(w), before) << c.relay << c.send << c.answers;
    }
}

TEST(RelayRead, ContactFromAlarm1EmptyDurationAndOutOfRangeBytes)
{
    RelayTestApp t;
    Relais* w = t.relais(1);
    w->hourBox(1)->setCurrentText(QStringLiteral("05"));
    w->minuteBox(2)->setCurrentText(QStringLiteral("17"));
    w->durationBox(3)->setCurrentText(QStringLiteral("33"));
    w->hourBox(4)->setCurrentText(QStringLiteral("06"));
    // Alarm 1: Lundi and Mercredi, contact bit clear, hour 0x2A (kept), duration 0 (no selection).
    // Alarm 2: bit 7 set (not the one that counts), Dimanche, minute 60 (kept). Alarm 3: duration
    // 200 (kept). Alarm 4: hour 24 (kept).
    auto& regs = t.panel.regs;
    const int block[17] = {0xCC, 0x05, 0x2A, 0x45, 0, 0xC0, 0x19, 0x60, 59, 0, 0, 0, 200, 0, 0x24, 0, 0};
    std::copy(std::begin(block), std::end(block), regs.begin() + 15);
    RelayTestApp::click(w->Command1);

    EXPECT_EQ(t.app.ui.texts(), QStringList{QStringLiteral("Lecture Relais 1 effectuée.")});
    EXPECT_EQ(stateOf(w), "05 45 -- 19 17 59 00 00 33 06 00 -- x.x..........x.............. ouvre");
    EXPECT_EQ(w->Option2->text(), QStringLiteral("Le contact s'ouvre"));
    // Four-byte preamble and a one-byte end run on every read frame.
    const auto writes = t.app.takeWrites();
    ASSERT_EQ(writes.size(), 19u);
    for (int i = 0; i < 17; ++i)
        EXPECT_EQ(writes[size_t(1 + i)], registerReadFrame(15 + i, 4, 1)) << i;

    // Sending the empty duration puts 0 back.
    RelayTestApp::click(w->ENVOI);
    EXPECT_EQ(regs[19], 0);
    EXPECT_EQ(regs[16], 0x05);
}

TEST(RelayRead, Relay2PausesHalfASecondAfterEachOfItsFrames)
{
    RelayTestApp t;
    t.panel.regs[48] = 0xCC;
    Relais* w = t.relais(2);
    const qint64 start = t.app.clock.monotonicMs();
    RelayTestApp::click(w->Command1);
    EXPECT_EQ(t.app.ui.lastText(), QStringLiteral("Lecture Relais 2 effectuée."));
    // Link test 0.9 s, 17 x 0.5 s, 0.9 s, closing 0.1 s.
    EXPECT_EQ(t.app.clock.monotonicMs() - start, 900 + 17 * 500 + 900 + 100);
    const auto& writes = t.app.fake->writes;
    ASSERT_GE(writes.size(), 19u);
    const size_t first = writes.size() - 18;   // the 17 reads, then the closing frame
    for (int i = 0; i < 17; ++i) {
        EXPECT_EQ(writes[first + size_t(i)].bytes, registerReadFrame(32 + i, 4, 1)) << i;
        EXPECT_EQ(writes[first + size_t(i)].atMs - writes[first].atMs, 500 * i) << i;
    }
}

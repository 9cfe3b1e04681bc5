#include "RelayTestApp.h"
#include "core/Frames.h"

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
        w->hourBox(1)->setCurrentIndex(23);
        w->minuteBox(1)->setCurrentIndex(59);
        w->durationBox(1)->setCurrentIndex(58);   // 59, a plain byte: 0x3B
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
        const QString fail = QString::fromUtf8(msg::kWiredFailure);
        EXPECT_EQ(t.app.ui.texts(), (c.marked ? QStringList{fail} : QStringList{"Pas de Lecture possible.", fail}));
        for (const auto& m : t.app.ui.messages)
            EXPECT_EQ(m.icon, MsgIcon::Exclamation);
        EXPECT_EQ(stateOf(w), before) << c.relay << c.send << c.answers;
    }
}

TEST(RelayRead, ContactFromAlarm1EmptyDurationAndOutOfRangeBytes)
{
    RelayTestApp t;
    Relais* w = t.relais(1);
    setVariedState(w, true);
    // Alarm 1: Lundi and Mercredi, contact bit clear, hour 0x2A (kept), duration 0 (no selection).
    // Alarm 2: bit 7 set (not the one that counts), Dimanche, minute 60 (kept). Alarm 3: duration
    // 200 (kept). Alarm 4: hour 24 (kept).
    auto& regs = t.panel.regs;
    const int block[17] = {0xCC, 0x05, 0x2A, 0x45, 0, 0xC0, 0x19, 0x60, 59, 0, 0, 0, 200, 0, 0x24, 0, 0};
    std::copy(std::begin(block), std::end(block), regs.begin() + 15);
    RelayTestApp::click(w->Command1);

    EXPECT_EQ(t.app.ui.texts(), QStringList{QStringLiteral("Lecture Relais 1 effectuée.")});
    EXPECT_EQ(stateOf(w), "23 45 -- 19 00 59 00 00 30 12 00 -- x.x..........x.............. ouvre");
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
    // The 17 read frames go out half a second apart, then closing.
    const auto& writes = t.app.fake->writes;
    const size_t first = writes.size() - 18;
    for (size_t i = 0; i < 17; ++i)
        EXPECT_EQ(writes[first + i].atMs - writes[first].atMs, qint64(500 * i)) << i;
}

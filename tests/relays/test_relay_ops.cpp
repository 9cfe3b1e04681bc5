#include "FakeSerialPort.h"
#include "RecordingUi.h"
#include "RegisterPanel.h"
#include "SimClock.h"
#include "core/Frames.h"
#include "core/LinkSettings.h"
#include "core/RelayOps.h"

#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

namespace {

struct Bench {
    SimClock clock;
    RecordingUi ui;
    LinkSettingsModel link;
    FakeSerialPort port{&clock};
    Tqvbase t{port, clock, ui, link};
    Bench()
    {
        port.open(QStringLiteral("/dev/fake"), LineSettings{});
        link.portValide = true;
        link.settings.response = QStringLiteral("OUI");
        ui.now = [this] { return clock.monotonicMs(); };
    }
    // Answers a block read with these 17 bytes, one per read frame.
    void answerReads(const QByteArray& bytes)
    {
        auto next = std::make_shared<int>(0);
        port.responder = [bytes, next](const QByteArray&) {
            return *next < bytes.size() ? QByteArray(1, bytes[(*next)++]) : QByteArray();
        };
    }
};

std::array<RelayAlarmSetting, 4> plainAlarms()
{
    return {RelayAlarmSetting{0x81, 23, 59, 59}, RelayAlarmSetting{0x80, 0, 0, 1},
            RelayAlarmSetting{0x00, 7, 5, 30}, RelayAlarmSetting{0x7F, 12, 30, 10}};
}

QByteArray block(std::initializer_list<int> bytes)
{
    QByteArray b;
    for (int v : bytes)
        b.append(char(quint8(v)));
    return b;
}

} // namespace

TEST(RelayWrite, Relay1PutsHoursAndMinutesInBcdAndWritesAll17Registers)
{
    Bench b;
    b.port.responder = ackOneByte;
    EXPECT_TRUE(ECRI_RELAIS1(b.t, plainAlarms()).ok);

    const auto& tab = b.t.TAB_DS();
    EXPECT_EQ(tab[15], 0xCC);
    EXPECT_EQ(tab[16], 0x81);
    EXPECT_EQ(tab[17], 0x23);
    EXPECT_EQ(tab[18], 0x59);
    EXPECT_EQ(tab[19], 0x3B);   // duration is a plain byte
    EXPECT_EQ(tab[23], 0x01);
    EXPECT_EQ(tab[25], 0x07);
    EXPECT_EQ(tab[26], 0x05);
    EXPECT_EQ(tab[30], 0x30);
    for (int r = 32; r < 57; ++r)
        EXPECT_EQ(tab[size_t(r)], 0) << r;   // nothing outside the block

    ASSERT_EQ(b.port.writes.size(), 17u);
    for (int i = 0; i < 17; ++i)
        EXPECT_EQ(b.port.writes[size_t(i)].bytes, registerWriteFrame(15 + i, tab[size_t(15 + i)], 2, 3)) << i;
    EXPECT_EQ(hexBytes(b.port.writes[2].bytes), QByteArray("02 02 31 40 40 41 41 42 43 03 03 03"));
    // Back to back, then one 0.9 s wait.
    ASSERT_EQ(b.clock.waits.size(), 1u);
    EXPECT_EQ(b.clock.waits[0].second, 900);
}

TEST(RelayWrite, Relay2StoresBytesAsGivenWithMarkerLast)
{
    Bench b;
    b.port.responder = ackOneByte;
    std::array<quint8, 16> bytes{};
    for (int i = 0; i < 16; ++i)
        bytes[size_t(i)] = quint8(0xF0 + i);   // not BCD-converted again
    EXPECT_TRUE(ECRI_RELAIS2(b.t, bytes).ok);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(b.t.TAB_DS()[size_t(32 + i)], 0xF0 + i);
    EXPECT_EQ(b.t.TAB_DS()[48], 0xCC);
    EXPECT_EQ(b.t.TAB_DS()[15], 0);
    ASSERT_EQ(b.port.writes.size(), 17u);
    EXPECT_EQ(b.port.writes.front().bytes, registerWriteFrame(32, 0xF0, 2, 3));
    EXPECT_EQ(b.port.writes.back().bytes, registerWriteFrame(48, 0xCC, 2, 3));
}

TEST(RelayWrite, OnlyExactly17AcknowledgementsSucceed)
{
    for (int extra : {-1, 0, 1}) {
        Bench b;
        int frames = 0;
        b.port.responder = [&frames, extra](const QByteArray&) {
            ++frames;
            if (extra < 0 && frames == 17)
                return QByteArray();
            if (extra > 0 && frames == 17)
                return QByteArray(2, '\x06');
            return QByteArray(1, '\x06');
        };
        const CmdResult r1 = ECRI_RELAIS1(b.t, plainAlarms());
        EXPECT_EQ(r1.ok, extra == 0) << extra;
        if (extra != 0)
            EXPECT_EQ(r1.count, 17 + extra);
    }
}

TEST(RelayRead, Relay1DecodesAValidBlock)
{
    Bench b;
    b.answerReads(block({0xCC, 0x7F, 0x23, 0x59, 59, 0x80 | 0x01, 0x00, 0x00, 1, 0x00, 0x07, 0x05, 0,
                         0x20, 0x12, 0x30, 30}));
    const RelayRead r = LIT_RELAIS1(b.t);
    ASSERT_TRUE(r.result.ok);
    ASSERT_TRUE(r.block);
    const DecodedRelay& d = *r.block;
    EXPECT_FALSE(d.contactCloses);   // alarm 1's bit 7 is clear; alarm 2's does not count
    EXPECT_EQ(d.alarms[0].days, (std::array<bool, 7>{true, true, true, true, true, true, true}));
    EXPECT_EQ(d.alarms[0].hourIndex, 23);
    EXPECT_EQ(d.alarms[0].minuteIndex, 59);
    EXPECT_EQ(d.alarms[0].durationIndex, 58);
    EXPECT_EQ(d.alarms[1].days, (std::array<bool, 7>{true, false, false, false, false, false, false}));
    EXPECT_EQ(d.alarms[1].durationIndex, 0);
    EXPECT_EQ(d.alarms[2].hourIndex, 7);
    EXPECT_EQ(d.alarms[2].durationIndex, -1);   // duration 0: no selection
    EXPECT_EQ(d.alarms[3].days[5], true);
    EXPECT_EQ(d.alarms[3].minuteIndex, 30);
    EXPECT_EQ(b.t.TAB_DS()[31], 30);
    // Four-byte preamble, one end byte; 0.9 s in all.
    EXPECT_EQ(b.port.writes.front().bytes, registerReadFrame(15, 4, 1));
    EXPECT_EQ(hexBytes(b.port.writes.front().bytes), QByteArray("02 02 02 02 31 20 20 20 2F 20 20 03"));
    EXPECT_EQ(b.clock.monotonicMs(), 900);
}

TEST(RelayRead, WrongMarkerStopsTheReadWithItsMessage)
{
    {
        Bench b;
        b.answerReads(block({0xCB, 0x7F, 0x23, 0x59, 59, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1}));
        const RelayRead r = LIT_RELAIS1(b.t);
        EXPECT_FALSE(r.result.ok);
        EXPECT_FALSE(r.block);
        EXPECT_EQ(b.ui.texts(), QStringList{QStringLiteral("Pas de Lecture possible.")});
        EXPECT_EQ(b.ui.messages[0].icon, MsgIcon::Exclamation);
        EXPECT_EQ(b.t.TAB_DS()[15], 0xCB);
        EXPECT_EQ(b.t.TAB_DS()[16], 0);        // nothing beyond the marker is taken
        EXPECT_EQ(b.port.bytesWaiting(), 16);
    }
    {
        Bench b;
        b.answerReads(block({0x7F, 0x23, 0x59, 59, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0xCD}));
        const RelayRead r = LIT_RELAIS2(b.t);
        EXPECT_FALSE(r.result.ok);
        EXPECT_FALSE(r.block);
        EXPECT_EQ(b.ui.lastText(), QStringLiteral("Pas de Lecture possible."));
        EXPECT_EQ(b.t.TAB_DS()[32], 0x7F);     // all 17 bytes were taken first
        EXPECT_EQ(b.t.TAB_DS()[48], 0xCD);
    }
}

TEST(RelayRead, ShortOrLongAnswerFailsQuietly)
{
    for (int n : {16, 18}) {
        Bench b;
        QByteArray bytes = block({0xCC, 0x7F, 0x23, 0x59, 59, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1});
        if (n == 16)
            bytes.chop(1);
        else
            bytes.append('\x01');
        auto next = std::make_shared<int>(0);
        b.port.responder = [bytes, next, n](const QByteArray&) {
            // 18: the last frame is answered twice.
            const int i = (*next)++;
            if (i >= bytes.size())
                return QByteArray();
            return (n == 18 && i == 16) ? bytes.mid(16, 2) : QByteArray(1, bytes[i]);
        };
        const RelayRead r = LIT_RELAIS1(b.t);
        EXPECT_FALSE(r.result.ok) << n;
        EXPECT_FALSE(r.block) << n;
        EXPECT_TRUE(b.ui.messages.empty()) << n;
        EXPECT_EQ(b.t.TAB_DS()[15], 0) << n;
    }
}

TEST(RelayRead, Relay2PausesHalfASecondAfterEveryFrame)
{
    Bench b;
    RegisterPanel panel;
    panel.regs[48] = 0xCC;
    b.port.responder = [&panel](const QByteArray& f) { return panel(f); };
    const RelayRead r = LIT_RELAIS2(b.t);
    EXPECT_TRUE(r.result.ok);
    ASSERT_EQ(b.port.writes.size(), 17u);
    for (int i = 0; i < 17; ++i)
        EXPECT_EQ(b.port.writes[size_t(i)].atMs, 500 * i) << i;
    EXPECT_EQ(b.clock.monotonicMs(), 17 * 500 + 900);   // about 9.4 s
}

TEST(RelayRead, BytesOutOfRangeLeaveOnlyTheirBoxes)
{
    // Hours above 23 or with hex nibbles, minutes above 59, durations above 59.
    const std::array<quint8, 16> data{0x81, 0x24, 0x5A, 60,  0x01, 0x1F, 0x60, 0xFF,
                                      0x02, 0xA0, 0x00, 0,   0x04, 0x09, 0x09, 9};
    const DecodedRelay d = decodeRelayBlock(data);
    EXPECT_TRUE(d.contactCloses);
    EXPECT_FALSE(d.alarms[0].hourIndex);
    EXPECT_FALSE(d.alarms[0].minuteIndex);
    EXPECT_FALSE(d.alarms[0].durationIndex);
    EXPECT_TRUE(d.alarms[0].days[0]);
    EXPECT_FALSE(d.alarms[1].hourIndex);
    EXPECT_FALSE(d.alarms[1].minuteIndex);
    EXPECT_FALSE(d.alarms[1].durationIndex);
    EXPECT_FALSE(d.alarms[2].hourIndex);
    EXPECT_EQ(d.alarms[2].minuteIndex, 0);
    EXPECT_EQ(d.alarms[2].durationIndex, -1);
    EXPECT_EQ(d.alarms[3].hourIndex, 9);
    EXPECT_EQ(d.alarms[3].minuteIndex, 9);
    EXPECT_EQ(d.alarms[3].durationIndex, 8);
}

// Rules the windows hand to the core: relay blocks, the brightness bytes and the DCF77 monitor's
// exchanges, on a recording port and simulated time.
#include "FakeSerialPort.h"
#include "RecordingUi.h"
#include "SimClock.h"
#include "core/Dcf77Monitor.h"
#include "core/DisplayOps.h"
#include "core/ExchangeJournal.h"
#include "core/Frames.h"
#include "core/LinkSettings.h"
#include "core/RelayOps.h"

#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

namespace {

struct Rig {
    SimClock clock;
    FakeSerialPort port{&clock};
    RecordingUi ui;
    LinkSettingsModel link;
    Tqvbase tqv{port, clock, ui, link};
    ExchangeJournal journal{clock};

    Rig()
    {
        ui.now = [this] { return clock.monotonicMs(); };
        link.settings.response = QStringLiteral("OUI");
        link.settings.interface = QStringLiteral("Filaire ");
        port.open(QStringLiteral("/dev/fake"), *LineSettings::parse(QStringLiteral("9600,N,8,2")));
        link.portValide = true;
        tqv.addObserver(&journal);
    }
    ~Rig() { tqv.removeObserver(&journal); }
    QByteArray bytesRead() const
    {
        QByteArray out;
        for (const auto& e : journal.entries())
            if (e.kind == ExchangeJournal::Kind::Read)
                out += e.bytes;
        return out;
    }
};

} // namespace

TEST(RelayRules, BothRelaysSendTheSameBlockAndReadWithTheirFrameShapes)
{
    const std::array<RelayAlarmSetting, 4> alarms = {{{0x81, 7, 45, 12}, {0x02, 23, 5, 59}, {0, 0, 0, 1}, {0x7F, 12, 30, 0}}};
    const std::array<quint8, 16> expected = {0x81, 0x07, 0x45, 12, 0x02, 0x23, 0x05, 59,
                                             0x00, 0x00, 0x00, 1, 0x7F, 0x12, 0x30, 0};
    EXPECT_EQ(relayBlock(alarms), expected);
    Rig r;
    r.port.responder = ackOneByte;
    ASSERT_TRUE(ECRI_RELAIS1(r.tqv, alarms).ok);
    ASSERT_TRUE(ECRI_RELAIS2(r.tqv, relayBlock(alarms)).ok);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(r.tqv.TAB_DS()[size_t(16 + i)], r.tqv.TAB_DS()[size_t(32 + i)]) << i;

    // Reads: one register-read frame per register of the block, each with its own shape.
    r.port.writes.clear();
    r.port.responder = nullptr;
    LIT_RELAIS1(r.tqv);
    LIT_RELAIS2(r.tqv);
    ASSERT_EQ(r.port.writes.size(), 34u);
    for (int i = 0; i < 17; ++i) {
        EXPECT_EQ(r.port.writes[size_t(i)].bytes, registerReadFrame(15 + i, 4, 1)) << i;
        EXPECT_EQ(r.port.writes[size_t(17 + i)].bytes, registerReadFrame(32 + i, 4, 1)) << i;
    }
}

TEST(RelayRules, TheContactSenseComesFromAlarmOneOnly)
{
    for (const bool closes : {true, false}) {
        std::array<quint8, 16> data{};
        data[0] = closes ? 0x80 : 0x00;
        for (const size_t other : {4u, 8u, 12u})
            data[other] = closes ? 0x00 : 0x80;
        EXPECT_EQ(decodeRelayBlock(data).contactCloses, closes);
    }
}

TEST(BrightnessRules, ModeAndSensitivityBytesFromTheButtons)
{
    EXPECT_EQ(brightness::modeByte(true, false, false), 0x41);
    EXPECT_EQ(brightness::modeByte(false, true, false), 0x40);
    EXPECT_EQ(brightness::modeByte(false, false, true), 0x02);
    EXPECT_EQ(brightness::modeByte(false, false, false), 0x00);
    EXPECT_EQ(brightness::sensitivityByte(true, false), 0x10);
    EXPECT_EQ(brightness::sensitivityByte(false, true), 0x08);
}

TEST(Dcf77MonitorRules, StartStopAndPollGoThroughTheJournal)
{
    Rig r;
    r.link.portValide = false;
    Dcf77Monitor m(r.tqv);
    EXPECT_FALSE(m.start());
    EXPECT_TRUE(r.port.writes.empty());
    r.port.feed("1");
    EXPECT_EQ(m.poll().status, Dcf77Monitor::Poll::Idle);   // not validated: nothing taken

    r.link.portValide = true;
    r.port.responder = [](const QByteArray&) { return QByteArray("\x06" "01", 3); };
    EXPECT_TRUE(m.start());
    ASSERT_EQ(r.port.writes.size(), 1u);
    EXPECT_EQ(r.port.writes[0].bytes, closingFrame());
    EXPECT_TRUE(r.port.pending().isEmpty());
    EXPECT_EQ(r.bytesRead(), QByteArray("\x06" "01", 3));   // acknowledgement and stream, journalled

    r.port.feed("10");
    Dcf77Monitor::PollResult p = m.poll();
    EXPECT_EQ(p.status, Dcf77Monitor::Poll::Character);
    EXPECT_EQ(p.character, '1');
    EXPECT_EQ(r.port.pending(), QByteArray("0"));   // one character per poll
    EXPECT_EQ(m.poll().character, '0');
    EXPECT_EQ(m.poll().status, Dcf77Monitor::Poll::Idle);
    EXPECT_EQ(r.bytesRead(), QByteArray("\x06" "0110", 5));

    r.port.responder = nullptr;
    m.stop();
    EXPECT_EQ(r.port.writes[1].bytes, linkTestFrame());
    r.port.close();
    EXPECT_EQ(m.poll().status, Dcf77Monitor::Poll::Gone);
}

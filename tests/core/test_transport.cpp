#include "FakeSerialPort.h"
#include "RecordingUi.h"
#include "core/Dcf77Monitor.h"
#include "core/ExchangeJournal.h"
#include "core/Frames.h"
#include "core/LinkSettings.h"
#include "core/RelayOps.h"
#include "core/Tqvbase.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace kwf;
using namespace kwf::test;

namespace {

// A transport on a recording port and simulated time, port open and validated.
struct Rig {
    SimClock clock;
    FakeSerialPort port{&clock};
    RecordingUi ui;
    LinkSettingsModel link;
    ExchangeJournal journal{clock};   // outlives the transport it observes
    Tqvbase tqv{port, clock, ui, link};

    Rig(const char* response = "OUI", const char* interface = "Filaire ")
    {
        tqv.addObserver(&journal);
        ui.now = [this] { return clock.monotonicMs(); };
        link.settings.response = QString::fromLatin1(response);
        link.settings.interface = QString::fromLatin1(interface);
        port.open(QStringLiteral("/dev/fake"), *LineSettings::parse(QStringLiteral("9600,N,8,2")));
        link.portValide = true;
    }
    // The bytes taken, as the exchange journal recorded them.
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

TEST(LinkTest, WiredLinkThatNeverAnswersTriesThreeTimesThenClosesTwiceAndWarns)
{
    Rig r;
    EXPECT_FALSE(r.tqv.TEST_LIAISON());
    ASSERT_EQ(r.port.writes.size(), 5u);
    // Three attempts 0.9 s apart, then two closing frames 0.1 s apart.
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(r.port.writes[i].bytes, i < 3 ? linkTestFrame() : closingFrame()) << i;
        EXPECT_EQ(r.port.writes[i].atMs, i < 3 ? 900 * i : 2700 + 100 * (i - 3)) << i;
    }
    ASSERT_EQ(r.ui.messages.size(), 1u);
    EXPECT_EQ(r.ui.messages[0].text, QStringLiteral("Échec de connexion après 3 tentatives.\r\n"
                                                     "Veuillez vérifier le port COM utilisé,\r\n"
                                                     "les connexions et recommencer."));
    EXPECT_EQ(r.ui.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(r.ui.messages[0].atMs, 2900);   // after both closing frames
    // Every attempt starts by emptying the buffer and dropping DTR.
    EXPECT_EQ(r.port.calls.mid(1, 3), (QStringList{"clear", "dtr0", "write"}));
}

// Quiet outcomes: two bytes are a failed attempt, the radio module gives up without a word,
// no response control succeeds after one frame, a port error ends the test at once.
TEST(LinkTest, QuietOutcomesByAnswerInterfaceAndPort)
{
    struct Case { const char *what, *rep, *inter; bool twoBytesFirst, failWrite, close, ok; int writes; qint64 ms; };
    const Case cases[] = {
        {"two bytes, then one", "OUI", "Filaire ", true, false, false, true, 2, 1800},
        {"radio, silent", "OUI", "Sans fil", false, false, false, false, 3, -1},
        {"response control off", "NON", "Filaire ", false, false, false, true, 1, 900},
        {"write refused", "OUI", "Filaire ", false, true, false, false, -1, 0},
        {"port closed", "OUI", "Filaire ", false, false, true, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig r(c.rep, c.inter);
        int n = 0;
        if (c.twoBytesFirst)
            r.port.responder = [&n](const QByteArray&) { return ++n == 1 ? QByteArray("\x06\x06") : QByteArray("\x06"); };
        r.port.failWrite = c.failWrite;
        if (c.close)
            r.port.close();
        EXPECT_EQ(r.tqv.TEST_LIAISON(), c.ok);
        if (c.writes >= 0) {
            EXPECT_EQ(r.port.writes.size(), size_t(c.writes));
        }
        if (c.ms >= 0) {
            EXPECT_EQ(r.clock.monotonicMs(), c.ms);
        }
        EXPECT_TRUE(r.ui.messages.empty());
    }
}

// The failures and the wired success are shown by the brightness window's tests.
TEST(Outcome, RadioSuccessIsShownAfterTheClosingExchangeAndNoResponseControlStaysSilent)
{
    Rig radio("OUI", "Sans fil"), quiet("NON", "Sans fil");
    for (Rig* r : {&radio, &quiet}) {
        r->tqv.COMPTE_RENDU(CmdResult::acknowledged(), QStringLiteral("Fait."));
        ASSERT_EQ(r->port.writes.size(), 1u);
        EXPECT_EQ(r->port.writes[0].bytes, closingFrame());
    }
    EXPECT_TRUE(quiet.ui.messages.empty());
    ASSERT_EQ(radio.ui.messages.size(), 1u);
    EXPECT_EQ(radio.ui.messages[0].text, QStringLiteral("Fait."));
    EXPECT_EQ(radio.ui.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(radio.ui.messages[0].atMs, 100);   // the closing exchange went first
}

TEST(RegisterBlocks, WriteIsAcknowledgedByExactlyOneBytePerFrame)
{
    Rig r;
    r.port.responder = ackOneByte;
    const QByteArray values("\x01\x02\x03", 3);
    EXPECT_TRUE(r.tqv.writeRegisters(10, values, plan::kBlockWrite).ok);
    ASSERT_EQ(r.port.writes.size(), 3u);
    EXPECT_EQ(r.port.writes[2].atMs, 0);   // back to back
    EXPECT_EQ(r.clock.monotonicMs(), 900);

    r.port.responder = [](const QByteArray&) { return QByteArray("xy"); };
    const CmdResult twice = r.tqv.writeRegisters(10, values, plan::kBlockWrite);
    EXPECT_FALSE(twice.ok);
    EXPECT_EQ(twice.count, 6);
    r.port.responder = nullptr;
    EXPECT_EQ(r.tqv.writeRegisters(10, values, plan::kBlockWrite).count, 0);
}

TEST(SingleRegister, ReadGivesTheValueOnlyForExactlyOneByte)
{
    Rig r;
    r.port.responder = [](const QByteArray&) { return QByteArray("\x5A", 1); };
    EXPECT_EQ(r.tqv.LIT_REG(7), 0x5A);
    EXPECT_EQ(r.port.writes[0].bytes, registerReadFrame(7, 1, 1));
    EXPECT_EQ(r.clock.monotonicMs(), 50);
    r.port.responder = nullptr;
    EXPECT_EQ(r.tqv.LIT_REG(7), -1);
    r.port.responder = [](const QByteArray&) { return QByteArray("\x01\x02", 2); };
    EXPECT_EQ(r.tqv.LIT_REG(7), -1);
}

// Real time, 0.2 s: the PC's clock jumps an hour ahead on every reading during the wait (as
// at a change of time or a clock setting); the real clock still holds for the whole delay.
TEST(WaitRealTime, TheRealClockHoldsForTheDelayWhateverThePcClockDoes)
{
    static qint64 jumps = 0;
    SystemClock clock([] { return QDateTime(QDate(2026, 12, 5), QTime(23, 59, 59)).addSecs(3600 * ++jumps); });
    const auto start = std::chrono::steady_clock::now();
    clock.waitUntil(clock.monotonicMs() + 200, nullptr);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(ms, 200);
    EXPECT_LT(ms, 5000);
    EXPECT_GE(clock.monotonicMs(), 200);
}

// Rules the windows hand to the core: relay blocks, the DCF77 monitor.
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
    EXPECT_EQ(r.bytesRead(), QByteArray("\x06" "01", 3));   // acknowledgement and stream, journalled

    r.port.feed("10");
    Dcf77Monitor::PollResult p = m.poll();
    EXPECT_EQ(p.status, Dcf77Monitor::Poll::Character);
    EXPECT_EQ(p.character, '1');
    EXPECT_EQ(m.poll().character, '0');   // one character per poll
    EXPECT_EQ(m.poll().status, Dcf77Monitor::Poll::Idle);
    EXPECT_EQ(r.bytesRead(), QByteArray("\x06" "0110", 5));

    r.port.responder = nullptr;
    m.stop();
    EXPECT_EQ(r.port.writes[1].bytes, linkTestFrame());
    r.port.close();
    EXPECT_EQ(m.poll().status, Dcf77Monitor::Poll::Gone);
}

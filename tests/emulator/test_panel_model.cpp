#include "core/Frames.h"
#include "model/PanelModel.h"

#include <gtest/gtest.h>

#include <random>

using namespace kwf;
using kwf::emu::PanelModel;

namespace {

const QDateTime kStart(QDate(2026, 12, 5), QTime(9, 58, 49));   // a Saturday

QByteArray hex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

QByteArray reads(int first, int last, int k, int m)
{
    QByteArray all;
    for (int r = first; r <= last; ++r)
        all += registerReadFrame(r, k, m);
    return all;
}

} // namespace

TEST(PanelModel, AnswersLinkTestAndClosingFramesWithOneByte)
{
    PanelModel p(kStart);
    EXPECT_EQ(p.exchange(hex("02 02 02 02 02 02 02 02 31 C0 C0 C0 C0 C0 C0 03"), 0).size(), 1);
    EXPECT_EQ(p.exchange(hex("02 02 02 02 31 D0 D0 D0 D0 D0 D0 03"), 10).size(), 1);
    EXPECT_EQ(p.framesOf(0xC0), 1);
    EXPECT_EQ(p.framesOf(0xD0), 1);
}

TEST(PanelModel, TimeWriteFramesStoreTheValueAndAreAcknowledgedOnceWhateverTheEndRun)
{
    PanelModel p(kStart);
    // Minutes = 45, end run 3 (PC time) and 4 (manual values).
    EXPECT_EQ(p.exchange(hex("02 02 31 40 40 40 41 44 45 03 03 03"), 0).size(), 1);
    EXPECT_EQ(p.reg(1), 0x45);
    p.setReg(1, 0);
    EXPECT_EQ(p.exchange(hex("02 02 31 40 40 40 41 44 45 03 03 03 03"), 0).size(), 1);
    EXPECT_EQ(p.reg(1), 0x45);
}

TEST(PanelModel, ReadFramesAnswerTheRegisterValues)
{
    PanelModel p(kStart);
    // Clock read, preamble 2 end run 3: 09:58:49, Saturday (6), 05/12/26, control 0.
    EXPECT_EQ(p.exchange(reads(0, 7, 2, 3), 0), hex("49 58 09 06 05 12 26 00"));
    // Relay 1 block, preamble 4 end run 1: marker first; switch marker at 20.
    const QByteArray relay1 = p.exchange(reads(15, 31, 4, 1), 0);
    ASSERT_EQ(relay1.size(), 17);
    EXPECT_EQ(quint8(relay1[0]), 0xCC);
    EXPECT_EQ(quint8(relay1[5]), 0x41);
    // Relay 2 marker last; brightness marker first; last synchronisation 03:00:00 the same day.
    EXPECT_EQ(quint8(p.exchange(reads(32, 48, 4, 1), 0).back()), 0xCC);
    EXPECT_EQ(quint8(p.exchange(reads(50, 54, 4, 1), 0).front()), 0xCC);
    EXPECT_EQ(p.exchange(reads(56, 62, 2, 3), 0), hex("00 00 03 06 05 12 26"));
}

TEST(PanelModel, SingleRegisterFramesWithPreambleOneAndEndRunOne)
{
    PanelModel p(kStart);
    EXPECT_EQ(p.exchange(registerWriteFrame(40, 0xA5, 1, 1), 0).size(), 1);
    EXPECT_EQ(p.exchange(registerReadFrame(40, 1, 1), 0), QByteArray(1, char(0xA5)));
    EXPECT_EQ(p.exchange(registerWriteFrame(63, 0x7E, 1, 1), 0).size(), 1);
    EXPECT_EQ(p.exchange(registerReadFrame(63, 1, 1), 0), QByteArray(1, char(0x7E)));
}

TEST(PanelModel, BlockWriteOfSeventeenFramesIsAcknowledgedWithSeventeenBytes)
{
    PanelModel p(kStart);
    QByteArray frames;
    for (int i = 0; i < 17; ++i)
        frames += registerWriteFrame(32 + i, quint8(i * 7), 2, 3);
    EXPECT_EQ(p.exchange(frames, 0).size(), 17);
    EXPECT_EQ(p.reg(32 + 16), 16 * 7);
    // Byte by byte, the same frames are each answered once.
    PanelModel q(kStart);
    QByteArray answers;
    for (char c : frames)
        answers += q.exchange(QByteArray(1, c), 0);
    EXPECT_EQ(answers.size(), 17);
}

TEST(PanelModel, MalformedInputIsIgnoredAndTheNextValidFrameIsAnswered)
{
    PanelModel p(kStart);
    const QByteArray good = registerReadFrame(15, 2, 3);
    const QByteArray cases[] = {
        registerReadFrame(15, 2, 3).left(7),                 // truncated body
        registerReadFrame(15, 2, 3).left(9),                 // no end byte
        hex("02 02 31 20 20 40 40 20 20 03"),                // mixed bases
        hex("02 02 31 20 20 20 20 20 03"),                   // five body characters
        hex("31 20 20 20 20 20 20 03"),                      // no preamble
        hex("02 02 32 20 20 20 20 20 20 03"),                // wrong address
        hex("02 02 31 50 50 50 50 50 50 03"),                // unknown base
        QByteArray("garbage\x03\x03\xff\x00", 11),           // stray bytes
    };
    for (const QByteArray& bad : cases) {
        EXPECT_TRUE(p.exchange(bad, 0).isEmpty()) << bad.toHex(' ').constData();
        EXPECT_EQ(p.exchange(good, 0), QByteArray(1, char(0xCC))) << bad.toHex(' ').constData();
    }
    // A broken frame directly followed by a good one, in one write.
    EXPECT_EQ(p.exchange(good.left(8) + good, 0), QByteArray(1, char(0xCC)));
}

TEST(PanelModel, RandomBytesNeverBreakTheParser)
{
    PanelModel p(kStart);
    std::mt19937 rng(7);
    QByteArray noise(10000, 0);
    for (auto& c : noise)
        c = char(rng() & 0xFF);
    p.receive(noise, 0);
    p.takeDue(0);
    // Whatever state the noise left, the next frame is answered exactly once.
    EXPECT_EQ(p.exchange(registerReadFrame(50, 4, 1), 1), QByteArray(1, char(0xCC)));
    EXPECT_EQ(p.exchange(linkTestFrame(), 2).size(), 1);
}

// ---- clock -------------------------------------------------------------------------------

namespace {
QByteArray clockAfter(const QDateTime& start, qint64 ms)
{
    PanelModel p(start);
    p.advanceTo(ms);
    return QByteArray(reinterpret_cast<const char*>(p.registers().data()), 7);
}
} // namespace

TEST(PanelModel, ClockCarriesIntoEveryField)
{
    // 23:59:59 Wednesday 31/12/2025 -> 00:00:00 Thursday 01/01/2026.
    EXPECT_EQ(clockAfter(QDateTime(QDate(2025, 12, 31), QTime(23, 59, 59)), 1000), hex("00 00 00 04 01 01 26"));
    // Sunday (7) wraps to Monday (1): 30/11/2025 -> 01/12/2025.
    EXPECT_EQ(clockAfter(QDateTime(QDate(2025, 11, 30), QTime(23, 59, 59)), 1000), hex("00 00 00 01 01 12 25"));
    // Leap year: 28/02/2024 -> 29/02/2024 -> 01/03/2024.
    EXPECT_EQ(clockAfter(QDateTime(QDate(2024, 2, 28), QTime(23, 59, 59)), 1000), hex("00 00 00 04 29 02 24"));
    EXPECT_EQ(clockAfter(QDateTime(QDate(2024, 2, 28), QTime(23, 59, 59)), 86401000), hex("00 00 00 05 01 03 24"));
    // Common year: 28/02/2023 -> 01/03/2023.
    EXPECT_EQ(clockAfter(QDateTime(QDate(2023, 2, 28), QTime(23, 59, 59)), 1000), hex("00 00 00 03 01 03 23"));
    // 30-day month, and the century: 31/12/99 -> 01/01/00.
    EXPECT_EQ(clockAfter(QDateTime(QDate(2026, 4, 30), QTime(23, 59, 59)), 1000), hex("00 00 00 05 01 05 26"));
    EXPECT_EQ(clockAfter(QDateTime(QDate(2099, 12, 31), QTime(23, 59, 59)), 1000), hex("00 00 00 05 01 01 00"));
    // 999 ms is not yet a second; 61 s carry into the minute.
    EXPECT_EQ(clockAfter(kStart, 999), hex("49 58 09 06 05 12 26"));
    EXPECT_EQ(clockAfter(kStart, 71000), hex("00 00 10 06 05 12 26"));
}

TEST(PanelModel, HaltedClockStandsStillAndWritingSecondsRestartsTheDivider)
{
    PanelModel p(kStart);
    p.exchange(registerWriteFrame(0, 0x80 | 0x30, 2, 3), 0);   // halt at 30 s
    p.advanceTo(60000);
    EXPECT_EQ(p.reg(0), 0x80 | 0x30);
    EXPECT_EQ(p.reg(1), 0x58);
    EXPECT_TRUE(p.clockHalted());
    p.exchange(registerWriteFrame(0, 0x10, 2, 3), 60500);    // run from 10 s
    p.advanceTo(61499);
    EXPECT_EQ(p.reg(0), 0x10);
    p.advanceTo(61500);
    EXPECT_EQ(p.reg(0), 0x11);
}

TEST(PanelModel, TwelveHourClockTurnsOverAtMidnight)
{
    PanelModel p(QDateTime(QDate(2026, 12, 5), QTime(23, 59, 59)));
    p.setReg(2, 0x40 | 0x20 | 0x11);   // 11 PM
    p.advanceTo(1000);
    EXPECT_EQ(p.reg(2), 0x40 | 0x12);  // 12 AM
    EXPECT_EQ(p.reg(4), 0x06);
}

// ---- faults -------------------------------------------------------------------------------

TEST(PanelModel, FaultsChangeTheAnswers)
{
    const QByteArray block = reads(15, 31, 4, 1);
    {
        PanelModel p(kStart);
        p.faults().silent = true;
        EXPECT_TRUE(p.exchange(block, 0).isEmpty());
        EXPECT_EQ(p.exchange(registerWriteFrame(40, 1, 2, 3), 0).size(), 0);
        EXPECT_NE(p.reg(40), 1);   // a panel that does not hear does not store either
    }
    {
        PanelModel p(kStart);
        p.faults().silentAfterFrames = 5;
        EXPECT_EQ(p.exchange(block, 0).size(), 5);
    }
    {
        PanelModel p(kStart);
        p.faults().extraByte = true;
        EXPECT_EQ(p.exchange(linkTestFrame(), 0).size(), 2);
        EXPECT_EQ(p.exchange(block, 0).size(), 34);
    }
    {
        PanelModel p(kStart);
        p.faults().answerDelayMs = 1500;
        p.receive(linkTestFrame(), 100);
        EXPECT_TRUE(p.takeDue(1599).isEmpty());
        EXPECT_EQ(p.nextDueMs(), 1600);
        EXPECT_EQ(p.takeDue(1600).size(), 1);
    }
    {
        PanelModel p(kStart);
        p.faults().wrongMarkers = true;
        EXPECT_NE(quint8(p.exchange(block, 0).front()), 0xCC);
        EXPECT_NE(quint8(p.exchange(reads(48, 48, 4, 1), 0).front()), 0xCC);
        EXPECT_NE(quint8(p.exchange(reads(50, 50, 4, 1), 0).front()), 0xCC);
        EXPECT_EQ(quint8(p.exchange(reads(20, 20, 4, 1), 0).front()), 0x41);
    }
    {
        PanelModel p(kStart);
        p.faults().unplugAfterFrames = 3;
        EXPECT_EQ(p.exchange(block, 0).size(), 3);
        EXPECT_TRUE(p.unplugged());
        EXPECT_TRUE(p.exchange(linkTestFrame(), 0).isEmpty());
    }
}

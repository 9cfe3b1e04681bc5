// The panel model on its own millisecond scale: frames, clock, faults, DCF77 stream, state file.
#include "core/Frames.h"
#include "model/PanelModel.h"
#include "model/PanelState.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
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

// The stream after a closing frame at 0, cut into minutes (each ends with its "2"/"3").
QList<QByteArray> streamLines(PanelModel& p, qint64 ms)
{
    p.exchange(closingFrame(), 0);
    return p.takeDue(ms).replace('2', "2\n").replace('3', "3\n").split('\n');
}

} // namespace

TEST(PanelModel, EveryKindOfFrameGetsItsAnswer)
{
    const std::pair<QByteArray, QByteArray> cases[] = {
        {hex("02 02 02 02 02 02 02 02 31 C0 C0 C0 C0 C0 C0 03"), hex("06")},      // link test
        {hex("02 02 02 02 31 D0 D0 D0 D0 D0 D0 03"), hex("06")},                  // closing
        {hex("02 02 31 40 40 40 41 44 45 03 03 03") + registerReadFrame(1, 2, 3), hex("06 45")},
        {hex("02 02 31 40 40 40 41 44 45 03 03 03 03") + registerReadFrame(1, 2, 3), hex("06 45")},
        {reads(0, 7, 2, 3), hex("49 58 09 06 05 12 26 00")},                     // clock
        {reads(56, 62, 2, 3), hex("00 00 03 06 05 12 26")},                      // last synchronisation
        {reads(15, 15, 4, 1) + reads(20, 20, 4, 1) + reads(48, 48, 4, 1) + reads(50, 50, 4, 1), hex("CC 41 CC CC")},
        {registerWriteFrame(63, 0x7E, 1, 1) + registerReadFrame(63, 1, 1), hex("06 7E")},   // single register
    };
    for (const auto& [frames, answer] : cases) {
        PanelModel whole(kStart), split(kStart);
        EXPECT_EQ(whole.exchange(frames, 0).toHex(' '), answer.toHex(' ')) << frames.toHex(' ').constData();
        QByteArray bytewise;
        for (char c : frames)
            bytewise += split.exchange(QByteArray(1, c), 0);
        EXPECT_EQ(bytewise, answer) << frames.toHex(' ').constData();
    }
}

TEST(PanelModel, MalformedInputIsIgnoredAndTheNextValidFrameIsAnswered)
{
    PanelModel p(kStart);
    const QByteArray good = registerReadFrame(15, 2, 3);
    const QByteArray cases[] = {
        good.left(7),                                        // truncated body
        good.left(9),                                        // no end byte
        hex("02 02 31 20 20 40 40 20 20 03"),                // mixed bases
        hex("02 02 31 20 20 20 20 20 03"),                   // five body characters
        hex("31 20 20 20 20 20 20 03"),                      // no preamble
        hex("02 02 32 20 20 20 20 20 20 03"),                // wrong address
        hex("02 02 31 50 50 50 50 50 50 03"),                // unknown base
        QByteArray("garbage\x03\x03\xff\x00", 11),           // stray bytes
    };
    for (const QByteArray& bad : cases) {
        EXPECT_TRUE(p.exchange(bad, 0).isEmpty()) << bad.toHex(' ').constData();
        EXPECT_EQ(p.exchange(good, 0), hex("CC")) << bad.toHex(' ').constData();
    }
    EXPECT_EQ(p.exchange(good.left(8) + good, 0), hex("CC"));
    // Whatever state 10 000 random bytes leave, the next frame is answered exactly once.
    std::mt19937 rng(7);
    QByteArray noise;
    while (noise.size() < 10000)
        noise += char(rng());
    p.exchange(noise, 1);
    EXPECT_EQ(p.exchange(good, 2), hex("CC"));
}

TEST(PanelModel, ClockCarriesIntoEveryFieldAndStandsStillWhenHalted)
{
    const struct { QDateTime start; qint64 ms; const char* clock; } cases[] = {
        {QDateTime(QDate(2025, 12, 31), QTime(23, 59, 59)), 1000, "00 00 00 04 01 01 26"},
        {QDateTime(QDate(2025, 11, 30), QTime(23, 59, 59)), 1000, "00 00 00 01 01 12 25"},   // Sunday -> Monday
        {QDateTime(QDate(2024, 2, 28), QTime(23, 59, 59)), 1000, "00 00 00 04 29 02 24"},     // leap year
        {QDateTime(QDate(2023, 2, 28), QTime(23, 59, 59)), 1000, "00 00 00 03 01 03 23"},
        {kStart, 999, "49 58 09 06 05 12 26"},
    };
    for (const auto& c : cases) {
        PanelModel p(c.start);
        p.advanceTo(c.ms);
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(p.registers().data()), 7), hex(c.clock)) << c.clock;
    }
    PanelModel p(kStart);
    p.exchange(registerWriteFrame(0, 0x80 | 0x30, 2, 3), 0);   // halt at 30 s
    p.advanceTo(60000);
    EXPECT_EQ(p.reg(0), 0x80 | 0x30);
    EXPECT_EQ(p.reg(1), 0x58);
}

// The chip's second: it starts where the start time's fraction says, restarts when the seconds
// frame has come down the line (10 bytes to its first end byte at 9600 8N2), and lasts what the
// oscillator's error makes it.
TEST(PanelModel, SecondRestartsWhenTheSecondsFrameHasArrivedAndRunsAtItsRate)
{
    PanelModel p(kStart.addMSecs(700));
    p.advanceTo(299);
    EXPECT_EQ(p.reg(0), 0x49);
    p.advanceTo(300);
    EXPECT_EQ(p.reg(0), 0x50);
    p.receive(registerWriteFrame(0, 0x10, 2, 3), 500);   // taken at 511.46 ms
    p.advanceTo(1511);
    EXPECT_EQ(p.reg(0), 0x10);
    p.advanceTo(1512);
    EXPECT_EQ(p.reg(0), 0x11);
    EXPECT_EQ(p.exchange(linkTestFrame(), 2000), hex("06 06"));   // the write's, then the link test's
    EXPECT_EQ(p.nowMs(), 2020);   // 16 bytes in, one back: 19.5 ms

    for (const auto& [ppm, seconds] : {std::pair{10000.0, 101}, std::pair{-10000.0, 99}}) {
        PanelModel q(kStart);
        q.setDrift(ppm);
        q.advanceTo(100000);
        EXPECT_LE(std::abs(q.preciseClock(100000).msecsTo(kStart.addSecs(seconds))), 1) << ppm;
    }
}

TEST(PanelModel, EachFaultDoesWhatItSays)
{
    const QByteArray block = reads(15, 31, 4, 1);   // 17 frames
    const std::pair<const char*, std::function<void(PanelModel&, emu::PanelFaults&)>> cases[] = {
        {"silent", [](auto& p, auto& f) {
             f.silent = true;
             EXPECT_TRUE(p.exchange(registerWriteFrame(40, 1, 2, 3), 0).isEmpty());
             EXPECT_NE(p.reg(40), 1);   // a panel that does not hear does not store either
         }},
        {"silentAfterFrames", [&](auto& p, auto& f) { f.silentAfterFrames = 5; EXPECT_EQ(p.exchange(block, 0).size(), 5); }},
        {"extraByte", [](auto& p, auto& f) { f.extraByte = true; EXPECT_EQ(p.exchange(linkTestFrame(), 0), hex("06 FF")); }},
        {"wrongMarkers", [](auto& p, auto& f) {
             f.wrongMarkers = true;
             EXPECT_EQ(p.exchange(reads(15, 15, 4, 1) + reads(48, 50, 4, 1) + reads(20, 20, 4, 1), 0), hex("33 33 00 33 41"));
         }},
        // The stream's seconds 49 to 53 carry 1 0 1 1 0.
        {"dcfLost", [](auto& p, auto& f) { f.dcfLostPercent = 100; EXPECT_EQ(streamLines(p, 60000).join(), ""); }},
        {"dcfErrorMark", [](auto& p, auto& f) { f.dcfErrorMarkPercent = 100; EXPECT_EQ(streamLines(p, 5000).join(), "1E0E1E1E0E"); }},
        {"dcfExtra", [](auto& p, auto& f) { f.dcfExtraPercent = 100; EXPECT_EQ(streamLines(p, 5000).join(), "1100111100"); }},
    };
    for (const auto& [name, run] : cases) {
        SCOPED_TRACE(name);
        PanelModel p(kStart);
        run(p, p.faults());
    }
}

TEST(DcfStream, FollowsTheTransmittersTimeAndInjectedFaultsAppearWhereAsked)
{
    PanelModel p(kStart);
    const QList<QByteArray> lines = streamLines(p, 3 * 60000);
    // Started at second 49: seconds 49 to 58 end the first minute, then full minutes (what they
    // decode to is checked through the monitor window).
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0].size(), 10);
    // The stream follows the transmitter's time, not the panel's register clock.
    PanelModel q(kStart);
    q.setReg(2, 0x20);
    EXPECT_EQ(streamLines(q, 3 * 60000), lines);
    // Sixty times faster: the same minutes in a sixtieth of the time (the closing frame's 14 ms on
    // the line are then 0.8 s of the transmitter's: its first second is missed).
    PanelModel fast(kStart);
    fast.setDcfRate(60);
    const QList<QByteArray> fastLines = streamLines(fast, 3 * 1000);
    EXPECT_EQ(fastLines.mid(1), lines.mid(1));
    EXPECT_EQ(fastLines[0], lines[0].mid(1));

    // One-shot faults at the next second of that number: the first full minute loses its second 5
    // and has an "E" after second 30; the partial first minute gets an extra pulse at 58.
    PanelModel f(kStart);
    f.injectDcf(PanelModel::DcfFault::ErrorMark, 30);
    f.injectDcf(PanelModel::DcfFault::LostSecond, 5);
    f.injectDcf(PanelModel::DcfFault::ExtraSecond, 58);
    const QList<QByteArray> faulty = streamLines(f, 3 * 60000);
    ASSERT_GE(faulty.size(), 3);
    EXPECT_EQ(faulty[0], lines[0].left(9) + '0' + lines[0].right(1));
    QByteArray expected = lines[1];
    expected.insert(31, 'E').remove(5, 1);
    EXPECT_EQ(faulty[1], expected);
    EXPECT_EQ(faulty[2], lines[2]);
}

TEST(PanelState, SavedRegistersComeBackAndTheClockCatchesUp)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("panel.state");
    emu::PanelState st{PanelModel::defaultImage(kStart), QDateTime(QDate(2026, 12, 6), QTime(8, 0))};
    st.registers[40] = 0x5A;
    ASSERT_TRUE(emu::savePanelState(path, st));
    const auto back = emu::loadPanelState(path);
    ASSERT_TRUE(back);
    // Two days and an hour later the running clock has moved on, weekday included.
    PanelModel q(QDateTime(QDate(2030, 1, 1), QTime(0, 0)));
    emu::restorePanelState(q, *back, st.savedAt.addSecs(2 * 86400 + 3600));
    EXPECT_EQ(q.reg(40), 0x5A);
    EXPECT_EQ(q.clockDateTime(), QDateTime(QDate(2026, 12, 7), QTime(10, 58, 49)));
    EXPECT_EQ(q.reg(3), 1);   // Saturday + 2 days = Monday
    // Broken or partial files are refused.
    { QFile f(path); ASSERT_TRUE(f.open(QIODevice::WriteOnly)); f.write("00: 01 02 03\n08: zz\n"); }
    EXPECT_FALSE(emu::loadPanelState(path));
    EXPECT_FALSE(emu::loadPanelState(dir.filePath("absent")));
}

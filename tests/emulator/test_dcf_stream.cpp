#include "core/Dcf77Minute.h"
#include "core/Frames.h"
#include "model/PanelModel.h"
#include "model/PanelState.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kwf;
using kwf::emu::PanelModel;

namespace {

const QDateTime kStart(QDate(2026, 12, 5), QTime(9, 58, 49));   // Saturday, CET

// Runs the stream from a closing frame at 0 for 'ms' and gives its lines, each ending with
// the "2"/"3" that closes a minute (the last line may be open).
QList<QByteArray> streamLines(PanelModel& p, qint64 ms)
{
    const QByteArray first = p.exchange(closingFrame(), 0);
    EXPECT_EQ(first, QByteArray(1, char(PanelModel::kAck)));
    QByteArray all;
    for (qint64 t = 100; t <= ms; t += 100)
        all += p.takeDue(t);
    QList<QByteArray> lines{QByteArray()};
    for (char c : all) {
        lines.back().append(c);
        if (c == '2' || c == '3')
            lines.append(QByteArray());
    }
    return lines;
}

} // namespace

TEST(DcfStream, ClosingFrameStartsOneCharacterPerSecondAndLinkTestStopsIt)
{
    PanelModel p(kStart);
    EXPECT_FALSE(p.streaming());
    p.exchange(closingFrame(), 0);
    EXPECT_TRUE(p.streaming());
    EXPECT_EQ(p.nextDueMs(), PanelModel::kDcfCharOffsetMs);
    EXPECT_EQ(p.takeDue(249).size(), 0);
    EXPECT_EQ(p.takeDue(250).size(), 1);
    EXPECT_EQ(p.takeDue(1249).size(), 0);
    EXPECT_EQ(p.takeDue(1250).size(), 1);
    // Registers are still answered while streaming.
    EXPECT_EQ(p.exchange(registerReadFrame(50, 4, 1), 1300), QByteArray(1, char(0xCC)));
    EXPECT_EQ(p.exchange(linkTestFrame(), 1400).size(), 1);
    EXPECT_FALSE(p.streaming());
    EXPECT_TRUE(p.takeDue(10000).isEmpty());
}

TEST(DcfStream, EachMinuteDecodesToTheNextMinuteMark)
{
    PanelModel p(kStart);
    const QList<QByteArray> lines = streamLines(p, 3 * 60000);
    // Started at second 49: seconds 49 to 58 end the first minute, then full minutes.
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines[0].size(), 10);
    QDateTime expected(QDate(2026, 12, 5), QTime(10, 0));
    for (int i = 1; i <= 2; ++i) {
        ASSERT_EQ(lines[i].size(), 59) << i;
        const auto bits = Dcf77Minute::bitsFromChars(lines[i]);
        ASSERT_TRUE(bits);
        const auto d = Dcf77Minute::decode(*bits);
        ASSERT_TRUE(d.ok()) << Dcf77Minute::errorText(d.error).toStdString();
        EXPECT_EQ(d.minute.toDateTime(), expected);
        EXPECT_EQ(d.minute.weekday, 6);
        EXPECT_FALSE(d.minute.cest);
        expected = expected.addSecs(60);
    }
    // The stream follows the transmitter's time, not the panel's register clock.
    PanelModel q(kStart);
    q.setReg(2, 0x20);
    EXPECT_EQ(streamLines(q, 3 * 60000), lines);
}

TEST(DcfStream, InjectedFaultsAppearWhereAsked)
{
    PanelModel p(kStart);
    p.injectDcf(PanelModel::DcfFault::ErrorMark, 30);
    p.injectDcf(PanelModel::DcfFault::LostSecond, 5);
    const QList<QByteArray> lines = streamLines(p, 3 * 60000);
    ASSERT_GE(lines.size(), 3);
    // The first full minute reaches second 5 and 30 first: one lost, then "E" after second 30.
    EXPECT_EQ(lines[1].size(), 59);   // 59 - 1 lost + 1 "E"
    EXPECT_EQ(lines[1].indexOf('E'), 30);
    EXPECT_EQ(lines[1].count('E'), 1);
    EXPECT_FALSE(Dcf77Minute::bitsFromChars(lines[1]));
    EXPECT_TRUE(Dcf77Minute::bitsFromChars(lines[2]));   // one-shot

    PanelModel q(kStart);
    q.injectDcf(PanelModel::DcfFault::ExtraSecond, 58);
    const QList<QByteArray> qlines = streamLines(q, 2 * 60000);
    EXPECT_EQ(qlines[0].size(), 11);   // the partial first minute reaches second 58 first
    EXPECT_EQ(qlines[1].size(), 59);

    PanelModel r(kStart);
    r.faults().dcfLostPercent = 100;
    EXPECT_TRUE(streamLines(r, 60000).join().isEmpty());
}

TEST(DcfStream, SummerTimeIsAnnounced)
{
    PanelModel p(QDateTime(QDate(2026, 7, 14), QTime(12, 0, 0)));
    const QList<QByteArray> lines = streamLines(p, 61000);
    const auto d = Dcf77Minute::decode(*Dcf77Minute::bitsFromChars(lines[0]));
    ASSERT_TRUE(d.ok());
    EXPECT_TRUE(d.minute.cest);
    EXPECT_EQ(d.minute.toDateTime(), QDateTime(QDate(2026, 7, 14), QTime(12, 1)));
}

TEST(PanelState, SavedRegistersComeBackAndTheClockCatchesUp)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("panel.state");
    PanelModel p(kStart);
    p.setReg(40, 0x5A);
    emu::PanelState st{p.registers(), QDateTime(QDate(2026, 12, 6), QTime(8, 0))};
    ASSERT_TRUE(emu::savePanelState(path, st));
    const auto back = emu::loadPanelState(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->registers, st.registers);
    EXPECT_EQ(back->savedAt, st.savedAt);

    // Two days and an hour later the running clock has moved on, weekday included.
    PanelModel q(QDateTime(QDate(2030, 1, 1), QTime(0, 0)));
    emu::restorePanelState(q, *back, st.savedAt.addSecs(2 * 86400 + 3600));
    EXPECT_EQ(q.reg(40), 0x5A);
    EXPECT_EQ(q.clockDateTime(), QDateTime(QDate(2026, 12, 7), QTime(10, 58, 49)));
    EXPECT_EQ(q.reg(3), 1);   // Saturday + 2 days = Monday

    // A halted clock stays where it was.
    st.registers[0] |= 0x80;
    ASSERT_TRUE(emu::savePanelState(path, st));
    PanelModel h;
    emu::restorePanelState(h, *emu::loadPanelState(path), st.savedAt.addSecs(3600));
    EXPECT_EQ(h.reg(2), 0x09);

    // Broken or partial files are refused.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("00: 01 02 03\n08: zz\n");
    f.close();
    EXPECT_FALSE(emu::loadPanelState(path));
    EXPECT_FALSE(emu::loadPanelState(dir.filePath("absent")));
}

// The PC-time send timed on the PC's second, the offset measurement and the drift fit, against
// the emulated panel on simulated time.
#include "RecordingUi.h"
#include "SimClock.h"
#include "core/ClockSync.h"
#include "core/LinkSettings.h"
#include "core/Tqvbase.h"
#include "model/EmulatedSerialPort.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

using namespace kwf;
using namespace kwf::test;

namespace {

// A transport on the emulated panel, the PC's clock at `pc`, the panel's `aheadS` seconds ahead.
struct Rig {
    SimClock clock;
    emu::EmulatedSerialPort port;
    RecordingUi ui;
    LinkSettingsModel link;
    Tqvbase tqv{port, clock, ui, link};

    explicit Rig(const QDateTime& pc, double aheadS = 0)
        : clock(pc), port(clock, pc.addMSecs(std::llround(aheadS * 1000)))
    {
        link.settings.response = QStringLiteral("OUI");
        port.open(QStringLiteral("/dev/emu"), *LineSettings::parse(QStringLiteral("9600,N,8,2")));
        link.portValide = true;
    }
    // The panel's true offset now, in seconds.
    double trueOffset()
    {
        return double(clock.now().msecsTo(port.model().preciseClock(clock.monotonicMs()))) / 1000.0;
    }
};

QDateTime at(int y, int mo, int d, int h, int mi, int s, int ms)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms));
}

} // namespace

// After the link test, the seconds frame is written so that it has reached the panel (12 bytes at
// 9600 8N2, 13.75 ms) when the PC's next second starts, carrying that second's date and time.
TEST(TimedSend, SecondsRegisterReachesThePanelOnThePcSecond)
{
    const struct { QDateTime pc; qint64 delayMs; const char* bcd; } rows[] = {
        {at(2026, 12, 7, 10, 14, 59, 700), 286, "00 15 10 01 07 12 26 00"},
        {at(2026, 12, 31, 23, 59, 59, 900), 86, "00 00 00 05 01 01 27 00"},   // a Friday, a new year
        {at(2026, 12, 7, 10, 14, 59, 990), 996, "01 15 10 01 07 12 26 00"},   // too near: the next one
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.bcd);
        const TimedSend plan = planTimedSend(row.pc);
        EXPECT_EQ(plan.delayMs, row.delayMs);
        EXPECT_EQ(plan.values.registerBytes().toHex(' '), QByteArray(row.bcd));

        // End to end: the link test answered at once takes 0.9 s, then the send.
        Rig r(row.pc.addMSecs(-900), -37.4);
        ASSERT_TRUE(r.tqv.TEST_LIAISON());
        QDateTime second;
        ASSERT_TRUE(sendPcTimeOnSecond(r.tqv, &second));
        EXPECT_EQ(second, plan.second);
        EXPECT_EQ(r.port.writes.at(1).atMs, 900 + row.delayMs);
        EXPECT_NEAR(r.trueOffset(), 0.0, 0.004);
        EXPECT_EQ(r.port.model().registers()[3], plan.values.day);
    }
}

// The offset of panels whose second starts at known phases, ahead and behind, within 0.06 s;
// a halted clock gives none.
TEST(OffsetMeasurement, FindsTheOffsetOfEachPhaseAndNoneForAHaltedClock)
{
    for (double ahead : {0.35, -0.72, 0.02, -1.5, 0.98, -0.01, 125.46}) {
        SCOPED_TRACE(ahead);
        Rig r(at(2026, 12, 7, 10, 14, 58, 123), ahead);
        const OffsetMeasurement m = measureOffset(r.tqv);
        ASSERT_TRUE(m.result);
        ASSERT_TRUE(m.offsetS);
        EXPECT_NEAR(*m.offsetS, ahead, 0.06);
        EXPECT_NEAR(*m.offsetS, r.trueOffset(), 0.06);
        EXPECT_LE(std::abs(m.at.msecsTo(r.clock.now())), 1100);
    }
    Rig halted(at(2026, 12, 7, 10, 14, 58, 123));
    halted.port.model().setReg(0, 0x80 | 0x12);
    const OffsetMeasurement m = measureOffset(halted.tqv);
    EXPECT_TRUE(m.result);
    EXPECT_TRUE(m.image);
    EXPECT_FALSE(m.offsetS);
    EXPECT_EQ(offsetLine(0.354), QStringLiteral("Écart avec le PC : +0,35 s"));
    EXPECT_EQ(offsetSeconds(-1.2), QStringLiteral("-1,20 s"));
    EXPECT_EQ(offsetSeconds(-0.001), QStringLiteral("0,00 s"));
}

// Each setting starts a run at zero; the runs share one slope. Lines that are not events are
// skipped; too short a record tells no drift.
TEST(DriftFit, LeastSquaresOverRunsBetweenSettings)
{
    const QDateTime t0 = at(2026, 12, 1, 8, 0, 0, 0).toUTC();
    auto day = [&](double d) { return t0.addMSecs(qint64(d * 86400000)); };
    // 2 s a day: a first run (before any setting) off by 5 s, then runs begun by settings.
    const QList<DriftEvent> events = {
        {day(0), 5.0}, {day(1), 7.1}, {day(1.5), 7.9},
        {day(1.5), std::nullopt}, {day(3.5), 4.0},
        {day(3.6), std::nullopt}, {day(4.1), 1.0}, {day(5.6), 4.0},
    };
    QByteArray text = "not a line\n2026-12-01T08:00:00Z ecart x\n";
    for (const DriftEvent& e : events)
        text += driftRecordLine(e);
    const QList<DriftEvent> back = parseDriftRecord(text);
    ASSERT_EQ(back.size(), events.size());
    EXPECT_EQ(back[3].at, events[3].at);
    EXPECT_TRUE(back[3].setting());

    QTemporaryDir dir;
    const QString path = driftRecordPath(dir.filePath("etat"), 3);
    for (const DriftEvent& e : back)
        ASSERT_TRUE(appendDriftRecord(path, e));
    const DriftFit fit = fitDrift(readDriftRecord(path), kMinDriftSpanS);
    ASSERT_TRUE(fit.enough);
    EXPECT_NEAR(fit.secondsPerDay, 2.0, 0.05);
    EXPECT_EQ(fit.points, 8);
    EXPECT_EQ(fit.spanS, 483840);   // 5.6 days

    EXPECT_FALSE(fitDrift({{day(0), 1.0}}, kMinDriftSpanS).enough);
    EXPECT_FALSE(fitDrift({{day(0), 1.0}, {day(0.01), 1.1}}, kMinDriftSpanS).enough);   // 14 minutes
    EXPECT_FALSE(fitDrift({{day(0), 1.0}, {day(1), std::nullopt}}, kMinDriftSpanS).enough);
    // A setting and the offset measured a day later make a run of their own.
    EXPECT_NEAR(fitDrift({{day(0), 1.0}, {day(1), std::nullopt}, {day(2), -3.0}}, kMinDriftSpanS).secondsPerDay, -3.0, 1e-9);
}

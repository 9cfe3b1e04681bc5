// The panel set to the PC's time, its offset measured and its drift found, against the emulated
// panel on a pseudo-terminal in real time. The panel's clock is put off by a known fraction of a
// second before each run and runs fast by a known rate; the emulator knows its true offset.
//   1. the offset left by the PC-time send (goal: |offset| <= 0.1 s over 20 runs);
//   2. the measured offset against the true one (goal: error <= 0.06 s);
//   3. the drift fitted from measurements after a setting against the rate set (goal: within 10 %).
#include "BenchRig.h"
#include "core/ClockSync.h"
#include "core/DeviceCommand.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <cstdio>

using namespace kwf;

namespace {

constexpr int kRuns = 20;
constexpr int kDriftReadings = 12;
// Fast enough for the drift to show within a minute: 864 s a day.
constexpr double kPpm = 10000;

// Panel minus PC now, in seconds, as the emulator knows it.
double trueOffset(emu::PtyPanel& panel)
{
    auto lock = panel.lock();
    const qint64 now = panel.nowMs();
    return double(panel.pcTimeAt(now).msecsTo(panel.model().preciseClock(now))) / 1000.0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    emu::PtyPanel panel;
    std::unique_ptr<SerialPort> port = openOnEmulatedPanel(panel);
    if (!port)
        return 1;
    {
        auto lock = panel.lock();
        panel.model().setDrift(kPpm);
    }
    BenchTransport b(*port);
    Tqvbase& t = b.tqv;
    auto measure = [&t] {
        return runReadingCommand<OffsetMeasurement>(t, command::kClockRead, [&] { return measureOffset(t); },
            [](const OffsetMeasurement& m) { return std::optional<OffsetMeasurement>(m); }, QString());
    };

    double worstSet = 0, worstMeasure = 0;
    int failures = 0;
    for (int run = 0; run < kRuns; ++run) {
        // Off by a known fraction, ahead and behind in turn: 0.05 s to 0.95 s.
        const double off = (run % 2 ? -1 : 1) * (0.05 + 0.9 * run / (kRuns - 1));
        {
            auto lock = panel.lock();
            const qint64 now = panel.nowMs();
            panel.model().advanceTo(now);
            panel.model().setClock(panel.pcTimeAt(now).addMSecs(std::llround(off * 1000)));
        }
        const CommandReading<OffsetMeasurement> m = measure();
        const double truthNow = trueOffset(panel);
        if (!m.data || !m.data->offsetS) {
            ++failures;
            continue;
        }
        // The true offset at the change of second the measurement found (the clock runs fast).
        const double sinceS = double(m.data->at.msecsTo(QDateTime::currentDateTime())) / 1000.0;
        const double error = *m.data->offsetS - (truthNow - kPpm * 1e-6 * sinceS);
        worstMeasure = std::max(worstMeasure, std::fabs(error));

        const CommandOutcome sent = runDeviceCommand(t, command::kClockAuto, [&] { return sendPcTimeOnSecond(t); }, QString());
        if (!sent.success()) {
            ++failures;
            continue;
        }
        const double left = trueOffset(panel);
        worstSet = std::max(worstSet, std::fabs(left));
        std::printf("run %2d: off %+.3f s, measured %+.3f s (error %+.3f s), after the send %+.3f s\n", run + 1, off,
                    *m.data->offsetS, error, left);
    }

    // Drift: the last setting, then measurements only.
    QList<DriftEvent> record;
    QDateTime second;
    if (runDeviceCommand(t, command::kClockAuto, [&] { return sendPcTimeOnSecond(t, &second); }, QString()).success())
        record << DriftEvent{second.toUTC(), std::nullopt};
    for (int i = 0; i < kDriftReadings; ++i) {
        const CommandReading<OffsetMeasurement> m = measure();
        if (m.data && m.data->offsetS)
            record << DriftEvent{m.data->at.toUTC(), m.data->offsetS};
        else
            ++failures;
    }
    const DriftFit fit = fitDrift(record, 0);
    const double rate = kPpm * 1e-6 * 86400;
    const double driftError = fit.enough ? std::fabs(fit.secondsPerDay - rate) / rate : 1;

    std::printf("\noffset after heure-pc, worst of %d runs: %.3f s (goal <= 0.100 s) %s\n", kRuns, worstSet,
                worstSet <= 0.1 ? "ok" : "MISSED");
    std::printf("ecart error against the true offset, worst: %.3f s (goal <= 0.060 s) %s\n", worstMeasure,
                worstMeasure <= 0.06 ? "ok" : "MISSED");
    std::printf("drift: %.1f s/day found, %.1f s/day set (%d points over %lld s): %.1f %% off (goal <= 10 %%) %s\n",
                fit.secondsPerDay, rate, fit.points, static_cast<long long>(fit.spanS), 100 * driftError,
                driftError <= 0.1 ? "ok" : "MISSED");
    if (failures)
        std::printf("%d command(s) failed\n", failures);
    const bool met = worstSet <= 0.1 && worstMeasure <= 0.06 && driftError <= 0.1 && failures == 0;
    return met ? 0 : 1;
}

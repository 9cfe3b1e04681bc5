#include "core/ClockSync.h"
#include "core/AppContext.h"
#include "core/Bcd.h"
#include "core/Clock.h"
#include "core/LinkSettings.h"
#include "core/RegisterMap.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace kwf {

double lineMs(int bytes)
{
    return bytes * 11.0 * 1000.0 / 9600.0;
}

TimedSend planTimedSend(const QDateTime& pcNow)
{
    const qint64 travelMs = std::llround(lineMs(kPcTimeFrameBytes));
    TimedSend s;
    s.second = pcNow.addMSecs(1000 - pcNow.time().msec());
    s.delayMs = pcNow.msecsTo(s.second) - travelMs;
    if (s.delayMs < kMinLeadMs) {
        s.second = s.second.addSecs(1);
        s.delayMs += 1000;
    }
    s.values = clockValuesFromDateTime(s.second);
    return s;
}

CmdResult sendPcTimeOnSecond(Tqvbase& t, QDateTime* second)
{
    Tqvbase::Operation op(t, QStringLiteral("ENVOI_HEURE_PC"));
    const TimedSend plan = planTimedSend(t.clock().now());
    if (second)
        *second = plan.second;
    t.ATTENTE(double(plan.delayMs) / 1000.0);
    return t.writeRegisters(kClockFirst, plan.values.registerBytes(), plan::kClockWritePc);
}

OffsetMeasurement measureOffset(Tqvbase& t)
{
    OffsetMeasurement m;
    const ClockReading reading = LIT_HEURE_DS(t);
    m.result = reading.result;
    if (!reading.result.ok || !reading.image)
        return m;
    m.image = reading.image;
    const QDateTime panel = imageDateTime(*reading.image);
    const std::optional<int> firstSecond = bcdToInt(reading.image->bytes[0]);
    if (!panel.isValid() || !firstSecond)
        return m;   // a halted clock, or no date: nothing to time

    Tqvbase::Operation op(t, QStringLiteral("LIT_SECONDES"));
    Clock& clock = t.clock();
    const QDateTime pcRef = clock.now();
    const qint64 monoRef = clock.monotonicMs();
    const double travelMs = lineMs(kRegisterReadFrameBytes);
    int previous = -1;
    double previousAtMs = 0;
    for (int i = 0; i < kMaxSecondReads; ++i) {
        // The panel reads its register when the frame has reached it.
        const double atMs = double(clock.monotonicMs()) + travelMs;
        const int n = t.sendReads({kClockFirst}, plan::kRegisterRead);
        if (n != 1) {
            m.result = CmdResult::counted(false, 1, n);
            return m;
        }
        const int value = t.readByte();
        if (previous >= 0 && value != previous) {
            const std::optional<int> second = bcdToInt(quint8(value));
            const int elapsed = second ? ((*second - *firstSecond) % 60 + 60) % 60 : 0;
            if (elapsed == 0)
                return m;   // not the next second of a running clock
            const double changeMs = (previousAtMs + atMs) / 2.0 - double(monoRef);
            m.at = pcRef.addMSecs(std::llround(changeMs));
            m.offsetS = (double(pcRef.msecsTo(panel.addSecs(elapsed))) - changeMs) / 1000.0;
            return m;
        }
        previous = value;
        previousAtMs = atMs;
    }
    return m;
}

QString offsetSeconds(double seconds)
{
    const double hundredths = std::round(seconds * 100.0);
    const QString sign = hundredths > 0 ? QStringLiteral("+") : hundredths < 0 ? QStringLiteral("-") : QString();
    return sign + QString::number(std::fabs(hundredths) / 100.0, 'f', 2).replace(QLatin1Char('.'), QLatin1Char(','))
        + QStringLiteral(" s");
}

QString offsetLine(double seconds)
{
    return QStringLiteral("Écart avec le PC : ") + offsetSeconds(seconds);
}

QString driftRecordPath(const QString& stateDir, int comPort)
{
    return QDir(stateDir).filePath(QStringLiteral("derive-COM%1.txt").arg(comPort));
}

QList<DriftEvent> parseDriftRecord(const QByteArray& text)
{
    QList<DriftEvent> events;
    for (const QByteArray& raw : text.split('\n')) {
        const QList<QByteArray> w = raw.simplified().split(' ');
        if (w.size() < 2)
            continue;
        DriftEvent e;
        e.at = QDateTime::fromString(QString::fromLatin1(w[0]), Qt::ISODateWithMs);
        if (!e.at.isValid())
            continue;
        e.at = e.at.toUTC();
        if (w[1] == "ecart" && w.size() == 3) {
            bool ok = false;
            const double v = QLocale::c().toDouble(QString::fromLatin1(w[2]), &ok);
            if (!ok || !std::isfinite(v))
                continue;
            e.offsetS = v;
        } else if (w[1] != "envoi" || w.size() != 2) {
            continue;
        }
        events << e;
    }
    return events;
}

QByteArray driftRecordLine(const DriftEvent& e)
{
    QByteArray line = e.at.toUTC().toString(Qt::ISODateWithMs).toLatin1();
    if (e.offsetS)
        line += " ecart " + QByteArray::number(*e.offsetS, 'f', 3);
    else
        line += " envoi";
    return line + '\n';
}

QList<DriftEvent> readDriftRecord(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    // A record grows by a few lines an hour: a megabyte is decades of it.
    return parseDriftRecord(f.read(1 << 20));
}

bool appendDriftRecord(const QString& path, const DriftEvent& e)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray line = driftRecordLine(e);
    return f.write(line) == line.size() && f.flush();
}

bool recordDrift(const AppContext& ctx, const DriftEvent& e)
{
    if (ctx.stateDir.isEmpty() || !ctx.link)
        return false;
    return appendDriftRecord(driftRecordPath(ctx.stateDir, portNumberFromText(ctx.link->settings.port)), e);
}

DriftFit fitDrift(const QList<DriftEvent>& events, qint64 minSpanS)
{
    DriftFit fit;
    if (events.isEmpty())
        return fit;
    QList<DriftEvent> ev = events;
    std::stable_sort(ev.begin(), ev.end(), [](const DriftEvent& a, const DriftEvent& b) { return a.at < b.at; });
    const QDateTime origin = ev.first().at;
    // Runs of (seconds since the first event, offset), each begun by a setting.
    std::vector<std::vector<std::pair<double, double>>> runs(1);
    for (const DriftEvent& e : ev) {
        const double x = double(origin.msecsTo(e.at)) / 1000.0;
        if (e.setting())
            runs.emplace_back();
        runs.back().emplace_back(x, e.offsetS.value_or(0.0));
    }
    double sxy = 0, sxx = 0;
    double first = std::numeric_limits<double>::max(), last = std::numeric_limits<double>::lowest();
    for (const auto& run : runs) {
        if (run.size() < 2)
            continue;
        double mx = 0, my = 0;
        for (const auto& [x, y] : run) {
            mx += x;
            my += y;
        }
        mx /= double(run.size());
        my /= double(run.size());
        for (const auto& [x, y] : run) {
            sxy += (x - mx) * (y - my);
            sxx += (x - mx) * (x - mx);
            first = std::min(first, x);
            last = std::max(last, x);
        }
        fit.points += int(run.size());
    }
    fit.spanS = fit.points ? std::llround(last - first) : 0;
    fit.enough = fit.points >= 2 && sxx > 0 && fit.spanS >= minSpanS;
    if (fit.enough)
        fit.secondsPerDay = sxy / sxx * 86400.0;
    return fit;
}

} // namespace kwf

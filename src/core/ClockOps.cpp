#include "core/ClockOps.h"
#include "core/Bcd.h"

#include <vector>

namespace kwf {

bool ClockValues::operator==(const ClockValues& o) const
{
    return seconds == o.seconds && minutes == o.minutes && hours == o.hours && day == o.day
        && date == o.date && month == o.month && year == o.year && control == o.control;
}

bool ClockValues::valid() const
{
    auto in = [](int v, int lo, int hi) { return v >= lo && v <= hi; };
    return in(seconds, 0, 59) && in(minutes, 0, 59) && in(hours, 0, 23) && in(day, 1, 7)
        && in(date, 1, 31) && in(month, 1, 12) && in(year, 0, 99) && control == 0;
}

QByteArray ClockValues::registerBytes() const
{
    QByteArray b;
    for (int v : {seconds, minutes, hours, day, date, month, year, control})
        b.append(char(toBcd(v)));
    return b;
}

ClockValues clockValuesFromDateTime(const QDateTime& dt)
{
    const QDate d = dt.date();
    const QTime t = dt.time();
    ClockValues v;
    v.seconds = t.second();
    v.minutes = t.minute();
    v.hours = t.hour();
    v.day = d.dayOfWeek();   // Qt counts Monday = 1 .. Sunday = 7, as the panel does
    v.date = d.day();
    v.month = d.month();
    v.year = ((d.year() % 100) + 100) % 100;
    v.control = 0;
    return v;
}

static CmdResult writeClock(Tqvbase& t, const ClockValues& v, const WritePlan& plan, const char* name)
{
    Tqvbase::Operation op(t, QString::fromLatin1(name));
    if (!v.valid())
        return CmdResult::refused();
    return t.writeRegisters(kClockFirst, v.registerBytes(), plan);
}

CmdResult ENVOI_HEURE_PC(Tqvbase& t, const ClockValues& v)
{
    return writeClock(t, v, plan::kClockWritePc, "ENVOI_HEURE_PC");
}

CmdResult ENVOI_HEURE_MAN(Tqvbase& t, const ClockValues& v)
{
    return writeClock(t, v, plan::kClockWriteManual, "ENVOI_HEURE_MAN");
}

QDateTime imageDateTime(const ClockImage& image)
{
    ClockValues v;
    int* fields[] = {&v.seconds, &v.minutes, &v.hours, &v.day, &v.date, &v.month, &v.year};
    for (size_t i = 0; i < 7; ++i) {
        const std::optional<int> n = bcdToInt(image.bytes[i]);
        if (!n)
            return QDateTime();
        *fields[i] = *n;
    }
    return manualDateTime(v);
}

QString clockField(quint8 byte)
{
    return QString::number(byte, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

QString ClockImage::timeText() const
{
    return clockField(bytes[2]) + QLatin1Char(':') + clockField(bytes[1]) + QLatin1Char(':')
        + clockField(bytes[0]);
}

QString ClockImage::dateText() const
{
    return clockField(bytes[4]) + QStringLiteral(" / ") + clockField(bytes[5]) + QStringLiteral(" / ")
        + clockField(bytes[6]);
}

static ClockReading readClock(Tqvbase& t, int firstRegister, const char* name)
{
    Tqvbase::Operation op(t, QString::fromLatin1(name));
    std::vector<int> regs;
    for (int r = firstRegister; r < firstRegister + kClockRegisters; ++r)
        regs.push_back(r);
    const int n = t.sendReads(regs, plan::kClockRead);
    if (n < 8)
        return {CmdResult::counted(false, 8, n), std::nullopt};
    ClockImage image;
    // Nine characters are taken: the eight answers and one more, normally absent.
    for (int i = 0; i < 9; ++i) {
        const int b = t.readByte();
        if (i < 8)
            image.bytes[size_t(i)] = quint8(b < 0 ? 0 : b);
    }
    return {CmdResult::counted(true, 8, n), image};
}

ClockReading LIT_HEURE_DS(Tqvbase& t)
{
    return readClock(t, kClockFirst, "LIT_HEURE_DS");
}

ClockReading LIT_DER_MISEH(Tqvbase& t)
{
    return readClock(t, kLastDcfSettingFirst, "LIT_DER_MISEH");
}

namespace clocknames {
QStringList days()
{
    return {QStringLiteral("Lundi"), QStringLiteral("Mardi"), QStringLiteral("Mercredi"),
            QStringLiteral("Jeudi"), QStringLiteral("Vendredi"), QStringLiteral("Samedi"),
            QStringLiteral("Dimanche")};
}

QStringList months()
{
    return {QStringLiteral("Janvier"), QStringLiteral("Février"), QStringLiteral("Mars"),
            QStringLiteral("Avril"), QStringLiteral("Mai"), QStringLiteral("Juin"),
            QStringLiteral("Juillet"), QStringLiteral("Août"), QStringLiteral("Septembre"),
            QStringLiteral("Octobre"), QStringLiteral("Novembre"), QStringLiteral("Décembre")};
}

QStringList listMonths()
{
    QStringList m = months();
    m[7] = QStringLiteral("Aout");
    return m;
}
} // namespace clocknames

QString pcDateText(const QDate& d)
{
    const QStringList days = clocknames::days();
    const QStringList months = clocknames::months();
    return days[d.dayOfWeek() - 1] + QLatin1Char(' ') + QString::number(d.day()) + QLatin1Char(' ')
        + months[d.month() - 1] + QLatin1Char(' ') + QString::number(d.year());
}

QString pcTimeText(const QTime& t)
{
    return t.toString(QStringLiteral("HH:mm:ss"));
}

int stepWrapped(int value, int delta, int lo, int hi)
{
    const int span = hi - lo + 1;
    return lo + (((value + delta - lo) % span) + span) % span;
}

static QString twoDigits(int v)
{
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

QString dayLabel(int day)
{
    return clocknames::days().value(day - 1);
}

QString dateLabel(int date)
{
    return QLatin1Char(' ') + QString::number(date);
}

QString monthLabel(int month)
{
    return clocknames::months().value(month - 1);
}

QString yearLabel(int year) { return twoDigits(year); }
QString hourMinuteLabel(int value) { return twoDigits(value) + QStringLiteral(" :"); }
QString secondsLabel(int value) { return twoDigits(value); }

QDateTime manualDateTime(const ClockValues& v)
{
    if (!v.valid())
        return {};
    const QDate d(2000 + v.year, v.month, v.date);
    if (!d.isValid())
        return {};
    return QDateTime(d, QTime(v.hours, v.minutes, v.seconds));
}

} // namespace kwf

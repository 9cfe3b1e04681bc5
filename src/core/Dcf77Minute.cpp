#include "core/Dcf77Minute.h"

namespace kwf {

namespace {

// Writes value in BCD, least significant bit first, into bits [first, first + width).
void putBcd(Dcf77Bits& bits, int first, int width, int value)
{
    const int bcd = ((value / 10) << 4) | (value % 10);
    for (int i = 0; i < width; ++i)
        bits[size_t(first + i)] = quint8((bcd >> i) & 1);
}

int parity(const Dcf77Bits& bits, int first, int last)
{
    int p = 0;
    for (int i = first; i <= last; ++i)
        p ^= bits[size_t(i)];
    return p;
}

// Reads bits [first, first + width) as BCD; empty when a digit is over 9 or the value is out of range.
std::optional<int> getBcd(const Dcf77Bits& bits, int first, int width, int lo, int hi)
{
    int raw = 0;
    for (int i = 0; i < width; ++i)
        raw |= (bits[size_t(first + i)] & 1) << i;
    const int units = raw & 0x0F, tens = raw >> 4;
    if (units > 9)
        return std::nullopt;
    const int v = tens * 10 + units;
    if (v < lo || v > hi)
        return std::nullopt;
    return v;
}

QDate lastSunday(int year, int month)
{
    QDate d(year, month, QDate(year, month, 1).daysInMonth());
    return d.addDays(-(d.dayOfWeek() % 7));
}

} // namespace

bool Dcf77Minute::isSummerTime(const QDateTime& civil)
{
    const QDate date = civil.date();
    const QDate start = lastSunday(date.year(), 3), end = lastSunday(date.year(), 10);
    const QTime t = civil.time();
    if (date < start || date > end)
        return false;
    if (date == start)
        return t.hour() >= 2;
    if (date == end)
        return t.hour() < 3;
    return true;
}

Dcf77Minute Dcf77Minute::fromDateTime(const QDateTime& civil, bool cest)
{
    Dcf77Minute m;
    const QDate d = civil.date();
    const QTime t = civil.time();
    m.year = d.year();
    m.month = d.month();
    m.day = d.day();
    m.weekday = d.dayOfWeek();
    m.hour = t.hour();
    m.minute = t.minute();
    m.cest = cest;
    return m;
}

Dcf77Bits Dcf77Minute::encode() const
{
    Dcf77Bits b{};
    b[17] = cest ? 1 : 0;
    b[18] = cest ? 0 : 1;
    b[20] = 1;
    putBcd(b, 21, 7, minute);
    b[28] = quint8(parity(b, 21, 27));
    putBcd(b, 29, 6, hour);
    b[35] = quint8(parity(b, 29, 34));
    putBcd(b, 36, 6, day);
    putBcd(b, 42, 3, weekday);
    putBcd(b, 45, 5, month);
    putBcd(b, 50, 8, ((year % 100) + 100) % 100);
    b[58] = quint8(parity(b, 36, 57));
    return b;
}

Dcf77Minute::Decoded Dcf77Minute::decode(const Dcf77Bits& bits)
{
    Decoded r;
    auto fail = [&r](Error e) { r.error = e; return r; };
    if (bits[0] != 0)
        return fail(Error::StartBit);
    if (bits[20] != 1)
        return fail(Error::TimeStartBit);
    if (bits[17] == bits[18])
        return fail(Error::ZoneBits);
    if (parity(bits, 21, 28) != 0)
        return fail(Error::MinuteParity);
    const auto minute = getBcd(bits, 21, 7, 0, 59);
    if (!minute)
        return fail(Error::MinuteBcd);
    if (parity(bits, 29, 35) != 0)
        return fail(Error::HourParity);
    const auto hour = getBcd(bits, 29, 6, 0, 23);
    if (!hour)
        return fail(Error::HourBcd);
    if (parity(bits, 36, 58) != 0)
        return fail(Error::DateParity);
    const auto day = getBcd(bits, 36, 6, 1, 31);
    if (!day)
        return fail(Error::DayBcd);
    const auto weekday = getBcd(bits, 42, 3, 1, 7);
    if (!weekday)
        return fail(Error::WeekdayBcd);
    const auto month = getBcd(bits, 45, 5, 1, 12);
    if (!month)
        return fail(Error::MonthBcd);
    const auto year = getBcd(bits, 50, 8, 0, 99);
    if (!year)
        return fail(Error::YearBcd);
    if (!QDate::isValid(2000 + *year, *month, *day))
        return fail(Error::InvalidDate);
    r.minute.year = 2000 + *year;
    r.minute.month = *month;
    r.minute.day = *day;
    r.minute.weekday = *weekday;
    r.minute.hour = *hour;
    r.minute.minute = *minute;
    r.minute.cest = bits[17] == 1;
    return r;
}

std::optional<Dcf77Bits> Dcf77Minute::bitsFromChars(const QByteArray& chars)
{
    if (chars.size() != 59)
        return std::nullopt;
    Dcf77Bits b{};
    for (int i = 0; i < 59; ++i) {
        const char c = chars[i];
        if (i < 58 && (c == '0' || c == '1'))
            b[size_t(i)] = quint8(c - '0');
        else if (i == 58 && (c == '2' || c == '3'))
            b[size_t(i)] = quint8(c - '2');
        else
            return std::nullopt;
    }
    return b;
}

QByteArray Dcf77Minute::toChars(const Dcf77Bits& bits)
{
    QByteArray s(59, '0');
    for (int i = 0; i < 58; ++i)
        s[i] = char('0' + (bits[size_t(i)] & 1));
    s[58] = char('2' + (bits[58] & 1));
    return s;
}

QDateTime Dcf77Minute::toDateTime() const
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, 0));
}

QString Dcf77Minute::errorText(Error e)
{
    switch (e) {
    case Error::None: return QStringLiteral("trame correcte");
    case Error::StartBit: return QStringLiteral("bit 0 différent de 0");
    case Error::TimeStartBit: return QStringLiteral("bit 20 différent de 1");
    case Error::ZoneBits: return QStringLiteral("bits HEC/HEE incohérents");
    case Error::MinuteParity: return QStringLiteral("parité des minutes fausse");
    case Error::MinuteBcd: return QStringLiteral("minutes invalides");
    case Error::HourParity: return QStringLiteral("parité des heures fausse");
    case Error::HourBcd: return QStringLiteral("heures invalides");
    case Error::DateParity: return QStringLiteral("parité de la date fausse");
    case Error::DayBcd: return QStringLiteral("jour invalide");
    case Error::WeekdayBcd: return QStringLiteral("jour de la semaine invalide");
    case Error::MonthBcd: return QStringLiteral("mois invalide");
    case Error::YearBcd: return QStringLiteral("année invalide");
    case Error::InvalidDate: return QStringLiteral("date inexistante");
    }
    return QString();
}

} // namespace kwf

#include "core/EventCountdown.h"
#include "core/Bcd.h"

namespace kwf {

Countdown CALCUL(const QDateTime& now, const QDate& eventDate, int hour, int minute, bool summerChange,
                 bool winterChange)
{
    const QTime t = now.time();
    qint64 m = now.date().daysTo(eventDate) * 1440 + (hour * 60 + minute) - (t.hour() * 60 + t.minute());
    if (summerChange)
        m -= 60;
    if (winterChange)
        m += 60;

    Countdown c;
    if (m < 0) {
        c.past = true;
        c.dayText = c.hourText = c.minuteText = QStringLiteral("-----");
        return c;
    }
    c.minutes = m;
    c.hours = m / 60;
    c.days = m / 1440;
    c.dayText = QString::number(c.days);
    c.hourText = QString::number(c.hours);
    c.minuteText = QString::number(m - 60 * c.hours);
    return c;
}

std::array<quint8, 16> eventBlock(const QDate& eventDate, int hour, int minute, const Countdown& c,
                                  bool contactCloses)
{
    std::array<quint8, 16> b{};
    b[0] = toBcd(hour);
    b[1] = toBcd(minute);
    b[2] = 0;
    b[3] = toBcd(eventDate.day());
    b[4] = toBcd(eventDate.month());
    b[5] = toBcd(eventDate.year() % 100);
    auto put24 = [&b](int at, qint64 v) {
        // Only the low 24 bits survive.
        const quint32 low = quint32(quint64(v) & 0xFFFFFFu);
        b[at] = quint8(low >> 16);
        b[at + 1] = quint8(low >> 8);
        b[at + 2] = quint8(low);
    };
    put24(6, c.days);
    put24(9, c.hours);
    put24(12, c.minutes);
    b[15] = contactCloses ? 0xFF : 0x00;
    return b;
}

} // namespace kwf

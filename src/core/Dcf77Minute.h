#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <array>
#include <optional>

namespace kwf {

// The 59 bits of one DCF77 minute (seconds 0 to 58; second 59 carries no pulse), each 0 or 1.
using Dcf77Bits = std::array<quint8, 59>;

// One DCF77 minute telegram: the civil time (CET or CEST) it announces for the next minute mark.
//   bit 0 = 0, bits 1-14 weather/warnings, 15 call bit, 16 change announced, 17 CEST, 18 CET,
//   19 leap second announced, bit 20 = 1, minutes 21-27 + P1 28, hours 29-34 + P2 35,
//   day 36-41, weekday 42-44 (Monday = 1), month 45-49, year 50-57, P3 58 (over 36-57);
//   BCD, least significant bit first, even parity.
struct Dcf77Minute {
    int year = 2000;    // 2000 to 2099
    int month = 1;
    int day = 1;
    int weekday = 1;    // Monday = 1 ... Sunday = 7
    int hour = 0;
    int minute = 0;
    bool cest = false;  // summer time

    enum class Error {
        None, StartBit, TimeStartBit, ZoneBits, MinuteParity, MinuteBcd, HourParity, HourBcd,
        DateParity, DayBcd, WeekdayBcd, MonthBcd, YearBcd, InvalidDate
    };
    struct Decoded;

    // The telegram for a civil date and time (seconds ignored); the weekday follows the date.
    static Dcf77Minute fromDateTime(const QDateTime& civil, bool cest);
    // Whether a civil (French/German) date and time falls in summer time: from the last Sunday of
    // March, 02:00, to the last Sunday of October, 03:00 (that hour counts as summer time).
    static bool isSummerTime(const QDateTime& civil);

    Dcf77Bits encode() const;
    // Checks every rule of the telegram and decodes it.
    static Decoded decode(const Dcf77Bits& bits);
    // 59 characters as the panel streams them ("0"/"1", the last "2" or "3"); empty when the
    // text is not exactly that.
    static std::optional<Dcf77Bits> bitsFromChars(const QByteArray& chars);
    // The panel's characters for a minute: "0"/"1" for bits 0 to 57, "2" or "3" for bit 58.
    static QByteArray toChars(const Dcf77Bits& bits);

    QDateTime toDateTime() const;   // local date and time, seconds 0
    static QString errorText(Error e);

    bool operator==(const Dcf77Minute& o) const
    {
        return year == o.year && month == o.month && day == o.day && weekday == o.weekday &&
               hour == o.hour && minute == o.minute && cest == o.cest;
    }
};

// Result of decoding: the first rule broken, or the minute.
struct Dcf77Minute::Decoded {
    Error error = Error::None;
    Dcf77Minute minute;
    bool ok() const { return error == Error::None; }
};

} // namespace kwf

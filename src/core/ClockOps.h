#pragma once
#include "core/Tqvbase.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace kwf {

namespace msg {
inline const char* const kClockReadDone = "Lecture horloge effectuée avec succès.";
inline const char* const kLastSyncReadDone =
    "Lecture de la dernière remise à l'heure par DCF effectuée avec succès.";
inline const char* const kTimeSetDone = "Mise à l'heure effectuée.";
}

// The eight clock registers 0 to 7 of the panel's DS1307, as numbers.
struct ClockValues {
    int seconds = 0;   // 0..59
    int minutes = 0;   // 0..59
    int hours = 0;     // 0..23, 24-hour form
    int day = 1;       // day of the week, Monday = 1 .. Sunday = 7
    int date = 1;      // day of the month, 1..31 (not checked against the month)
    int month = 1;     // 1..12
    int year = 0;      // 0..99, within the century
    int control = 0;   // always 0

    bool operator==(const ClockValues& o) const;
    // Every value lies in its register's range.
    bool valid() const;
    // The eight BCD bytes in register order.
    QByteArray registerBytes() const;
};

// The PC's date and time as clock values (Monday = 1 .. Sunday = 7, two-digit year).
ClockValues clockValuesFromDateTime(const QDateTime& dt);

// Writes the eight clock registers with end runs of 3 (PC time) or 4 (manual values), waits
// 0.9 s once, and is acknowledged when exactly 8 bytes are waiting. Values out of their range
// are never sent: nothing is written and the result is a failure with 0 bytes.
CmdResult ENVOI_HEURE_PC(Tqvbase& t, const ClockValues& v);
CmdResult ENVOI_HEURE_MAN(Tqvbase& t, const ClockValues& v);

// Eight bytes read out of the clock chip, in register order: seconds, minutes, hours, day,
// date, month, year, control.
struct ClockImage {
    std::array<quint8, 8> bytes{};
    // "14:05:09": hours, minutes, seconds by their hexadecimal digits, no flag masked.
    QString timeText() const;
    // "24 / 12 / 09": date, month, year.
    QString dateText() const;
};

// A byte shown by its hexadecimal digits, at least two ("05", "80", "1A").
QString clockField(quint8 byte);

struct ClockReading {
    CmdResult result;                 // acknowledged, or the number of bytes waiting (0..7)
    std::optional<ClockImage> image;  // present on success
};

// The date and time a clock image holds (year 2000 + two digits); invalid when a register is not
// a BCD value in its range (a halted clock included) or the date does not exist.
QDateTime imageDateTime(const ClockImage& image);

// Reads registers 0 to 7 (the clock) or 56 to 63 (the time of the last DCF77 setting): eight
// read frames back to back, 0.9 s, at least 8 bytes waiting; nine bytes are taken, the first
// eight kept.
ClockReading LIT_HEURE_DS(Tqvbase& t);
ClockReading LIT_DER_MISEH(Tqvbase& t);

// Names as the time-setting window shows them.
namespace clocknames {
QStringList days();          // "Lundi" .. "Dimanche"
QStringList months();        // "Janvier" .. "Décembre"
QStringList listMonths();    // as the month list offers them: "Aout" without its accent
}

// The live PC clock texts: "Samedi 5 Décembre 2026" and "09:58:49".
QString pcDateText(const QDate& d);
QString pcTimeText(const QTime& t);

// One step of a stepping button: value + delta within lo..hi, wrapping at both ends.
int stepWrapped(int value, int delta, int lo, int hi);

// Texts of the stepping labels.
QString dayLabel(int day);          // "Lundi"
QString dateLabel(int date);        // " 1" .. " 31"
QString monthLabel(int month);      // "Janvier"
QString yearLabel(int year);        // "09"
QString hourMinuteLabel(int value); // "05 :"
QString secondsLabel(int value);    // "05"

// The PC date and time the manual values stand for (year 2000 + two digits). Invalid when the
// values name no real date (31 February) or lie outside their ranges.
QDateTime manualDateTime(const ClockValues& v);

} // namespace kwf

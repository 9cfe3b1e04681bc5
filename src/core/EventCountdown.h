#pragma once
#include <QDate>
#include <QDateTime>
#include <QString>
#include <array>

namespace kwf {

// Countdown to the event: minutes M, whole hours H and whole days D, and the three displays.
struct Countdown {
    qint64 minutes = 0;   // M, 0 for a past event
    qint64 hours = 0;     // H = M div 60
    qint64 days = 0;      // D = M div 1440
    bool past = false;
    QString dayText, hourText, minuteText;   // "Jour-", "Heure -", "Minute -"
};

// M is the number of minute boundaries from now to the event (the seconds of now are dropped),
// on the wall clock as shown (a change of summer/winter time is what the two answers are for):
// minus 60 with a change to summer time, plus 60 with a change to winter time. A past event
// shows "-----" and counts 0.
Countdown CALCUL(const QDateTime& now, const QDate& eventDate, int hour, int minute, bool summerChange,
                 bool winterChange);

// The sixteen bytes of registers 32..47: hour, minute, second (0), day, month, year (BCD), then
// D, H, M as 24-bit numbers high byte first, then the contact byte (0xFF closes, 0x00 opens).
std::array<quint8, 16> eventBlock(const QDate& eventDate, int hour, int minute, const Countdown& c,
                                  bool contactCloses);

} // namespace kwf

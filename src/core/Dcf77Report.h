#pragma once
#include <QByteArray>
#include <QString>

namespace kwf {

// One line of the monitor's decoded view for a minute the log judged complete.
struct Dcf77MinuteReport {
    bool good = false;   // 59 bits and every check passed
    QString line;
};

// The monitor's tally of decoded minutes: "Bonnes : 3   Mauvaises : 1".
QString dcf77Tally(int good, int bad);

// chars: what the panel sent for the minute, 58 bits "0"/"1" then "2" or "3". The line gives
// the time and date the minute announces (valid from the next minute mark), CET or CEST, and
// the checks that failed.
Dcf77MinuteReport describeDcf77Minute(const QByteArray& chars);

} // namespace kwf

#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace kwf {

// Fill colours of the monitor's indicators.
enum class Dcf77Colour { White, Green, DarkRed };
// 0xRRGGBB of a colour: white 255,255,255; green 0,255,0; dark red 192,0,0.
quint32 dcf77Rgb(Dcf77Colour c);

// The four indicators: minute mark ("Départ"), bit 0, bit 1, and the flashing second.
struct Dcf77Indicators {
    Dcf77Colour depart = Dcf77Colour::White;
    Dcf77Colour bit0 = Dcf77Colour::White;
    Dcf77Colour bit1 = Dcf77Colour::White;
    Dcf77Colour seconde = Dcf77Colour::White;
    bool operator==(const Dcf77Indicators& o) const
    { return depart == o.depart && bit0 == o.bit0 && bit1 == o.bit1 && seconde == o.seconde; }
};

// The reception log of the DCF77 monitor: the panel sends one character per DCF77 second
// ("0", "1", "2"/"3" for the last second of a minute, "E" for an error mark). The log keeps
// one line per minute, judged complete ("-Ok!") when exactly 59 characters made it, and counts
// the seconds of the current minute and the complete minutes.
class Dcf77Log {
public:
    // What one character did.
    struct Step {
        bool endOfMinute = false;
        bool complete = false;     // the minute ended with "-Ok!"
        // Every character received for the minute that just ended (bits, "E", others, the
        // final "2"/"3"), without the "S-" opening; only set at the end of a minute.
        QByteArray minuteChars;
    };

    // Takes one character from the port.
    Step feed(char c);
    // The flash of the second indicator is over.
    void flashEnd() { m_ind.seconde = Dcf77Colour::White; }
    // Empty log, counters at 0, every indicator white.
    void clear();

    const QString& text() const { return m_text; }
    int seconds() const { return m_seconds; }
    int minutes() const { return m_minutes; }
    const Dcf77Indicators& indicators() const { return m_ind; }

    // Characters that make a complete minute: 58 bits and the end mark.
    static constexpr int kMinuteLength = 59;

private:
    QString m_text;
    int m_seconds = 0;
    int m_minutes = 0;
    Dcf77Indicators m_ind;
    QByteArray m_current;
};

// The saved log file, in the PC's 8-bit character set (Windows-1252) with CR LF line ends:
// header, 45 hyphens, the log as shown, then "à <time>  le <date>." with the PC's time and date.
QByteArray dcf77LogFile(const QString& logText, const QDateTime& now);

// Time and date as the PC shows them in French short form: "10:15:42", "05/12/2026".
QString frenchShortTime(const QTime& t);
QString frenchShortDate(const QDate& d);

} // namespace kwf

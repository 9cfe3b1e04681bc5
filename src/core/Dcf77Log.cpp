#include "core/Dcf77Log.h"
#include "core/TextFiles.h"


namespace kwf {

quint32 dcf77Rgb(Dcf77Colour c)
{
    switch (c) {
    case Dcf77Colour::Green:
        return 0x00FF00;
    case Dcf77Colour::DarkRed:
        return 0xC00000;
    case Dcf77Colour::White:
        break;
    }
    return 0xFFFFFF;
}

Dcf77Log::Step Dcf77Log::feed(char c)
{
    Step step;
    ++m_seconds;
    m_current.append(c);

    m_ind.seconde = Dcf77Colour::Green;
    switch (c) {
    case '0':
        m_ind.bit0 = Dcf77Colour::Green;
        m_ind.bit1 = Dcf77Colour::White;
        break;
    case '1':
        m_ind.bit0 = Dcf77Colour::White;
        m_ind.bit1 = Dcf77Colour::Green;
        break;
    case '2':
        m_ind.depart = Dcf77Colour::Green;
        m_ind.bit0 = Dcf77Colour::Green;
        m_ind.bit1 = Dcf77Colour::White;
        break;
    case '3':
        m_ind.depart = Dcf77Colour::Green;
        m_ind.bit0 = Dcf77Colour::White;
        m_ind.bit1 = Dcf77Colour::Green;
        m_ind.seconde = Dcf77Colour::White;
        break;
    case 'E':
        m_ind.depart = Dcf77Colour::DarkRed;
        break;
    default:
        break;
    }

    switch (c) {
    case '0':
    case '1':
    case 'E':
        m_text.append(QLatin1Char(c));
        break;
    case '2':
    case '3':
        m_text.append(QLatin1Char(c == '2' ? '0' : '1'));
        step.endOfMinute = true;
        step.complete = m_seconds == kMinuteLength;
        if (step.complete) {
            m_text.append(QLatin1String("-Ok!"));
            ++m_minutes;
        } else {
            m_text.append(QLatin1String("-Err"));
        }
        m_text.append(QLatin1String("\r\nS-"));
        m_seconds = 0;
        step.minuteChars = m_current;
        m_current.clear();
        break;
    default:
        break;   // counted and flashed only
    }
    return step;
}

void Dcf77Log::clear()
{
    m_text.clear();
    m_seconds = 0;
    m_minutes = 0;
    m_ind = Dcf77Indicators();
    m_current.clear();
}

QString frenchShortTime(const QTime& t)
{
    return t.toString(QStringLiteral("HH:mm:ss"));
}

QString frenchShortDate(const QDate& d)
{
    return d.toString(QStringLiteral("dd/MM/yyyy"));
}

QByteArray dcf77LogFile(const QString& logText, const QDateTime& now)
{
    const QString crlf = QStringLiteral("\r\n");
    QString s;
    s += QStringLiteral(" Journal de réception de chronogramme DCF77 :") + crlf;
    s += QString(45, QLatin1Char('-')) + crlf;
    s += logText;
    s += crlf + crlf;
    s += QStringLiteral("à ") + frenchShortTime(now.time()) + QStringLiteral("  le ")
        + frenchShortDate(now.date()) + QStringLiteral(".") + crlf;
    return toWindows1252(s);
}

} // namespace kwf

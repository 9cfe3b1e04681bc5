#include "core/Dcf77Reception.h"
#include "core/Dcf77Log.h"
#include "core/TextFiles.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QStringList>

#include <cmath>
#include <utility>

namespace kwf {

namespace {

using State = Dcf77MinuteRecord::State;

QString ruleText(Dcf77Minute::Error e)
{
    using E = Dcf77Minute::Error;
    switch (e) {
    case E::None: break;
    case E::StartBit: return QStringLiteral("bit de début de minute (0) à 1");
    case E::TimeStartBit: return QStringLiteral("bit de début de l'heure (20) à 0");
    case E::ZoneBits: return QStringLiteral("bits de fuseau (17 et 18) incohérents");
    case E::MinuteParity: return QStringLiteral("parité des minutes");
    case E::MinuteBcd: return QStringLiteral("minutes : code BCD invalide");
    case E::HourParity: return QStringLiteral("parité des heures");
    case E::HourBcd: return QStringLiteral("heures : code BCD invalide");
    case E::DateParity: return QStringLiteral("parité de la date");
    case E::DayBcd: return QStringLiteral("jour : code BCD invalide");
    case E::WeekdayBcd: return QStringLiteral("jour de la semaine : code BCD invalide");
    case E::MonthBcd: return QStringLiteral("mois : code BCD invalide");
    case E::YearBcd: return QStringLiteral("année : code BCD invalide");
    case E::InvalidDate: return QStringLiteral("date impossible");
    }
    return QString();
}

QString plural(int n, const char* one)
{
    return QStringLiteral("%1 %2%3").arg(n).arg(QString::fromUtf8(one), n > 1 ? QStringLiteral("s") : QString());
}

const char* stateKey(State s)
{
    switch (s) {
    case State::Decoded: return "decodee";
    case State::Undecodable: return "indecodable";
    case State::Incomplete: return "incomplete";
    case State::TooLong: return "trop_longue";
    }
    return "";
}

// Civil fields compared as they read, as the tool compares the panel's time with the PC's.
qint64 civilSecs(const QDateTime& t)
{
    return QDateTime(t.date(), t.time(), Qt::UTC).toSecsSinceEpoch();
}

} // namespace

Dcf77MinuteRecord::Kind Dcf77MinuteRecord::kind() const
{
    if (state == State::Decoded)
        return Kind::Decoded;
    if (errors > 0)
        return Kind::ErrorMarks;
    return state == State::Undecodable ? Kind::Undecodable : Kind::WrongLength;
}

int Dcf77MinuteRecord::span() const
{
    return std::max(1, int(std::lround(seconds / 60.0)));
}

QDateTime Dcf77MinuteRecord::announced() const
{
    if (!minute)
        return QDateTime();
    return QDateTime(QDate(minute->year, minute->month, minute->day), QTime(minute->hour, minute->minute),
                     Qt::OffsetFromUTC, minute->cest ? 7200 : 3600);
}

QString Dcf77MinuteRecord::stateText() const
{
    switch (state) {
    case State::Decoded: return QStringLiteral("décodée");
    case State::Undecodable: return QStringLiteral("indécodable");
    case State::Incomplete: return QStringLiteral("incomplète");
    case State::TooLong: return QStringLiteral("trop longue");
    }
    return QString();
}

QString Dcf77MinuteRecord::describe() const
{
    QString s;
    if (minute) {
        s = QStringLiteral("%1 %2 %3 : décodée")
                .arg(QDate(minute->year, minute->month, minute->day).toString(QStringLiteral("dd/MM/yyyy")),
                     QTime(minute->hour, minute->minute).toString(QStringLiteral("HH:mm")),
                     minute->cest ? QStringLiteral("CEST") : QStringLiteral("CET"));
        if (leapSecond)
            s += QStringLiteral(", seconde intercalaire");
        else if (leapAnnounced)
            s += QStringLiteral(", seconde intercalaire annoncée");
        if (changeAnnounced)
            s += QStringLiteral(", changement d'heure annoncé");
        if (follows && !*follows)
            s += QStringLiteral(", ne suit pas la précédente");
    } else {
        s = stateText() + QStringLiteral(" : ") + reason;
    }
    return s + QStringLiteral(" (%1)").arg(plural(seconds, "seconde"));
}

QJsonObject Dcf77MinuteRecord::toJson() const
{
    QJsonObject o;
    o[QStringLiteral("etat")] = QLatin1String(stateKey(state));
    o[QStringLiteral("raison")] = decoded() ? QJsonValue() : QJsonValue(reason);
    o[QStringLiteral("heure")] = minute ? QJsonValue(announced().toString(Qt::ISODate)) : QJsonValue();
    o[QStringLiteral("secondes")] = seconds;
    o[QStringLiteral("erreurs")] = errors;
    if (minute) {
        o[QStringLiteral("fuseau")] = minute->cest ? QStringLiteral("CEST") : QStringLiteral("CET");
        o[QStringLiteral("suite")] = follows ? QJsonValue(*follows) : QJsonValue();
        o[QStringLiteral("annonce_changement")] = changeAnnounced;
        o[QStringLiteral("annonce_seconde_intercalaire")] = leapAnnounced;
        o[QStringLiteral("seconde_intercalaire")] = leapSecond;
        if (pcOffsetMinutes)
            o[QStringLiteral("ecart_pc_min")] = *pcOffsetMinutes;
    }
    return o;
}

QJsonObject Dcf77Counters::toJson() const
{
    QJsonObject o;
    o[QStringLiteral("minutes")] = minutes;
    o[QStringLiteral("decodees")] = decoded;
    o[QStringLiteral("qualite_pct")] = qualitySession();
    o[QStringLiteral("qualite_10min_pct")] = quality10();
    o[QStringLiteral("qualite_heure_pct")] = quality60();
    o[QStringLiteral("derniere_decodee")] = lastDecoded ? QJsonValue(lastDecoded->toString(Qt::ISODate)) : QJsonValue();
    o[QStringLiteral("depuis_derniere_decodee_s")] =
        sinceLastDecodedMs ? QJsonValue(qint64(*sinceLastDecodedMs / 1000)) : QJsonValue();
    o[QStringLiteral("plus_longue_serie")] = longestRun;
    return o;
}

QString Dcf77Counters::text(std::optional<int> pcOffsetMinutes) const
{
    QString last = QStringLiteral("aucune");
    if (lastDecoded) {
        const qint64 s = *sinceLastDecodedMs / 1000;
        last = QStringLiteral("%1 %2, il y a %3")
                   .arg(lastDecoded->toString(QStringLiteral("dd/MM HH:mm")),
                        lastDecoded->offsetFromUtc() == 7200 ? QStringLiteral("CEST") : QStringLiteral("CET"),
                        s < 60 ? QStringLiteral("%1 s").arg(s) : QStringLiteral("%1 min").arg(s / 60));
        if (pcOffsetMinutes)
            last += QStringLiteral(", écart avec le PC %1 min").arg(*pcOffsetMinutes);
    }
    return QStringLiteral("Minutes : %1   décodées : %2   qualité : %3 % sur 10 min, %4 % sur 1 h, %5 % en tout   "
                          "plus longue série : %6\nDernière minute décodée : %7")
        .arg(minutes).arg(decoded).arg(quality10()).arg(quality60()).arg(qualitySession())
        .arg(longestRun).arg(last);
}

void Dcf77Reception::clear(qint64 ms)
{
    m_records.clear();
    m_current.clear();
    m_firstLine = true;
    m_startMs = ms;
    m_minutes = m_decoded = m_run = m_longestRun = m_spanSinceDecoded = 0;
    m_lastDecoded.reset();
}

Dcf77MinuteRecord Dcf77Reception::classify(QByteArray chars, qint64 ms, const QDateTime& pc) const
{
    Dcf77MinuteRecord r;
    r.endMs = ms;
    r.listeningStart = m_firstLine;
    QByteArray bits;
    for (char c : chars) {
        if (c >= '0' && c <= '3')
            bits.append(c);
        else if (c == 'E')
            ++r.errors;
        else
            ++r.others;
    }
    r.chars = std::move(chars);
    r.seconds = int(bits.size());
    const int n = r.seconds;
    auto marks = [&r](QString why) {
        if (r.errors > 0)
            why += QStringLiteral(", ") + plural(r.errors, "marque") + QStringLiteral(" d'erreur");
        return why;
    };

    constexpr int kLength = Dcf77Log::kMinuteLength;
    if (n < kLength) {
        r.state = State::Incomplete;
        const int lost = kLength - n;
        r.reason = marks(r.listeningStart ? QStringLiteral("minute commencée avant l'écoute")
                                          : plural(lost, "seconde") + (lost > 1 ? QStringLiteral(" perdues")
                                                                                : QStringLiteral(" perdue")));
        return r;
    }
    if (n >= kMissedMarkSeconds) {
        r.state = State::Incomplete;
        r.reason = marks(QStringLiteral("marque de minute (seconde 59) manquée"));
        return r;
    }
    r.state = State::TooLong;
    r.reason = marks(plural(n - kLength, "seconde") + QStringLiteral(" en trop"));
    // A leap second: the last minute of the hour that announced it has one second more, bit 0.
    const bool leapShape = n == kLength + 1 && bits.endsWith('2') && (bits[58] == '0' || bits[58] == '1');
    if (n > kLength && (!leapShape || r.errors > 0 || r.others > 0))
        return r;
    if (r.errors > 0 || r.others > 0) {
        r.state = State::Undecodable;
        r.reason = r.errors > 0 ? plural(r.errors, "marque") + QStringLiteral(" d'erreur du récepteur")
                                : QStringLiteral("caractère inattendu reçu");
        return r;
    }
    if (leapShape)
        bits = bits.left(58) + char(bits[58] == '0' ? '2' : '3');
    const Dcf77Minute::Decoded d = Dcf77Minute::decode(*Dcf77Minute::bitsFromChars(bits));
    const auto bitAt = [&bits](int i) { return bits[i] == '1'; };
    if (leapShape && !(d.ok() && bitAt(19) && d.minute.minute == 0))
        return r;   // one second more, and no leap second due
    r.state = State::Undecodable;
    if (!d.ok()) {
        r.reason = ruleText(d.error);
        return r;
    }
    if (QDate(d.minute.year, d.minute.month, d.minute.day).dayOfWeek() != d.minute.weekday) {
        r.reason = QStringLiteral("jour de la semaine différent de celui de la date");
        return r;
    }
    r.state = State::Decoded;
    r.minute = d.minute;
    r.changeAnnounced = bitAt(16);
    r.leapAnnounced = bitAt(19);
    r.leapSecond = leapShape;
    if (m_lastDecoded) {
        const int between = m_spanSinceDecoded + r.span();
        r.follows = r.announced().toSecsSinceEpoch() == m_lastDecoded->announced().toSecsSinceEpoch() + 60 * between;
    }
    if (pc.isValid())
        r.pcOffsetMinutes = int(std::lround((civilSecs(r.minute->toDateTime()) - civilSecs(pc)) / 60.0));
    return r;
}

const Dcf77MinuteRecord* Dcf77Reception::feed(char c, qint64 ms, const QDateTime& pc)
{
    m_current.append(c);
    if (c != '2' && c != '3')
        return nullptr;
    Dcf77MinuteRecord r = classify(std::exchange(m_current, QByteArray()), ms, pc);
    m_firstLine = false;
    ++m_minutes;
    if (r.decoded()) {
        ++m_decoded;
        m_longestRun = std::max(m_longestRun, ++m_run);
        m_spanSinceDecoded = 0;
        m_lastDecoded = r;
    } else {
        m_run = 0;
        m_spanSinceDecoded += r.span();
    }
    if (m_records.size() >= kKept)
        m_records.pop_front();
    m_records.push_back(std::move(r));
    return &m_records.back();
}

Dcf77Counters Dcf77Reception::counters(qint64 nowMs) const
{
    Dcf77Counters k;
    k.minutes = m_minutes;
    k.decoded = m_decoded;
    k.longestRun = m_longestRun;
    int seen = 0;
    for (auto it = m_records.rbegin(); it != m_records.rend() && seen < 60; ++it, ++seen) {
        const int good = it->decoded() ? 1 : 0;
        if (seen < 10) {
            ++k.last10;
            k.last10Decoded += good;
        }
        ++k.last60;
        k.last60Decoded += good;
    }
    if (m_lastDecoded) {
        k.lastDecoded = m_lastDecoded->announced();
        k.sinceLastDecodedMs = nowMs - m_lastDecoded->endMs;
    }
    return k;
}

QString Dcf77Reception::verdict(qint64 nowMs) const
{
    // The minute cut by the start of listening says nothing of the reception.
    int n = 0, good = 0;
    for (auto it = m_records.rbegin(); it != m_records.rend() && n < 10 && !it->listeningStart; ++it, ++n)
        good += it->decoded() ? 1 : 0;
    // A stream that stops (no pulse heard) leaves the last minutes as they were: the time counts.
    const qint64 since = nowMs - (m_lastDecoded ? m_lastDecoded->endMs : m_startMs);
    if ((good == 0 && n > 0) || since >= 10 * 60000)
        return QStringLiteral("Aucune minute décodée depuis %1 min").arg(std::max<qint64>(1, since / 60000));
    if (n == 0)
        return QStringLiteral("En attente de la première minute");
    if (good * 10 >= n * 8)
        return QStringLiteral("Réception bonne");
    return QStringLiteral("Réception faible : %1 décodée%2 sur %3")
        .arg(plural(good, "minute"), good > 1 ? QStringLiteral("s") : QString())
        .arg(n);
}

QJsonObject Dcf77Reception::toJson(qint64 nowMs) const
{
    QJsonArray minutes;
    for (const Dcf77MinuteRecord& r : m_records)
        minutes.append(r.toJson());
    QJsonObject o;
    o[QStringLiteral("minutes")] = minutes;
    QJsonObject k = counters(nowMs).toJson();
    k[QStringLiteral("verdict")] = verdict(nowMs);
    o[QStringLiteral("compteurs")] = k;
    return o;
}

QStringList Dcf77Reception::minuteLines() const
{
    QStringList lines;
    int n = m_minutes - int(m_records.size());
    for (const Dcf77MinuteRecord& r : m_records)
        lines << QStringLiteral("%1  %2").arg(++n, 4).arg(r.describe());
    return lines;
}

QStringList Dcf77Reception::reportLines(qint64 nowMs) const
{
    return minuteLines() << counters(nowMs).text(pcOffsetMinutes()).split(QLatin1Char('\n')) << verdict(nowMs);
}

// ---- saved files ---------------------------------------------------------------------------

namespace {

const QString kLogHeader = QStringLiteral(" Journal de réception de chronogramme DCF77 :");

// The monitor's log: one line per minute, "S-" opening every line but the first, the end bit
// followed by "-Ok!" or "-Err"; the last line may be the minute in progress.
void replayLog(const QStringList& lines, Dcf77Replay& out)
{
    qint64 ms = 0;
    auto feed = [&](char c) {
        if (c != 'E')
            ms += 1000;   // one character a second; an error mark comes with its second
        out.reception.feed(c, ms);
    };
    for (int i = 2; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.startsWith(QStringLiteral("à ")))
            break;   // the closing line
        if (line.startsWith(QStringLiteral("S-")))
            line = line.mid(2);
        const bool judgedBad = line.endsWith(QStringLiteral("-Err"));
        const bool ended = judgedBad || line.endsWith(QStringLiteral("-Ok!"));
        if (ended)
            line.chop(4);
        QByteArray chars = line.toLatin1();
        if (ended && !chars.isEmpty() && (chars.back() == '0' || chars.back() == '1')) {
            chars.back() = char(chars.back() + 2);   // the end bit, as the panel sent it
            // "-Err" on 59 seconds and no error mark: characters the log does not show came too.
            if (judgedBad && chars.size() == Dcf77Log::kMinuteLength && !chars.contains('E'))
                chars.insert(chars.size() - 1, '?');
        }
        for (char c : chars)
            if (c == '0' || c == '1' || c == '2' || c == '3' || c == 'E' || c == '?')
                feed(c);
    }
    out.endMs = ms;
    out.ok = true;
}

// The exchange journal: "HH:mm:ss.zzz  OPERATION  text"; the monitor's characters are the bytes
// taken outside any operation ("-"), "← 31".
void replayJournal(const QStringList& lines, Dcf77Replay& out)
{
    static const QRegularExpression read(
        QStringLiteral("^(\\d\\d):(\\d\\d):(\\d\\d)\\.(\\d\\d\\d)  -  (?:←|<-) ([0-9A-F]{2})$"));
    qint64 day = 0, last = -1, ms = 0;
    bool any = false;
    for (const QString& line : lines) {
        const QRegularExpressionMatch m = read.match(line);
        if (!m.hasMatch())
            continue;
        qint64 t = ((m.captured(1).toInt() * 60 + m.captured(2).toInt()) * 60 + m.captured(3).toInt()) * 1000
                   + m.captured(4).toInt();
        if (last >= 0 && t + day < last - 12 * 3600 * 1000LL)
            day += 24 * 3600 * 1000LL;   // past midnight
        ms = t + day;
        if (!any)
            out.reception.clear(ms);
        last = ms;
        any = true;
        out.reception.feed(char(m.captured(5).toInt(nullptr, 16)), ms);
    }
    out.endMs = ms;
    out.ok = true;
}

} // namespace

Dcf77Replay replayDcf77File(const QByteArray& content)
{
    Dcf77Replay out;
    QString text = fromWindows1252(content);
    text.remove(QLatin1Char('\r'));
    const QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.value(0) == kLogHeader && lines.value(1) == QString(45, QLatin1Char('-'))) {
        replayLog(lines, out);
        return out;
    }
    static const QRegularExpression journalLine(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d  \\S+  "));
    if (journalLine.match(lines.value(0)).hasMatch()) {
        replayJournal(lines, out);
        return out;
    }
    out.error = QStringLiteral("ni un journal de réception DCF77 ni un journal des échanges");
    return out;
}

} // namespace kwf

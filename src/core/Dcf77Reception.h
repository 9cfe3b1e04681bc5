#pragma once
#include "core/Dcf77Minute.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <deque>
#include <optional>

namespace kwf {

// One minute of the DCF77 stream as the reception judges it.
struct Dcf77MinuteRecord {
    enum class State { Decoded, Undecodable, Incomplete, TooLong };
    State state = State::Incomplete;
    QString reason;              // the rule broken, empty for a decoded minute
    std::optional<Dcf77Minute> minute;   // the time announced, for a decoded minute
    int seconds = 0;             // seconds received: bits "0"/"1" and the end "2"/"3"
    int errors = 0;              // error marks "E"
    int others = 0;              // any other character (not shown in the log)
    bool listeningStart = false; // the first line after a start or a clear
    bool changeAnnounced = false;  // bit 16: the change of summer time at the next hour
    bool leapAnnounced = false;    // bit 19: a leap second at the next hour
    bool leapSecond = false;       // this minute held the leap second (61 seconds)
    std::optional<bool> follows;   // decoded: one minute after the previous decoded minute, all
                                   // minutes between counted; empty for the first decoded one
    std::optional<int> pcOffsetMinutes;  // decoded: announced time minus the PC's, in minutes
    QByteArray chars;            // what came, end mark included
    qint64 endMs = 0;            // when the end mark came

    bool decoded() const { return state == State::Decoded; }
    // The picture's kind: a minute with error marks shows them whatever else it lacks.
    enum class Kind { Decoded, Undecodable, WrongLength, ErrorMarks };
    Kind kind() const;
    // Minutes of time the record stands for: two or more when the minute mark was missed.
    int span() const;
    // Announced time, with its offset from UTC (CET +01:00, CEST +02:00).
    QDateTime announced() const;
    // "10:46 CET", "décodée", one line for a tool tip or a screen reader.
    QString stateText() const;
    QString describe() const;
    QJsonObject toJson() const;
};

// The session's counters.
struct Dcf77Counters {
    int minutes = 0;
    int decoded = 0;
    int last10 = 0, last10Decoded = 0;   // over the last ten minutes received
    int last60 = 0, last60Decoded = 0;   // over the last hour
    int longestRun = 0;                  // longest run of decoded minutes in a row
    std::optional<QDateTime> lastDecoded;   // the time it announced
    std::optional<qint64> sinceLastDecodedMs;  // empty when none was decoded
    static int percent(int part, int whole) { return whole > 0 ? (part * 100 + whole / 2) / whole : 0; }
    int qualitySession() const { return percent(decoded, minutes); }
    int quality10() const { return percent(last10Decoded, last10); }
    int quality60() const { return percent(last60Decoded, last60); }
    QJsonObject toJson() const;
    // "Minutes : 32   décodées : 24   qualité : ...", then "Dernière minute décodée : ..." with
    // the time since and the PC's offset when known.
    QString text(std::optional<int> pcOffsetMinutes = std::nullopt) const;
};

// What the panel's DCF77 receiver hears, minute by minute, from the characters the monitor takes
// in (the same stream as its log). Each minute ends at its end mark "2" or "3" and is classified:
// decoded with its time, complete but not decodable (the first rule broken), incomplete (started
// before listening, seconds lost, minute mark missed), too long (extra seconds); error marks "E"
// are counted in every minute and keep it from being decoded.
class Dcf77Reception {
public:
    explicit Dcf77Reception(qint64 startMs = 0) { clear(startMs); }

    // One character at time ms (monotonic), with the PC's date and time when known. Gives the
    // record of the minute it ended, or null.
    const Dcf77MinuteRecord* feed(char c, qint64 ms, const QDateTime& pc = {});
    // Starts afresh (the monitor's clear); the next line is again a first line.
    void clear(qint64 ms);

    // The minutes received, oldest first; at most kKept, the oldest go (the counters stay).
    const std::deque<Dcf77MinuteRecord>& records() const { return m_records; }
    // The characters of the minute in progress.
    const QByteArray& current() const { return m_current; }
    Dcf77Counters counters(qint64 nowMs) const;
    // Over the last ten minutes (the one cut by the start left out): « Réception bonne » from 8
    // decoded, « Réception faible : 4 minutes décodées sur 10 » below; « Aucune minute décodée
    // depuis 12 min » when none, or when the last was ten minutes ago or more (a silent stream);
    // « En attente de la première minute ».
    QString verdict(qint64 nowMs) const;
    // {"minutes": [...], "compteurs": {...}}
    QJsonObject toJson(qint64 nowMs) const;
    // One line per minute, numbered; then the counters and the verdict.
    QStringList minuteLines() const;
    QStringList reportLines(qint64 nowMs) const;
    // The PC's offset found by the last decoded minute, when the PC's time was given.
    std::optional<int> pcOffsetMinutes() const { return m_lastDecoded ? m_lastDecoded->pcOffsetMinutes : std::nullopt; }

    static constexpr size_t kKept = 7 * 24 * 60;
    // Seconds received past which a line is taken for a missed minute mark rather than for
    // extra seconds.
    static constexpr int kMissedMarkSeconds = 90;

private:
    Dcf77MinuteRecord classify(QByteArray chars, qint64 ms, const QDateTime& pc) const;

    std::deque<Dcf77MinuteRecord> m_records;
    QByteArray m_current;
    bool m_firstLine = true;
    qint64 m_startMs = 0;
    int m_minutes = 0, m_decoded = 0, m_run = 0, m_longestRun = 0;
    // Minutes of time since the last decoded minute, for the next one's check.
    int m_spanSinceDecoded = 0;
    std::optional<Dcf77MinuteRecord> m_lastDecoded;
};

// The stream a saved file holds: the monitor's log file, or the exchange journal's (the
// characters taken while no exchange ran). Characters one second apart unless the journal gives
// their times; the PC's time from the journal's lines or the log's closing line.
struct Dcf77Replay {
    bool ok = false;
    QString error;
    Dcf77Reception reception;
    qint64 endMs = 0;
};
Dcf77Replay replayDcf77File(const QByteArray& content);
// Bytes of a file read for the analysis (a week of journal holds less).
constexpr qint64 kDcf77MaxFileBytes = 64 * 1024 * 1024;

} // namespace kwf

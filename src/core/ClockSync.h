#pragma once
#include "core/ClockOps.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

namespace kwf {

// The panel's clock chip starts a new second when its seconds register is written. A PC-time send
// therefore waits for the right moment: the frame of the seconds register is written so that it
// has reached the panel at the start of a PC second, carrying that second's value; the other seven
// registers follow within the same second and carry that second's minute, hour, day, month and
// year.

// Milliseconds n bytes take on the line: 11 bits each (start, 8 data, 2 stop) at 9600 baud.
double lineMs(int bytes);

// Bytes of a register-write frame of the PC-time send (preamble 2, "1", six characters, end run 3).
constexpr int kPcTimeFrameBytes = 12;
// Bytes of a single-register read frame (preamble 1, "1", six characters, end run 1).
constexpr int kRegisterReadFrameBytes = 9;
// Shortest wait the send plans; a second boundary nearer than this goes to the next one.
constexpr qint64 kMinLeadMs = 5;

struct TimedSend {
    QDateTime second;     // the PC second whose start the seconds register reaches the panel at
    ClockValues values;   // that second's date and time
    qint64 delayMs = 0;   // from pcNow until the first frame is written
};

// The plan for a send whose first frame can be written at pcNow.
TimedSend planTimedSend(const QDateTime& pcNow);

// ENVOI_HEURE_PC on the PC's second: takes the PC's time, waits for the planned moment, then
// writes the eight registers, waits and counts as ENVOI_HEURE_PC. `second` receives the PC second
// the panel was set to.
CmdResult sendPcTimeOnSecond(Tqvbase& t, QDateTime* second = nullptr);

// Single reads of the seconds register, 0.05 s apart, stop after this many without a change.
constexpr int kMaxSecondReads = 40;

// The clock read as LIT_HEURE_DS reads it, then the seconds register alone until it changes.
struct OffsetMeasurement {
    CmdResult result;                  // the clock read, then each single read
    std::optional<ClockImage> image;   // the clock as read, present when the reading succeeded
    // Panel minus PC, in seconds (positive: the panel is ahead); absent when the clock is halted,
    // holds no valid date, or its seconds did not change.
    std::optional<double> offsetS;
    QDateTime at;                      // the PC's time of the change of second
};

// Measures the panel's offset from the PC: the change of second is placed halfway between the
// last single read that saw the old value and the first that saw the new one (each read counted
// from the moment its frame has reached the panel), so the result is within half the reads'
// spacing of the truth.
OffsetMeasurement measureOffset(Tqvbase& t);

// "+0,35 s", "-1,20 s", "0,00 s": two decimals, a French decimal comma.
QString offsetSeconds(double seconds);
// « Écart avec le PC : +0,35 s ».
QString offsetLine(double seconds);

// The record of a panel's offsets: each measurement and each setting, with the PC's time.
struct DriftEvent {
    QDateTime at;                    // UTC
    std::optional<double> offsetS;   // a measurement; absent for a setting
    bool setting() const { return !offsetS; }
};

// The record's file for the panel on COMn in the state folder.
QString driftRecordPath(const QString& stateDir, int comPort);
// One line per event: "2026-12-07T15:00:03.120Z ecart -0.412" or "2026-12-07T15:00:05.000Z envoi".
// Lines that are not one of these are skipped.
QList<DriftEvent> parseDriftRecord(const QByteArray& text);
QByteArray driftRecordLine(const DriftEvent& e);
// Reads the file (an absent file is an empty record).
QList<DriftEvent> readDriftRecord(const QString& path);
// Adds one event at the end of the file, creating its folder; false when it cannot be written.
bool appendDriftRecord(const QString& path, const DriftEvent& e);

// The drift of a panel's clock, fitted by least squares. A setting brings the offset to zero:
// the measurements between two settings lie on one line that starts at zero at the first; all
// such runs share the one slope.
struct DriftFit {
    bool enough = false;     // at least two points in one run, spanning minSpanS
    double secondsPerDay = 0;
    int points = 0;          // points used (settings count as a zero point)
    qint64 spanS = 0;        // from the first point used to the last
};
DriftFit fitDrift(const QList<DriftEvent>& events, qint64 minSpanS);
// The span a record needs before its drift is told.
constexpr qint64 kMinDriftSpanS = 3600;

// Adds the event to the record of the panel on the context's validated port, when the context
// keeps records.
struct AppContext;
bool recordDrift(const AppContext& ctx, const DriftEvent& e);

// The user's state folder (~/.local/state/kwf-tqv, %LOCALAPPDATA%\kwf-tqv); not created here.
QString userStateDir();

} // namespace kwf

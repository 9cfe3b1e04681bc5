#pragma once
#include <QDateTime>
#include <QtGlobal>

namespace kwf {

class SerialPort;

// Time as the program sees it: a monotonic clock for the fixed waits and the PC's wall clock
// for what is shown and sent. Tests substitute a simulated clock.
class Clock {
public:
    virtual ~Clock() = default;
    // Monotonic milliseconds; never jumps, unaffected by midnight or by setting the PC's clock.
    virtual qint64 monotonicMs() const = 0;
    // The PC's local date and time.
    virtual QDateTime now() const = 0;
    // Holds the caller until monotonicMs() >= deadlineMs. While waiting, the port (if any)
    // takes in its incoming bytes. Processes no user input and does not spin; the real clock
    // lets the event loop turn for everything else (paint, timers, the desktop's requests).
    virtual void waitUntil(qint64 deadlineMs, SerialPort* port) = 0;
};

// The real clock: the steady clock for the waits, the PC's clock for the date and time shown
// (replaceable, so that a test can make the PC's clock jump without touching the machine's).
class SystemClock : public Clock {
public:
    using WallClock = QDateTime (*)();
    explicit SystemClock(WallClock wall = &QDateTime::currentDateTime);
    qint64 monotonicMs() const override;
    QDateTime now() const override;
    void waitUntil(qint64 deadlineMs, SerialPort* port) override;
    // Longest sleep between two turns of the event loop during a wait.
    static constexpr qint64 kEventSliceMs = 10;
private:
    qint64 m_originNs;
    WallClock m_wall;
};

} // namespace kwf

#pragma once
#include "core/Clock.h"

#include <algorithm>
#include <functional>

namespace kwf::test {

// Simulated time: waits advance it instantly. The wall clock is a fixed start plus the
// simulated milliseconds.
class SimClock : public Clock {
public:
    explicit SimClock(QDateTime start = QDateTime(QDate(2026, 12, 5), QTime(9, 58, 49)))
        : m_start(std::move(start)) {}
    qint64 monotonicMs() const override { return m_ms; }
    QDateTime now() const override { return m_start.addMSecs(m_ms); }
    void waitUntil(qint64 deadlineMs, SerialPort*) override
    {
        if (duringWait && !m_inHook) {
            m_inHook = true;
            duringWait();
            m_inHook = false;
        }
        m_ms = std::max(m_ms, deadlineMs);
    }
    void advance(qint64 ms) { m_ms += ms; }
    void setNow(const QDateTime& dt) { m_start = dt.addMSecs(-m_ms); }
    // Runs at the start of every wait, as the real clock lets the event loop turn there (a timer,
    // a late click, a close request). Not run again from inside itself.
    std::function<void()> duringWait;

private:
    QDateTime m_start;
    qint64 m_ms = 0;
    bool m_inHook = false;
};

} // namespace kwf::test

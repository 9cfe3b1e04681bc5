#include "core/Clock.h"
#include "core/SerialPort.h"

#include <chrono>
#include <thread>

namespace kwf {

namespace {
qint64 steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch()).count();
}
} // namespace

SystemClock::SystemClock(WallClock wall) : m_originNs(steadyNs()), m_wall(wall) {}

qint64 SystemClock::monotonicMs() const
{
    return (steadyNs() - m_originNs) / 1000000;
}

QDateTime SystemClock::now() const
{
    return m_wall();
}

void SystemClock::waitUntil(qint64 deadlineMs, SerialPort* port)
{
    const qint64 deadlineNs = m_originNs + deadlineMs * 1000000;
    for (;;) {
        const qint64 leftNs = deadlineNs - steadyNs();
        if (leftNs <= 0)
            return;
        const int leftMs = int((leftNs + 999999) / 1000000);
        if (port && port->isOpen() && port->waitForInput(leftMs))
            continue;
        // No port, or it failed: sleep out the rest without spinning.
        port = nullptr;
        std::this_thread::sleep_until(std::chrono::steady_clock::time_point(
            std::chrono::nanoseconds(deadlineNs)));
    }
}

} // namespace kwf

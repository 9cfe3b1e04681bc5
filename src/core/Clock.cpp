#include "core/Clock.h"
#include "core/SerialPort.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
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
    // On the program's own thread the event loop keeps turning while the line is held: windows
    // repaint, the desktop's pings and accessibility requests are answered, timers run. Clicks
    // and keys stay queued, in order, until the exchange is over. Between two turns the wait
    // sleeps on the port (which takes in its bytes as they come) for at most kEventSliceMs.
    const QCoreApplication* app = QCoreApplication::instance();
    const bool serveEvents = app && QThread::currentThread() == app->thread();
    for (;;) {
        qint64 leftNs = deadlineNs - steadyNs();
        if (leftNs <= 0)
            return;
        if (serveEvents) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            leftNs = deadlineNs - steadyNs();
            if (leftNs <= 0)
                return;
        }
        qint64 sliceNs = serveEvents ? std::min<qint64>(leftNs, kEventSliceMs * 1000000) : leftNs;
        const int sliceMs = int((sliceNs + 999999) / 1000000);
        if (port && port->isOpen() && port->waitForInput(sliceMs))
            continue;
        // No port, or it failed: sleep out the slice without spinning.
        port = nullptr;
        std::this_thread::sleep_until(std::chrono::steady_clock::time_point(
            std::chrono::nanoseconds(steadyNs() + sliceNs)));
    }
}

} // namespace kwf

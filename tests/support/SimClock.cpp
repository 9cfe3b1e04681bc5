#include "SimClock.h"

namespace kwf::test {

void SimClock::waitUntil(qint64 deadlineMs, SerialPort*)
{
    if (duringWait && !m_inHook) {
        m_inHook = true;
        duringWait();
        m_inHook = false;
    }
    if (deadlineMs > m_ms) {
        waits.emplace_back(m_ms, deadlineMs - m_ms);
        m_ms = deadlineMs;
    }
}

} // namespace kwf::test

#include "SimClock.h"

namespace kwf::test {

void SimClock::waitUntil(qint64 deadlineMs, SerialPort*)
{
    if (deadlineMs > m_ms) {
        waits.emplace_back(m_ms, deadlineMs - m_ms);
        m_ms = deadlineMs;
    }
}

} // namespace kwf::test

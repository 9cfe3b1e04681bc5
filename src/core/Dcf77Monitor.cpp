#include "core/Dcf77Monitor.h"
#include "core/LinkSettings.h"
#include "core/SerialPort.h"

namespace kwf {

bool Dcf77Monitor::start()
{
    // A port validated and gone since (adapter removed) meets the port message too.
    if (!m_t.VERIF_PORT_OUVERT())
        return false;
    m_t.FIN_LIAISON();
    Tqvbase::Operation op(m_t, QStringLiteral("DCF77"));
    // Taken one by one for the journal; whatever arrives meanwhile goes with the buffer.
    for (int n = m_t.bytesWaiting(); n > 0; --n)
        if (m_t.readByte() < 0)
            break;
    if (m_t.port().isOpen())
        m_t.port().clearInput();
    return true;
}

bool Dcf77Monitor::stop()
{
    if (m_t.busy())
        return false;
    m_t.TEST_LIAISON();
    return true;
}

Dcf77Monitor::PollResult Dcf77Monitor::poll()
{
    if (!m_t.link().portValide)
        return {};   // nothing to listen to until the settings are validated
    if (m_t.busy())
        return {};   // an exchange holds the port: the next character waits for the next tick
    if (!m_t.port().isOpen())
        return {Poll::Gone, 0};
    if (m_t.bytesWaiting() <= 0)
        return {};
    const int b = m_t.readByte();
    if (b < 0)
        return {};
    return {Poll::Character, char(b)};
}

} // namespace kwf

#include "model/EmulatedSerialPort.h"
#include "core/Clock.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace kwf::emu {

EmulatedSerialPort::EmulatedSerialPort(Clock& clock, const QDateTime& panelStart)
    : m_clock(clock),
      m_model(panelStart.isValid() ? panelStart : clock.now(), clock.monotonicMs())
{
}

void EmulatedSerialPort::unplug()
{
    m_unplugged = true;
    m_error = QStringLiteral("périphérique déconnecté");
    m_kind = PortError::Gone;
    m_open = false;
    m_rx.clear();
}

void EmulatedSerialPort::checkUnplug()
{
    if (m_model.unplugged() && !m_unplugged)
        unplug();
}

bool EmulatedSerialPort::open(const QString& deviceName, const LineSettings& settings)
{
    close();
    if (m_unplugged || (!devices.isEmpty() && !devices.contains(deviceName))) {
        m_error = QStringLiteral("périphérique introuvable");
        m_kind = PortError::Absent;
        return false;
    }
    m_open = true;
    m_error.clear();
    m_kind = PortError::None;
    m_lineUnderstood = settings.baud == 9600 && settings.dataBits == 8 && settings.parity == 'N';
    m_model.takeDue(m_clock.monotonicMs());   // what came while closed is not received
    m_rx.clear();
    return true;
}

void EmulatedSerialPort::close()
{
    m_open = false;
    m_rx.clear();
}

void EmulatedSerialPort::pull()
{
    if (!m_open)
        return;
    const QByteArray in = m_model.takeDue(m_clock.monotonicMs());
    const int room = kBufferSize - int(m_rx.size());
    if (room > 0)
        m_rx.append(in.left(room));
}

bool EmulatedSerialPort::clearInput()
{
    if (!m_open)
        return false;
    pull();
    m_rx.clear();
    return true;
}

bool EmulatedSerialPort::setDtr(bool)
{
    return false;   // no modem lines, like a pseudo-terminal
}

bool EmulatedSerialPort::write(const QByteArray& bytes)
{
    if (!m_open)
        return false;
    const qint64 now = m_clock.monotonicMs();
    writes.push_back({now, bytes});
    pull();
    if (m_lineUnderstood)
        m_model.receive(bytes, now);
    pull();
    checkUnplug();
    return true;
}

int EmulatedSerialPort::bytesWaiting()
{
    pull();
    return int(m_rx.size());
}

int EmulatedSerialPort::readByte()
{
    pull();
    if (m_rx.isEmpty())
        return -1;
    const int b = quint8(m_rx.at(0));
    m_rx.remove(0, 1);
    return b;
}

bool EmulatedSerialPort::waitForInput(int msecs)
{
    if (!m_open)
        return false;
    // On a real clock: sleep until the next byte is due or the time is up.
    const qint64 now = m_clock.monotonicMs();
    const qint64 until = std::min<qint64>(now + std::max(msecs, 1), m_model.nextDueMs());
    if (until > now)
        std::this_thread::sleep_for(std::chrono::milliseconds(until - now));
    pull();
    return true;
}

} // namespace kwf::emu

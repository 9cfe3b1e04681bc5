#include "FakeSerialPort.h"
#include "SimClock.h"

namespace kwf::test {

bool FakeSerialPort::open(const QString& deviceName, const LineSettings& settings)
{
    calls << QStringLiteral("open ") + deviceName;
    if (failOpen || absentDevices.contains(deviceName)) {
        m_kind = absentDevices.contains(deviceName) ? PortError::Absent : refusal;
        m_error = deviceName + QStringLiteral(" : refusé");
        return false;
    }
    m_kind = PortError::None;
    m_error.clear();
    m_open = true;
    openedDevice = deviceName;
    openedSettings = settings;
    m_rx.clear();
    return true;
}

void FakeSerialPort::close()
{
    calls << QStringLiteral("close");
    m_open = false;
    m_rx.clear();
}

bool FakeSerialPort::clearInput()
{
    calls << QStringLiteral("clear");
    m_rx.clear();
    return m_open;
}

bool FakeSerialPort::setDtr(bool on)
{
    calls << (on ? QStringLiteral("dtr1") : QStringLiteral("dtr0"));
    return false;   // like a pseudo-terminal
}

bool FakeSerialPort::write(const QByteArray& bytes)
{
    calls << QStringLiteral("write");
    if (!m_open || failWrite)
        return false;
    writes.push_back({m_clock ? m_clock->monotonicMs() : 0, bytes});
    if (responder)
        m_rx.append(responder(bytes));
    return true;
}

int FakeSerialPort::readByte()
{
    if (m_rx.isEmpty())
        return -1;
    const int b = quint8(m_rx[0]);
    m_rx.remove(0, 1);
    return b;
}

QByteArray ackOneByte(const QByteArray&)
{
    return QByteArray(1, '\x06');
}

} // namespace kwf::test

#include "core/QtSerialPort.h"

#include <QFileInfo>
#include <QThread>

#include <unistd.h>

namespace kwf {

QtSerialPort::QtSerialPort()
{
    m_port.setReadBufferSize(0);
}

QtSerialPort::~QtSerialPort()
{
    close();
}

namespace {
// Qt reports a port held by another program and one this user may not open alike
// (PermissionError): tell them apart by asking the system about the rights.
PortError kindOf(QSerialPort::SerialPortError e, const QString& deviceName)
{
    switch (e) {
    case QSerialPort::NoError: return PortError::None;
    case QSerialPort::DeviceNotFoundError: return PortError::Absent;
    case QSerialPort::OpenError: return PortError::Busy;
    case QSerialPort::PermissionError: {
        const QByteArray path = QFile::encodeName(QFileInfo(deviceName).canonicalFilePath());
        if (!path.isEmpty() && ::access(path.constData(), R_OK | W_OK) != 0)
            return PortError::Permission;
        return PortError::Busy;
    }
    case QSerialPort::ResourceError: return PortError::Gone;
    default: return PortError::Io;
    }
}
} // namespace

bool QtSerialPort::open(const QString& deviceName, const LineSettings& s)
{
    close();
    m_error.clear();
    m_kind = PortError::None;
    m_port.setPortName(deviceName);
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_error = m_port.errorString();
        m_kind = kindOf(m_port.error(), deviceName);
        m_port.clearError();
        return false;
    }
    bool ok = m_port.setBaudRate(s.baud);
    ok = ok && m_port.setDataBits(QSerialPort::DataBits(s.dataBits));
    QSerialPort::Parity parity = QSerialPort::NoParity;
    switch (s.parity) {
    case 'E': parity = QSerialPort::EvenParity; break;
    case 'O': parity = QSerialPort::OddParity; break;
    case 'M': parity = QSerialPort::MarkParity; break;
    case 'S': parity = QSerialPort::SpaceParity; break;
    default: break;
    }
    ok = ok && m_port.setParity(parity);
    ok = ok && m_port.setStopBits(s.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    ok = ok && m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!ok) {
        m_error = m_port.errorString();
        m_kind = PortError::Io;
        close();
        return false;
    }
    m_port.clear(QSerialPort::AllDirections);
    m_port.clearError();
    // Opening raises DTR; a panel or radio module may react to it, so it goes down at once
    // (lines without modem control refuse, harmlessly).
    setDtr(false);
    return true;
}

void QtSerialPort::close()
{
    if (m_port.isOpen())
        m_port.close();
    m_port.clearError();
}

bool QtSerialPort::checkError()
{
    const auto e = m_port.error();
    if (e == QSerialPort::NoError)
        return true;
    if (e == QSerialPort::TimeoutError || e == QSerialPort::UnsupportedOperationError) {
        m_port.clearError();
        return true;
    }
    m_error = m_port.errorString();
    m_kind = kindOf(e, m_port.portName());
    close();
    return false;
}

bool QtSerialPort::clearInput()
{
    if (!m_port.isOpen())
        return false;
    m_port.clear(QSerialPort::Input);
    return checkError();
}

bool QtSerialPort::setDtr(bool on)
{
    if (!m_port.isOpen())
        return false;
    const bool ok = m_port.setDataTerminalReady(on);
    m_port.clearError();   // pseudo-terminals have no modem lines
    return ok;
}

bool QtSerialPort::write(const QByteArray& bytes)
{
    if (!m_port.isOpen())
        return false;
    if (m_port.write(bytes) != bytes.size()) {
        checkError();
        return false;
    }
    while (m_port.bytesToWrite() > 0) {
        if (!m_port.waitForBytesWritten(1000)) {
            checkError();
            return false;
        }
    }
    return checkError();
}

int QtSerialPort::bytesWaiting()
{
    if (!m_port.isOpen())
        return 0;
    // Qt only counts what it has pulled in: take in what the system holds first.
    while (m_port.waitForReadyRead(0)) {
    }
    if (!checkError())
        return 0;
    return int(m_port.bytesAvailable());
}

int QtSerialPort::readByte()
{
    if (!m_port.isOpen())
        return -1;
    if (m_port.bytesAvailable() == 0)
        bytesWaiting();
    char c;
    if (m_port.isOpen() && m_port.getChar(&c))
        return quint8(c);
    return -1;
}

bool QtSerialPort::waitForInput(int msecs)
{
    if (!m_port.isOpen())
        return false;
    m_port.waitForReadyRead(qMax(0, msecs));
    return checkError();
}

} // namespace kwf

#include "core/WinSerialPort.h"

#include <QElapsedTimer>
#include <QThread>

#include <cstring>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace kwf {

namespace {
// Bytes kept for the program beyond which the port stops reading (a flooding device).
constexpr int kRxLimit = 1 << 20;
// A write that the line has not taken in this time has failed.
constexpr DWORD kWriteTimeoutMs = 2000;

HANDLE handleOf(void* h) { return static_cast<HANDLE>(h); }

QString systemMessage(DWORD error)
{
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                       | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString s = n ? QString::fromWCharArray(text, int(n)).trimmed() : QStringLiteral("erreur %1").arg(error);
    if (text)
        LocalFree(text);
    return s;
}

PortError kindOfError(DWORD e)
{
    switch (e) {
    case ERROR_FILE_NOT_FOUND: case ERROR_PATH_NOT_FOUND: case ERROR_INVALID_NAME:
    case ERROR_BAD_UNIT: case ERROR_DEV_NOT_EXIST:
        return PortError::Absent;
    // Windows opens a port for one program at a time: a port held elsewhere is "access denied".
    case ERROR_ACCESS_DENIED: case ERROR_SHARING_VIOLATION: case ERROR_BUSY:
        return PortError::Busy;
    default:
        return PortError::Io;
    }
}

// Errors by which the system says the device has gone (USB adapter pulled out).
bool deviceGone(DWORD e)
{
    switch (e) {
    case ERROR_ACCESS_DENIED: case ERROR_BAD_COMMAND: case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_GEN_FAILURE: case ERROR_OPERATION_ABORTED: case ERROR_FILE_NOT_FOUND:
    case ERROR_INVALID_HANDLE: case ERROR_DEV_NOT_EXIST: case ERROR_BAD_UNIT:
    case ERROR_DEVICE_REMOVED: case ERROR_NOT_READY: case ERROR_IO_DEVICE:
        return true;
    default:
        return false;
    }
}
} // namespace

WinSerialPort::~WinSerialPort()
{
    close();
}

QString WinSerialPort::systemName(const QString& deviceName)
{
    if (deviceName.startsWith(QLatin1String("\\\\.\\")))
        return deviceName;
    return QStringLiteral("\\\\.\\") + deviceName;
}

bool WinSerialPort::refuse(PortError kind, const QString& what)
{
    m_kind = kind;
    m_error = what;
    return false;
}

bool WinSerialPort::open(const QString& deviceName, const LineSettings& settings)
{
    close();
    m_error.clear();
    m_kind = PortError::None;
    if (deviceName.isEmpty())
        return refuse(PortError::Absent, QStringLiteral("aucun périphérique"));
    const std::wstring name = systemName(deviceName).toStdWString();
    HANDLE h = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD e = GetLastError();
        const PortError kind = kindOfError(e);
        if (kind == PortError::Busy)
            return refuse(kind, QStringLiteral("%1 : port déjà utilisé").arg(deviceName));
        if (kind == PortError::Absent)
            return refuse(kind, QStringLiteral("%1 : périphérique absent").arg(deviceName));
        return refuse(kind, QStringLiteral("%1 : %2").arg(deviceName, systemMessage(e)));
    }
    const auto giveUp = [&](const QString& what) {
        const DWORD e = GetLastError();
        CloseHandle(h);
        return refuse(kindOfError(e) == PortError::Absent ? PortError::Absent : PortError::Io,
                      QStringLiteral("%1 : %2 (%3)").arg(deviceName, what, systemMessage(e)));
    };
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(h, &dcb))
        return giveUp(QStringLiteral("pas un port série"));
    const DCB saved = dcb;
    dcb.BaudRate = DWORD(settings.baud);
    dcb.ByteSize = BYTE(settings.dataBits);
    switch (settings.parity) {
    case 'E': dcb.Parity = EVENPARITY; break;
    case 'O': dcb.Parity = ODDPARITY; break;
    case 'M': dcb.Parity = MARKPARITY; break;
    case 'S': dcb.Parity = SPACEPARITY; break;
    default: dcb.Parity = NOPARITY; break;
    }
    dcb.StopBits = settings.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = dcb.Parity != NOPARITY;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    // A panel or radio module may react to DTR: it stays down.
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    if (!SetCommState(h, &dcb)) {
        // Lines without modem control (a pseudo-terminal under Wine) refuse the DTR change
        // (error 50): the line settings alone are what matters.
        dcb.fDtrControl = saved.fDtrControl;
        if (!SetCommState(h, &dcb))
            return giveUp(QStringLiteral("réglage de la ligne refusé"));
    }
    m_saved = QByteArray(reinterpret_cast<const char*>(&saved), int(sizeof saved));
    m_haveSaved = true;
    m_handle = h;
    if (!setTimeouts(0)) {
        const DWORD e = GetLastError();
        close();
        return refuse(PortError::Io, QStringLiteral("%1 : %2").arg(deviceName, systemMessage(e)));
    }
    PurgeComm(h, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
    m_rx.clear();
    m_rxPos = 0;
    setDtr(false);
    return true;
}

void WinSerialPort::close()
{
    if (m_handle) {
        if (m_haveSaved) {
            DCB dcb{};
            std::memcpy(&dcb, m_saved.constData(), sizeof dcb);
            SetCommState(handleOf(m_handle), &dcb);   // fails harmlessly when the device has gone
        }
        CloseHandle(handleOf(m_handle));
        m_handle = nullptr;
    }
    m_haveSaved = false;
    m_rx.clear();
    m_rxPos = 0;
}

// firstByteMs 0: a read returns at once with what is there. Otherwise it returns as soon as one
// byte is there, or after firstByteMs with nothing.
bool WinSerialPort::setTimeouts(int firstByteMs)
{
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = MAXDWORD;
    if (firstByteMs > 0) {
        t.ReadTotalTimeoutMultiplier = MAXDWORD;
        t.ReadTotalTimeoutConstant = DWORD(firstByteMs);
    }
    t.WriteTotalTimeoutMultiplier = 2;   // a character takes about 1.1 ms at 9600 baud
    t.WriteTotalTimeoutConstant = kWriteTimeoutMs;
    return SetCommTimeouts(handleOf(m_handle), &t) != FALSE;
}

void WinSerialPort::fail(const QString& what, unsigned long error)
{
    m_error = QStringLiteral("%1 (%2)").arg(what, systemMessage(error));
    m_kind = deviceGone(error) ? PortError::Gone : PortError::Io;
    // Every later call fails at once instead of asking a device that is not there.
    close();
}

void WinSerialPort::append(const char* data, int n)
{
    // Drop what has been read before appending, or under a constant stream the buffer would only
    // ever grow (the reader never quite empties it).
    if (m_rxPos > 0 && (m_rxPos >= 4096 || m_rxPos * 2 >= m_rx.size())) {
        m_rx.remove(0, m_rxPos);
        m_rxPos = 0;
    }
    m_rx.append(data, n);
}

bool WinSerialPort::readSome(int atMost)
{
    char buf[4096];
    DWORD n = 0;
    if (!ReadFile(handleOf(m_handle), buf, DWORD(qMin<int>(atMost, int(sizeof buf))), &n, nullptr)) {
        fail(QStringLiteral("périphérique déconnecté"), GetLastError());
        return false;
    }
    if (n > 0)
        append(buf, int(n));
    return true;
}

bool WinSerialPort::pull()
{
    if (!m_handle)
        return false;
    while (m_rx.size() - m_rxPos < kRxLimit) {
        DWORD errors = 0;
        COMSTAT stat{};
        if (!ClearCommError(handleOf(m_handle), &errors, &stat)) {
            fail(QStringLiteral("périphérique déconnecté"), GetLastError());
            return false;
        }
        if (stat.cbInQue == 0)
            return true;
        const qsizetype before = m_rx.size();
        if (!readSome(int(stat.cbInQue)))
            return false;
        if (m_rx.size() == before)
            return true;   // counted but not given: take it at the next call
    }
    return true;
}

bool WinSerialPort::clearInput()
{
    if (!m_handle)
        return false;
    PurgeComm(handleOf(m_handle), PURGE_RXCLEAR | PURGE_RXABORT);
    m_rx.clear();
    m_rxPos = 0;
    return true;
}

bool WinSerialPort::setDtr(bool on)
{
    if (!m_handle)
        return false;
    return EscapeCommFunction(handleOf(m_handle), on ? SETDTR : CLRDTR) != FALSE;
}

bool WinSerialPort::write(const QByteArray& bytes)
{
    if (!m_handle)
        return false;
    qint64 done = 0;
    while (done < bytes.size()) {
        DWORD n = 0;
        if (!WriteFile(handleOf(m_handle), bytes.constData() + done, DWORD(bytes.size() - done), &n, nullptr)) {
            fail(QStringLiteral("écriture refusée"), GetLastError());
            return false;
        }
        if (n == 0) {
            // The line took nothing within the write timeout.
            m_error = QStringLiteral("écriture refusée (délai dépassé)");
            m_kind = PortError::Io;
            close();
            return false;
        }
        done += n;
    }
    return true;
}

int WinSerialPort::bytesWaiting()
{
    pull();
    return int(m_rx.size() - m_rxPos);
}

int WinSerialPort::readByte()
{
    if (m_rxPos >= m_rx.size())
        pull();
    if (m_rxPos >= m_rx.size())
        return -1;
    const int b = quint8(m_rx[m_rxPos++]);
    if (m_rxPos == m_rx.size()) {
        m_rx.clear();
        m_rxPos = 0;
    }
    return b;
}

bool WinSerialPort::waitForInput(int msecs)
{
    if (!m_handle)
        return false;
    msecs = qMax(0, msecs);
    if (m_rx.size() - m_rxPos >= kRxLimit) {
        // Full: leave the rest with the system and just let the time pass.
        QThread::msleep(ulong(msecs));
        return true;
    }
    const qsizetype before = m_rx.size() - m_rxPos;
    if (!pull())
        return false;
    if (m_rx.size() - m_rxPos != before || msecs == 0)
        return true;
    QElapsedTimer elapsed;
    elapsed.start();
    // One read that returns at the first byte or at the deadline.
    if (!setTimeouts(msecs)) {
        fail(QStringLiteral("périphérique déconnecté"), GetLastError());
        return false;
    }
    const bool ok = readSome(1);
    if (!m_handle)
        return false;
    if (!setTimeouts(0)) {
        fail(QStringLiteral("périphérique déconnecté"), GetLastError());
        return false;
    }
    if (!ok)
        return false;
    if (m_rx.size() - m_rxPos != before)
        return pull();
    // A driver that returned early with nothing: short sleeps until the deadline, never a spin.
    while (elapsed.elapsed() < msecs) {
        QThread::msleep(ulong(qMin<qint64>(2, msecs - elapsed.elapsed())));
        if (!pull())
            return false;
        if (m_rx.size() - m_rxPos != before)
            return true;
    }
    return true;
}

} // namespace kwf

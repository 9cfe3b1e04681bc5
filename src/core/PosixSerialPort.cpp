#include "core/PosixSerialPort.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace kwf {

namespace {
// Bytes kept for the program beyond which the port stops reading (a flooding device).
constexpr int kRxLimit = 1 << 20;
}

PosixSerialPort::~PosixSerialPort()
{
    close();
}

#ifdef Q_OS_UNIX

namespace {
speed_t speedFor(int baud)
{
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
    }
}
} // namespace

bool PosixSerialPort::open(const QString& deviceName, const LineSettings& settings)
{
    close();
    m_error.clear();
    const speed_t speed = speedFor(settings.baud);
    if (speed == B0) {
        m_error = QStringLiteral("vitesse non prise en charge");
        return false;
    }
    // Honour the lock files other serial programs (and Qt) take in /var/lock.
    const QString target = QFileInfo(deviceName).canonicalFilePath();
    if (target.isEmpty()) {
        m_error = QStringLiteral("%1 : périphérique absent").arg(deviceName);
        return false;
    }
    if (QFileInfo(QStringLiteral("/var/lock")).isWritable()) {
        // Named as Qt's serial port names it: the path below /dev with '/' as '_'
        // ("LCK..ttyUSB0", "LCK..pts_3"), so that each sees the other's lock.
        QString lockName = target.startsWith(QLatin1String("/dev/")) ? target.mid(5) : target;
        lockName.replace(QLatin1Char('/'), QLatin1Char('_'));
        auto lock = std::make_unique<QLockFile>(QStringLiteral("/var/lock/LCK..") + lockName);
        lock->setStaleLockTime(0);
        if (!lock->tryLock(0)) {
            m_error = QStringLiteral("%1 : port déjà utilisé").arg(deviceName);
            return false;
        }
        m_lock = std::move(lock);
    }
    const QByteArray path = QFile::encodeName(target);
    int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        m_lock.reset();
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        m_error = QStringLiteral("%1 : port déjà utilisé").arg(deviceName);
        ::close(fd);
        m_lock.reset();
        return false;
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        m_lock.reset();
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS);
    switch (settings.dataBits) {
    case 5: tio.c_cflag |= CS5; break;
    case 6: tio.c_cflag |= CS6; break;
    case 7: tio.c_cflag |= CS7; break;
    default: tio.c_cflag |= CS8; break;
    }
    if (settings.stopBits == 2)
        tio.c_cflag |= CSTOPB;
    if (settings.parity == 'E')
        tio.c_cflag |= PARENB;
    else if (settings.parity == 'O')
        tio.c_cflag |= PARENB | PARODD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        m_lock.reset();
        return false;
    }
    ::tcflush(fd, TCIOFLUSH);
    m_fd = fd;
    m_rx.clear();
    m_rxPos = 0;
    // Opening raises DTR; a panel or radio module may react to it, so it goes down at once
    // (lines without modem control refuse, harmlessly).
    setDtr(false);
    return true;
}

void PosixSerialPort::close()
{
    if (m_fd >= 0) {
        ::ioctl(m_fd, TIOCNXCL);
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
        m_fd = -1;
    }
    m_lock.reset();
    m_rx.clear();
    m_rxPos = 0;
}

void PosixSerialPort::fail(const QString& what)
{
    m_error = what;
    // The device has gone (unplugged adapter): close, so every later call fails at once.
    close();
}

bool PosixSerialPort::pull()
{
    if (m_fd < 0)
        return false;
    // FIONREAD says exactly what the system holds, and fails (EIO) once the device has gone;
    // read() alone cannot tell "nothing yet" (0 with VMIN 0) from "gone".
    char buf[4096];
    while (m_rx.size() - m_rxPos < kRxLimit) {
        int held = 0;
        if (::ioctl(m_fd, FIONREAD, &held) != 0) {
            fail(QStringLiteral("périphérique déconnecté"));
            return false;
        }
        if (held <= 0)
            return true;
        const ssize_t n = ::read(m_fd, buf, size_t(qMin<int>(held, int(sizeof buf))));
        if (n > 0) {
            if (m_rxPos > 0 && m_rxPos == m_rx.size()) {
                m_rx.clear();
                m_rxPos = 0;
            }
            m_rx.append(buf, int(n));
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return true;
        if (n == 0)
            return true;
        fail(QStringLiteral("périphérique déconnecté"));
        return false;
    }
    return true;
}

bool PosixSerialPort::clearInput()
{
    if (m_fd < 0)
        return false;
    ::tcflush(m_fd, TCIFLUSH);
    m_rx.clear();
    m_rxPos = 0;
    return true;
}

bool PosixSerialPort::setDtr(bool on)
{
    if (m_fd < 0)
        return false;
    int bits = TIOCM_DTR;
    return ::ioctl(m_fd, on ? TIOCMBIS : TIOCMBIC, &bits) == 0;
}

bool PosixSerialPort::write(const QByteArray& bytes)
{
    if (m_fd < 0)
        return false;
    qint64 done = 0;
    int stalls = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && stalls++ < 20) {
            pollfd p{m_fd, POLLOUT, 0};
            ::poll(&p, 1, 50);
            continue;
        }
        fail(QStringLiteral("écriture refusée"));
        return false;
    }
    return true;
}

int PosixSerialPort::bytesWaiting()
{
    pull();
    return int(m_rx.size() - m_rxPos);
}

int PosixSerialPort::readByte()
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

bool PosixSerialPort::waitForInput(int msecs)
{
    if (m_fd < 0)
        return false;
    if (m_rx.size() - m_rxPos >= kRxLimit) {
        // Full: leave the rest with the system and just let the time pass.
        QThread::msleep(ulong(qMax(0, msecs)));
        return true;
    }
    pollfd p{m_fd, POLLIN, 0};
    const int r = ::poll(&p, 1, qMax(0, msecs));
    if (r < 0)
        return errno == EINTR;
    if (r == 0)
        return true;
    if (p.revents & POLLIN) {
        const qsizetype before = m_rx.size() - m_rxPos;
        if (!pull())
            return false;
        // Readable yet nothing to take: do not let the caller loop straight back.
        if (m_rx.size() - m_rxPos == before)
            QThread::msleep(ulong(qMin(msecs, 5)));
        return true;
    }
    if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
        fail(QStringLiteral("périphérique déconnecté"));
        return false;
    }
    return true;
}

#else  // not Unix: this backend is not available

bool PosixSerialPort::open(const QString&, const LineSettings&) { m_error = QStringLiteral("indisponible"); return false; }
void PosixSerialPort::close() {}
void PosixSerialPort::fail(const QString& what) { m_error = what; }
bool PosixSerialPort::pull() { return false; }
bool PosixSerialPort::clearInput() { return false; }
bool PosixSerialPort::setDtr(bool) { return false; }
bool PosixSerialPort::write(const QByteArray&) { return false; }
int PosixSerialPort::bytesWaiting() { return 0; }
int PosixSerialPort::readByte() { return -1; }
bool PosixSerialPort::waitForInput(int) { return false; }

#endif

} // namespace kwf

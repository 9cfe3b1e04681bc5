#include "core/PosixSerialPort.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace kwf {

namespace {
// Bytes kept for the program beyond which the port stops reading (a flooding device).
constexpr int kRxLimit = 1 << 20;
}

PosixSerialPort::~PosixSerialPort()
{
    close();
}

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

namespace {
PortError kindOfErrno(int e)
{
    switch (e) {
    case ENOENT: case ENXIO: case ENODEV: case ENOTDIR: return PortError::Absent;
    case EACCES: case EPERM: case EROFS: return PortError::Permission;
    case EBUSY: return PortError::Busy;
    default: return PortError::Io;
    }
}

// True when the lock file names a process of this machine that no longer exists.
bool lockOwnerGone(const QLockFile& lock)
{
    qint64 pid = 0;
    QString host, app;
    if (!lock.getLockInfo(&pid, &host, &app) || pid <= 0)
        return false;
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}
} // namespace

bool PosixSerialPort::refuse(PortError kind, const QString& what)
{
    m_kind = kind;
    m_error = what;
    return false;
}

bool PosixSerialPort::open(const QString& deviceName, const LineSettings& settings)
{
    close();
    m_error.clear();
    m_kind = PortError::None;
    const speed_t speed = speedFor(settings.baud);
    if (speed == B0)
        return refuse(PortError::Io, QStringLiteral("vitesse non prise en charge"));
    // Honour the lock files other serial programs (and Qt) take in /var/lock.
    const QString target = QFileInfo(deviceName).canonicalFilePath();
    if (target.isEmpty())
        return refuse(PortError::Absent, QStringLiteral("%1 : périphérique absent").arg(deviceName));
    const QByteArray path = QFile::encodeName(target);
    // A device this user may not open says so before any lock is taken.
    if (::access(path.constData(), R_OK | W_OK) != 0 && (errno == EACCES || errno == EPERM))
        return refuse(PortError::Permission, QStringLiteral("%1 : accès refusé").arg(deviceName));
    if (QFileInfo(QStringLiteral("/var/lock")).isWritable()) {
        // Named as Qt's serial port names it: the path below /dev with '/' as '_'
        // ("LCK..ttyUSB0", "LCK..pts_3"), so that each sees the other's lock.
        QString lockName = target.startsWith(QLatin1String("/dev/")) ? target.mid(5) : target;
        lockName.replace(QLatin1Char('/'), QLatin1Char('_'));
        const QString lockPath = QStringLiteral("/var/lock/LCK..") + lockName;
        auto lock = std::make_unique<QLockFile>(lockPath);
        // A lock is stale only when its process has gone, never for its age.
        lock->setStaleLockTime(0);
        if (!lock->tryLock(0)) {
            if (lock->error() == QLockFile::LockFailedError && lockOwnerGone(*lock))
                return refuse(PortError::Busy,
                              QStringLiteral("%1 : verrou %2 laissé par un programme terminé, impossible à supprimer")
                                  .arg(deviceName, lockPath));
            return refuse(PortError::Busy, QStringLiteral("%1 : port déjà utilisé").arg(deviceName));
        }
        m_lock = std::move(lock);
    }
    int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int e = errno;
        m_lock.reset();
        return refuse(kindOfErrno(e), QStringLiteral("%1 : %2").arg(deviceName, QString::fromLocal8Bit(std::strerror(e))));
    }
    const auto giveUp = [&](PortError kind, const QString& what) {
        ::close(fd);
        m_lock.reset();
        return refuse(kind, what);
    };
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return giveUp(PortError::Busy, QStringLiteral("%1 : port déjà utilisé").arg(deviceName));
    // Exclusive mode: a later open by another program fails with EBUSY (root is not held back).
    if (::ioctl(fd, TIOCEXCL) != 0 && errno != ENOTTY)
        return giveUp(PortError::Io, QString::fromLocal8Bit(std::strerror(errno)));
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        const int e = errno;
        ::ioctl(fd, TIOCNXCL);
        return giveUp(kindOfErrno(e), QString::fromLocal8Bit(std::strerror(e)));
    }
    m_saved = QByteArray(reinterpret_cast<const char*>(&tio), int(sizeof tio));
    m_haveSaved = true;
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
        const int e = errno;
        m_haveSaved = false;
        ::ioctl(fd, TIOCNXCL);
        return giveUp(kindOfErrno(e), QString::fromLocal8Bit(std::strerror(e)));
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
        if (m_haveSaved) {
            // Put the line back as we found it; fails harmlessly when the device has gone.
            termios tio{};
            std::memcpy(&tio, m_saved.constData(), sizeof tio);
            ::tcsetattr(m_fd, TCSANOW, &tio);
        }
        ::ioctl(m_fd, TIOCNXCL);
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
        m_fd = -1;
    }
    m_haveSaved = false;
    m_lock.reset();
    m_rx.clear();
    m_rxPos = 0;
}

void PosixSerialPort::fail(const QString& what)
{
    m_error = what;
    m_kind = PortError::Gone;
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
            // Drop what has been read before appending, or under a constant stream the buffer
            // would only ever grow (the reader never quite empties it).
            if (m_rxPos > 0 && (m_rxPos >= 4096 || m_rxPos * 2 >= m_rx.size())) {
                m_rx.remove(0, m_rxPos);
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
        const int e = errno;
        fail(QStringLiteral("écriture refusée"));
        if (e != EIO && e != ENXIO && e != ENODEV)
            m_kind = PortError::Io;
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

} // namespace kwf

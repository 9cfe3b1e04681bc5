// The real port backends against pseudo-terminals, with real (short) waits.
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include "RealTimeRig.h"
#include "core/PosixSerialPort.h"

#include <QFileInfo>
#include <QSerialPort>
#include <QSysInfo>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace kwf;
using kwf::test::Pty;

namespace {

const LineSettings kLine = *LineSettings::parse(QStringLiteral("9600,N,8,2"));

class BackendRealTime : public ::testing::TestWithParam<SerialBackend> {};

} // namespace

TEST_P(BackendRealTime, OpensCountsReadsClearsRefusesAHeldPortAndSurvivesItsUnplugging)
{
    Pty pty;
    auto port = createSerialPort(GetParam()), other = createSerialPort(GetParam());
    EXPECT_FALSE(port->open(QStringLiteral("/dev/kwf-no-such-port"), kLine));
    EXPECT_EQ(port->errorKind(), PortError::Absent);
    ASSERT_TRUE(port->open(pty.path, kLine)) << port->errorString().toStdString();
    EXPECT_FALSE(other->open(pty.path, kLine));   // held by another program: busy, not absent
    EXPECT_EQ(other->errorKind(), PortError::Busy);
    port->setDtr(false);   // may fail on a pty: harmless
    EXPECT_TRUE(port->write(QByteArray("\x02\x31\x03", 3)));
    // Bytes the system holds are counted without any event loop.
    ASSERT_EQ(::write(pty.master, "ABC", 3), 3);
    SystemClock clock;
    clock.waitUntil(clock.monotonicMs() + 50, port.get());
    EXPECT_EQ(pty.sent(), QByteArray("\x02\x31\x03", 3));
    EXPECT_EQ(port->bytesWaiting(), 3);
    EXPECT_EQ(port->readByte(), 'A');
    EXPECT_EQ(port->bytesWaiting(), 2);
    EXPECT_TRUE(port->clearInput());
    EXPECT_EQ(port->bytesWaiting(), 0);
    EXPECT_EQ(port->readByte(), -1);
    port->close();
    EXPECT_FALSE(port->isOpen());
    EXPECT_FALSE(port->write("x"));
    EXPECT_TRUE(other->open(pty.path, kLine));
    // Unplugged: a wait on the dead port holds for its delay without spinning, and writes and
    // counts fail quietly afterwards; the port is closed (the POSIX backend: gone).
    pty.closeMaster();
    const double cpu0 = test::cpuMs();
    QElapsedTimer t;
    t.start();
    clock.waitUntil(clock.monotonicMs() + 300, other.get());
    EXPECT_GE(t.elapsed(), 295);
    EXPECT_LT(t.elapsed(), 600);
    EXPECT_LT(test::cpuMs() - cpu0, 100.0) << "the wait spun";
    other->write(QByteArray(16, '\x02'));
    EXPECT_EQ(other->bytesWaiting(), 0);
    EXPECT_EQ(other->readByte(), -1);
    EXPECT_FALSE(other->isOpen());
    if (GetParam() == SerialBackend::Posix) {
        EXPECT_EQ(other->errorKind(), PortError::Gone);
    }
}

INSTANTIATE_TEST_SUITE_P(Serial, BackendRealTime, ::testing::Values(SerialBackend::Posix, SerialBackend::Qt),
                         [](const auto& info) { return info.param == SerialBackend::Posix ? "Posix" : "Qt"; });

namespace {
// Runs f in a child process as an ordinary user ("nobody" when the test runs as root) and
// returns what f returned; -1 when the child could not drop its rights.
int asOrdinaryUser(const std::function<int()>& f)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::getuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(255);
        ::_exit(f());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) != 255 ? WEXITSTATUS(status) : -1;
}

QString lockPathOf(const QString& ptyPath)
{
    return QStringLiteral("/var/lock/LCK..") + ptyPath.mid(5).replace(QLatin1Char('/'), QLatin1Char('_'));
}

// A process number that no longer runs.
qint64 deadPid()
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}

void writeLock(const QString& path, qint64 pid)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("%1\nkwf-tqv\n%2\n").arg(pid).arg(QSysInfo::machineHostName()).toUtf8());
}
} // namespace

TEST(PosixPort, ErrorKindsAndTheLineGivenBackAsFound)
{
    PosixSerialPort port;
    Pty pty;
    // The line as another program left it: slow, echoing, line by line.
    termios before{};
    ::tcgetattr(pty.slave, &before);
    before.c_lflag |= ICANON | ECHO;
    cfsetospeed(&before, B1200);
    cfsetispeed(&before, B1200);
    ::tcsetattr(pty.slave, TCSANOW, &before);
    ::tcgetattr(pty.slave, &before);
    ASSERT_TRUE(port.open(pty.path, kLine)) << port.errorString().toStdString();
    EXPECT_EQ(port.errorKind(), PortError::None);
    int excl = 0;
    ASSERT_EQ(::ioctl(pty.slave, TIOCGEXCL, &excl), 0);
    EXPECT_EQ(excl, 1);
    port.close();
    termios after{};
    ::tcgetattr(pty.slave, &after);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);   // the speed is in c_cflag
    ASSERT_EQ(::ioctl(pty.slave, TIOCGEXCL, &excl), 0);
    EXPECT_EQ(excl, 0);
    EXPECT_FALSE(QFile::exists(lockPathOf(pty.path)));

    // Held with flock by another serial program: busy as well.
    const int other2 = ::open(QFile::encodeName(pty.path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_EQ(::flock(other2, LOCK_EX | LOCK_NB), 0);
    EXPECT_FALSE(port.open(pty.path, kLine));
    EXPECT_EQ(port.errorKind(), PortError::Busy);
    ::close(other2);
}

TEST(PosixPort, APortThisUserMayNotOpenIsAPermissionRefusal)
{
    Pty pty;
    // Root's own device, run as nobody; or, for an ordinary user, a device with no rights left.
    ASSERT_EQ(::chmod(QFile::encodeName(pty.path).constData(), ::getuid() == 0 ? 0600 : 0), 0);
    for (SerialBackend b : {SerialBackend::Posix, SerialBackend::Qt}) {
        const int kind = asOrdinaryUser([&] {
            auto port = createSerialPort(b);
            return port->open(pty.path, kLine) ? 100 : int(port->errorKind());
        });
        EXPECT_EQ(kind, int(PortError::Permission)) << (b == SerialBackend::Posix ? "Posix" : "Qt");
    }
}

TEST(PosixPort, StaleLockTakenOverOrNamedWhenItCannotBeRemoved)
{
    Pty pty;
    const QString lock = lockPathOf(pty.path);
    if (!QFileInfo(QStringLiteral("/var/lock")).isWritable())
        GTEST_SKIP() << "/var/lock is not writable here";
    writeLock(lock, deadPid());
    PosixSerialPort port;
    ASSERT_TRUE(port.open(pty.path, kLine)) << port.errorString().toStdString();
    port.close();
    EXPECT_FALSE(QFile::exists(lock));
    {   // A live lock: another Qt program holds the port.
        QSerialPort qtProgram(pty.path);
        ASSERT_TRUE(qtProgram.open(QIODevice::ReadWrite)) << qtProgram.errorString().toStdString();
        EXPECT_FALSE(port.open(pty.path, kLine)) << "a port another Qt program holds was opened";
    }

    // Left by root's program, in the sticky lock folder: an ordinary user cannot remove it.
    if (::getuid() != 0)
        GTEST_SKIP() << "needs root to leave a lock file an ordinary user cannot remove";
    ::chmod(QFile::encodeName(pty.path).constData(), 0666);
    writeLock(lock, deadPid());
    const int named = asOrdinaryUser([&] {
        PosixSerialPort p;
        if (p.open(pty.path, kLine))
            return 100;
        return p.errorKind() == PortError::Busy && p.errorString().contains(lock) ? 0 : 1;
    });
    QFile::remove(lock);
    EXPECT_EQ(named, 0);
}

#else
// The Win32 backend on its own; against the emulated panel it is checked end to end under Wine
// (a Linux pseudo-terminal linked as a COM port, tests/windows/e2e.sh).
#include "core/WinSerialPort.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace kwf;

TEST(WinPort, NamesAbsentPortsAndClosedCallsFailAtOnce)
{
    EXPECT_EQ(WinSerialPort::systemName(QStringLiteral("COM3")), QStringLiteral("\\\\.\\COM3"));
    EXPECT_EQ(WinSerialPort::systemName(QStringLiteral("COM12")), QStringLiteral("\\\\.\\COM12"));
    EXPECT_EQ(WinSerialPort::systemName(QStringLiteral("\\\\.\\COM12")), QStringLiteral("\\\\.\\COM12"));
    std::unique_ptr<SerialPort> port = createSerialPort();
    ASSERT_TRUE(port);
    EXPECT_FALSE(createSerialPort(SerialBackend::Posix));
    EXPECT_FALSE(createSerialPort(SerialBackend::Qt));
    const auto settings = LineSettings::parse(QStringLiteral("9600,N,8,2"));
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(port->open(QStringLiteral("COM219"), *settings));
    EXPECT_EQ(port->errorKind(), PortError::Absent) << port->errorString().toStdString();
    EXPECT_TRUE(port->errorString().startsWith(QStringLiteral("COM219")));
    EXPECT_FALSE(port->isOpen());
    // Closed: nothing blocks, nothing is reported as done.
    EXPECT_FALSE(port->write(QByteArray("\x02", 1)));
    EXPECT_FALSE(port->waitForInput(500));
    EXPECT_EQ(port->bytesWaiting(), 0);
    EXPECT_EQ(port->readByte(), -1);
    EXPECT_FALSE(port->clearInput());
    EXPECT_FALSE(port->setDtr(false));
    EXPECT_LT(t.elapsed(), 400);
}
#endif

#pragma once
// The one rig of the real-time tests: a raw pseudo-terminal, real-time waits, and the program
// as it runs for real (system clock, a real serial backend).
#include "TestApp.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <thread>
#ifdef Q_OS_UNIX
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace kwf::test {

// Why tests on a pseudo-terminal cannot run on this system; nullptr where they can.
inline const char* ptyUnavailable()
{
#ifdef Q_OS_UNIX
    return nullptr;
#else
    return "pseudo-terminals are a Unix facility; on Windows the serial port is checked end to end "
           "under Wine against the emulated panel on a Linux pseudo-terminal (tests/windows/e2e.sh)";
#endif
}
#define KWF_SKIP_WITHOUT_PTY() \
    if (const char* why = ::kwf::test::ptyUnavailable()) \
        GTEST_SKIP() << why

#ifdef Q_OS_UNIX

// A raw pseudo-terminal whose master side the test holds.
struct Pty {
    int master = -1, slave = -1;
    QString path;

    Pty()
    {
        char name[256] = {};
        termios raw{};
        ::cfmakeraw(&raw);
        if (::openpty(&master, &slave, name, &raw, nullptr) == 0)
            path = QString::fromLocal8Bit(name);
    }
    ~Pty()
    {
        closeMaster();
        if (slave >= 0)
            ::close(slave);
    }
    // The slave seen as COMn through the program folder's dosdevices links.
    bool linkAs(const QString& dir, int n)
    {
        return QDir(dir).mkpath(QStringLiteral("dosdevices")) &&
               QFile::link(path, dir + QStringLiteral("/dosdevices/com%1").arg(n));
    }
    void closeMaster()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
    // What the port has sent (up to 256 bytes, read at once).
    QByteArray sent()
    {
        char buf[256];
        pollfd p{master, POLLIN, 0};
        const ssize_t n = ::poll(&p, 1, 20) > 0 ? ::read(master, buf, sizeof buf) : 0;
        return QByteArray(buf, int(std::max<ssize_t>(n, 0)));
    }
};
#endif

// Processor time of this process in milliseconds (to tell a wait from a spin).
inline double cpuMs() { return 1000.0 * double(std::clock()) / CLOCKS_PER_SEC; }

// True once `done` holds, false after `ms` (generous: the machine may be loaded).
template <class F> bool waitFor(F done, int ms = 10000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return done();
}

// The program as it runs for real: system clock, a real serial backend, the main window, its
// folder a temporary one (COM ports are pseudo-terminals linked there), optional port list.
struct RealTimeApp : AppOn<SystemClock> {
    explicit RealTimeApp(SerialBackend backend = SerialBackend::Default, PortDirectory* ports = nullptr)
    {
        port = createSerialPort(backend);
        wire(ports);
    }
    // Validates the settings on COMn with the response control given.
    void validate(int n, const char* response = "OUI")
    {
        Configuration* c = principal->configuration();
        c->SEL_COM->setCurrentText(QStringLiteral("COM%1:").arg(n));
        c->SEL_REP->setCurrentText(QString::fromLatin1(response));
        c->OUVERTURE_DU_COM();
    }
};

} // namespace kwf::test

// Measures the fixed waits of an exchange on the real port backends: wall time against the
// asked delay (overshoot) and the CPU they cost. Prints one line per case.
#include "core/Clock.h"
#include "core/SerialPort.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <ctime>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using namespace kwf;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int master = -1, slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);

    std::printf("%-6s %-8s %6s %12s %12s %10s\n", "port", "delay", "runs", "overshoot", "cpu", "cpu share");
    for (auto backend : {SerialBackend::Posix, SerialBackend::Qt}) {
        auto port = createSerialPort(backend);
        if (!port->open(QString::fromLocal8Bit(name), *LineSettings::parse(QStringLiteral("9600,N,8,2")))) {
            std::printf("open failed\n");
            return 1;
        }
        SystemClock clock;
        for (double delay : {0.9, 0.05}) {
            const int runs = delay > 0.5 ? 5 : 40;
            double worstOver = 0, wallTotal = 0;
            const std::clock_t cpu0 = std::clock();
            for (int i = 0; i < runs; ++i) {
                QElapsedTimer e;
                e.start();
                clock.waitUntil(clock.monotonicMs() + qint64(delay * 1000), port.get());
                const double wall = double(e.nsecsElapsed()) / 1e6;
                wallTotal += wall;
                worstOver = std::max(worstOver, wall - delay * 1000);
            }
            const double cpuMs = 1000.0 * double(std::clock() - cpu0) / CLOCKS_PER_SEC;
            std::printf("%-6s %-8.2f %6d %9.2f ms %9.2f ms %9.2f %%\n",
                        backend == SerialBackend::Posix ? "posix" : "qt", delay, runs, worstOver, cpuMs,
                        100.0 * cpuMs / wallTotal);
        }
    }
    close(master);
    close(slave);
    return 0;
}

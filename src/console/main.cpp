#include "console/Console.h"
#include "core/Clock.h"
#include "core/ComPorts.h"
#include "core/SerialPort.h"

#include <QCoreApplication>
#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kwf-tqv"));   // the same data folder as the windows

    std::unique_ptr<kwf::SerialPort> port = kwf::createSerialPort();
    kwf::SystemClock clock;
    QTextStream out(stdout);
    QTextStream err(stderr);

    kwf::console::ConsoleEnv env;
    env.port = port.get();
    env.clock = &clock;
    env.programDir = QCoreApplication::applicationDirPath();
    env.out = &out;
    env.err = &err;
    env.terminal = isatty(fileno(stderr)) != 0;
    env.ports = [dir = env.programDir] {
        kwf::PortDirectory ports = kwf::systemPortDirectory(kwf::systemPlaces(dir));
        ports.refresh();
        return ports;
    };

    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    const int rc = kwf::console::runConsole(args, env);
    port->close();
    return rc;
}

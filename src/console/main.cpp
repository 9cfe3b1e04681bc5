#include "console/Console.h"
#include "core/Clock.h"
#include "core/SerialPort.h"

#include <QCoreApplication>
#include <QSerialPortInfo>
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
    QCoreApplication::setApplicationName(QStringLiteral("kwf-tqvctl"));

    std::unique_ptr<kwf::SerialPort> port = kwf::createSerialPort();
    kwf::SystemClock clock;
    QTextStream out(stdout);
    QTextStream err(stderr);

    kwf::console::ConsoleEnv env;
    env.port = port.get();
    env.clock = &clock;
    // The dosdevices links beside the program give the COM numbers, as for the windows.
    env.programDir = QCoreApplication::applicationDirPath();
    env.out = &out;
    env.err = &err;
    env.terminal = isatty(fileno(stderr)) != 0;
    env.adapters = [] { return QSerialPortInfo::availablePorts(); };

    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    const int rc = kwf::console::runConsole(args, env);
    port->close();
    return rc;
}

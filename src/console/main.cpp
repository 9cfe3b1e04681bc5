#include "console/Console.h"
#include "core/Clock.h"
#include "core/ClockSync.h"
#include "core/ComPorts.h"
#include "core/Installation.h"
#include "core/SerialPort.h"
#include "core/UserPlaces.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

int main(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s\n", kwf::versionLine(QStringLiteral("kwf-tqvctl")).toUtf8().constData());
            return 0;
        }
    }
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kwf-tqv"));   // the same data folder as the windows

    std::unique_ptr<kwf::SerialPort> port = kwf::createSerialPort();
    kwf::SystemClock clock;
    QTextStream out(stdout);
    QTextStream err(stderr);

    kwf::console::ConsoleEnv env;
    env.port = port.get();
    env.clock = &clock;
    // Installed, the site-wide settings live apart from the program (see kwf-tqv --lieux).
    env.programDir = kwf::programFolders(QCoreApplication::applicationDirPath(), kwf::builtInstallPaths()).siteDir;
    env.defaultConfig = kwf::systemPlaces(env.programDir).startupConfigPath();
    env.out = &out;
    env.err = &err;
    env.stateDir = kwf::userStateDir();
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

#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>

namespace kwf {
class Clock;
class PortDirectory;
class SerialPort;
}

namespace kwf::console {

// What kwf-tqvctl runs on: the program wires the real port, clock and streams; tests wire a
// pseudo-terminal, a folder of dosdevices links and string streams.
struct ConsoleEnv {
    SerialPort* port = nullptr;
    Clock* clock = nullptr;
    QString programDir;            // the program folder: its dosdevices links when `ports` is not set
    QTextStream* out = nullptr;
    QTextStream* err = nullptr;
    bool terminal = false;         // standard error is a terminal: progress lines
    // The COM numbers, refreshed: the same numbering as the windows (links, USB adapters).
    std::function<PortDirectory()> ports;
    // The default configuration file, whose port serves when none is given; empty: the program
    // folder's.
    QString defaultConfig;
    // The user's state folder, where each panel's drift record is kept; empty: none is kept.
    QString stateDir;
};

// Runs one command line (without the program's name); gives the exit status.
int runConsole(const QStringList& args, ConsoleEnv& env);

} // namespace kwf::console

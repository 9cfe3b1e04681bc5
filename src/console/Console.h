#pragma once
#include <QList>
#include <QSerialPortInfo>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>

namespace kwf {
class Clock;
class SerialPort;
}

namespace kwf::console {

// What kwf-tqvctl runs on: the program wires the real port, clock and streams; tests wire a
// pseudo-terminal, a folder of dosdevices links and string streams.
struct ConsoleEnv {
    SerialPort* port = nullptr;
    Clock* clock = nullptr;
    QString programDir;            // dosdevices links: the same COM numbering as the windows
    QTextStream* out = nullptr;
    QTextStream* err = nullptr;
    bool terminal = false;         // standard error is a terminal: progress lines
    std::function<QList<QSerialPortInfo>()> adapters;   // USB adapters the system knows
};

// Runs one command line (without the program's name); gives the exit status.
int runConsole(const QStringList& args, ConsoleEnv& env);

} // namespace kwf::console

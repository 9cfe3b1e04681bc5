#pragma once
#include <QString>

namespace kwf {

class Clock;
class SerialPort;
class Tqvbase;
class UiServices;
struct LinkSettingsModel;

// What every window is given: the one port, the clock, the user-interface services, the link
// settings and the transport. The program wires the real ones; tests wire fakes.
struct AppContext {
    SerialPort* port = nullptr;
    Clock* clock = nullptr;
    UiServices* ui = nullptr;
    LinkSettingsModel* link = nullptr;
    Tqvbase* tqv = nullptr;
    // Folder of the program: configuration file, help document, dosdevices links.
    QString programDir;
};

} // namespace kwf

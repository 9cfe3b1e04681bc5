#pragma once
#include "core/ComPorts.h"

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
    // Folder of the program: help document, site-wide default file and dosdevices links.
    QString programDir;
    // The COM numbers and the places the program writes to (default file, links, COM table).
    // Without one, everything is in programDir and COMn is found through its links only.
    PortDirectory* ports = nullptr;
    // The user guide; empty: KWF_TQV.doc in programDir (installed, it lives with the documentation).
    QString guidePath = QString();
    // The user's state folder, where each panel's drift record is kept; empty: none is kept.
    QString stateDir = QString();
};

// The context's COM numbers, as of its last refresh.
inline PortDirectory portDirectoryOf(const AppContext& ctx)
{
    return ctx.ports ? *ctx.ports : PortDirectory(choosePlaces(ctx.programDir, true, QString()), {});
}

// Refreshes the context's COM numbers (adapters plugged or unplugged since) and returns them.
inline PortDirectory refreshedPorts(const AppContext& ctx)
{
    if (ctx.ports)
        ctx.ports->refresh();
    return portDirectoryOf(ctx);
}

} // namespace kwf

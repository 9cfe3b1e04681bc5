#pragma once
#include "TestApp.h"
#include "model/EmulatedSerialPort.h"

namespace kwf::test {

// The program wired to an emulated panel on the app's simulated clock: exchanges run against
// a realistic panel and take no real time. The panel's clock starts at panelStart (default:
// the simulated PC time).
inline std::unique_ptr<TestApp> makeEmulatedApp(const QDateTime& panelStart = QDateTime())
{
    return std::make_unique<TestApp>(TestApp::PortFactory([panelStart](SimClock& clock) {
        return std::make_unique<emu::EmulatedSerialPort>(clock, panelStart);
    }));
}

// The emulated port of an app made by makeEmulatedApp().
inline emu::EmulatedSerialPort& emulatedPort(TestApp& app)
{
    return static_cast<emu::EmulatedSerialPort&>(*app.port);
}

} // namespace kwf::test

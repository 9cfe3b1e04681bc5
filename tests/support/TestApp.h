#pragma once
#include "FakeSerialPort.h"
#include "RecordingUi.h"
#include "app/Principal.h"
#include "core/LinkSettings.h"
#include "core/Tqvbase.h"
#include "link/Configuration.h"

#include <QComboBox>
#include <QPushButton>

#include <QTemporaryDir>
#include <functional>
#include <memory>

namespace kwf::test {

// The program on a given clock with a recording user interface, in a temporary program folder.
// wire() builds the transport and the main window on `port`, shown (offscreen) so that child
// windows are visible and take simulated clicks.
template <class ClockT> struct AppOn {
    ClockT clock;
    RecordingUi ui;
    LinkSettingsModel link;
    std::unique_ptr<SerialPort> port;
    std::unique_ptr<Tqvbase> tqv;
    QTemporaryDir dir;                     // the program's folder
    AppContext ctx;
    std::unique_ptr<Principal> principal;

    void wire(PortDirectory* ports = nullptr)
    {
        ui.now = [this] { return clock.monotonicMs(); };
        tqv = std::make_unique<Tqvbase>(*port, clock, ui, link);
        ctx = {port.get(), &clock, &ui, &link, tqv.get(), dir.path(), ports};
        principal = std::make_unique<Principal>(ctx);
        principal->resize(1024, 768);
        principal->show();
    }
};

// The program wired with fakes: a recording port (or one from a factory) on simulated time.
struct TestApp : AppOn<SimClock> {
    TestApp();
    // A port built on this app's simulated clock (for example an emulated panel).
    using PortFactory = std::function<std::unique_ptr<SerialPort>(SimClock&)>;
    explicit TestApp(const PortFactory& makePort);

    FakeSerialPort* fake = nullptr;        // null when the port comes from a factory

    // Validates the settings window as it stands (port opened on the fake).
    void validate() { principal->configuration()->OUVERTURE_DU_COM(); }
    // Chooses the response control and the interface, validates, then forgets the messages and
    // frames of the validation: the application as every window test starts it.
    void validateWith(const char* response = "OUI", const char* interface = "Filaire ");
    // Frames written since the last call to takeWrites().
    std::vector<QByteArray> takeWrites();
    size_t m_seen = 0;
};

} // namespace kwf::test

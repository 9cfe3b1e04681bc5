#pragma once
#include "FakeSerialPort.h"
#include "RecordingUi.h"
#include "SimClock.h"
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

// The program wired with fakes: a recording port on simulated time, a recording user
// interface, a main window. Use port (or replace it with setPort) before building windows.
struct TestApp {
    TestApp();
    // A port built on this app's simulated clock (for example an emulated panel).
    using PortFactory = std::function<std::unique_ptr<SerialPort>(SimClock&)>;
    explicit TestApp(const PortFactory& makePort);
    ~TestApp();

    SimClock clock;
    RecordingUi ui;
    LinkSettingsModel link;
    FakeSerialPort* fake = nullptr;        // null when the port comes from a factory
    std::unique_ptr<SerialPort> port;
    std::unique_ptr<Tqvbase> tqv;
    QTemporaryDir dir;                     // the program's folder
    AppContext ctx;
    std::unique_ptr<Principal> principal;

    // Validates the settings window as it stands (port opened on the fake).
    void validate();
    // Chooses the response control and the interface, validates, then forgets the messages and
    // frames of the validation: the application as every window test starts it.
    void validateWith(const char* response = "OUI", const char* interface = "Filaire ");
    // Frames written since the last call to takeWrites().
    std::vector<QByteArray> takeWrites();
    size_t m_seen = 0;

private:
    void wire();
};

} // namespace kwf::test

#pragma once
#include "core/Clock.h"
#include "core/LinkSettings.h"
#include "core/SerialPort.h"
#include "core/Tqvbase.h"
#include "core/UiServices.h"
#include "model/PtyPanel.h"

#include <cstdio>
#include <ctime>
#include <memory>

namespace kwf {

// The benchmarks show nothing and ask nothing.
class SilentUi : public UiServices {
public:
    void message(const QString&, MsgIcon) override {}
    QString getOpenFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString getSaveFileName(const QString&, const QString&, const QString&) override { return {}; }
    bool openDocument(const QString&) override { return false; }
    bool setSystemDateTime(const QDateTime&, QString*) override { return false; }
    void clearClipboard() override {}
};

// The emulated panel on a pseudo-terminal and the real port opened on it at the link's settings;
// null, with the reason on standard error, when either fails.
inline std::unique_ptr<SerialPort> openOnEmulatedPanel(emu::PtyPanel& panel)
{
    if (!panel.start()) {
        std::fprintf(stderr, "pseudo-terminal: %s\n", qPrintable(panel.errorString()));
        return nullptr;
    }
    auto port = createSerialPort();
    if (!port->open(panel.slavePath(), *LineSettings::parse(QString::fromLatin1(kLinkLineSettings)))) {
        std::fprintf(stderr, "open failed\n");
        return nullptr;
    }
    return port;
}

// The program's transport on a port: the real clock, no dialogs, the settings validated with the
// response control at "OUI".
struct BenchTransport {
    explicit BenchTransport(SerialPort& port) : tqv(port, clock, ui, link)
    {
        link.settings.response = QStringLiteral("OUI");
        link.portValide = true;
    }
    SystemClock clock;
    SilentUi ui;
    LinkSettingsModel link;
    Tqvbase tqv;
};

// Processor time used by the calling thread, in milliseconds.
inline double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

} // namespace kwf

#pragma once
#include "core/LinkSettings.h"
#include "core/SerialPort.h"
#include "core/UiServices.h"
#include "model/PtyPanel.h"

#include <cstdio>
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

} // namespace kwf

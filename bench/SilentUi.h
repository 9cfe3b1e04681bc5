#pragma once
#include "core/UiServices.h"

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

} // namespace kwf

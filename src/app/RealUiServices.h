#pragma once
#include "core/UiServices.h"

class QWidget;

namespace kwf {

// Message boxes, dialogs and desktop calls as the program really makes them.
class RealUiServices : public UiServices {
public:
    void setParentWindow(QWidget* w) { m_parent = w; }
    void message(const QString& text, MsgIcon icon) override;
    QString getOpenFileName(const QString& title, const QString& filter, const QString& proposedName) override;
    QString getSaveFileName(const QString& title, const QString& filter, const QString& proposedName) override;
    bool openDocument(const QString& path) override;
    bool setSystemDateTime(const QDateTime& dt, QString* reason) override;
    void clearClipboard() override;
    bool showList(const QString& heading, const QStringList& lines, bool ask, const QString& yes) override;

private:
    QWidget* m_parent = nullptr;
};

// Installs the French locale and Qt's French translations for the standard dialogs.
void installFrench();

} // namespace kwf

#include "app/GuideWindow.h"
#include "core/GuideText.h"
#include "kwf_version.h"

#include <QFile>
#include <QTextBrowser>

namespace kwf {

void showGuideWindow(QWidget* parent)
{
    auto* guide = parent ? parent->findChild<QTextBrowser*>(QStringLiteral("GUIDE")) : nullptr;
    if (!guide) {
        guide = new QTextBrowser(parent);
        guide->setObjectName(QStringLiteral("GUIDE"));
        guide->setWindowFlag(Qt::Window);
        guide->setAttribute(Qt::WA_DeleteOnClose);
        guide->setWindowTitle(QStringLiteral("KWF TQV — Guide de l'utilisateur"));
        QFile text(QStringLiteral(":/guide.txt"));
        text.open(QIODevice::ReadOnly);
        guide->setHtml(guideHtml(QString::fromUtf8(text.readAll()), QStringLiteral(KWF_VERSION_STRING)));
        guide->resize(720, 640);
    }
    guide->show();
    guide->raise();
    guide->activateWindow();
}

} // namespace kwf

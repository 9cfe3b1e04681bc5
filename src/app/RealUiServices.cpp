#include "app/RealUiServices.h"
#include "app/PcClock.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>
#include <QUrl>


namespace kwf {

void RealUiServices::message(const QString& text, MsgIcon icon)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(QString::fromUtf8(kAppTitle));
    box.setText(text);
    switch (icon) {
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

QString RealUiServices::getOpenFileName(const QString& title, const QString& filter, const QString& proposedName)
{
    return QFileDialog::getOpenFileName(m_parent, title, proposedName, filter);
}

QString RealUiServices::getSaveFileName(const QString& title, const QString& filter, const QString& proposedName)
{
    return QFileDialog::getSaveFileName(m_parent, title, proposedName, filter);
}

bool RealUiServices::openDocument(const QString& path)
{
    if (!QFileInfo::exists(path))
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool RealUiServices::setSystemDateTime(const QDateTime& dt, QString* reason)
{
    const QString why = setPcClock(dt);
    if (why.isEmpty())
        return true;
    if (reason)
        *reason = why;
    return false;
}

void RealUiServices::clearClipboard()
{
    if (QClipboard* c = QGuiApplication::clipboard())
        c->clear();
}

void installFrench()
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char* name : {"qtbase_fr", "qt_fr"}) {
        auto* t = new QTranslator(qApp);
        if (t->load(QString::fromLatin1(name), dir))
            QCoreApplication::installTranslator(t);
        else
            delete t;
    }
}

} // namespace kwf

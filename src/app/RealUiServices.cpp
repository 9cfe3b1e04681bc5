#include "app/RealUiServices.h"
#include "app/PcClock.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>
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

bool RealUiServices::showList(const QString& heading, const QStringList& lines, bool ask, const QString& yes)
{
    QDialog dialog(m_parent);
    dialog.setObjectName(QStringLiteral("LISTE_DIFFERENCES"));
    dialog.setWindowTitle(QString::fromUtf8(kAppTitle));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(heading, &dialog));
    auto* list = new QListWidget(&dialog);
    list->addItems(lines);
    list->setMinimumWidth(560);
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(&dialog);
    if (ask) {
        buttons->addButton(yes, QDialogButtonBox::AcceptRole);
        buttons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole);
    } else {
        buttons->addButton(QDialogButtonBox::Ok);
    }
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    return dialog.exec() == QDialog::Accepted && ask;
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

#include "app/RealUiServices.h"

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

#if defined(Q_OS_LINUX) && defined(KWF_HAVE_DBUS)
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#endif

#ifdef Q_OS_LINUX
#include <cerrno>
#include <cstring>
#include <ctime>
#endif

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

#if defined(Q_OS_LINUX) && defined(KWF_HAVE_DBUS)
// Asks systemd's time service to set the clock; it may ask the user for the administrator's
// password. Empty when the clock was set, otherwise why not.
static QString setThroughTimeService(const QDateTime& dt, bool* reached)
{
    *reached = false;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return QString();
    QDBusInterface timedate(QStringLiteral("org.freedesktop.timedate1"), QStringLiteral("/org/freedesktop/timedate1"),
                            QStringLiteral("org.freedesktop.timedate1"), bus);
    if (!timedate.isValid())
        return QString();
    *reached = true;
    timedate.setTimeout(120000);   // room for the password prompt
    const QDBusMessage reply = timedate.call(QDBus::Block, QStringLiteral("SetTime"),
                                             qlonglong(dt.toMSecsSinceEpoch()) * 1000, false, true);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return QString();
    const QString name = reply.errorName();
    if (name.endsWith(QLatin1String("AutomaticTimeSyncEnabled")))
        return QStringLiteral("La synchronisation automatique de l'heure (NTP) est active sur ce PC : "
                              "désactivez-la pour régler l'heure à la main.");
    if (name.contains(QLatin1String("AccessDenied")) || name.contains(QLatin1String("NotAuthorized"))
        || name.contains(QLatin1String("InteractiveAuthorizationRequired")))
        return QStringLiteral("Le système n'a pas autorisé le changement de l'heure du PC "
                              "(droits d'administrateur nécessaires).");
    return QStringLiteral("Le service d'heure du système a refusé le changement (%1).").arg(reply.errorMessage());
}
#endif

bool RealUiServices::setSystemDateTime(const QDateTime& dt, QString* reason)
{
    QString why;
#ifdef Q_OS_LINUX
    // With the right to set the clock, directly.
    const qint64 ms = dt.toMSecsSinceEpoch();
    timespec ts{};
    ts.tv_sec = time_t(ms / 1000);
    ts.tv_nsec = long(ms % 1000) * 1000000L;
    if (clock_settime(CLOCK_REALTIME, &ts) == 0)
        return true;
    const int err = errno;
    if (err == EPERM) {
#ifdef KWF_HAVE_DBUS
        bool reached = false;
        why = setThroughTimeService(dt, &reached);
        if (reached && why.isEmpty())
            return true;
        if (!reached)
#endif
            why = QStringLiteral("Ce programme n'a pas le droit de changer l'heure du PC et le service "
                                 "d'heure du système ne répond pas.");
    } else {
        why = QStringLiteral("Le système a refusé de changer l'heure du PC (%1).")
                  .arg(QString::fromLocal8Bit(std::strerror(err)));
    }
#else
    Q_UNUSED(dt);
    why = QStringLiteral("Le changement de l'heure du PC n'est pas disponible sur ce système.");
#endif
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

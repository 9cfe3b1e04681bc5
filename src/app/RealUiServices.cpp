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

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
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

#ifdef Q_OS_WIN
// Turns the right to set the clock on or off in this process's token. False when the account
// does not hold it (a program not run as administrator).
static bool enableSystemTimePrivilege(bool enable)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return false;
    TOKEN_PRIVILEGES tp{};
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    bool ok = LookupPrivilegeValue(nullptr, SE_SYSTEMTIME_NAME, &tp.Privileges[0].Luid) != FALSE;
    // AdjustTokenPrivileges succeeds without granting a privilege the account does not hold:
    // only ERROR_SUCCESS afterwards means it is on.
    ok = ok && AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr) != FALSE
         && GetLastError() == ERROR_SUCCESS;
    CloseHandle(token);
    return ok;
}

// Sets the local date and time; empty when done, otherwise why not.
static QString setLocalTime(const QDateTime& dt)
{
    const QDateTime local = dt.toLocalTime();
    SYSTEMTIME st{};
    st.wYear = WORD(local.date().year());
    st.wMonth = WORD(local.date().month());
    st.wDay = WORD(local.date().day());
    st.wHour = WORD(local.time().hour());
    st.wMinute = WORD(local.time().minute());
    st.wSecond = WORD(local.time().second());
    st.wMilliseconds = WORD(local.time().msec());
    const bool privileged = enableSystemTimePrivilege(true);
    // The system converts with the summer/winter time setting of the moment before the change:
    // a second call converts with the one of the new date.
    bool ok = SetLocalTime(&st) != FALSE;
    DWORD err = ok ? ERROR_SUCCESS : GetLastError();
    if (ok) {
        ok = SetLocalTime(&st) != FALSE;
        err = ok ? ERROR_SUCCESS : GetLastError();
    }
    if (privileged)
        enableSystemTimePrivilege(false);
    if (ok)
        return QString();
    if (err == ERROR_PRIVILEGE_NOT_HELD || err == ERROR_ACCESS_DENIED)
        return QStringLiteral("Ce programme n'a pas le droit de changer l'heure du PC : "
                              "lancez-le en tant qu'administrateur.");
    return QStringLiteral("Le système a refusé de changer l'heure du PC (erreur %1).").arg(qulonglong(err));
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
#elif defined(Q_OS_WIN)
    why = setLocalTime(dt);
    if (why.isEmpty())
        return true;
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

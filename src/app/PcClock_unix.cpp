// Setting the PC's clock on Linux: directly with the right to, else through systemd's time
// service (which may ask for the administrator's password).
#include "app/PcClock.h"

#include <cerrno>
#include <cstring>
#include <ctime>

#ifdef KWF_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#endif

namespace kwf {

#ifdef KWF_HAVE_DBUS
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

QString setPcClock(const QDateTime& dt)
{
    QString why;
    // With the right to set the clock, directly.
    const qint64 ms = dt.toMSecsSinceEpoch();
    timespec ts{};
    ts.tv_sec = time_t(ms / 1000);
    ts.tv_nsec = long(ms % 1000) * 1000000L;
    if (clock_settime(CLOCK_REALTIME, &ts) == 0)
        return QString();
    const int err = errno;
    if (err == EPERM) {
#ifdef KWF_HAVE_DBUS
        bool reached = false;
        why = setThroughTimeService(dt, &reached);
        if (reached && why.isEmpty())
            return QString();
        if (!reached)
#endif
            why = QStringLiteral("Ce programme n'a pas le droit de changer l'heure du PC et le service "
                                 "d'heure du système ne répond pas.");
    } else {
        why = QStringLiteral("Le système a refusé de changer l'heure du PC (%1).")
                  .arg(QString::fromLocal8Bit(std::strerror(err)));
    }
    return why;
}

} // namespace kwf

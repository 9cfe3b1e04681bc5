#include "core/LinkSettings.h"
#include "core/ComPorts.h"
#include "core/DeviceCommand.h"
#include "core/SerialPort.h"

#include <QFileInfo>

namespace kwf {

namespace lists {
QStringList ports()
{
    QStringList l;
    for (int n = 1; n <= 12; ++n)
        l << QStringLiteral("COM%1:").arg(n);
    return l;
}
QStringList interfaces() { return {QStringLiteral("Filaire "), QStringLiteral("Sans fil")}; }
QStringList digits() { return {QStringLiteral("6 Digits HH:MM.SS")}; }
QStringList colours() { return {QStringLiteral("Mono couleur"), QStringLiteral("Tri couleur ")}; }
QStringList yesNo() { return {QStringLiteral("NON"), QStringLiteral("OUI")}; }
} // namespace lists

int portNumberFromText(const QString& text)
{
    for (int n = 1; n <= 12; ++n)
        if (text == QStringLiteral("COM%1:").arg(n))
            return n;
    return 1;
}

bool MenuState::operator==(const MenuState& o) const
{
    return MENU_4COUL == o.MENU_4COUL && MENU_6COUL == o.MENU_6COUL && MENU_LUM == o.MENU_LUM
        && MENU_MISEALH == o.MENU_MISEALH && MENU_LECTURE == o.MENU_LECTURE
        && MENU_DERMISEH == o.MENU_DERMISEH && MENU_DCF77 == o.MENU_DCF77
        && MENURELAIS1 == o.MENURELAIS1 && MENURELAIS2 == o.MENURELAIS2
        && MENU_EVEN == o.MENU_EVEN && MENU_FENETRE == o.MENU_FENETRE;
}

MenuState menuStateAfterValidation(const LinkSettings& s, const MenuState& before)
{
    MenuState m;
    const bool yes = true;
    const bool tri = s.colour == QLatin1String("Tri couleur ");
    m.MENU_4COUL = m.MENU_6COUL = tri;
    m.MENU_LUM = before.MENU_LUM || s.colour == QLatin1String("Mono couleur");
    m.MENU_MISEALH = yes;
    m.MENU_LECTURE = commandOffered(command::kClockRead, s.wired());
    m.MENU_DERMISEH = commandOffered(command::kLastSettingRead, s.wired()) && s.dcf77 == QLatin1String("OUI");
    // The monitor listens on the wired link only, as the clock readings do.
    m.MENU_DCF77 = commandOffered(command::kClockRead, s.wired()) && s.dcf77 == QLatin1String("OUI");
    m.relayRead = commandOffered(command::kRelay1Read, s.wired());
    m.MENURELAIS1 = s.relay1 == QLatin1String("OUI");
    m.MENURELAIS2 = false;
    m.MENU_EVEN = before.MENU_EVEN || s.event == QLatin1String("OUI");
    m.MENU_FENETRE = true;
    return m;
}

QString portRefusalDetail(PortError kind, const QString& device, const QString& errorText)
{
    switch (kind) {
    case PortError::Permission:
        return QStringLiteral("Votre compte n'a pas le droit d'ouvrir %1. Ajoutez-le au groupe dialout "
                              "avec la commande :\n    sudo usermod -aG dialout $USER\n"
                              "puis fermez la session et ouvrez-la de nouveau.").arg(device);
    case PortError::Busy:
        if (errorText.contains(QLatin1String("/LCK.."))) {
            const int at = errorText.indexOf(QLatin1Char('/'), errorText.indexOf(QLatin1String("verrou")));
            const QString file = errorText.mid(at).section(QLatin1Char(' '), 0, 0);
            return QStringLiteral("Le fichier de verrou %1, laissé par un programme terminé, ne peut pas "
                                  "être supprimé avec vos droits. Supprimez-le :\n    sudo rm %1").arg(file);
        }
        return QStringLiteral("%1 est déjà utilisé par un autre programme. Fermez-le, puis validez de nouveau.")
            .arg(device);
    default:
        return QString();
    }
}

PortOpening openLinkPort(SerialPort& port, LinkSettingsModel& model, const PortDirectory& ports)
{
    return openLinkPort(port, model, ports, portNumberFromText(model.settings.port));
}

QString portFailureReason(const QString& device, PortError kind, const QString& errorText)
{
    if (!device.startsWith(QLatin1Char('/')))
        return QString();
    const QFileInfo link(device);
    const QFileInfo target(link.canonicalFilePath());
    if (device.isEmpty() || link.canonicalFilePath().isEmpty())
        return link.isSymLink()
            ? QStringLiteral("%1 mène à %2, qui n'existe pas.").arg(device, link.symLinkTarget())
            : QStringLiteral("%1 n'existe pas.").arg(device);
    const QString where = target.filePath() == device ? device : QStringLiteral("%1 (%2)").arg(device, target.filePath());
    if (target.isDir())
        return QStringLiteral("%1 est un dossier, pas un port série.").arg(where);
    if (target.isFile())
        return QStringLiteral("%1 est un fichier ordinaire, pas un port série.").arg(where);
    static const QStringList memoryDevices = {QStringLiteral("/dev/null"), QStringLiteral("/dev/zero"),
                                              QStringLiteral("/dev/full"), QStringLiteral("/dev/random"),
                                              QStringLiteral("/dev/urandom")};
    if (memoryDevices.contains(target.filePath()))
        return QStringLiteral("%1 n'est pas un port série.").arg(where);
    switch (kind) {
    case PortError::Permission:
        return QStringLiteral("Ouverture de %1 non permise à votre compte.").arg(where);
    case PortError::Busy:
        return QStringLiteral("%1 est tenu par un autre programme.").arg(where);
    default:
        return errorText;
    }
}

PortOpening openLinkPort(SerialPort& port, LinkSettingsModel& model, const PortDirectory& ports, int number)
{
    PortOpening r;
    r.portNumber = number;
    model.portValide = false;
    model.openedPort.clear();
    if (port.isOpen())
        port.close();
    const auto line = LineSettings::parse(QString::fromLatin1(kLinkLineSettings));
    const QString device = ports.resolve(r.portNumber).device;
    r.opened = line && port.open(device, *line);
    if (r.opened) {
        r.message = QStringLiteral("Ouverture du port COM%1: effectuée avec succès.").arg(r.portNumber);
        model.portValide = true;
        model.openedPort = QStringLiteral("COM%1:").arg(r.portNumber);
    } else {
        r.detail = portRefusalDetail(port.errorKind(), device, port.errorString());
        port.close();
        r.message = QStringLiteral("L'ouverture du port COM%1 à échouée !").arg(r.portNumber);
    }
    return r;
}

QString portStatusText(const LinkSettingsModel& model, bool portOpen)
{
    if (model.portValide && portOpen && !model.openedPort.isEmpty())
        return QStringLiteral("%1 ouvert %2").arg(model.openedPort, QString::fromLatin1(kLinkLineSettings));
    return QStringLiteral("aucun port validé");
}

PortOpening openLinkPort(SerialPort& port, LinkSettingsModel& model, const QString& programDir)
{
    return openLinkPort(port, model, PortDirectory(choosePlaces(programDir, true, QString()), {}));
}

} // namespace kwf

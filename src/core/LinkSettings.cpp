#include "core/LinkSettings.h"
#include "core/SerialPort.h"

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
    m.MENU_LECTURE = s.wired();
    m.MENU_DERMISEH = m.MENU_DCF77 = s.wired() && s.dcf77 == QLatin1String("OUI");
    m.MENURELAIS1 = s.relay1 == QLatin1String("OUI");
    m.MENURELAIS2 = false;
    m.MENU_EVEN = before.MENU_EVEN || s.event == QLatin1String("OUI");
    m.MENU_FENETRE = true;
    return m;
}

PortOpening openLinkPort(SerialPort& port, LinkSettingsModel& model, const QString& programDir)
{
    PortOpening r;
    r.portNumber = portNumberFromText(model.settings.port);
    model.portValide = false;
    if (port.isOpen())
        port.close();
    const auto line = LineSettings::parse(QString::fromLatin1(kLinkLineSettings));
    r.opened = line && port.open(portDeviceName(r.portNumber, programDir), *line);
    if (r.opened) {
        r.message = QStringLiteral("Ouverture du port COM%1: effectuée avec succès.").arg(r.portNumber);
        model.portValide = true;
    } else {
        port.close();
        r.message = QStringLiteral("L'ouverture du port COM%1 à échouée !").arg(r.portNumber);
    }
    return r;
}

} // namespace kwf

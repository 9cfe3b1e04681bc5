#pragma once
#include <QString>
#include <QStringList>

namespace kwf {

class PortDirectory;
class SerialPort;
class UiServices;
enum class PortError;

// The eight selector texts of the settings window, exactly as the lists hold them.
struct LinkSettings {
    QString port = QStringLiteral("COM1:");
    QString interface = QStringLiteral("Filaire ");
    QString digits = QStringLiteral("6 Digits HH:MM.SS");
    QString colour = QStringLiteral("Mono couleur");
    QString dcf77 = QStringLiteral("NON");
    QString relay1 = QStringLiteral("NON");
    QString event = QStringLiteral("NON");
    QString response = QStringLiteral("NON");

    // "Filaire " (trailing blank included) is the wired link; any other text is the radio module.
    bool wired() const { return interface == QLatin1String("Filaire "); }
    // "NON": answers are not examined.
    bool responseIgnored() const { return response == QLatin1String("NON"); }
};

// List items of the eight selectors, in order; the first is the default.
namespace lists {
QStringList ports();       // "COM1:" .. "COM12:"
QStringList interfaces();  // "Filaire ", "Sans fil"
QStringList digits();      // "6 Digits HH:MM.SS"
QStringList colours();     // "Mono couleur", "Tri couleur "
QStringList yesNo();       // "NON", "OUI"
}

// The settings as the rest of the program reads them at the moment of use, and the
// validated-port flag. One per program; the settings window keeps it in step with its lists.
struct LinkSettingsModel {
    LinkSettings settings;
    bool portValide = false;
    // "COMn:" of the port the last successful validation opened (the selector may show another
    // one since); empty when none.
    QString openedPort;
    void reset() { settings = LinkSettings(); portValide = false; openedPort.clear(); }
};

// Status bar text: "COM3: ouvert 9600,N,8,2" naming the port actually open, or
// "aucun port validé" when no validated port is open.
QString portStatusText(const LinkSettingsModel& model, bool portOpen);

// Port number of a selector text: the n of the first "COMn:" (n = 1..12) equal to the whole
// text, 1 when none is.
int portNumberFromText(const QString& text);

// Enabled state of the settings-dependent menu items of the main window.
struct MenuState {
    bool MENU_4COUL = false, MENU_6COUL = false, MENU_LUM = false, MENU_MISEALH = false,
         MENU_LECTURE = false, MENU_DERMISEH = false, MENU_DCF77 = false, MENURELAIS1 = false,
         MENURELAIS2 = false, MENU_EVEN = false, MENU_FENETRE = true;
    // Not a menu item: the relay windows' reading button, offered with the same rule.
    bool relayRead = false;
    bool operator==(const MenuState& o) const;
};

// After a successful validation. MENU_LUM and MENU_EVEN stay on once on; MENURELAIS2 never.
MenuState menuStateAfterValidation(const LinkSettings& s, const MenuState& before);

// Outcome of opening the link port.
struct PortOpening {
    bool opened = false;
    int portNumber = 1;
    QString message;   // shown to the user
    QString detail;    // what to do about a refusal, when there is more to say (shown before message)
};

// What to tell the user about a port that would not open, chosen from the kind of error: a port
// this user may not open (the dialout group), one another program holds (and the stale lock file
// that cannot be removed, when that is why). Empty when the failure needs no more words.
QString portRefusalDetail(PortError kind, const QString& device, const QString& errorText);

// The port part of the validation: port number from the selector, flag down, close, open at
// "9600,N,8,2", flag up on success. The caller shows the message and, on success only, applies
// the menus and closes the dependent windows.
PortOpening openLinkPort(SerialPort& port, LinkSettingsModel& model, const PortDirectory& ports);
// The same for COM`number` (1 to 14), whatever the selector shows.
PortOpening openLinkPort(SerialPort& port, LinkSettingsModel& model, const PortDirectory& ports, int number);
// Why a device path that would not open is no serial port, from what the path leads to: missing,
// a folder, an ordinary file, a memory device (/dev/null); otherwise, for a failure the kind of
// error does not explain, the system's words. Empty for a device name that is no path (Windows).
QString portFailureReason(const QString& device, PortError kind, const QString& errorText);
// The same with COMn found only through dosdevices links in programDir, else /dev/ttyS<n-1>.
PortOpening openLinkPort(SerialPort& port, LinkSettingsModel& model, const QString& programDir);

} // namespace kwf

#pragma once
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace kwf {

enum class MsgIcon { None, Information, Exclamation, Critical };

// The application title every message box carries.
inline const char* const kAppTitle = "KWF TQV";

// Everything that leaves the program towards the user or the desktop. The program uses the real
// implementation; tests use a recording one.
class UiServices {
public:
    virtual ~UiServices() = default;
    // Modal box, one OK button, the application's title.
    virtual void message(const QString& text, MsgIcon icon) = 0;
    // File dialogs; an empty result means the user cancelled. filter uses Qt's syntax
    // ("Fichier (*.zol *.ZOL)"), proposedName is the file name offered.
    virtual QString getOpenFileName(const QString& title, const QString& filter, const QString& proposedName) = 0;
    virtual QString getSaveFileName(const QString& title, const QString& filter, const QString& proposedName) = 0;
    // Asks the desktop to open a document; false when it could not.
    virtual bool openDocument(const QString& path) = 0;
    // Sets the PC's date and time; on refusal false with a reason in French.
    virtual bool setSystemDateTime(const QDateTime& dt, QString* reason) = 0;
    // Empties the system clipboard.
    virtual void clearClipboard() = 0;
    // A modal list under a heading, with the application's title. With `ask`, two buttons
    // (`yes` and "Annuler"), true for `yes`; otherwise one OK button. Without a screen, nothing
    // is shown and the answer is no.
    virtual bool showList(const QString& /*heading*/, const QStringList& /*lines*/, bool /*ask*/, const QString& /*yes*/)
    {
        return false;
    }
};

} // namespace kwf

#pragma once
#include "core/ConfigFile.h"

#include <QByteArray>
#include <QObject>
#include <QString>

namespace kwf {

class Shell;
struct AppContext;

// The configuration file module: loads the default file at start-up, opens and saves files chosen
// by the user, and moves the values between the file and the settings and relay windows.
class FICHIER : public QObject {
    Q_OBJECT
public:
    FICHIER(const AppContext& ctx, Shell& shell, QObject* parent = nullptr);

    // Start-up: reads the program folder's default file, shows the settings window and applies
    // the file. Without a readable default file the settings window opens on its defaults.
    void OUVRE_CONFIG_DEMARRAGE();
    // "&Ouvrir une configuration": choose a file, read it, apply it.
    void OUVRIR_CONFIG();
    // "&Enregistrer une configuration": choose a name, save the current settings.
    void ENREGISTRER_CONFIG();
    // Applies CONTENU to the windows, then validates if every value was taken. True when it
    // validated.
    bool LIT_CONFIG();
    // Builds TEXTE from the windows.
    void ECRI_CONFIG();

    // Values shown by the settings and relay windows now (the relay windows are created hidden,
    // with their defaults, when they do not exist yet).
    ConfigValues currentValues();

    QByteArray CONTENU;   // the last file read
    QByteArray TEXTE;     // the last file built for saving

    // Largest part of a file that is read; the values lie in its first few hundred bytes.
    static constexpr qint64 kMaxRead = 64 * 1024;

private:
    QString proposedFile() const;   // what the file dialogs offer
    void applyValues(const ConfigValues& values);
    void showSettings();
    const AppContext& m_ctx;
    Shell& m_shell;
};

} // namespace kwf

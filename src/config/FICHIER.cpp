#include "config/FICHIER.h"
#include "ui/Shell.h"
#include "core/AppContext.h"
#include "core/Clock.h"
#include "core/UiServices.h"

#include <QDir>
#include <QFileInfo>

namespace kwf {

FICHIER::FICHIER(const AppContext& ctx, Shell& shell, QObject* parent)
    : QObject(parent), m_ctx(ctx), m_shell(shell)
{
    setObjectName(QStringLiteral("FICHIER"));
}

void FICHIER::showSettings()
{
    m_shell.showWindow(QStringLiteral("CONFIGURATION"));
}

QString FICHIER::proposedFile() const
{
    // In the folder the start-up reads, whatever the current folder is.
    const UserPlaces places = portDirectoryOf(m_ctx).places();
    return QDir(places.dialogFolder()).filePath(QString::fromLatin1(configfile::kProposedName));
}

void FICHIER::OUVRE_CONFIG_DEMARRAGE()
{
    // The user's own default file, else the site-wide one beside the program.
    const QString path = portDirectoryOf(m_ctx).places().startupConfigPath();
    QByteArray data;
    const bool read = readFileStart(path, kMaxRead, &data);
    showSettings();
    // No default file yet (first start) or one that cannot be read: the settings window stays
    // on its defaults, waiting for the user; nothing is opened.
    if (!read)
        return;
    CONTENU = data;
    LIT_CONFIG();
}

void FICHIER::OUVRIR_CONFIG()
{
    UiServices* ui = m_ctx.ui;
    for (;;) {
        const QString name = ui->getOpenFileName(QStringLiteral("Ouvrir un fichier de configuration TQV"),
                                                 QStringLiteral("Fichiers configuration(*.zol);;Tous les fichiers(*.*)"),
                                                 proposedFile());
        if (name.isEmpty())
            return;   // cancelled: nothing changes
        QByteArray data;
        if (!readFileStart(name, kMaxRead, &data)) {
            // The user may pick another file or cancel.
            ui->message(QStringLiteral("Erreur d'ouverture de ") + name, MsgIcon::None);
            continue;
        }
        CONTENU = data;
        showSettings();
        LIT_CONFIG();
        return;
    }
}

void FICHIER::ENREGISTRER_CONFIG()
{
    UiServices* ui = m_ctx.ui;
    for (;;) {
        QString name = ui->getSaveFileName(QStringLiteral("Enregistrer un fichier de configuration TQV"),
                                           QStringLiteral("Fichiers configuration(*.ZOL);;Tous les fichiers(*.*)"),
                                           proposedFile());
        if (name.isEmpty())
            return;   // cancelled: nothing written
        // The proposed name has no extension; the file gets the one the start-up looks for.
        if (!QFileInfo(name).fileName().contains(QLatin1Char('.')))
            name += QStringLiteral(".zol");
        showSettings();
        ECRI_CONFIG();
        if (writeFileWhole(name, TEXTE))
            return;
        // Nothing was replaced; the user may choose another place or cancel.
        ui->message(QStringLiteral("Erreur lors de la création de ") + name + QStringLiteral(". Essayer à nouveau"),
                    MsgIcon::None);
    }
}

ConfigValues FICHIER::currentValues()
{
    ConfigValues v;
    if (SettingsSelectors* settings = m_shell.settingsSelectors())
        v.selectors = settings->selectorIndexes();
    for (int r = 1; r <= 2; ++r)
        if (RelayValues* relay = m_shell.relayValues(r))
            v.relays[size_t(r - 1)] = relay->relayValues();
    return v;
}

void FICHIER::applyValues(const ConfigValues& v)
{
    // The values a file did not reach are the windows' own, so setting them changes nothing.
    if (SettingsSelectors* settings = m_shell.settingsSelectors())
        settings->setSelectorIndexes(v.selectors);
    for (int r = 1; r <= 2; ++r)
        if (RelayValues* relay = m_shell.relayValues(r))
            relay->setRelayValues(v.relays[size_t(r - 1)]);
}

bool FICHIER::LIT_CONFIG()
{
    // The relay windows exist (with their defaults) before their values are set.
    const ConfigRead r = readConfig(CONTENU, currentValues());
    applyValues(r.values);
    // A value that is missing or does not fit ends the loading there, without validating.
    if (!r.complete())
        return false;
    if (SettingsSelectors* settings = m_shell.settingsSelectors())
        settings->validateSettings();
    return true;
}

void FICHIER::ECRI_CONFIG()
{
    SettingsSelectors* settings = m_shell.settingsSelectors();
    TEXTE = writeConfig(currentValues(), settings ? settings->selectorTexts() : LinkSettings(), m_ctx.clock->now());
}

} // namespace kwf

#include "config/FICHIER.h"
#include "app/Shell.h"
#include "core/AppContext.h"
#include "core/Clock.h"
#include "core/UiServices.h"
#include "link/Configuration.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QRadioButton>

namespace kwf {

namespace {

const char* const kRelayWindows[2] = {"Relais_1", "Relais_2"};

QString comboName(int n) { return QStringLiteral("Combo%1").arg(n); }
QString dayName(int d) { return QStringLiteral("Check1_%1").arg(d); }

template <class T>
T* control(QWidget* window, const QString& name)
{
    return window ? window->findChild<T*>(name) : nullptr;
}

std::array<QComboBox*, 8> selectorsOf(Configuration* c)
{
    return {c->SEL_COM, c->SEL_INTER, c->SEL_NBR_DIGI, c->SEL_COUL, c->SEL_DCF77, c->SEL_REL1, c->SEL_REL2, c->SEL_REP};
}

} // namespace

FICHIER::FICHIER(const AppContext& ctx, Shell& shell, QObject* parent)
    : QObject(parent), m_ctx(ctx), m_shell(shell)
{
    setObjectName(QStringLiteral("FICHIER"));
}

void FICHIER::showSettings()
{
    m_shell.showWindow(QStringLiteral("CONFIGURATION"));
}

Configuration* FICHIER::settings()
{
    return qobject_cast<Configuration*>(m_shell.window(QStringLiteral("CONFIGURATION")));
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
    Configuration* c = settings();
    const auto sel = selectorsOf(c);
    for (size_t i = 0; i < sel.size(); ++i)
        v.selectors[i] = sel[i]->currentIndex();
    for (size_t r = 0; r < 2; ++r) {
        QWidget* w = m_shell.window(QString::fromLatin1(kRelayWindows[r]));
        RelayConfig& rc = v.relays[r];
        for (int n = 1; n <= configfile::kRelayCombos; ++n)
            if (auto* box = control<QComboBox>(w, comboName(n)))
                rc.combos[size_t(n - 1)] = box->currentIndex();
        for (int d = 0; d < configfile::kRelayDays; ++d)
            if (auto* box = control<QCheckBox>(w, dayName(d)))
                rc.days[size_t(d)] = box->isChecked();
        if (auto* o = control<QRadioButton>(w, QStringLiteral("Option1")))
            rc.option1 = o->isChecked();
        if (auto* o = control<QRadioButton>(w, QStringLiteral("Option2")))
            rc.option2 = o->isChecked();
    }
    return v;
}

void FICHIER::applyValues(const ConfigValues& v, int fields)
{
    const auto sel = selectorsOf(settings());
    QWidget* relay[2] = {m_shell.window(QString::fromLatin1(kRelayWindows[0])),
                         m_shell.window(QString::fromLatin1(kRelayWindows[1]))};
    constexpr int combosEnd = 8 + 2 * configfile::kRelayCombos;
    constexpr int daysEnd = combosEnd + 2 * configfile::kRelayDays;
    for (int i = 0; i < fields; ++i) {
        const int value = v.field(i);
        if (i < 8) {
            sel[size_t(i)]->setCurrentIndex(value);
        } else if (i < combosEnd) {
            const int j = i - 8;
            if (auto* box = control<QComboBox>(relay[j / configfile::kRelayCombos], comboName(j % configfile::kRelayCombos + 1)))
                box->setCurrentIndex(value);
        } else if (i < daysEnd) {
            const int j = i - combosEnd;
            if (auto* box = control<QCheckBox>(relay[j / configfile::kRelayDays], dayName(j % configfile::kRelayDays)))
                box->setChecked(value != 0);
        } else {
            // The buttons as the file's lines leave them (readConfig applies the option rule).
            const int j = i - daysEnd;
            QRadioButton* o[2] = {control<QRadioButton>(relay[j / 2], QStringLiteral("Option1")),
                                  control<QRadioButton>(relay[j / 2], QStringLiteral("Option2"))};
            if (!o[0] || !o[1])
                continue;
            const RelayConfig& rc = v.relays[size_t(j / 2)];
            const std::array<bool, 2> on = {rc.option1, rc.option2};
            for (size_t k = 0; k < 2; ++k) {
                // An option button that is on cannot be turned off while it is exclusive.
                o[k]->setAutoExclusive(false);
                o[k]->setChecked(on[k]);
                o[k]->setAutoExclusive(true);
            }
        }
    }
}

bool FICHIER::LIT_CONFIG()
{
    // The relay windows exist (with their defaults) before their values are set.
    const ConfigRead r = readConfig(CONTENU, currentValues());
    applyValues(r.values, r.fieldsRead);
    // A value that is missing or does not fit ends the loading there, without validating.
    if (!r.complete())
        return false;
    settings()->OUVERTURE_DU_COM();
    return true;
}

void FICHIER::ECRI_CONFIG()
{
    Configuration* c = settings();
    LinkSettings texts;
    texts.port = c->SEL_COM->currentText();
    texts.interface = c->SEL_INTER->currentText();
    texts.digits = c->SEL_NBR_DIGI->currentText();
    texts.colour = c->SEL_COUL->currentText();
    texts.dcf77 = c->SEL_DCF77->currentText();
    texts.relay1 = c->SEL_REL1->currentText();
    texts.event = c->SEL_REL2->currentText();
    texts.response = c->SEL_REP->currentText();
    TEXTE = writeConfig(currentValues(), texts, m_ctx.clock->now());
}

} // namespace kwf

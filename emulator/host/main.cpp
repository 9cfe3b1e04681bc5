// kwf-panel-sim: a TQV panel on a pseudo-terminal, for demonstrations and manual tests of the
// configuration tool without hardware.

#include "core/ConfigFile.h"
#include "core/Frames.h"
#include "core/Installation.h"
#include "model/PanelState.h"
#include "model/PtyPanel.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTranslator>

#include <cmath>
#include <csignal>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <pthread.h>
#include <signal.h>
#endif

using namespace kwf::emu;

namespace {

void say(const QString& text)
{
    std::fprintf(stdout, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stdout);
}

void complain(const QString& text)
{
    std::fprintf(stderr, "kwf-panel-sim : %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

// Writes a configuration that opens COMn and enables every function, unless the folder already
// has one. Gives the path written, or nothing.
QString writeDemoConfig(const QString& dir, int com)
{
    const QString path = kwf::defaultConfigPath(dir);
    if (QFileInfo::exists(path) || com < 1 || com > 12)
        return QString();
    kwf::ConfigValues v;
    v.selectors = {com - 1, 0, 0, 0, 1, 1, 1, 1};   // wired, one colour, DCF77, relay 1, event, answers checked
    kwf::LinkSettings texts;
    texts.port = kwf::lists::ports().value(com - 1);
    texts.dcf77 = texts.relay1 = texts.event = texts.response = QStringLiteral("OUI");
    if (!kwf::writeFileWhole(path, kwf::writeConfig(v, texts, QDateTime::currentDateTime()))) {
        complain(QStringLiteral("%1 : écriture impossible").arg(path));
        return QString();
    }
    return path;
}

// The command-line parser's own words, in French whatever translations the system has.
class ParserWords : public QTranslator {
public:
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int) const override
    {
        if (qstrcmp(context, "QCommandLineParser") != 0)
            return QString();
        static const char* const words[][2] = {
            {"Usage: %1", "Usage : %1"},
            {"Options:", "Options :"},
            {"Unknown option '%1'.", "Option « %1 » inconnue."},
            {"Unknown options: %1.", "Options inconnues : %1."},
            {"Missing value after '%1'.", "Valeur manquante après « %1 »."},
            {"Unexpected value after '%1'.", "Valeur inattendue après « %1 »."},
        };
        for (const auto& w : words) {
            if (qstrcmp(source, w[0]) == 0)
                return QString::fromUtf8(w[1]);
        }
        return QString();
    }
};

QString describe(const QByteArray& body)
{
    const quint8 base = quint8(body.at(0)) & 0xF0;
    auto nib = [&body](int i) { return int(quint8(body.at(i)) & 0x0F); };
    const int reg = ((nib(2) << 4) | nib(3)) & 63;
    const int value = (nib(4) << 4) | nib(5);
    switch (base) {
    case 0x20: return QStringLiteral("lecture registre %1").arg(reg);
    case 0x40: return QStringLiteral("écriture registre %1 = %2").arg(reg).arg(
                   QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper());
    case 0xC0: return QStringLiteral("test de liaison");
    case 0xD0: return QStringLiteral("fin de liaison (début du flux DCF77)");
    }
    return QStringLiteral("trame inconnue");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kwf-panel-sim"));
    ParserWords words;
    QCoreApplication::installTranslator(&words);

    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Panneau TQV émulé (carte KWF) sur un pseudo-terminal.\n"
        "Le programme ouvre un pseudo-terminal, affiche son chemin et répond aux trames de\n"
        "l'outil de configuration comme un panneau : horloge DS1307 qui avance, 64 registres,\n"
        "flux DCF77 après une trame de fin de liaison. Arrêt par Ctrl+C (SIGINT) ou SIGTERM."));
    const QCommandLineOption helpOpt(QStringList{"h", "help"}, QStringLiteral("Affiche cette aide."));
    const QCommandLineOption versionOpt(QStringList{"version"}, QStringLiteral("Affiche la version du programme."));
    p.addOption(helpOpt);
    p.addOption(versionOpt);
    const QCommandLineOption linkOpt(QStringList{"link", "lien"},
        QStringLiteral("Crée le lien <dossier>/dosdevices/comN vers le pseudo-terminal, pour que "
                       "l'outil installé dans <dossier> le voie comme port COMN."),
        QStringLiteral("dossier"));
    const QCommandLineOption demoConfigOpt(QStringList{"config-demo"},
        QStringLiteral("Avec --link : si <dossier> n'a pas encore de Configuration_TQV.zol, en écrit un "
                       "qui ouvre COMN et active toutes les fonctions (filaire, toutes les options à OUI, "
                       "contrôle des réponses à OUI). Un fichier existant n'est jamais remplacé."));
    const QCommandLineOption comOpt(QStringList{"com"},
        QStringLiteral("Numéro N du port COM du lien (défaut : 1)."), QStringLiteral("N"),
        QStringLiteral("1"));
    const QCommandLineOption stateOpt(QStringList{"state", "etat"},
        QStringLiteral("Fichier des 64 registres : relu au démarrage s'il existe (l'horloge "
                       "rattrape le temps écoulé), enregistré à l'arrêt."),
        QStringLiteral("fichier"));
    const QCommandLineOption timeOpt(QStringList{"time", "heure"},
        QStringLiteral("Heure de départ de l'horloge, \"AAAA-MM-JJ HH:MM:SS\" (défaut : heure "
                       "du PC ; ignorée quand --state relit un fichier)."),
        QStringLiteral("date-heure"));
    const QCommandLineOption driftOpt(QStringList{"drift", "derive"},
        QStringLiteral("L'horloge du panneau avance (valeur positive) ou retarde de PPM millionièmes : "
                       "86,4 ms par jour pour 1."),
        QStringLiteral("PPM"));
    const QCommandLineOption offsetOpt(QStringList{"offset", "decalage"},
        QStringLiteral("L'horloge du panneau part avec S secondes d'avance (négatif : de retard) sur "
                       "l'heure de départ, par exemple 0.35."),
        QStringLiteral("S"));
    const QCommandLineOption journalOpt(QStringList{"journal", "verbose"},
        QStringLiteral("Affiche chaque trame reçue et la réponse du panneau."));
    const QCommandLineOption silentOpt(QStringList{"silent", "muet"},
        QStringLiteral("Panne simulée : le panneau ne répond jamais."));
    const QCommandLineOption silentAfterOpt(QStringList{"silent-after", "muet-apres"},
        QStringLiteral("Panne simulée : le panneau répond aux N premières trames, puis plus rien."),
        QStringLiteral("N"));
    const QCommandLineOption extraOpt(QStringList{"extra-byte", "octet-en-trop"},
        QStringLiteral("Panne simulée : chaque réponse porte un octet de trop."));
    const QCommandLineOption delayOpt(QStringList{"delay", "retard"},
        QStringLiteral("Panne simulée : les réponses arrivent après ce délai en millisecondes (liaison "
                       "radio lente ; au-delà de 900 ms l'outil ne les voit pas)."),
        QStringLiteral("ms"));
    const QCommandLineOption markersOpt(QStringList{"wrong-markers", "marqueurs-faux"},
        QStringLiteral("Panne simulée : les marqueurs des blocs relais et luminosité (registres 15, "
                       "48, 50) sont relus faux."));
    const QCommandLineOption unplugOpt(QStringList{"unplug-after", "debrancher-apres"},
        QStringLiteral("Panne simulée : le pseudo-terminal est fermé après N trames (adaptateur "
                       "débranché au milieu d'un échange)."),
        QStringLiteral("N"));
    const QCommandLineOption ignoreOpt(QStringList{"ignore-register", "registre-ignore"},
        QStringLiteral("Panne simulée : les écritures dans le registre N (0 à 63) sont acquittées mais "
                       "pas gardées."),
        QStringLiteral("N"));
    const QCommandLineOption dcfErrOpt(QStringList{"dcf-errors", "dcf-erreurs"},
        QStringLiteral("Flux DCF77 : pourcentage de secondes suivies d'une marque d'erreur \"E\"."),
        QStringLiteral("pourcent"));
    const QCommandLineOption dcfLostOpt(QStringList{"dcf-lost", "dcf-pertes"},
        QStringLiteral("Flux DCF77 : pourcentage de secondes perdues."), QStringLiteral("pourcent"));
    const QCommandLineOption dcfExtraOpt(QStringList{"dcf-extra", "dcf-doubles"},
        QStringLiteral("Flux DCF77 : pourcentage de secondes reçues en double."),
        QStringLiteral("pourcent"));
    const QCommandLineOption dcfRateOpt(QStringList{"dcf-rate", "dcf-vitesse"},
        QStringLiteral("Flux DCF77 : l'émetteur va N fois plus vite que le temps réel (démonstrations, "
                       "mesures ; 60 : une minute de flux par seconde). Défaut : 1."),
        QStringLiteral("N"));
    for (const auto* o : {&dcfRateOpt, &linkOpt, &demoConfigOpt, &comOpt, &stateOpt, &timeOpt, &driftOpt, &offsetOpt,
                          &journalOpt, &silentOpt,
                          &silentAfterOpt, &extraOpt, &delayOpt, &markersOpt, &unplugOpt,
                          &ignoreOpt, &dcfErrOpt, &dcfLostOpt, &dcfExtraOpt})
        p.addOption(*o);
    p.process(app);
    if (p.isSet(helpOpt)) {
        std::fputs(p.helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (p.isSet(versionOpt)) {
        say(kwf::versionLine(QStringLiteral("kwf-panel-sim")));
        return 0;
    }

    auto number = [&p](const QCommandLineOption& o, int lo, int hi, int fallback) {
        if (!p.isSet(o))
            return fallback;
        bool ok = false;
        const int v = p.value(o).toInt(&ok);
        if (!ok || v < lo || v > hi) {
            complain(QStringLiteral("valeur invalide pour --%1 : %2").arg(o.names().first(), p.value(o)));
            std::exit(2);
        }
        return v;
    };
    auto percent = [&p](const QCommandLineOption& o) {
        if (!p.isSet(o))
            return 0.0;
        bool ok = false;
        const double v = p.value(o).toDouble(&ok);
        if (!ok || v < 0 || v > 100) {
            complain(QStringLiteral("pourcentage invalide pour --%1 : %2").arg(o.names().first(), p.value(o)));
            std::exit(2);
        }
        return v;
    };

    const int com = number(comOpt, 1, 255, 1);
    QDateTime start = QDateTime::currentDateTime();
    if (p.isSet(timeOpt)) {
        start = QDateTime::fromString(p.value(timeOpt), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (!start.isValid() || start.date().year() < 2000 || start.date().year() > 2099) {
            complain(QStringLiteral("heure invalide : %1 (attendu AAAA-MM-JJ HH:MM:SS, années 2000 à 2099)")
                         .arg(p.value(timeOpt)));
            return 2;
        }
    }

    auto real = [&p](const QCommandLineOption& o, double lo, double hi) {
        if (!p.isSet(o))
            return 0.0;
        bool ok = false;
        const double v = QString(p.value(o)).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
        if (!ok || v < lo || v > hi) {
            complain(QStringLiteral("valeur invalide pour --%1 : %2").arg(o.names().first(), p.value(o)));
            std::exit(2);
        }
        return v;
    };
    const double driftPpm = real(driftOpt, -100000, 100000);
    const qint64 offsetMs = std::llround(real(offsetOpt, -86400, 86400) * 1000);
    const bool fromPcClock = !p.isSet(timeOpt);
    bool restored = false;

    PtyPanel panel(start);
    {
        auto lock = panel.lock();
        PanelModel& m = panel.model();
        // The transmitter's time stays the PC's; only the panel's clock starts where asked.
        m.setWallTime(QDateTime::currentDateTime(), 0);
        PanelFaults& f = m.faults();
        f.silent = p.isSet(silentOpt);
        f.silentAfterFrames = number(silentAfterOpt, 0, 1 << 30, -1);
        f.extraByte = p.isSet(extraOpt);
        f.answerDelayMs = number(delayOpt, 0, 3600000, 0);
        f.wrongMarkers = p.isSet(markersOpt);
        f.unplugAfterFrames = number(unplugOpt, 1, 1 << 30, -1);
        f.ignoredRegister = number(ignoreOpt, 0, 63, -1);
        f.dcfErrorMarkPercent = percent(dcfErrOpt);
        f.dcfLostPercent = percent(dcfLostOpt);
        f.dcfExtraPercent = percent(dcfExtraOpt);
        m.setDcfRate(number(dcfRateOpt, 1, 1000, 1));
        m.setDrift(driftPpm);
        if (p.isSet(stateOpt) && QFileInfo::exists(p.value(stateOpt))) {
            QString err;
            if (const auto st = loadPanelState(p.value(stateOpt), &err)) {
                restorePanelState(m, *st, QDateTime::currentDateTime());
                restored = true;
                say(QStringLiteral("Registres relus de %1").arg(p.value(stateOpt)));
            } else {
                complain(QStringLiteral("%1 : %2 (panneau neuf à la place)").arg(p.value(stateOpt), err));
            }
        }
        if (p.isSet(journalOpt)) {
            m.onFrame = [](const QByteArray& body, const QByteArray& answer) {
                say(QStringLiteral("  %1 -> %2").arg(describe(body),
                    answer.isEmpty() ? QStringLiteral("pas de réponse")
                                     : QString::fromLatin1(kwf::hexBytes(answer))));
            };
        }
    }

#ifdef Q_OS_UNIX
    // SIGINT and SIGTERM are taken by sigwait below; the server thread must not see them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
#endif

    if (!panel.start()) {
        complain(QStringLiteral("pseudo-terminal impossible : %1").arg(panel.errorString()));
        return 1;
    }
    if (!restored) {
        // The clock starts where asked at the moment the line opens, off by the offset asked.
        auto lock = panel.lock();
        const qint64 now = panel.nowMs();
        panel.model().advanceTo(now);
        const QDateTime base = fromPcClock ? panel.pcTimeAt(now) : start;
        panel.model().setClock(base.addMSecs(offsetMs));
    }
    say(QStringLiteral("Panneau émulé sur %1").arg(panel.slavePath()));
    if (p.isSet(linkOpt)) {
        if (!panel.linkAs(p.value(linkOpt), com)) {
            complain(QStringLiteral("lien impossible dans %1 : %2").arg(p.value(linkOpt), panel.errorString()));
            return 1;
        }
        say(QStringLiteral("Lien COM%1 : %2 -> %3").arg(com).arg(panel.linkPath(), panel.slavePath()));
        if (p.isSet(demoConfigOpt)) {
            const QString written = writeDemoConfig(p.value(linkOpt), com);
            if (!written.isEmpty())
                say(QStringLiteral("Configuration de démonstration écrite : %1").arg(written));
        }
    }
    say(QStringLiteral("Ctrl+C pour arrêter."));

#ifdef Q_OS_UNIX
    int sig = 0;
    sigwait(&stopSignals, &sig);
#endif

    panel.stop();
    int status = 0;
    if (p.isSet(stateOpt)) {
        PanelState st;
        {
            auto lock = panel.lock();
            panel.model().advanceTo(panel.nowMs());
            st.registers = panel.model().registers();
        }
        st.savedAt = QDateTime::currentDateTime();
        QString err;
        if (savePanelState(p.value(stateOpt), st, &err)) {
            say(QStringLiteral("Registres enregistrés dans %1").arg(p.value(stateOpt)));
        } else {
            complain(QStringLiteral("%1 : %2").arg(p.value(stateOpt), err));
            status = 1;
        }
    }
    say(QStringLiteral("Panneau arrêté."));
    return status;
}

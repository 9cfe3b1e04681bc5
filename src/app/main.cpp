#include "app/Principal.h"
#include "app/RealUiServices.h"
#include "app/Splash.h"
#include "app/TerminationSignals.h"
#include "core/ComPorts.h"
#include "core/Clock.h"
#include "core/ClockSync.h"
#include "core/Installation.h"
#include "core/LinkSettings.h"
#include "core/SerialPort.h"
#include "core/Tqvbase.h"

#include <QApplication>
#include <QPointer>
#include <cstdio>
#include <cstring>

static const char kHelp[] =
    "Usage : kwf-tqv [OPTION]\n"
    "Règle et programme les afficheurs électroniques à carte KWF (variante TQV) par la ligne série :\n"
    "horloge, réception DCF77, relais, compte à rebours, luminosité, couleurs et registres.\n"
    "Sans option, ouvre la fenêtre principale.\n"
    "\n"
    "Options :\n"
    "  --lieux                        les dossiers utilisés et, pour chaque numéro COM,\n"
    "                                 le périphérique et l'adaptateur qu'il désigne\n"
    "  -h, --help                     cette aide\n"
    "  --version                      la version du programme\n";

// "kwf-tqv --lieux": where this user's files are, and where each COM number leads.
static int showPlaces(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kwf-tqv"));
    const kwf::ProgramFolders folders =
        kwf::programFolders(QCoreApplication::applicationDirPath(), kwf::builtInstallPaths());
    const kwf::UserPlaces places = kwf::systemPlaces(folders.siteDir);
    kwf::PortDirectory ports = kwf::systemPortDirectory(places);
    ports.refresh();
    QString text = QStringLiteral("Dossier du programme : %1\nRéglages communs : %2\nDossier des réglages : %3\n"
                                  "Fichier de configuration lu au démarrage : %4\n"
                                  "Fichier de configuration enregistré : %5\n"
                                  "Liens dosdevices : %6\nTable des ports COM : %7\nGuide : %8\n")
                       .arg(folders.programDir, places.programDir, places.dataDir, places.startupConfigPath(),
                            places.configPath(), places.dosdevicesDir(), places.comTablePath(), folders.guidePath);
    for (int n = 1; n <= kwf::kLastCom; ++n)
        text += ports.resolve(n).toolTip() + QLatin1Char('\n');
    std::fputs(text.toLocal8Bit().constData(), stdout);
    return 0;
}

int main(int argc, char* argv[])
{
    // Answered on the standard output before any window system is asked for.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s\n", kwf::versionLine(QStringLiteral("kwf-tqv")).toUtf8().constData());
            return 0;
        }
    }
    if (argc == 2 && std::strcmp(argv[1], "--lieux") == 0)
        return showPlaces(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kwf-tqv"));
    kwf::installFrench();
    kwf::quitOnTerminationSignals();

    std::unique_ptr<kwf::SerialPort> port = kwf::createSerialPort();
    kwf::SystemClock clock;
    kwf::RealUiServices ui;
    kwf::LinkSettingsModel link;
    kwf::Tqvbase tqv(*port, clock, ui, link);

    kwf::AppContext ctx;
    ctx.port = port.get();
    ctx.clock = &clock;
    ctx.ui = &ui;
    ctx.link = &link;
    ctx.tqv = &tqv;
    const kwf::ProgramFolders folders =
        kwf::programFolders(QCoreApplication::applicationDirPath(), kwf::builtInstallPaths());
    ctx.programDir = folders.siteDir;
    ctx.guidePath = folders.guidePath;
    ctx.stateDir = kwf::userStateDir();
    kwf::PortDirectory ports = kwf::systemPortDirectory(kwf::systemPlaces(ctx.programDir));
    ctx.ports = &ports;

    QPointer<kwf::Principal> principal = new kwf::Principal(ctx);
    principal->setAttribute(Qt::WA_DeleteOnClose);
    principal->onQuit = [] { QCoreApplication::quit(); };
    ui.setParentWindow(principal);

    auto* splash = new kwf::Splash;
    QObject::connect(splash, &kwf::Splash::finished, principal, [p = principal.data()] { p->start(); });
    splash->show();
    splash->activateWindow();
    splash->setFocus();

    const int rc = app.exec();
    delete principal.data();   // before the port and the settings it refers to
    port->close();
    return rc;
}

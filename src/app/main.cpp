#include "app/Principal.h"
#include "app/RealUiServices.h"
#include "app/Splash.h"
#include "app/TerminationSignals.h"
#include "core/ComPorts.h"
#include "core/Clock.h"
#include "core/LinkSettings.h"
#include "core/SerialPort.h"
#include "core/Tqvbase.h"

#include <QApplication>
#include <QPointer>
#include <cstdio>
#include <cstring>

// "kwf-tqv --lieux": where this user's files are, and where each COM number leads.
static int showPlaces(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kwf-tqv"));
    const kwf::UserPlaces places = kwf::systemPlaces(QCoreApplication::applicationDirPath());
    kwf::PortDirectory ports = kwf::systemPortDirectory(places);
    ports.refresh();
    QString text = QStringLiteral("Dossier du programme : %1\nDossier des réglages : %2\n"
                                  "Fichier de configuration lu au démarrage : %3\n"
                                  "Fichier de configuration enregistré : %4\n"
                                  "Liens dosdevices : %5\nTable des ports COM : %6\n")
                       .arg(places.programDir, places.dataDir, places.startupConfigPath(), places.configPath(),
                            places.dosdevicesDir(), places.comTablePath());
    for (int n = 1; n <= kwf::kLastCom; ++n)
        text += ports.resolve(n).toolTip() + QLatin1Char('\n');
    std::fputs(text.toLocal8Bit().constData(), stdout);
    return 0;
}

int main(int argc, char* argv[])
{
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
    ctx.programDir = QCoreApplication::applicationDirPath();
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

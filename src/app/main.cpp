#include "app/Principal.h"
#include "app/RealUiServices.h"
#include "app/Splash.h"
#include "core/Clock.h"
#include "core/LinkSettings.h"
#include "core/SerialPort.h"
#include "core/Tqvbase.h"

#include <QApplication>
#include <QPointer>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kwf-tqv"));
    kwf::installFrench();

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

#include "TestApp.h"
#include "app/Splash.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMdiSubWindow>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QTextBrowser>
#include "app/TerminationSignals.h"
#include <csignal>
#include <functional>
#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

namespace {
const char* const kFeatureItems[] = {"MENU_MISEALH", "MENU_EVEN", "MENU_LECTURE", "MENU_DERMISEH", "MENU_DCF77",
                                     "MENU_4COUL", "MENU_6COUL", "MENU_LUM", "MENURELAIS1", "MENURELAIS2"};

// The feature menu items that are on, in the order above.
std::string enabledItems(TestApp& app)
{
    QStringList on;
    for (const char* item : kFeatureItems) {
        QAction* a = app.principal->menuAction(QString::fromLatin1(item));
        EXPECT_NE(a, nullptr) << item;
        if (a && a->isEnabled())
            on << QString::fromLatin1(item);
    }
    return on.join(QLatin1Char(' ')).toStdString();
}

Configuration* settings(TestApp& app) { return app.principal->configuration(); }
} // namespace

// At start nothing is validated and the feature menus are off; the validation opens the whole
// port number, reports, switches the menus on, puts the settings window away and shows the port
// on the status bar; a failed one changes nothing but the flag.
TEST(Settings, ValidationOpensTheWholePortNumberAndReportsAFailureChangesNothingButTheFlag)
{
    TestApp app;
    auto* status = app.principal->statusBar()->findChild<QLabel*>(QStringLiteral("STATUS_PORT"));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->text(), QStringLiteral("aucun port validé"));
    EXPECT_EQ(enabledItems(app), "");
    settings(app)->SEL_COM->setCurrentText(QStringLiteral("COM12:"));
    QString statusWhileShown;
    app.ui.whileShown = [&] { statusWhileShown = status->text(); };
    QTest::mouseClick(settings(app)->BOUTON_VALIDE, Qt::LeftButton);
    EXPECT_EQ(app.fake->openedDevice, portDirectoryOf(app.ctx).resolve(12).device);
    EXPECT_EQ(app.fake->openedSettings.toString(), QStringLiteral("9600,N,8,2"));
    ASSERT_EQ(app.ui.messages.size(), 1u);
    EXPECT_EQ(app.ui.messages[0].text, QStringLiteral("Ouverture du port COM12: effectuée avec succès."));
    EXPECT_EQ(app.ui.messages[0].icon, MsgIcon::Information);
    EXPECT_TRUE(app.link.portValide);
    EXPECT_EQ(enabledItems(app), "MENU_MISEALH MENU_LECTURE MENU_LUM");
    EXPECT_TRUE(qobject_cast<QMdiSubWindow*>(settings(app)->parentWidget())->isMinimized());
    EXPECT_EQ(portNumberFromText(QStringLiteral("COM1:")), 1);
    EXPECT_EQ(portNumberFromText(QStringLiteral("COM1")), 1);
    EXPECT_EQ(portNumberFromText(QStringLiteral("COM13:")), 1);
    EXPECT_EQ(statusWhileShown, QStringLiteral("COM12: ouvert 9600,N,8,2"));   // the box and the bar agree
    // Another port chosen but not validated: COM12 is still the one open. A frame sent shows.
    settings(app)->SEL_COM->setCurrentText(QStringLiteral("COM5:"));
    EXPECT_EQ(app.principal->portStatusText(), QStringLiteral("COM12: ouvert 9600,N,8,2"));
    app.fake->responder = ackOneByte;
    app.tqv->ECRI_REG(20, 0x41);
    EXPECT_EQ(status->text(), QStringLiteral("Envoi ECRI_REG : 02 31 40 40 41 44 44 41 03"));

    // A failed opening changes nothing but the flag.
    const MenuState before = app.principal->menuState();
    app.principal->showWindow(QStringLiteral("CONFIGURATION"));
    settings(app)->SEL_COM->setCurrentText(QStringLiteral("COM3:"));
    settings(app)->SEL_COUL->setCurrentText(QStringLiteral("Tri couleur "));
    app.fake->failOpen = true;
    app.validate();
    EXPECT_FALSE(app.link.portValide);
    EXPECT_FALSE(app.fake->isOpen());
    EXPECT_EQ(app.ui.lastText(), QStringLiteral("L'ouverture du port COM3 à échouée !"));
    EXPECT_EQ(app.ui.messages.back().icon, MsgIcon::Critical);
    EXPECT_TRUE(app.principal->menuState() == before);
    EXPECT_FALSE(qobject_cast<QMdiSubWindow*>(settings(app)->parentWidget())->isMinimized());
    // A port this user may not open: what to do about it, then the same refusal.
    app.fake->refusal = PortError::Permission;
    app.ui.messages.clear();
    app.validate();
    ASSERT_EQ(app.ui.messages.size(), 2u);
    EXPECT_TRUE(app.ui.messages[0].text.contains(QStringLiteral("usermod -aG dialout"))) << app.ui.messages[0].text.toStdString();
    EXPECT_EQ(app.ui.lastText(), QStringLiteral("L'ouverture du port COM3 à échouée !"));
}

TEST(Settings, MenusFollowTheValidatedSettingsAndSurviveANewConfiguration)
{
    TestApp app;
    Configuration* c = settings(app);
    c->SEL_INTER->setCurrentText(QStringLiteral("Sans fil"));
    c->SEL_DCF77->setCurrentText(QStringLiteral("OUI"));
    c->SEL_REL1->setCurrentText(QStringLiteral("OUI"));
    app.validate();
    EXPECT_EQ(enabledItems(app), "MENU_MISEALH MENU_LUM MENURELAIS1");
    // The response control and the interface take effect at once, before any validation.
    EXPECT_TRUE(app.tqv->responseIgnored());
    c->SEL_REP->setCurrentText(QStringLiteral("OUI"));
    EXPECT_FALSE(app.tqv->responseIgnored());

    c->SEL_INTER->setCurrentText(QStringLiteral("Filaire "));
    EXPECT_TRUE(app.tqv->wired());
    c->SEL_COUL->setCurrentText(QStringLiteral("Tri couleur "));
    c->SEL_REL2->setCurrentText(QStringLiteral("OUI"));
    app.validate();
    // Three colours now: the brightness item stays on once on; relay 2 turns the event item on.
    EXPECT_EQ(enabledItems(app), "MENU_MISEALH MENU_EVEN MENU_LECTURE MENU_DERMISEH MENU_DCF77 MENU_4COUL MENU_6COUL MENU_LUM MENURELAIS1");

    c->SEL_REL2->setCurrentText(QStringLiteral("NON"));
    c->SEL_REL1->setCurrentText(QStringLiteral("NON"));
    c->SEL_COM->setCurrentText(QStringLiteral("COM2:"));
    app.validate();
    // The event item stays on once on.
    const std::string last = "MENU_MISEALH MENU_EVEN MENU_LECTURE MENU_DERMISEH MENU_DCF77 MENU_4COUL MENU_6COUL MENU_LUM";
    EXPECT_EQ(enabledItems(app), last);

    // A new configuration discards the port and the settings, not the menus.
    ASSERT_TRUE(app.fake->isOpen());
    const MenuState before = app.principal->menuState();
    QPointer<Configuration> old = c;
    app.principal->menuAction(QStringLiteral("MENU_NOUVELLE"))->trigger();
    EXPECT_TRUE(old.isNull());
    EXPECT_FALSE(app.fake->isOpen());
    EXPECT_FALSE(app.link.portValide);
    EXPECT_EQ(settings(app)->SEL_COM->currentText(), QStringLiteral("COM1:"));
    EXPECT_EQ(settings(app)->SEL_COUL->currentIndex(), 0);
    EXPECT_EQ(app.link.settings.port, QStringLiteral("COM1:"));
    EXPECT_EQ(app.principal->portStatusText(), QStringLiteral("aucun port validé"));
    EXPECT_TRUE(app.principal->menuState() == before);
    EXPECT_EQ(enabledItems(app), last);
}

TEST(MainWindow, HelpAsksTheDesktopThenShowsTheGuideInside)
{
    TestApp app;
    const QString before = QDir::currentPath();
    app.principal->menuAction(QStringLiteral("MENU_Aide"))->trigger();
    // The program's folder is the current folder from then on.
    EXPECT_EQ(QDir::current().canonicalPath(), QDir(app.ctx.programDir).canonicalPath());
    QDir::setCurrent(before);
    EXPECT_EQ(app.ui.openedDocuments, QStringList{QDir(app.ctx.programDir).filePath(QStringLiteral("KWF_TQV.doc"))});
    EXPECT_TRUE(app.ui.messages.empty());
    // The desktop could not open it: the same guide inside the program, once however often asked.
    app.principal->menuAction(QStringLiteral("MENU_Aide"))->trigger();
    const auto guides = app.principal->findChildren<QTextBrowser*>(QStringLiteral("GUIDE"));
    ASSERT_EQ(guides.size(), 1);
    EXPECT_TRUE(guides[0]->isVisible());
    EXPECT_TRUE(guides[0]->toPlainText().contains(QStringLiteral("Guide de l'utilisateur")));
    EXPECT_TRUE(guides[0]->toPlainText().contains(QStringLiteral("dialout")));
}

TEST(MainWindow, HelpOpensTheInstalledGuideWhereTheDocumentationLives)
{
    TestApp app;
    const QString before = QDir::currentPath();
    AppContext installed = app.ctx;
    installed.guidePath = QStringLiteral("/usr/share/doc/kwf-tqv/KWF_TQV.doc");
    Principal principal(installed);
    principal.menuAction(QStringLiteral("MENU_Aide"))->trigger();
    QDir::setCurrent(before);
    EXPECT_EQ(app.ui.openedDocuments, QStringList{installed.guidePath});
}

TEST(Splash, VersionAndClosingByKeyClickOrTimer)
{
    {
        Splash s;
        EXPECT_EQ(s.lblVersion->text(), QStringLiteral("Version 1.0.6"));
        EXPECT_TRUE(s.Timer1->isActive());
    }
    const std::function<void(Splash*)> ways[] = {
        [](Splash* s) { QTest::keyClick(s, Qt::Key_Space); },
        [](Splash* s) { QTest::mouseClick(s->Picture1, Qt::LeftButton); QTest::mouseClick(s->lblVersion, Qt::LeftButton); },
        [](Splash* s) { QMetaObject::invokeMethod(s->Timer1, "timeout", Qt::DirectConnection); },
    };
    for (const auto& close : ways) {
        auto* s = new Splash;
        QSignalSpy done(s, &Splash::finished);
        s->show();
        // The start-up behind the splash (and its modal messages) runs with the splash gone.
        bool shownDuringStartUp = true;
        QObject::connect(s, &Splash::finished, [&] { shownDuringStartUp = s->isVisible(); });
        close(s);
        EXPECT_EQ(done.count(), 1);
        EXPECT_FALSE(shownDuringStartUp);
    }
}

// A desktop logout, kill or Ctrl+C ends the event loop as "Quitter" does, so that main() closes
// the port and removes its lock file; without the handler the signal would kill this test.
TEST(MainWindow, TerminationSignalsEndTheEventLoop)
{
#ifndef Q_OS_UNIX
    GTEST_SKIP() << "SIGTERM and SIGHUP are Unix signals; Windows ends a session with window messages, "
                    "which Qt answers by closing the windows";
#else
    quitOnTerminationSignals();
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
        QTimer::singleShot(0, [sig] { ::raise(sig); });
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        guard.start(5000);
        EXPECT_EQ(QCoreApplication::exec(), 0) << "signal " << sig;
    }
#endif
}

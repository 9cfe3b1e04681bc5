#include "TestApp.h"
#include "clock/DCF77.h"
#include "core/Clock.h"
#include "core/Dcf77Minute.h"
#include "core/Frames.h"
#include "link/Configuration.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

namespace {

QByteArray bits(int n)
{
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b.append(i % 3 ? '1' : '0');
    return b;
}

QColor fill(const QWidget* w, const char* shape)
{
    return w->findChild<QLabel*>(QString::fromLatin1(shape))->property("fillColor").value<QColor>();
}

const QColor kWhite(255, 255, 255), kGreen(0, 255, 0), kDarkRed(192, 0, 0);

struct Monitor {
    TestApp app;
    DCF77* w = nullptr;

    explicit Monitor(bool validated = true, const char* response = "NON")
    {
        app.principal->configuration()->SEL_REP->setCurrentText(QString::fromLatin1(response));
        app.principal->configuration()->SEL_DCF77->setCurrentText(QStringLiteral("OUI"));
        if (validated)
            app.validate();
        w = qobject_cast<DCF77*>(app.principal->showWindow(QStringLiteral("DCF77")));
        app.ui.messages.clear();
        app.takeWrites();
    }
    // One poll tick, 200 ms of simulated time.
    void tick(int n = 1)
    {
        for (int i = 0; i < n; ++i) {
            app.clock.advance(200);
            w->Timer3_Timer();
        }
    }
    QString label(const char* name) const { return w->findChild<QLabel*>(QString::fromLatin1(name))->text(); }
    void click(const char* button)
    {
        QTest::mouseClick(w->findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
    }
};

} // namespace

TEST(Dcf77Window, LoadsListeningWithItsControls)
{
    Monitor m;
    ASSERT_NE(m.w, nullptr);
    EXPECT_EQ(m.w->windowTitle(), QStringLiteral("Chronogramme DCF 77."));
    EXPECT_TRUE(m.w->Timer3->isActive());
    EXPECT_EQ(m.w->Timer3->interval(), 200);
    EXPECT_TRUE(m.w->Timer1->isActive());
    EXPECT_EQ(m.w->Timer1->interval(), 500);
    for (const char* s : {"Shape1", "Shape2", "Shape3", "Shape4"})
        EXPECT_EQ(fill(m.w, s), kWhite) << s;
    EXPECT_EQ(m.label("cnt"), QStringLiteral("0"));
    EXPECT_EQ(m.label("tra"), QStringLiteral("0"));
    EXPECT_EQ(m.label("Label12"), QStringLiteral(" Tame Ok 59s"));
    EXPECT_EQ(m.w->Command1->text(), QStringLiteral("Éffacer"));
    EXPECT_EQ(m.w->Command6->text(), QStringLiteral("Enregistrer le journal de réception DCF77"));
    EXPECT_TRUE(m.w->Text1->font().fixedPitch());
    // The menu item (wired link, DCF77 option) shows the window.
    ASSERT_TRUE(m.app.principal->menuAction(QStringLiteral("MENU_DCF77"))->isEnabled());
    m.app.principal->unloadWindow(QStringLiteral("DCF77"));
    m.app.principal->menuAction(QStringLiteral("MENU_DCF77"))->trigger();
    EXPECT_NE(m.app.principal->existingWindow(QStringLiteral("DCF77")), nullptr);
}

TEST(Dcf77Window, OneCharacterPerTickInOrder)
{
    Monitor m;
    m.app.fake->feed("10");
    m.tick();
    EXPECT_EQ(m.w->logText(), QStringLiteral("1"));
    EXPECT_EQ(m.label("cnt"), QStringLiteral("1"));
    EXPECT_EQ(fill(m.w, "Shape3"), kGreen);
    EXPECT_EQ(fill(m.w, "Shape4"), kGreen);
    EXPECT_EQ(m.app.fake->pending(), QByteArray("0"));
    m.tick();
    EXPECT_EQ(m.w->logText(), QStringLiteral("10"));
    EXPECT_EQ(fill(m.w, "Shape2"), kGreen);
    EXPECT_EQ(fill(m.w, "Shape3"), kWhite);
    m.tick();   // nothing waiting: nothing changes
    EXPECT_EQ(m.label("cnt"), QStringLiteral("2"));

    // The flash ends with Timer1, which then stops until the next character.
    m.w->Timer1_Timer();
    EXPECT_EQ(fill(m.w, "Shape4"), kWhite);
    EXPECT_FALSE(m.w->Timer1->isActive());
    m.app.fake->feed("1");
    m.tick();
    EXPECT_TRUE(m.w->Timer1->isActive());
    EXPECT_EQ(fill(m.w, "Shape4"), kGreen);
    m.app.fake->feed("E");
    m.tick();
    EXPECT_EQ(fill(m.w, "Shape1"), kDarkRed);
}

TEST(Dcf77Window, StartResynchronisesAndStopEndsThePoll)
{
    Monitor m(true, "OUI");
    m.app.fake->responder = ackOneByte;
    m.w->Timer3->stop();
    m.app.fake->feed("0101");   // stale characters go
    m.click("Command2");
    auto writes = m.app.takeWrites();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0], closingFrame());
    EXPECT_EQ(m.app.fake->pending(), QByteArray());   // the acknowledgement too
    EXPECT_TRUE(m.w->Timer3->isActive());
    EXPECT_TRUE(m.app.ui.messages.empty());

    m.app.fake->feed("1");
    m.tick();
    m.click("Command3");
    writes = m.app.takeWrites();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0], linkTestFrame());
    EXPECT_FALSE(m.w->Timer3->isActive());
    EXPECT_EQ(m.w->logText(), QStringLiteral("1"));   // the log stays

    // A wired panel that does not answer the stop: its own message, the poll still goes off.
    m.app.fake->responder = nullptr;
    m.w->Timer3->start();
    m.click("Command3");
    EXPECT_EQ(m.app.ui.lastText(), QString::fromUtf8(msg::kLinkFailed));
    EXPECT_FALSE(m.w->Timer3->isActive());
}

TEST(Dcf77Window, StartWithoutValidatedPortOnlyWarns)
{
    Monitor m(false);
    m.w->Timer3->stop();
    m.click("Command2");
    ASSERT_EQ(m.app.ui.messages.size(), 1u);
    EXPECT_EQ(m.app.ui.messages[0].text, QString::fromUtf8(msg::kPortNotValidated));
    EXPECT_EQ(m.app.ui.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_TRUE(m.app.fake->writes.empty());
    EXPECT_FALSE(m.w->Timer3->isActive());
}

TEST(Dcf77Window, PollWaitsForAValidatedPortAndStopsWhenItGoes)
{
    Monitor m(false);
    m.app.fake->feed("1");   // the fake keeps bytes even while closed
    m.tick(3);
    EXPECT_EQ(m.label("cnt"), QStringLiteral("0"));
    EXPECT_TRUE(m.w->Timer3->isActive());

    m.app.validate();
    m.app.fake->feed("01");
    m.tick();
    EXPECT_EQ(m.w->logText(), QStringLiteral("0"));

    // The adapter is pulled out: the port closes under the window.
    m.app.fake->close();
    m.tick();
    EXPECT_FALSE(m.w->Timer3->isActive());
    EXPECT_EQ(m.w->logText(), QStringLiteral("0"));
    // Starting again on the dead port stops at the port: nothing to write to.
    m.click("Command2");
    EXPECT_TRUE(m.app.fake->writes.empty());
}

TEST(Dcf77Window, ClearDuringMonitoring)
{
    Monitor m;
    m.app.fake->feed(bits(58) + "3" + "E01");
    m.tick(62);
    ASSERT_EQ(m.label("tra"), QStringLiteral("1"));
    m.click("Command1");
    EXPECT_EQ(m.app.ui.clipboardClears, 1);
    EXPECT_EQ(m.w->logText(), QString());
    EXPECT_EQ(m.w->Text1->toPlainText(), QString());
    EXPECT_EQ(m.label("cnt"), QStringLiteral("0"));
    EXPECT_EQ(m.label("tra"), QStringLiteral("0"));
    for (const char* s : {"Shape1", "Shape2", "Shape3", "Shape4"})
        EXPECT_EQ(fill(m.w, s), kWhite) << s;
    EXPECT_EQ(m.w->DECODAGE->toPlainText(), QString());
    EXPECT_TRUE(m.w->Timer3->isActive());
    m.app.fake->feed("1");
    m.tick();
    EXPECT_EQ(m.w->logText(), QStringLiteral("1"));
}

TEST(Dcf77Window, SaveWritesTheLogFileAndBringsTheSettingsForward)
{
    Monitor m;
    const QString path = QDir(m.app.dir.path()).filePath(QStringLiteral("journal.txt"));
    m.app.ui.saveAnswers << path;
    m.app.clock.setNow(QDateTime(QDate(2026, 12, 5), QTime(10, 15, 42)));
    m.click("Command6");
    ASSERT_EQ(m.app.ui.dialogs.size(), 1u);
    EXPECT_EQ(m.app.ui.dialogs[0].kind, QStringLiteral("save"));
    EXPECT_EQ(m.app.ui.dialogs[0].title, QStringLiteral("Enregistrer un fichier de réception DCF77"));
    EXPECT_TRUE(m.app.ui.dialogs[0].filter.startsWith(QStringLiteral("Fichiers réception DCF77 (*.txt")));
    EXPECT_EQ(m.app.ui.dialogs[0].proposed, QStringLiteral("Fichiers réception DCF77"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray(" Journal de r\xE9" "ception de chronogramme DCF77 :\r\n") + QByteArray(45, '-')
                               + "\r\n\r\n\r\n\xE0 10:15:42  le 05/12/2026.\r\n");
    EXPECT_TRUE(m.app.ui.messages.empty());
    auto* settings = m.app.principal->existingWindow(QStringLiteral("CONFIGURATION"));
    ASSERT_NE(settings, nullptr);
    auto* sub = qobject_cast<QMdiSubWindow*>(settings->parentWidget());
    ASSERT_NE(sub, nullptr);
    EXPECT_FALSE(sub->isHidden());
    EXPECT_FALSE(sub->isMinimized());

    // A second save replaces the file with the log as it now stands.
    m.app.fake->feed("0E1");
    m.tick(3);
    m.app.ui.saveAnswers << path;
    m.click("Command6");
    f.close();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("\r\n0E1\r\n\r\n\xE0 "));
}

TEST(Dcf77Window, CancelWritesNothingAndAFailedSaveSaysSo)
{
    Monitor m;
    m.click("Command6");   // no answer queued: cancelled
    EXPECT_EQ(QDir(m.app.dir.path()).entryList(QDir::Files), QStringList());
    EXPECT_TRUE(m.app.ui.messages.empty());
    EXPECT_EQ(m.app.principal->existingWindow(QStringLiteral("CONFIGURATION"))->parentWidget()->isMinimized(), true);

    const QString missing = QDir(m.app.dir.path()).filePath(QStringLiteral("absent/journal.txt"));
    m.app.ui.saveAnswers << missing;
    m.click("Command6");
    ASSERT_EQ(m.app.ui.messages.size(), 1u);
    EXPECT_TRUE(m.app.ui.messages[0].text.startsWith(QStringLiteral("Erreur lors de l'enregistrement")));
    EXPECT_EQ(m.app.ui.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_FALSE(QFile::exists(missing));

    // A file that cannot be replaced (a folder of that name) keeps what it was.
    const QString folder = QDir(m.app.dir.path()).filePath(QStringLiteral("dossier"));
    QDir().mkpath(folder);
    m.app.ui.saveAnswers << folder;
    m.click("Command6");
    EXPECT_EQ(m.app.ui.messages.size(), 2u);
    EXPECT_TRUE(QFileInfo(folder).isDir());
}

// The waits of an exchange take no events: a poll tick due during another window's exchange
// runs only once the exchange is over. Real time, about 0.7 s.
TEST(Dcf77Window, NoPollDuringAnExchange)
{
    Monitor m;
    SystemClock real;
    Tqvbase other(*m.app.port, real, m.app.ui, m.app.link);
    m.app.fake->feed("01");
    m.w->Timer3->start();
    other.ATTENTE(0.45);
    EXPECT_EQ(m.w->logText(), QString());
    EXPECT_EQ(m.app.fake->pending(), QByteArray("01"));
    QTest::qWait(300);
    EXPECT_FALSE(m.w->logText().isEmpty());
}

TEST(Dcf77Window, CompleteMinutesAreDecodedUnderTheLog)
{
    Monitor m;
    const auto minute = [](int hh, int mm) {
        const Dcf77Minute t = Dcf77Minute::fromDateTime(QDateTime(QDate(2026, 12, 5), QTime(hh, mm)), false);
        return Dcf77Minute::toChars(t.encode());
    };
    QByteArray spoilt = minute(10, 2);
    spoilt[30] = spoilt[30] == '0' ? '1' : '0';   // hour parity
    const QByteArray stream = "0110" "2" + minute(10, 0) + minute(10, 1) + spoilt + bits(20);
    m.app.fake->feed(stream);
    m.tick(int(stream.size()));
    const QStringList lines = m.w->DECODAGE->toPlainText().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3) << m.w->DECODAGE->toPlainText().toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Samedi   05/12/2026 10:00 CET"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains(QStringLiteral("10:01")));
    EXPECT_TRUE(lines[2].contains(QStringLiteral("parité des heures")));
    EXPECT_EQ(m.w->goodMinutes(), 2);
    EXPECT_EQ(m.w->badMinutes(), 1);
    EXPECT_EQ(m.label("BILAN"), QStringLiteral("Bonnes : 2   Mauvaises : 1"));
    EXPECT_EQ(m.label("tra"), QStringLiteral("3"));   // the log judges by count alone
    EXPECT_EQ(m.label("cnt"), QStringLiteral("20"));
    // The log view shows the log's lines.
    EXPECT_EQ(m.w->Text1->toPlainText(), QString(m.w->logText()).remove(QLatin1Char('\r')));
    EXPECT_TRUE(m.w->logText().startsWith(QStringLiteral("01100-Err\r\nS-")));
}

#include "EmulatedApp.h"
#include "clock/DCF77.h"
#include "core/Frames.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

// The emulated panel streams two minutes of DCF77 into the monitor, on simulated time.
TEST(Dcf77Emulated, TwoMinutesFromThePanel)
{
    // Started at 01:57:42.3: seconds 43 to 58 of the first minute arrive first.
    auto app = makeEmulatedApp(QDateTime(QDate(2008, 3, 30), QTime(1, 57, 42, 300)));
    emu::EmulatedSerialPort& port = emulatedPort(*app);
    emu::PanelModel& panel = port.model();
    app->principal->configuration()->SEL_DCF77->setCurrentText(QStringLiteral("OUI"));
    app->principal->configuration()->SEL_REP->setCurrentText(QStringLiteral("OUI"));
    app->validate();
    auto* w = qobject_cast<DCF77*>(app->principal->showWindow(QStringLiteral("DCF77")));
    w->Timer3->stop();   // ticks are driven below
    app->ui.messages.clear();
    QTest::mouseClick(w->Command2, Qt::LeftButton);   // the closing frame starts the stream
    EXPECT_EQ(port.writes.back().bytes, closingFrame());
    EXPECT_TRUE(app->ui.messages.empty());
    EXPECT_TRUE(panel.streaming());

    for (int t = 0; t < 120000; t += 200) {
        app->clock.advance(200);
        w->Timer3_Timer();
    }
    const QStringList lines = w->logText().split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 3) << w->logText().toStdString();
    EXPECT_EQ(lines[0].size(), 16 + 4);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("-Err")));
    EXPECT_EQ(lines[1], QStringLiteral("S-") + lines[1].mid(2, 59) + QStringLiteral("-Ok!"));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("S-")));   // the third minute under way
    EXPECT_FALSE(lines[2].contains(QLatin1Char('!')) || lines[2].contains(QStringLiteral("Err")));

    // The complete minute announces the minute mark that ended it, 01:59 CET by the panel's clock.
    const QDateTime wall = panel.wallTimeAt(app->clock.monotonicMs());
    ASSERT_EQ(QDateTime(wall.date(), QTime(wall.time().hour(), wall.time().minute())),
              QDateTime(QDate(2008, 3, 30), QTime(1, 59)));
    EXPECT_EQ(w->DECODAGE->toPlainText(), QStringLiteral("Dimanche 30/03/2008 01:59 CET  (heure d'hiver)  correcte"));

    const size_t sent = port.writes.size();
    QTest::mouseClick(w->Command3, Qt::LeftButton);   // the link test frame ends the stream
    ASSERT_EQ(port.writes.size(), sent + 1);
    EXPECT_EQ(port.writes.back().bytes, linkTestFrame());
    EXPECT_FALSE(panel.streaming());
}

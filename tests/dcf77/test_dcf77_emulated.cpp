#include "TestApp.h"
#include "clock/DCF77.h"
#include "link/Configuration.h"
#include "model/EmulatedSerialPort.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

namespace {

// Lets the program be built before the emulated panel, which needs the program's clock. Without a
// panel behind it (before it is plugged, after it is gone) it is a closed port.
class LatePort : public SerialPort {
public:
    SerialPort* target = nullptr;
    bool open(const QString& d, const LineSettings& s) override { return target && target->open(d, s); }
    void close() override { if (target) target->close(); }
    bool isOpen() const override { return target && target->isOpen(); }
    bool clearInput() override { return target && target->clearInput(); }
    bool setDtr(bool on) override { return target && target->setDtr(on); }
    bool write(const QByteArray& b) override { return target && target->write(b); }
    int bytesWaiting() override { return target ? target->bytesWaiting() : 0; }
    int readByte() override { return target ? target->readByte() : -1; }
    bool waitForInput(int ms) override { return target && target->waitForInput(ms); }
    QString errorString() const override { return target ? target->errorString() : QString(); }
};

} // namespace

// The emulated panel streams two minutes of DCF77 into the monitor, on simulated time.
TEST(Dcf77Emulated, TwoMinutesFromThePanel)
{
    auto late = std::make_unique<LatePort>();
    LatePort* lp = late.get();
    TestApp app(std::move(late));
    app.clock.setNow(QDateTime(QDate(2008, 3, 30), QTime(1, 57, 42, 300)));
    emu::EmulatedSerialPort panel(app.clock);
    lp->target = &panel;
    // The panel goes before the program, even when an assertion ends the test early.
    struct Unplug { LatePort* p; ~Unplug() { p->target = nullptr; } } unplug{lp};

    Configuration* settings = app.principal->configuration();
    settings->SEL_DCF77->setCurrentText(QStringLiteral("OUI"));
    settings->SEL_REP->setCurrentText(QStringLiteral("OUI"));
    app.validate();
    auto* w = qobject_cast<DCF77*>(app.principal->showWindow(QStringLiteral("DCF77")));
    ASSERT_NE(w, nullptr);
    w->Timer3->stop();   // ticks are driven below
    app.ui.messages.clear();

    QTest::mouseClick(w->Command2, Qt::LeftButton);
    EXPECT_TRUE(app.ui.messages.empty());
    EXPECT_TRUE(panel.model().streaming());
    EXPECT_TRUE(w->Timer3->isActive());

    // Two minutes of 200 ms poll ticks.
    const qint64 end = app.clock.monotonicMs() + 120000;
    while (app.clock.monotonicMs() < end) {
        app.clock.advance(200);
        w->Timer3_Timer();
    }
    const QStringList lines = w->logText().split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 3) << w->logText().toStdString();
    // Started at 01:57:42.3: seconds 43 to 58 of the first minute, 16 characters.
    EXPECT_EQ(lines[0].size(), 16 + 4);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("-Err")));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("S-")));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("-Ok!")));
    EXPECT_EQ(lines[1].size(), 2 + 59 + 4);
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("S-")));   // the third minute under way
    EXPECT_FALSE(lines[2].contains(QStringLiteral("-Ok!")) || lines[2].contains(QStringLiteral("-Err")));
    EXPECT_EQ(w->log().minutes(), 1);

    // The minute received from 01:58 announces the minute mark that ended it, 01:59 CET, as the
    // panel's transmitter time has it.
    const QDateTime wall = panel.model().wallTimeAt(app.clock.monotonicMs());
    const QDateTime mark(wall.date(), QTime(wall.time().hour(), wall.time().minute()));
    ASSERT_EQ(mark, QDateTime(QDate(2008, 3, 30), QTime(1, 59)));
    const QString decoded = w->DECODAGE->toPlainText();
    EXPECT_EQ(decoded, QStringLiteral("Dimanche 30/03/2008 %1 CET  (heure d'hiver)  correcte")
                           .arg(mark.time().toString(QStringLiteral("HH:mm")))) << decoded.toStdString();
    EXPECT_EQ(w->goodMinutes(), 1);

    // Stop: the link test frame ends the stream.
    QTest::mouseClick(w->Command3, Qt::LeftButton);
    EXPECT_FALSE(panel.model().streaming());
    EXPECT_FALSE(w->Timer3->isActive());
}

// The adapter is pulled out in the middle of an exchange: the exchange ends as a failure with
// the message its window gives for a missing answer (or none), nothing hangs or spins, and the
// settings can be validated again on another port.
#include "RobustSupport.h"
#include "clock/DCF77.h"
#include "core/Frames.h"
#include "core/SwitchOps.h"
#include "panel/Relais.h"
#include "panel/dump.h"

#include <QComboBox>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <thread>

using namespace kwf;
using namespace kwf::test;

namespace {

const QString kOpened2 = QStringLiteral("Ouverture du port COM2: effectuée avec succès.");

// The rack app validated on COM1, the COM1 panel set to go away after `frames` frames.
struct Unplugging {
    std::unique_ptr<TestApp> app = makeRackApp();
    emu::EmulatedSerialPort* com1 = nullptr;
    explicit Unplugging(int frames, const char* iface = "Filaire ")
    {
        com1 = &rack(*app).panel(comDevice(*app, 1));
        com1->model().faults().unplugAfterFrames = frames;
        selectPort(*app, 1, "OUI", iface);
        app->validate();
        EXPECT_TRUE(app->link.portValide);
        app->ui.messages.clear();
    }
    // Validation on COM2 (a healthy panel) after the failure.
    emu::EmulatedSerialPort& revalidateOnCom2()
    {
        emu::EmulatedSerialPort& com2 = rack(*app).panel(comDevice(*app, 2));
        selectPort(*app, 2);
        app->ui.messages.clear();
        app->validate();
        EXPECT_EQ(app->ui.lastText(), kOpened2);
        EXPECT_TRUE(app->link.portValide);
        app->ui.messages.clear();
        return com2;
    }
    dump* dumpWindow() { return qobject_cast<dump*>(app->principal->showWindow(QStringLiteral("dump"))); }
};

} // namespace

// Link test (switch reading of the display window): the port fails after the link frame.
TEST(UnplugSimulated, DuringTheLinkTestTheSwitchReadingStopsQuietly)
{
    Unplugging u(1);
    dump* w = u.dumpWindow();
    ASSERT_NE(w, nullptr);
    const qint64 t0 = u.app->clock.monotonicMs();
    QTest::mouseClick(w->LIT_SW, Qt::LeftButton);
    // A port error ends the link test at once, without a message; nothing else goes out.
    EXPECT_TRUE(u.app->ui.messages.empty()) << u.app->ui.lastText().toStdString();
    ASSERT_EQ(u.com1->writes.size(), 1u);
    EXPECT_EQ(u.com1->writes[0].bytes, linkTestFrame());
    EXPECT_LE(u.app->clock.monotonicMs() - t0, 1000);
    for (QScrollBar* b : w->SW2)
        EXPECT_EQ(b->value(), 1) << "switches stay OFF";
    // A second press on the dead port fails at once, still quietly.
    QTest::mouseClick(w->LIT_SW, Qt::LeftButton);
    EXPECT_TRUE(u.app->ui.messages.empty());

    emu::EmulatedSerialPort& com2 = u.revalidateOnCom2();
    com2.model().setReg(switches::kBankSw2Register, 0x05);
    QTest::mouseClick(w->LIT_SW, Qt::LeftButton);
    EXPECT_EQ(w->SW2[0]->value(), 0) << "switch 1 ON read from the new port";
    EXPECT_EQ(w->SW2[1]->value(), 1);
    EXPECT_EQ(w->SW2[2]->value(), 0);
}

// "Envoi" of relay 1 (a 17-frame block write): the adapter goes after 5 frames of the block.
// The send ends with the failure message of the interface, after nothing more was written.
TEST(UnplugSimulated, DuringASeventeenFrameBlockWriteTheFailureMessageIsShown)
{
    for (const char* iface : {"Filaire ", "Sans fil"}) {
        Unplugging u(1 + 5, iface);
        auto* w = qobject_cast<Relais*>(u.app->principal->showWindow(QStringLiteral("Relais_1")));
        ASSERT_NE(w, nullptr);
        const qint64 t0 = u.app->clock.monotonicMs();
        QTest::mouseClick(w->ENVOI, Qt::LeftButton);
        EXPECT_LE(u.app->clock.monotonicMs() - t0, 2000);
        ASSERT_EQ(u.app->ui.messages.size(), 1u) << iface;
        if (QByteArray(iface) == "Filaire ") {
            EXPECT_EQ(u.app->ui.messages[0].text, QString::fromUtf8(msg::kWiredFailure));
            EXPECT_EQ(u.app->ui.messages[0].icon, MsgIcon::Exclamation);
        } else {
            EXPECT_EQ(u.app->ui.messages[0].text, QString::fromUtf8(msg::kWirelessFailure));
            EXPECT_EQ(u.app->ui.messages[0].icon, MsgIcon::Information);
        }
        // Link frame + 5 block frames reached the line; nothing after the failure.
        EXPECT_EQ(u.com1->writes.size(), 6u);

        emu::EmulatedSerialPort& com2 = u.revalidateOnCom2();
        com2.model().setReg(15, 0);
        QTest::mouseClick(w->ENVOI, Qt::LeftButton);
        EXPECT_EQ(u.app->ui.lastText(), QStringLiteral("Programmation Relais 1 effectuée."));
        EXPECT_EQ(com2.model().reg(15), 0xCC);
    }
}

// "Lecture" of relay 2 (17 reads, 0.5 s after each): the adapter goes after 8 of them. The read
// stops at the first frame the port refuses instead of sitting out the remaining pauses, ends
// with the failure message, and leaves the window's values as they were.
TEST(UnplugSimulated, DuringTheRelayTwoReadTheReadEndsAtOnce)
{
    Unplugging u(1 + 8);
    auto* w = qobject_cast<Relais*>(u.app->principal->showWindow(QStringLiteral("Relais_2")));
    ASSERT_NE(w, nullptr);
    auto* hour = w->findChild<QComboBox*>(QStringLiteral("Combo1"));
    ASSERT_NE(hour, nullptr);
    hour->setCurrentIndex(7);
    const qint64 t0 = u.app->clock.monotonicMs();
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    EXPECT_LE(u.app->clock.monotonicMs() - t0, 900 + 8 * 500 + 1000);
    ASSERT_EQ(u.app->ui.messages.size(), 1u);
    EXPECT_EQ(u.app->ui.messages[0].text, QString::fromUtf8(msg::kWiredFailure));
    EXPECT_EQ(hour->currentIndex(), 7) << "nothing partly decoded";

    emu::EmulatedSerialPort& com2 = u.revalidateOnCom2();
    com2.model().setReg(48, 0xCC);
    com2.model().setReg(33, 0x05);   // alarm 1 hour, BCD
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    EXPECT_EQ(u.app->ui.lastText(), QStringLiteral("Lecture Relais 2 effectuée."));
}

// The grid reading ("Lire "): the adapter goes after 10 registers. Every box is filled, the
// registers that could not be read show "0", no message.
TEST(UnplugSimulated, DuringTheGridReadingEveryBoxIsFilledAndNothingIsShown)
{
    Unplugging u(10);
    for (int r = 0; r < 64; ++r)
        u.com1->model().setReg(r, quint8(0xA0 + (r % 16)));
    u.com1->model().setReg(0, 0x10);   // keep the clock running and sane
    dump* w = u.dumpWindow();
    ASSERT_NE(w, nullptr);
    const qint64 t0 = u.app->clock.monotonicMs();
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    EXPECT_LE(u.app->clock.monotonicMs() - t0, 10 * 50 + 100) << "no wait after the port failed";
    EXPECT_TRUE(u.app->ui.messages.empty());
    for (int r = 0; r < 9; ++r)
        EXPECT_NE(w->Text1[r]->text(), QStringLiteral("0")) << r;
    for (int r = 9; r < 64; ++r)
        EXPECT_EQ(w->Text1[r]->text(), QStringLiteral("0")) << r;
    EXPECT_EQ(u.com1->writes.size(), 10u);

    emu::EmulatedSerialPort& com2 = u.revalidateOnCom2();
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    for (int r = 8; r < 64; ++r)
        EXPECT_EQ(w->Text1[r]->text(), gridText(com2.model().reg(r))) << r;
}

// The DCF77 monitor polls while the adapter goes: the poll stops, the window stays usable, and
// monitoring restarts on a new port.
TEST(UnplugSimulated, WhileTheDcf77MonitorPollsThePollStopsAndRestartsOnANewPort)
{
    Unplugging u(-1);
    auto* w = qobject_cast<DCF77*>(u.app->principal->showWindow(QStringLiteral("DCF77")));
    ASSERT_NE(w, nullptr);
    QTest::mouseClick(w->Command2, Qt::LeftButton);   // "Démarrer"
    auto tick = [&](int n) {
        for (int i = 0; i < n; ++i) {
            u.app->clock.advance(200);
            w->Timer3_Timer();
        }
    };
    tick(5 * 5);
    const QString before = w->logText();
    EXPECT_GE(before.size(), 3);
    u.com1->unplug();
    tick(10);
    EXPECT_FALSE(w->Timer3->isActive()) << "the poll stops on a port that has gone";
    EXPECT_EQ(w->logText(), before);
    QTest::mouseClick(w->Command1, Qt::LeftButton);   // "Éffacer" still works
    EXPECT_TRUE(w->logText().isEmpty());
    // "Arrêter" on the dead port: quiet failure of the link test.
    QTest::mouseClick(w->Command3, Qt::LeftButton);
    EXPECT_TRUE(u.app->ui.messages.empty());

    u.revalidateOnCom2();
    QTest::mouseClick(w->Command2, Qt::LeftButton);
    EXPECT_TRUE(w->Timer3->isActive());
    tick(5 * 5);
    EXPECT_GE(w->logText().size(), 3) << "characters flow from the new port";
}

// ---- Real time, over pseudo-terminals --------------------------------------------------------

class UnplugPty : public ::testing::TestWithParam<SerialBackend> {};

// The pseudo-terminal closes 300 ms into the first wait of a link test against a silent panel:
// the test ends (false, no message) without sitting out three attempts and without spinning.
TEST_P(UnplugPty, DuringTheLinkTest)
{
    emu::PtyPanel panel;
    ASSERT_TRUE(panel.start()) << panel.errorString().toStdString();
    RealTimeApp app(GetParam());
    ASSERT_TRUE(panel.linkAs(app.dir.path(), 1));
    { auto l = panel.lock(); panel.model().faults().silent = true; }
    app.validate(1);
    ASSERT_TRUE(app.link.portValide) << app.ui.lastText().toStdString();
    app.ui.messages.clear();

    std::thread puller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        panel.unplug();
    });
    const double cpu0 = cpuMs();
    QElapsedTimer t;
    t.start();
    const bool ok = app.tqv->TEST_LIAISON();
    const qint64 wall = t.elapsed();
    const double cpu = cpuMs() - cpu0;
    puller.join();
    EXPECT_FALSE(ok);
    EXPECT_TRUE(app.ui.messages.empty()) << app.ui.lastText().toStdString();
    EXPECT_LT(wall, 1500) << "three attempts were sat out";
    EXPECT_LT(cpu, 300.0) << "the wait spun on the dead port";
    EXPECT_FALSE(app.port->isOpen());

    emu::PtyPanel second;
    ASSERT_TRUE(second.start());
    ASSERT_TRUE(second.linkAs(app.dir.path(), 2));
    app.validate(2);
    EXPECT_EQ(app.ui.lastText(), kOpened2);
    EXPECT_EQ(readRegisterOverRealLine(*app.tqv, switches::kMarkerRegister), int([&] { auto l = second.lock(); return second.model().reg(switches::kMarkerRegister); }()));
}

INSTANTIATE_TEST_SUITE_P(Robust, UnplugPty, ::testing::Values(SerialBackend::Posix, SerialBackend::Qt),
                         [](const auto& info) { return info.param == SerialBackend::Posix ? "Posix" : "Qt"; });

// The grid reading over a real line, the pseudo-terminal closing after 10 registers.
TEST(UnplugPtyWindow, DuringTheGridReading)
{
    emu::PtyPanel panel;
    ASSERT_TRUE(panel.start());
    RealTimeApp app;
    ASSERT_TRUE(panel.linkAs(app.dir.path(), 1));
    { auto l = panel.lock(); panel.model().faults().unplugAfterFrames = 10; }
    app.validate(1);
    ASSERT_TRUE(app.link.portValide);
    app.ui.messages.clear();
    auto* w = qobject_cast<dump*>(app.principal->showWindow(QStringLiteral("dump")));
    ASSERT_NE(w, nullptr);
    const double cpu0 = cpuMs();
    QElapsedTimer t;
    t.start();
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    EXPECT_LT(t.elapsed(), 64 * 50) << "the reading sat out the waits of a dead port";
    EXPECT_LT(cpuMs() - cpu0, 1500.0);
    EXPECT_TRUE(app.ui.messages.empty());
    for (int r = 10; r < 64; ++r)
        EXPECT_EQ(w->Text1[r]->text(), QStringLiteral("0")) << r;
    // Registers read before the line went show their values (most of them: each has only
    // 50 ms of a possibly loaded machine).
    int shown = 0;
    for (int r = 1; r < 9; ++r) {
        auto l = panel.lock();
        shown += w->Text1[r]->text() == gridText(panel.model().reg(r));
    }
    EXPECT_GE(shown, 1);

    emu::PtyPanel second;
    ASSERT_TRUE(second.start());
    ASSERT_TRUE(second.linkAs(app.dir.path(), 2));
    app.validate(2);
    EXPECT_EQ(app.ui.lastText(), kOpened2);
    EXPECT_EQ(readRegisterOverRealLine(*app.tqv, 20), int([&] { auto l = second.lock(); return second.model().reg(20); }()));
}

// The DCF77 monitor polls a real line while it goes away.
TEST(UnplugPtyWindow, WhileTheDcf77MonitorPolls)
{
    emu::PtyPanel panel;
    ASSERT_TRUE(panel.start());
    RealTimeApp app;
    ASSERT_TRUE(panel.linkAs(app.dir.path(), 1));
    app.validate(1, "NON");
    ASSERT_TRUE(app.link.portValide);
    auto* w = qobject_cast<DCF77*>(app.principal->showWindow(QStringLiteral("DCF77")));
    ASSERT_NE(w, nullptr);
    w->Timer3->stop();   // the test drives the poll itself
    panel.unplug();
    // The system reports the hang-up a moment after the master side closed: poll as the timer
    // would, a little faster, until the port gives up.
    const double cpu0 = cpuMs();
    QElapsedTimer t;
    t.start();
    while (app.port->isOpen() && t.elapsed() < 2000) {
        w->Timer3_Timer();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_LT(cpuMs() - cpu0, 200.0);
    EXPECT_FALSE(app.port->isOpen());
    // The real timer on a dead port: a few event-loop turns, nothing happens, nothing spins.
    w->Timer3->start();
    QTest::qWait(450);
    EXPECT_FALSE(w->Timer3->isActive());
    QTest::mouseClick(w->Command2, Qt::LeftButton);   // "Démarrer" on the dead port: quiet
    EXPECT_EQ(app.ui.messages.size(), 1u);           // only the validation message so far

    emu::PtyPanel second;
    ASSERT_TRUE(second.start());
    ASSERT_TRUE(second.linkAs(app.dir.path(), 2));
    app.validate(2, "NON");
    EXPECT_EQ(app.ui.lastText(), kOpened2);
    {
        auto l = second.lock();
        second.model().setWallTime(QDateTime::currentDateTime(), second.nowMs());
    }
    QTest::mouseClick(w->Command2, Qt::LeftButton);
    EXPECT_TRUE(w->Timer3->isActive());
}

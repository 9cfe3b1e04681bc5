// The adapter is pulled out before or during an exchange: the exchange ends as a failure with
// the message its window gives (or none), nothing hangs, nothing is half decoded, and the
// settings can be validated again on another port.
#include "RobustSupport.h"
#include "core/SwitchOps.h"

#include <QScrollBar>

using namespace kwf;
using namespace kwf::test;

namespace {

// What a window shows in its lists and switches.
QStringList shown(QWidget* w)
{
    QStringList s;
    for (auto* c : w->findChildren<QComboBox*>())
        s << c->currentText();
    for (auto* b : w->findChildren<QScrollBar*>())
        s << QString::number(b->value());
    return s;
}

} // namespace

// One click whose exchange loses its port after `frames` frames (0: gone since the validation).
TEST(UnplugSimulated, ExchangesEndAtOnceWithTheirMessageAndWorkOnANewPort)
{
    struct Case {
        int frames;
        const char *iface, *window, *button, *failure;
        MsgIcon icon;
        qint64 maxMs;
        const char* success;
    } cases[] = {
        // The link test before a switch reading: a port error ends it quietly.
        {1, "Filaire ", "dump", "LIT_SW", nullptr, MsgIcon::None, 1000, nullptr},
        // A 17-frame block write ("Envoi" of relay 1), the adapter gone after 5 of them.
        {6, "Filaire ", "Relais_1", "ENVOI_REL1", msg::kWiredFailure, MsgIcon::Exclamation, 2000, "Programmation Relais 1 effectuée."},
        {6, "Sans fil", "Relais_1", "ENVOI_REL1", msg::kWirelessFailure, MsgIcon::Information, 2000, "Programmation Relais 1 effectuée."},
        // 17 reads with 0.5 s after each: the read stops at the first frame the port refuses.
        {9, "Filaire ", "Relais_2", "Command1", msg::kWiredFailure, MsgIcon::Exclamation, 900 + 8 * 500 + 1000, "Lecture Relais 2 effectuée."},
        // Gone between the validation and the first exchange.
        {0, "Filaire ", "dump", "ENVOI_SW", nullptr, MsgIcon::None, 100, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.window) + " " + c.button + " after " + std::to_string(c.frames) + " frames");
        auto app = emulatedAppOn(1, c.iface);
        emu::EmulatedSerialPort& port = emulatedPort(*app);
        port.model().setReg(48, 0xCC);   // relay markers of a programmed panel
        port.model().setReg(15, 0xCC);
        port.model().faults().unplugAfterFrames = c.frames;
        if (c.frames == 0)
            port.unplug();
        QWidget* w = app->principal->showWindow(QString::fromLatin1(c.window));
        ASSERT_NE(w, nullptr);
        for (auto* box : w->findChildren<QComboBox*>())
            box->setCurrentIndex(box->count() - 1);
        const QStringList before = shown(w);
        auto* button = w->findChild<QPushButton*>(QString::fromLatin1(c.button));
        ASSERT_NE(button, nullptr);
        const qint64 t0 = app->clock.monotonicMs();
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_LE(app->clock.monotonicMs() - t0, c.maxMs) << "waits sat out on a dead port";
        EXPECT_EQ(port.writes.size(), size_t(c.frames)) << "frames after the failure";
        EXPECT_EQ(shown(w), before) << "something decoded from a failed exchange";
        ASSERT_EQ(app->ui.messages.size(), c.failure ? 1u : 0u) << app->ui.lastText().toStdString();
        if (c.failure) {
            EXPECT_EQ(app->ui.messages[0].text, QString::fromUtf8(c.failure));
            EXPECT_EQ(app->ui.messages[0].icon, c.icon);
        }
        revalidateOn(*app, 2);
        EXPECT_EQ(app->ui.texts(), QStringList{QStringLiteral("Ouverture du port COM2: effectuée avec succès.")});
        app->ui.messages.clear();
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_GT(port.writes.size(), size_t(c.frames) + 1);
        EXPECT_EQ(app->ui.lastText(), c.success ? QString::fromUtf8(c.success) : QString());
    }
}

// The grid reading ("Lire "): the adapter goes after 10 registers. Every box is filled, the
// registers that could not be read show "0", no message; on a new port the whole grid is read.
TEST(UnplugSimulated, DuringTheGridReadingEveryBoxIsFilled)
{
    auto app = emulatedAppOn(1);
    emu::EmulatedSerialPort& port = emulatedPort(*app);
    port.model().faults().unplugAfterFrames = 10;
    for (int r = 0; r < 64; ++r)
        port.model().setReg(r, quint8(r ? 0xA0 + r % 16 : 0x10));   // the clock running and sane
    auto* w = qobject_cast<dump*>(app->principal->showWindow(QStringLiteral("dump")));
    ASSERT_NE(w, nullptr);
    const qint64 t0 = app->clock.monotonicMs();
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    EXPECT_LE(app->clock.monotonicMs() - t0, 10 * 50 + 100) << "no wait after the port failed";
    EXPECT_TRUE(app->ui.messages.empty());
    for (int r = 0; r < 64; ++r)
        EXPECT_EQ(w->Text1[r]->text() == QStringLiteral("0"), r >= 9) << r;
    revalidateOn(*app, 2);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    for (int r = 8; r < 64; ++r)
        EXPECT_EQ(w->Text1[r]->text(), gridText(port.model().reg(r))) << r;
}

// The DCF77 monitor polls while the adapter goes: "Arrêter" on the dead port is quiet. (The poll
// stopping and listening again after a new validation are the DCF77 window's own tests.)
TEST(UnplugSimulated, StoppingTheDcf77MonitorOnAGonePortIsQuiet)
{
    auto app = emulatedAppOn(1);
    auto* w = qobject_cast<DCF77*>(app->principal->showWindow(QStringLiteral("DCF77")));
    ASSERT_NE(w, nullptr);
    QTest::mouseClick(w->Command2, Qt::LeftButton);   // "Démarrer"
    pollMonitor(*app, w, 25);
    EXPECT_GE(w->logText().size(), 3);
    emulatedPort(*app).unplug();
    pollMonitor(*app, w, 10);
    QTest::mouseClick(w->Command3, Qt::LeftButton);   // "Arrêter"
    EXPECT_TRUE(app->ui.messages.empty());
}

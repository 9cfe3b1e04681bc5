// Ports that cannot be used: held by another program, gone between the validation and the
// first exchange, or a port number with no device behind it.
#include "RobustSupport.h"
#include "core/SwitchOps.h"
#include "panel/dump.h"

#include <QLineEdit>
#include <QLockFile>
#include <QPushButton>
#include <QSerialPort>
#include <QTest>
#include <gtest/gtest.h>

#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace kwf;
using namespace kwf::test;

namespace {

QString failedOpening(int n) { return QStringLiteral("L'ouverture du port COM%1 à échouée !").arg(n); }
QString opened(int n) { return QStringLiteral("Ouverture du port COM%1: effectuée avec succès.").arg(n); }

} // namespace

// Another program holds the port, with flock (serial tools such as minicom's lock or another
// copy of this program) or with a lock file in /var/lock (every Qt program, picocom, ...):
// the validation fails with the critical message, and works once the port is released.
TEST(PortFaults, PortHeldByAnotherProgramIsRefusedUntilReleased)
{
    emu::PtyPanel panel;
    ASSERT_TRUE(panel.start());
    RealTimeApp app;
    ASSERT_TRUE(panel.linkAs(app.dir.path(), 1));
    const QByteArray slave = QFile::encodeName(panel.slavePath());

    // flock by another open file description.
    const int other = ::open(slave.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    app.validate(1);
    EXPECT_FALSE(app.link.portValide);
    ASSERT_EQ(app.ui.messages.size(), 1u);
    EXPECT_EQ(app.ui.messages[0].text, failedOpening(1));
    EXPECT_EQ(app.ui.messages[0].icon, MsgIcon::Critical);
    ::close(other);
    app.validate(1);
    EXPECT_TRUE(app.link.portValide);
    EXPECT_EQ(app.ui.lastText(), opened(1));
    app.port->close();

    // A Qt program has the port open (its lock file in /var/lock).
    if (!QFileInfo(QStringLiteral("/var/lock")).isWritable())
        GTEST_SKIP() << "no /var/lock here";
    {
        QSerialPort qtProgram(panel.slavePath());
        ASSERT_TRUE(qtProgram.open(QIODevice::ReadWrite)) << qtProgram.errorString().toStdString();
        app.ui.messages.clear();
        app.validate(1);
        EXPECT_FALSE(app.link.portValide) << "a port another Qt program holds was opened";
        EXPECT_EQ(app.ui.lastText(), failedOpening(1));
    }
    app.validate(1);
    EXPECT_TRUE(app.link.portValide);

    // And the other way round: while this program holds the port, a Qt program cannot open it.
    QSerialPort late(panel.slavePath());
    EXPECT_FALSE(late.open(QIODevice::ReadWrite)) << "the port was opened twice";
}

// The panel's adapter goes between the validation and the first exchange: the buttons end at
// once, quietly (the port error ends the link test without a message), the grid shows "0"s.
TEST(PortFaults, PortGoneBetweenValidationAndUse)
{
    RealTimeApp app;
    {
        emu::PtyPanel panel;
        ASSERT_TRUE(panel.start());
        ASSERT_TRUE(panel.linkAs(app.dir.path(), 1));
        app.validate(1);
        ASSERT_TRUE(app.link.portValide);
        panel.unplug();
    }
    app.ui.messages.clear();
    auto* w = qobject_cast<dump*>(app.principal->showWindow(QStringLiteral("dump")));
    ASSERT_NE(w, nullptr);
    w->Text1[3]->setText(QStringLiteral("77"));
    QElapsedTimer t;
    t.start();
    QTest::mouseClick(w->LIT_SW, Qt::LeftButton);
    QTest::mouseClick(w->ENVOI_SW, Qt::LeftButton);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QTest::mouseClick(w->ENVOI_4DIGITCOUL, Qt::LeftButton);
    EXPECT_LT(t.elapsed(), 1200) << "the exchanges sat out their waits on a dead port";
    EXPECT_TRUE(app.ui.messages.empty()) << app.ui.lastText().toStdString();
    EXPECT_EQ(w->Text1[3]->text(), QStringLiteral("0"));
    EXPECT_FALSE(app.port->isOpen());

    emu::PtyPanel second;
    ASSERT_TRUE(second.start());
    ASSERT_TRUE(second.linkAs(app.dir.path(), 2));
    app.validate(2);
    EXPECT_EQ(app.ui.lastText(), opened(2));
    EXPECT_EQ(readRegisterOverRealLine(*app.tqv, switches::kMarkerRegister), int([&] { auto l = second.lock(); return second.model().reg(switches::kMarkerRegister); }()));
}

// A port number with no device behind it: the validation fails at once with the critical
// message, the port stays closed, the device buttons give the port message and send nothing;
// the previous validation is undone, not kept half-open.
TEST(PortFaults, PortNumberWithNoDevice)
{
    RealTimeApp app;
    emu::PtyPanel panel;
    ASSERT_TRUE(panel.start());
    ASSERT_TRUE(panel.linkAs(app.dir.path(), 1));
    app.validate(1);
    ASSERT_TRUE(app.link.portValide);
    // COM5 names an adapter that is not there (a dangling link, as when a USB adapter is out).
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/kwf-absent-adapter"), app.dir.path() + QStringLiteral("/dosdevices/com5")));
    app.ui.messages.clear();
    QElapsedTimer t;
    t.start();
    app.validate(5);
    EXPECT_LT(t.elapsed(), 500);
    ASSERT_EQ(app.ui.messages.size(), 1u);
    EXPECT_EQ(app.ui.messages[0].text, failedOpening(5));
    EXPECT_EQ(app.ui.messages[0].icon, MsgIcon::Critical);
    EXPECT_FALSE(app.link.portValide);
    EXPECT_FALSE(app.port->isOpen());
    auto* w = qobject_cast<dump*>(app.principal->showWindow(QStringLiteral("dump")));
    ASSERT_NE(w, nullptr);
    app.ui.messages.clear();
    QTest::mouseClick(w->LIT_SW, Qt::LeftButton);
    ASSERT_EQ(app.ui.messages.size(), 1u);
    EXPECT_EQ(app.ui.messages[0].text, QString::fromUtf8(msg::kPortNotValidated));
    const int framesBefore = [&] { auto l = panel.lock(); return panel.model().framesAccepted(); }();
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ([&] { auto l = panel.lock(); return panel.model().framesAccepted(); }(), framesBefore);
    // Back on the good port.
    app.validate(1);
    EXPECT_TRUE(app.link.portValide);
}

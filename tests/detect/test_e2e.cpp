// End to end: the detection window on the real port backend and real time, over pseudo-terminals
// mapped as COM ports through the program folder's dosdevices links.
#include "RecordingUi.h"
#include "app/Principal.h"
#include "core/Clock.h"
#include "core/LinkSettings.h"
#include "core/SerialPort.h"
#include "core/Tqvbase.h"
#include "model/PtyPanel.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

using namespace kwf;
using namespace kwf::test;
using kwf::emu::PtyPanel;

namespace {

const QColor kGreen(0, 255, 0);

// A pseudo-terminal whose slave side stands for a serial device with nothing behind it.
struct Pty {
    int master = -1, slave = -1;
    QString path;
    Pty()
    {
        char name[128] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
            return;
        termios tio{};
        ::tcgetattr(slave, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(slave, TCSANOW, &tio);
        path = QString::fromLocal8Bit(name);
    }
    ~Pty()
    {
        if (slave >= 0) ::close(slave);
        if (master >= 0) ::close(master);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;
};

// The program on the real port backend and the real clock.
struct RealApp {
    QTemporaryDir dir;
    SystemClock clock;
    RecordingUi ui;
    LinkSettingsModel link;
    std::unique_ptr<SerialPort> port = createSerialPort();
    Tqvbase tqv{*port, clock, ui, link};
    AppContext ctx;
    std::unique_ptr<Principal> principal;

    // Every COMn is a link in dosdevices: to a given pty, or to a path that does not exist, so
    // that nothing falls back to the machine's own /dev/ttyS devices.
    explicit RealApp(const std::map<int, QString>& ports)
    {
        QDir(dir.path()).mkpath(QStringLiteral("dosdevices"));
        for (int n = 1; n <= 14; ++n) {
            const auto it = ports.find(n);
            const QString target = it != ports.end() ? it->second : dir.filePath(QStringLiteral("absent/com%1").arg(n));
            QFile::link(target, dir.filePath(QStringLiteral("dosdevices/com%1").arg(n)));
        }
        ctx.port = port.get();
        ctx.clock = &clock;
        ctx.ui = &ui;
        ctx.link = &link;
        ctx.tqv = &tqv;
        ctx.programDir = dir.path();
        principal = std::make_unique<Principal>(ctx);
        principal->show();
    }
    ~RealApp() { principal.reset(); }

    QWidget* detect()
    {
        principal->menuAction(QStringLiteral("MENU_DETECT"))->trigger();
        return principal->existingWindow(QStringLiteral("DETECT"));
    }
};

QLabel* label(QWidget* w, int index) { return w->findChild<QLabel*>(QStringLiteral("Label1_%1").arg(index)); }
bool green(QWidget* w, int index) { return label(w, index)->palette().color(QPalette::Window) == kGreen; }

int framesSeen(PtyPanel& panel)
{
    auto lock = panel.lock();
    return panel.model().framesAccepted();
}

} // namespace

TEST(DetectEndToEnd, PanelOnCom3AmongCom1AndCom3)
{
    Pty com1;
    PtyPanel panel;
    ASSERT_FALSE(com1.path.isEmpty());
    ASSERT_TRUE(panel.start()) << panel.errorString().toStdString();
    RealApp app({{1, com1.path}, {3, panel.slavePath()}});
    QWidget* w = app.detect();
    ASSERT_NE(w, nullptr);
    // Each port name tells where it leads.
    EXPECT_TRUE(label(w, 3)->toolTip().contains(panel.slavePath())) << label(w, 3)->toolTip().toStdString();
    EXPECT_TRUE(label(w, 3)->toolTip().contains(QStringLiteral("dosdevices/com3")));
    EXPECT_TRUE(label(w, 2)->toolTip().contains(QStringLiteral("absent"))) << label(w, 2)->toolTip().toStdString();

    QElapsedTimer t;
    t.start();
    QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
    const qint64 ms = t.elapsed();

    EXPECT_EQ(label(w, 15)->text(), QStringLiteral("Libre."));
    EXPECT_EQ(label(w, 29)->text(), QStringLiteral("."));
    EXPECT_FALSE(green(w, 1));
    EXPECT_TRUE(green(w, 15));
    EXPECT_EQ(label(w, 16)->text(), QStringLiteral("Absent."));
    EXPECT_EQ(label(w, 30)->text(), QStringLiteral("."));
    EXPECT_EQ(label(w, 17)->text(), QStringLiteral("Libre."));
    EXPECT_EQ(label(w, 31)->text(), QStringLiteral("Horloge."));
    EXPECT_TRUE(green(w, 3));
    EXPECT_TRUE(green(w, 31));
    for (int n = 4; n <= 14; ++n) {
        EXPECT_EQ(label(w, n + 14)->text(), QStringLiteral("Absent.")) << n;
        EXPECT_EQ(label(w, n + 28)->text(), QStringLiteral(".")) << n;
        EXPECT_FALSE(green(w, n)) << n;
    }
    EXPECT_EQ(framesSeen(panel), 3);
    // Two ports open, 0.9 s each; the twelve missing ones cost nothing.
    EXPECT_GE(ms, 1800);
    EXPECT_LT(ms, 2800);
    EXPECT_FALSE(app.link.portValide);
    EXPECT_TRUE(app.ui.messages.empty());
}

TEST(DetectEndToEnd, PortHeldByAnotherProgramIsAbsent)
{
    Pty com1;
    PtyPanel panel;
    ASSERT_TRUE(panel.start());
    RealApp app({{1, com1.path}, {3, panel.slavePath()}});
    // Another program holds COM3 with the lock serial programs take on the device.
    const int held = ::open(QFile::encodeName(panel.slavePath()).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    QWidget* w = app.detect();

    QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);

    EXPECT_EQ(label(w, 15)->text(), QStringLiteral("Libre."));
    EXPECT_EQ(label(w, 17)->text(), QStringLiteral("Absent."));
    EXPECT_EQ(label(w, 31)->text(), QStringLiteral("."));
    EXPECT_FALSE(green(w, 3));
    EXPECT_EQ(framesSeen(panel), 0);

    // Released: the next scan finds the panel.
    ::flock(held, LOCK_UN);
    ::close(held);
    QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
    EXPECT_EQ(label(w, 31)->text(), QStringLiteral("Horloge."));
}

TEST(DetectEndToEnd, ScanDropsTheOpenLinkAndDeviceFunctionsRefuse)
{
    Pty com1;
    PtyPanel panel;
    ASSERT_TRUE(panel.start());
    {
        // A panel that answers only the first of the three probe frames still counts.
        auto lock = panel.lock();
        panel.model().faults().silentAfterFrames = 1;
    }
    RealApp app({{1, com1.path}, {3, panel.slavePath()}});
    app.principal->configuration();   // the settings window, on "COM1:"
    app.principal->menuAction(QStringLiteral("MENU_CONFIGURER"))->trigger();
    app.principal->window(QStringLiteral("CONFIGURATION"))
        ->findChild<QPushButton*>(QStringLiteral("BOUTON_VALIDE"))->click();
    ASSERT_TRUE(app.link.portValide);
    ASSERT_TRUE(app.port->isOpen());
    app.ui.messages.clear();

    QWidget* w = app.detect();
    QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);

    // COM1 was the link's own port: it was let go and could be opened by the scan.
    EXPECT_EQ(label(w, 15)->text(), QStringLiteral("Libre."));
    EXPECT_EQ(label(w, 31)->text(), QStringLiteral("Horloge."));
    EXPECT_EQ(framesSeen(panel), 3);
    EXPECT_FALSE(app.link.portValide);
    EXPECT_TRUE(app.ui.messages.empty());
    EXPECT_FALSE(app.tqv.VERIF_PORT());
    EXPECT_EQ(app.ui.lastText(), QString::fromUtf8(msg::kPortNotValidated));
}

// The detection window on the recording port and simulated time.
#include "TestApp.h"
#include "link/Configuration.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

namespace {

const QColor kGreen(0, 255, 0);
const QColor kWhite(255, 255, 255);

QString ttyS(int port) { return QStringLiteral("/dev/ttyS%1").arg(port - 1); }

struct Detect {
    TestApp& app;
    QWidget* w = nullptr;
    explicit Detect(TestApp& a) : app(a)
    {
        app.principal->show();
        app.principal->menuAction(QStringLiteral("MENU_DETECT"))->trigger();
        w = app.principal->existingWindow(QStringLiteral("DETECT"));
    }
    QLabel* label(int index) const { return w->findChild<QLabel*>(QStringLiteral("Label1_%1").arg(index)); }
    QPushButton* button() const { return w->findChild<QPushButton*>(QStringLiteral("Command1")); }
    void click() const { QTest::mouseClick(button(), Qt::LeftButton); }
    // Caption and green-ness of the three labels of a row.
    struct Row { QString name, state, panel; bool nameGreen, stateGreen, panelGreen; };
    Row row(int n) const
    {
        auto green = [](QLabel* l) {
            const QColor c = l->palette().color(QPalette::Window);
            EXPECT_TRUE(c == kGreen || c == kWhite) << c.name().toStdString();
            return c == kGreen;
        };
        return {label(n)->text(), label(n + 14)->text(), label(n + 28)->text(),
                green(label(n)), green(label(n + 14)), green(label(n + 28))};
    }
};

void setAbsentExcept(FakeSerialPort& port, std::initializer_list<int> present)
{
    port.absentDevices.clear();
    for (int n = 1; n <= 14; ++n)
        if (std::find(present.begin(), present.end(), n) == present.end())
            port.absentDevices << ttyS(n);
}

} // namespace

TEST(DetectWindow, DesignedTableAndButton)
{
    TestApp app;
    Detect d(app);
    ASSERT_NE(d.w, nullptr);
    EXPECT_EQ(d.w->windowTitle(), QStringLiteral("Détection."));
    EXPECT_TRUE(d.w->isVisible());
    EXPECT_EQ(d.button()->text(), QStringLiteral("Détection"));
    EXPECT_EQ(d.button()->toolTip(),
              QStringLiteral("Recherche des ports COMs disponibles et d'une horloge connectée."));
    for (int n = 1; n <= 14; ++n) {
        const auto r = d.row(n);
        EXPECT_EQ(r.name, QStringLiteral("COM%1:").arg(n));
        EXPECT_EQ(r.state, QStringLiteral(" "));
        EXPECT_EQ(r.panel, QStringLiteral(" "));
        EXPECT_FALSE(r.nameGreen || r.stateGreen || r.panelGreen);
        EXPECT_TRUE(d.label(n)->autoFillBackground());
    }
    EXPECT_EQ(d.label(43), nullptr);
    // Nothing is sent until the button is pressed.
    EXPECT_TRUE(app.fake->calls.isEmpty());
}

TEST(DetectWindow, ScanFillsTheTableAndDropsTheValidatedLink)
{
    TestApp app;
    app.validate();   // link open on COM1 at 9600,N,8,2
    ASSERT_TRUE(app.link.portValide);
    app.ui.messages.clear();
    app.fake->calls.clear();
    setAbsentExcept(*app.fake, {1, 3});
    // A panel on COM3 that answers only the second of the three probe frames.
    int framesOnCom3 = 0;
    app.fake->responder = [&](const QByteArray&) {
        if (app.fake->openedDevice != ttyS(3))
            return QByteArray();
        return ++framesOnCom3 == 2 ? QByteArray(1, '\x06') : QByteArray();
    };
    Detect d(app);
    // While a port is probed its name is green.
    std::vector<int> greenWhileProbed;
    auto inner = app.fake->responder;
    app.fake->responder = [&, inner](const QByteArray& f) {
        const int n = app.fake->openedDevice.mid(9).toInt() + 1;
        if (d.label(n)->palette().color(QPalette::Window) == kGreen && d.label(n + 14)->text() == "Libre.")
            greenWhileProbed.push_back(n);
        return inner(f);
    };

    d.click();

    EXPECT_EQ(app.fake->calls.value(0), QStringLiteral("close"));   // the link went first
    EXPECT_EQ(app.fake->calls.value(1), QStringLiteral("open /dev/ttyS0"));
    const auto r1 = d.row(1);
    EXPECT_EQ(r1.state, QStringLiteral("Libre."));
    EXPECT_EQ(r1.panel, QStringLiteral("."));
    EXPECT_TRUE(r1.stateGreen);
    EXPECT_FALSE(r1.nameGreen || r1.panelGreen);
    const auto r3 = d.row(3);
    EXPECT_EQ(r3.name, QStringLiteral("COM3:"));
    EXPECT_EQ(r3.state, QStringLiteral("Libre."));
    EXPECT_EQ(r3.panel, QStringLiteral("Horloge."));
    EXPECT_TRUE(r3.nameGreen && r3.stateGreen && r3.panelGreen);
    for (int n : {2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}) {
        const auto r = d.row(n);
        EXPECT_EQ(r.name, QStringLiteral("COM%1:").arg(n));
        EXPECT_EQ(r.state, QStringLiteral("Absent.")) << n;
        EXPECT_EQ(r.panel, QStringLiteral(".")) << n;
        EXPECT_FALSE(r.nameGreen || r.stateGreen || r.panelGreen) << n;
    }
    EXPECT_EQ(greenWhileProbed, (std::vector<int>{1, 1, 1, 3, 3, 3}));
    EXPECT_EQ(app.fake->openedSettings, *LineSettings::parse(QStringLiteral("9600,N,8,1")));
    EXPECT_EQ(app.clock.monotonicMs(), 1800);

    // No message box, whatever the outcome; the link is no longer validated.
    EXPECT_TRUE(app.ui.messages.empty());
    EXPECT_FALSE(app.link.portValide);
    const size_t written = app.fake->writes.size();
    EXPECT_FALSE(app.tqv->VERIF_PORT());
    EXPECT_EQ(app.ui.lastText(), QString::fromUtf8(msg::kPortNotValidated));
    EXPECT_EQ(app.fake->writes.size(), written);

    // Validating again reopens the chosen port with the link settings.
    app.validate();
    EXPECT_TRUE(app.link.portValide);
    EXPECT_EQ(app.fake->openedDevice, ttyS(1));
    EXPECT_EQ(app.fake->openedSettings, *LineSettings::parse(QStringLiteral("9600,N,8,2")));
}

TEST(DetectWindow, SecondScanStartsFromAFreshTable)
{
    TestApp app;
    setAbsentExcept(*app.fake, {2});
    app.fake->responder = ackOneByte;
    Detect d(app);
    d.click();
    ASSERT_EQ(d.row(2).panel, QStringLiteral("Horloge."));

    // The panel has gone and the port with it; nothing is left of the first scan.
    setAbsentExcept(*app.fake, {});
    d.click();
    const auto r2 = d.row(2);
    EXPECT_EQ(r2.state, QStringLiteral("Absent."));
    EXPECT_EQ(r2.panel, QStringLiteral("."));
    EXPECT_FALSE(r2.nameGreen || r2.stateGreen || r2.panelGreen);
    EXPECT_TRUE(app.ui.messages.empty());
    EXPECT_FALSE(app.fake->isOpen());
}

TEST(DetectWindow, ConfigurationMenuClosesTheDetectionWindow)
{
    TestApp app;
    Detect d(app);
    ASSERT_NE(app.principal->existingWindow(QStringLiteral("DETECT")), nullptr);
    app.principal->menuAction(QStringLiteral("MENU_CONFIGURER"))->trigger();
    EXPECT_EQ(app.principal->existingWindow(QStringLiteral("DETECT")), nullptr);
    // It comes back fresh from the menu.
    Detect again(app);
    ASSERT_NE(again.w, nullptr);
    EXPECT_EQ(again.row(1).state, QStringLiteral(" "));
}

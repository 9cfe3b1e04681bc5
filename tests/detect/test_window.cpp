// The detection scan in its window, on the recording port and simulated time.
#include "TestApp.h"
#include "core/Frames.h"

#include <QAction>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>
#include <string>

using namespace kwf;
using namespace kwf::test;

namespace {

QString ttyS(int port) { return QStringLiteral("/dev/ttyS%1").arg(port - 1); }

// Every port absent except the given ones (no dosdevices links: COMn is /dev/ttyS<n-1>).
void setAbsentExcept(FakeSerialPort& port, std::initializer_list<int> present)
{
    port.absentDevices.clear();
    for (int n = 1; n <= 14; ++n)
        if (std::find(present.begin(), present.end(), n) == present.end())
            port.absentDevices << ttyS(n);
}

// The detection window, opened from its menu.
struct DetectTable {
    QWidget* w = nullptr;
    explicit DetectTable(Principal& p)
    {
        p.menuAction(QStringLiteral("MENU_DETECT"))->trigger();
        w = p.existingWindow(QStringLiteral("DETECT"));
    }
    void scan() const { QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton); }
    // A row as "name|state|panel", each caption followed by "*" when it is green.
    std::string row(int n) const
    {
        QStringList parts;
        for (int i : {n, n + 14, n + 28}) {
            const QLabel* l = w->findChild<QLabel*>(QStringLiteral("Label1_%1").arg(i));
            parts << l->text() + (l->palette().color(QPalette::Window) == QColor(0, 255, 0) ? "*" : "");
        }
        return parts.join('|').toStdString();
    }
};

} // namespace

TEST(DetectWindow, ClosesTheLinkProbesOpenPortsThreeTimesAndWaitsOnlyForThem)
{
    TestApp app;
    app.validate();   // link open on COM1
    app.ui.messages.clear();
    app.fake->calls.clear();
    setAbsentExcept(*app.fake, {1, 3});
    DetectTable d(*app.principal);
    // A panel on COM3 that answers only the second of the three probe frames.
    int framesOnCom3 = 0;
    app.fake->responder = [&](const QByteArray&) {
        const bool com3 = app.fake->openedDevice == ttyS(3);
        return com3 && ++framesOnCom3 == 2 ? QByteArray(1, '\x06') : QByteArray();
    };

    d.scan();

    EXPECT_EQ(app.fake->calls.mid(0, 2), (QStringList{"close", "open /dev/ttyS0"}));
    EXPECT_EQ(app.fake->calls.value(app.fake->calls.indexOf("open /dev/ttyS1") - 1), "close");   // COM1 let go
    EXPECT_EQ(app.fake->openedSettings, *LineSettings::parse(QStringLiteral("9600,N,8,1")));
    ASSERT_EQ(app.fake->writes.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(hexBytes(app.fake->writes[i].bytes), QByteArray("02 02 31 20 20 20 20 20 20 03 03 03"));
        EXPECT_EQ(app.fake->writes[i].atMs, i < 3 ? 0 : 900);   // back to back, then one wait
    }
    EXPECT_EQ(app.clock.monotonicMs(), 1800);
    EXPECT_EQ(d.row(1), "COM1:|Libre.*|.");
    EXPECT_EQ(d.row(3), "COM3:*|Libre.*|Horloge.*");
    EXPECT_FALSE(app.link.portValide);

    // The panel and its port have gone: a second scan starts from a fresh table and ports that
    // do not open cost no time.
    setAbsentExcept(*app.fake, {});
    d.scan();
    for (int n = 1; n <= 14; ++n)
        EXPECT_EQ(d.row(n), "COM" + std::to_string(n) + ":|Absent.|.");
    EXPECT_EQ(app.clock.monotonicMs(), 1800);
    EXPECT_TRUE(app.ui.messages.empty());
}

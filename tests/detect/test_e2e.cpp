// End to end: the detection window on the real port backend and real time, over pseudo-terminals
// mapped as COM ports through the program folder's dosdevices links.
#include "DetectTable.h"
#include "RealTimeRig.h"
#include "core/Clock.h"
#include "core/ComPorts.h"
#include "core/SerialPort.h"
#include "core/Tqvbase.h"
#include "link/Configuration.h"
#include "model/PtyPanel.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace kwf;
using namespace kwf::test;

TEST(DetectEndToEndRealTime, PanelOnCom3FreeCom1HeldCom2AndMissingPorts)
{
    // COM1 and COM2 are devices with nothing answering; the other ports lead nowhere, so that
    // nothing falls back to the machine's own /dev/ttyS devices.
    RealTimeApp app;
    const QDir dir(app.dir.path());
    emu::PtyPanel com[3];
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(com[i].start()) << com[i].errorString().toStdString();
        ASSERT_TRUE(com[i].linkAs(dir.path(), i + 1));
        { auto lock = com[i].lock(); com[i].model().faults().silent = i < 2; }
    }
    for (int n = 4; n <= 14; ++n)
        QFile::link(dir.filePath("absent"), dir.filePath(QStringLiteral("dosdevices/com%1").arg(n)));
    // Another program holds COM2 with the lock serial programs take on the device.
    const int held = ::open(QFile::encodeName(com[1].slavePath()).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    app.validate(1, "NON");   // the link open on COM1
    ASSERT_TRUE(app.link.portValide && app.port->isOpen()) << app.ui.lastText().toStdString();
    app.ui.messages.clear();

    DetectTable d(*app.principal);
    QElapsedTimer t;
    t.start();
    d.scan();
    const qint64 ms = t.elapsed();

    EXPECT_EQ(d.row(1), "COM1:|Libre.*|.");
    EXPECT_EQ(d.row(2), "COM2:|Absent.|.");
    EXPECT_EQ(d.row(3), "COM3:*|Libre.*|Horloge.*");
    for (int n = 4; n <= 14; ++n)
        EXPECT_EQ(d.row(n), "COM" + std::to_string(n) + ":|Absent.|.");
    {
        auto lock = com[2].lock();
        EXPECT_EQ(com[2].model().framesAccepted(), 3);
    }
    // Two ports open, 0.9 s each; the held and missing ones cost nothing.
    EXPECT_GE(ms, 1800);
    EXPECT_LT(ms, 2800);
    EXPECT_TRUE(app.ui.messages.empty());
    EXPECT_FALSE(app.tqv->VERIF_PORT());
    EXPECT_EQ(app.ui.lastText(), QString::fromUtf8(msg::kPortNotValidated));
    app.principal.reset();
    ::close(held);
}

// A USB adapter (here a pseudo-terminal presented as one) gets COM3 with no link and no root,
// is named in the port list's tool tip, and carries the exchanges to the panel.
TEST(DetectEndToEnd, UsbAdapterAppearsAsCom3AndProgramsThePanel)
{
    QTemporaryDir places;
    emu::PtyPanel panel;
    ASSERT_TRUE(panel.start()) << panel.errorString().toStdString();
    SerialAdapter a;
    a.device = panel.slavePath();
    a.byIdName = QStringLiteral("usb-Test_Adapter_A1B2C3-if00");
    a.serialNumber = QStringLiteral("A1B2C3");
    PortDirectory ports(choosePlaces(places.path(), true, QString()), [&] { return QList<SerialAdapter>{a}; });
    RealTimeApp app(SerialBackend::Default, &ports);
    auto& principal = app.principal;
    Configuration* c = principal->configuration();
    const QString tip = QStringLiteral("COM3: — %1, adaptateur USB-série, n° A1B2C3").arg(panel.slavePath());
    EXPECT_EQ(c->SEL_COM->itemData(2, Qt::ToolTipRole).toString(), tip);
    principal->showWindow(QStringLiteral("DETECT"));
    auto* detectName = principal->findChild<QLabel*>(QStringLiteral("Label1_3"));
    ASSERT_TRUE(detectName);
    EXPECT_EQ(detectName->toolTip(), tip);
    c->SEL_COM->setCurrentText(QStringLiteral("COM3:"));
    c->OUVERTURE_DU_COM();
    ASSERT_TRUE(app.link.portValide) << app.ui.lastText().toStdString();
    EXPECT_EQ(app.ui.lastText(), QStringLiteral("Ouverture du port COM3: effectuée avec succès."));
    EXPECT_TRUE(app.tqv->TEST_LIAISON());
    {
        auto lock = panel.lock();
        EXPECT_GE(panel.model().framesAccepted(), 1);
    }
    principal.reset();
}

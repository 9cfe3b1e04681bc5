// End to end: a USB adapter in the port list and the detection window, on the real port backend
// and real time, over a pseudo-terminal.
#include "RealTimeRig.h"
#include "model/PtyPanel.h"

#include <QLabel>
#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

// A USB adapter (here a pseudo-terminal presented as one) gets COM3 with no link and no root,
// is named in the port list's tool tip, and carries the exchanges to the panel.
TEST(DetectEndToEndRealTime, UsbAdapterAppearsAsCom3AndProgramsThePanel)
{
    KWF_SKIP_WITHOUT_PTY();
    QTemporaryDir places;
    emu::PtyPanel panel;
    ASSERT_TRUE(panel.start()) << panel.errorString().toStdString();
    // Its device, its name among the serial devices by id, no vendor or product, its serial number
    // and no description.
    const SerialAdapter a{panel.slavePath(), QStringLiteral("usb-Test_Adapter_A1B2C3-if00"), 0, 0, QStringLiteral("A1B2C3"), {}};
    PortDirectory ports(choosePlaces(places.path(), true, QString()), [&] { return QList<SerialAdapter>{a}; });
    RealTimeApp app(SerialBackend::Default, &ports);
    Configuration* c = app.principal->configuration();
    const QString tip = QStringLiteral("COM3: — %1, adaptateur USB-série, n° A1B2C3").arg(panel.slavePath());
    EXPECT_EQ(c->SEL_COM->itemData(2, Qt::ToolTipRole).toString(), tip);
    app.principal->showWindow(QStringLiteral("DETECT"));
    EXPECT_EQ(app.principal->findChild<QLabel*>(QStringLiteral("Label1_3"))->toolTip(), tip);
    c->SEL_COM->setCurrentText(QStringLiteral("COM3:"));
    c->OUVERTURE_DU_COM();
    ASSERT_TRUE(app.link.portValide) << app.ui.lastText().toStdString();
    EXPECT_EQ(app.ui.lastText(), QStringLiteral("Ouverture du port COM3: effectuée avec succès."));
    EXPECT_TRUE(app.tqv->TEST_LIAISON());   // the panel on the adapter answered
}

// End to end: the transport on each real port backend, in real time, against the panel served
// on a pseudo-terminal.
#include "RecordingUi.h"
#include "core/Clock.h"
#include "core/LinkSettings.h"
#include "core/SerialPort.h"
#include "core/Tqvbase.h"
#include "model/PtyPanel.h"

#include <gtest/gtest.h>

using namespace kwf;

TEST(PtyPanel, BothBackendsTestTheLinkAndWriteAndReadABlock)
{
    for (SerialBackend backend : {SerialBackend::Posix, SerialBackend::Qt}) {
        SCOPED_TRACE(backend == SerialBackend::Posix ? "Posix" : "Qt");
        emu::PtyPanel panel;
        ASSERT_TRUE(panel.start()) << panel.errorString().toStdString();
        auto port = createSerialPort(backend);
        ASSERT_TRUE(port->open(panel.slavePath(), *LineSettings::parse(kLinkLineSettings)))
            << port->errorString().toStdString();
        SystemClock clock;
        test::RecordingUi ui;
        LinkSettingsModel link;
        link.settings.response = QStringLiteral("OUI");
        link.portValide = true;
        Tqvbase tqv(*port, clock, ui, link);

        EXPECT_TRUE(tqv.TEST_LIAISON()) << port->errorString().toStdString();
        QByteArray values;
        std::vector<int> regs;
        for (int i = 0; i < 17; ++i) {
            values.append(char(0x20 + i * 11));
            regs.push_back(32 + i);
        }
        // Shorter waits than the tool's own: the pseudo-terminal answers in well under 0.2 s.
        EXPECT_TRUE(tqv.writeRegisters(32, values, 2, 3, 0.2));
        ASSERT_EQ(tqv.sendReads(regs, 4, 1, 0.0, 0.2), 17);
        QByteArray back;
        for (int i = 0; i < 17; ++i)
            back.append(char(tqv.readByte()));
        EXPECT_EQ(back, values);
        EXPECT_TRUE(ui.messages.empty());
    }
}

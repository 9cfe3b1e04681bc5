#include "RecordingUi.h"
#include "core/Clock.h"
#include "core/Frames.h"
#include "core/LinkSettings.h"
#include "core/SerialPort.h"
#include "core/Tqvbase.h"
#include "model/PtyPanel.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <thread>

using namespace kwf;
using kwf::emu::PtyPanel;

namespace {

std::vector<int> range(int first, int last)
{
    std::vector<int> r;
    for (int i = first; i <= last; ++i)
        r.push_back(i);
    return r;
}

// The real transport over a real port backend on the pseudo-terminal, in real time.
void exchangeOver(SerialBackend backend)
{
    PtyPanel panel;
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
    for (int i = 0; i < 16; ++i)
        values.append(char(0x20 + i));
    values.append(char(0xCC));
    // Shorter waits than the tool's own: the pseudo-terminal answers in well under 0.2 s.
    EXPECT_TRUE(tqv.writeRegisters(32, values, 2, 3, 0.2));
    ASSERT_EQ(tqv.sendReads(range(32, 48), 4, 1, 0.0, 0.2), 17);
    QByteArray back;
    for (int i = 0; i < 17; ++i)
        back.append(char(tqv.readByte()));
    EXPECT_EQ(back, values);
    auto lock = panel.lock();
    EXPECT_EQ(panel.model().reg(48), 0xCC);
    EXPECT_EQ(panel.model().framesAccepted(), 1 + 17 + 17);
    EXPECT_TRUE(ui.messages.empty());
}

double cpuSeconds() { return double(std::clock()) / CLOCKS_PER_SEC; }

} // namespace

TEST(PtyPanel, PosixBackendExchangesWithThePanel) { exchangeOver(SerialBackend::Posix); }

TEST(PtyPanel, QtBackendExchangesWithThePanel) { exchangeOver(SerialBackend::Qt); }

TEST(PtyPanel, LinksAsComPortAndCleansUp)
{
    QTemporaryDir dir;
    QString link;
    {
        PtyPanel panel;
        ASSERT_TRUE(panel.start());
        ASSERT_TRUE(panel.linkAs(dir.path(), 3));
        link = dir.path() + "/dosdevices/com3";
        EXPECT_EQ(QFileInfo(link).symLinkTarget(), panel.slavePath());
        EXPECT_EQ(portDeviceName(3, dir.path()), link);
        // A second panel may take the same name over.
        PtyPanel other;
        ASSERT_TRUE(other.start());
        ASSERT_TRUE(other.linkAs(dir.path(), 3));
        EXPECT_EQ(QFileInfo(link).symLinkTarget(), other.slavePath());
    }
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

TEST(PtyPanel, IdlesWithoutSpinningWhenNobodyHoldsTheSlave)
{
    PtyPanel panel;
    ASSERT_TRUE(panel.start());
    {
        auto lock = panel.lock();
        panel.model().startStream(panel.nowMs());   // even with a stream going
    }
    const double cpu0 = cpuSeconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_LT(cpuSeconds() - cpu0, 0.1);
}

TEST(PtyPanel, UnplugMakesTheOpenPortFail)
{
    PtyPanel panel;
    ASSERT_TRUE(panel.start());
    auto port = createSerialPort(SerialBackend::Posix);
    ASSERT_TRUE(port->open(panel.slavePath(), *LineSettings::parse(kLinkLineSettings)));
    {
        auto lock = panel.lock();
        panel.model().faults().unplugAfterFrames = 2;
    }
    ASSERT_TRUE(port->write(linkTestFrame() + closingFrame()));
    // The panel goes after the second frame; the port notices within its wait.
    for (int i = 0; i < 50 && !panel.unplugged(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(panel.unplugged());
    port->waitForInput(100);
    port->bytesWaiting();
    EXPECT_FALSE(port->isOpen());
    EXPECT_FALSE(port->write(linkTestFrame()));
}

#include "EmulatedApp.h"
#include "core/Dcf77Minute.h"
#include "core/Frames.h"
#include "link/Configuration.h"

#include <QComboBox>

#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

namespace {
QByteArray block17()
{
    QByteArray v;
    v.append(char(0xCC));
    for (int i = 1; i < 17; ++i)
        v.append(char(0x10 + i));
    return v;
}
} // namespace

TEST(EmulatedSerialPort, TransportTalksToTheEmulatedPanelOnSimulatedTime)
{
    auto app = makeEmulatedApp();
    app->principal->configuration()->SEL_REP->setCurrentText("OUI");
    app->validate();
    auto& port = emulatedPort(*app);
    ASSERT_TRUE(port.isOpen());
    Tqvbase& tqv = *app->tqv;

    EXPECT_TRUE(tqv.TEST_LIAISON());
    EXPECT_EQ(port.model().framesOf(0xC0), 1);

    const QByteArray values = block17();
    EXPECT_TRUE(tqv.writeRegisters(15, values, 2, 3, 0.9));
    std::vector<int> regs;
    for (int r = 15; r <= 31; ++r)
        regs.push_back(r);
    ASSERT_EQ(tqv.sendReads(regs, 4, 1, 0.0, 0.9), 17);
    QByteArray back;
    for (int i = 0; i < 17; ++i)
        back.append(char(tqv.readByte()));
    EXPECT_EQ(back, values);
    EXPECT_TRUE(tqv.FIN_LIAISON());
    EXPECT_TRUE(tqv.LIT_REG(20) == 0x15);
    // Everything took simulated time only: link test, two block waits, closing, 0.05 s.
    EXPECT_EQ(app->clock.monotonicMs(), 900 + 900 + 900 + 100 + 50);
}

TEST(EmulatedSerialPort, DelayedAnswersMissTheWaitAndArriveLater)
{
    auto app = makeEmulatedApp();
    app->validate();
    auto& port = emulatedPort(*app);
    port.model().faults().answerDelayMs = 1200;
    ASSERT_TRUE(port.write(linkTestFrame()));
    app->clock.advance(900);
    EXPECT_EQ(port.bytesWaiting(), 0);
    app->clock.advance(300);
    EXPECT_EQ(port.bytesWaiting(), 1);
}

TEST(EmulatedSerialPort, UnpluggedInTheMiddleOfABlockEveryCallFails)
{
    auto app = makeEmulatedApp();
    app->validate();
    auto& port = emulatedPort(*app);
    port.model().faults().unplugAfterFrames = 6;   // link test + 5 frames of the block
    Tqvbase& tqv = *app->tqv;
    EXPECT_TRUE(tqv.TEST_LIAISON());
    EXPECT_FALSE(tqv.writeRegisters(15, block17(), 2, 3, 0.9));
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.write(linkTestFrame()));
    EXPECT_EQ(port.bytesWaiting(), 0);
    EXPECT_EQ(port.readByte(), -1);
    EXPECT_FALSE(port.waitForInput(10));
    EXPECT_FALSE(port.open("/dev/ttyS0", *LineSettings::parse("9600,N,8,2")));
    // Plugged back in, it works again once reopened.
    port.replug();
    ASSERT_TRUE(port.open("/dev/ttyS0", *LineSettings::parse("9600,N,8,2")));
    EXPECT_TRUE(tqv.TEST_LIAISON());
}

TEST(EmulatedSerialPort, WrongLineSettingsAreNotUnderstood)
{
    SimClock clock;
    emu::EmulatedSerialPort port(clock);
    ASSERT_TRUE(port.open("x", *LineSettings::parse("4800,N,8,2")));
    port.write(linkTestFrame());
    EXPECT_EQ(port.bytesWaiting(), 0);
    // The port scan's one stop bit is understood.
    ASSERT_TRUE(port.open("x", *LineSettings::parse(kScanLineSettings)));
    port.write(linkTestFrame());
    EXPECT_EQ(port.bytesWaiting(), 1);
    port.clearInput();
    EXPECT_EQ(port.bytesWaiting(), 0);
}

TEST(EmulatedSerialPort, DcfCharactersArriveOncePerSimulatedSecond)
{
    auto app = makeEmulatedApp(QDateTime(QDate(2026, 12, 5), QTime(9, 59, 0)));
    app->validate();
    auto& port = emulatedPort(*app);
    Tqvbase& tqv = *app->tqv;
    tqv.FIN_LIAISON();
    port.clearInput();
    app->clock.advance(60000);
    QByteArray minute;
    while (port.bytesWaiting() > 0)
        minute.append(char(port.readByte()));
    // Seconds 0 to 58 of 09:59, each 250 ms into its second; second 59 has no pulse.
    EXPECT_EQ(minute.size(), 59);
    EXPECT_TRUE(Dcf77Minute::bitsFromChars(minute));
    app->clock.advance(60000);
    EXPECT_EQ(port.bytesWaiting(), 59);
    tqv.TEST_LIAISON();
    port.clearInput();   // the link test's acknowledgement
    app->clock.advance(60000);
    EXPECT_EQ(port.bytesWaiting(), 0);
}

#include "core/Bcd.h"
#include "core/Frames.h"

#include <gtest/gtest.h>

using namespace kwf;

TEST(Frames, LinkTestAndClosingFramesAreExact)
{
    EXPECT_EQ(hexBytes(linkTestFrame()), QByteArray("02 02 02 02 02 02 02 02 31 C0 C0 C0 C0 C0 C0 03"));
    EXPECT_EQ(hexBytes(closingFrame()), QByteArray("02 02 02 02 31 D0 D0 D0 D0 D0 D0 03"));
}

TEST(Frames, RegisterFramesCarryRegisterAndValueNibbles)
{
    // Register 20, read and write with the single-register layout.
    EXPECT_EQ(hexBytes(registerReadFrame(20, 1, 1)), QByteArray("02 31 20 20 21 24 20 20 03"));
    EXPECT_EQ(hexBytes(registerWriteFrame(20, 0x41, 1, 1)), QByteArray("02 31 40 40 41 44 44 41 03"));
    // Minutes register written with 45 (BCD 0x45), usual device layout.
    EXPECT_EQ(hexBytes(registerWriteFrame(1, toBcd(45), 2, 3)), QByteArray("02 02 31 40 40 40 41 44 45 03 03 03"));
    // Last register of the image and a full byte.
    EXPECT_EQ(hexBytes(registerWriteFrame(63, 0xFF, 2, 3)), QByteArray("02 02 31 40 40 43 4F 4F 4F 03 03 03"));
    EXPECT_EQ(hexBytes(registerReadFrame(48, 4, 1)), QByteArray("02 02 02 02 31 20 20 23 20 20 20 03"));
    // The probe of the port scan: register 0.
    EXPECT_EQ(hexBytes(registerReadFrame(0, 2, 3)), QByteArray("02 02 31 20 20 20 20 20 20 03 03 03"));
}

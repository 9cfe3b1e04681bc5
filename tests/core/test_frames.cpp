#include "core/Frames.h"

#include <gtest/gtest.h>

using namespace kwf;

TEST(Frames, LinkTestAndClosingFramesAreExact)
{
    EXPECT_EQ(hexBytes(linkTestFrame()), QByteArray("02 02 02 02 02 02 02 02 31 C0 C0 C0 C0 C0 C0 03"));
    EXPECT_EQ(hexBytes(closingFrame()), QByteArray("02 02 02 02 31 D0 D0 D0 D0 D0 D0 03"));
}

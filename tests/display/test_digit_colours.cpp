// The mask arithmetic, without windows.
#include "core/DigitColours.h"

#include <gtest/gtest.h>

using namespace kwf::colours;

TEST(DigitColours, MaskByteTakesEachPairFromItsSecondDigit)
{
    Codes c(13, kOther);
    // Odd digits disagree with their partners: only the even ones count.
    c[1] = kGreen; c[2] = kAmber;
    c[3] = kRed;   c[4] = kOther;
    c[5] = kAmber; c[6] = kRed;
    EXPECT_EQ(maskByte(c, 1), 3 * 64 + 0 * 8 + 1);
    for (int a = 0; a <= 3; ++a)
        for (int b = 0; b <= 3; ++b)
            for (int d = 0; d <= 3; ++d) {
                c[8] = a; c[10] = b; c[12] = d;
                EXPECT_EQ(maskByte(c, 7), a * 64 + b * 8 + d);   // bits 5 and 2 never set
            }
}

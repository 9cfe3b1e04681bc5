// Colour codes, the click rule and the mask bytes, without windows.
#include "core/DigitColours.h"

#include <gtest/gtest.h>

using namespace kwf::colours;

TEST(DigitColours, CodesOfTheThreeTextColoursAndNothingElse)
{
    EXPECT_EQ(codeOfRgb(0xFF0000), kRed);
    EXPECT_EQ(codeOfRgb(0x00FF00), kGreen);
    EXPECT_EQ(codeOfRgb(0xFFC080), kAmber);   // OLE 8438015
    EXPECT_EQ(codeOfRgb(0x404040), kOther);
    EXPECT_EQ(codeOfRgb(0x0000FF), kOther);   // OLE 255 read the wrong way round is blue
    for (int c = kRed; c <= kAmber; ++c)
        EXPECT_EQ(codeOfRgb(rgbOfCode(c)), c);
    EXPECT_EQ(nextCode(kRed), kGreen);
    EXPECT_EQ(nextCode(kGreen), kAmber);
    EXPECT_EQ(nextCode(kAmber), kRed);
}

TEST(DigitColours, DesignedBoardsGiveTheDesignedBlocks)
{
    const Block clock = blockOf(Board::Clock, designedCodes(Board::Clock));
    EXPECT_EQ(clock.p1, 0x53);
    EXPECT_EQ(clock.p2, 0x8B);
    EXPECT_EQ(clock.p3, 0);
    EXPECT_EQ(clock.p4, 0);
    EXPECT_EQ(clock.subCode, 0);

    const Block countdown = blockOf(Board::Countdown, designedCodes(Board::Countdown));
    EXPECT_EQ(countdown.p1, 0x92);
    EXPECT_EQ(countdown.p2, 0x8B);
    EXPECT_EQ(countdown.p3, 0xD1);
    EXPECT_EQ(countdown.p4, 0x5A);
    EXPECT_EQ(0xC0 + countdown.subCode, 0xC1);
}

TEST(DigitColours, MaskByteTakesEachPairFromItsSecondDigit)
{
    Codes c(13, kOther);
    // Odd digits disagree with their partners: only the even ones count.
    c[1] = kGreen; c[2] = kAmber;
    c[3] = kRed;   c[4] = kOther;
    c[5] = kAmber; c[6] = kRed;
    EXPECT_EQ(maskByte(c, 1), 3 * 64 + 0 * 8 + 1);
    // Bits 5 and 2 never set.
    for (int a = 0; a <= 3; ++a)
        for (int b = 0; b <= 3; ++b)
            for (int d = 0; d <= 3; ++d) {
                c[8] = a; c[10] = b; c[12] = d;
                EXPECT_EQ(maskByte(c, 7) & 0x24, 0);
                EXPECT_EQ(maskByte(c, 7), a * 64 + b * 8 + d);
            }
}

TEST(DigitColours, UnknownColourTurnsOnlyTheClickedDigitRed)
{
    Codes c = designedCodes(Board::Clock);
    c[5] = kOther;   // partner 6 is amber
    click(Board::Clock, c, 5);
    EXPECT_EQ(c[5], kRed);
    EXPECT_EQ(c[6], kAmber);

    Codes d = designedCodes(Board::Countdown);
    d[27] = kOther;
    click(Board::Countdown, d, 27);
    EXPECT_EQ(d[27], kRed);
    for (int i : {25, 26, 28, 29, 30})
        EXPECT_EQ(d[i], kRed);
    d[26] = kOther;
    EXPECT_EQ(blockOf(Board::Countdown, d).subCode, 0);   // function byte 0xC0
}

TEST(DigitColours, EndMessageRowIsOneGroup)
{
    EXPECT_EQ(partnerOf(Board::Countdown, 25), 26);
    EXPECT_EQ(partnerOf(Board::Countdown, 29), 30);
    EXPECT_EQ(partnerOf(Board::Countdown, 30), 29);
    EXPECT_EQ(partnerOf(Board::Countdown, 24), 23);
    EXPECT_EQ(partnerOf(Board::Clock, 12), 11);
    for (int index = 25; index <= 30; ++index) {
        Codes c = designedCodes(Board::Countdown);
        click(Board::Countdown, c, index);
        for (int i = 25; i <= 30; ++i)
            EXPECT_EQ(c[i], kGreen) << "clicked " << index << ", digit " << i;
        // Nothing outside the row moved.
        const Codes designed = designedCodes(Board::Countdown);
        EXPECT_TRUE(std::equal(c.begin(), c.begin() + 25, designed.begin()));
        EXPECT_EQ(0xC0 + blockOf(Board::Countdown, c).subCode, 0xC2);
    }
    // Digit 24 belongs to the hour row, not the end message.
    Codes c = designedCodes(Board::Countdown);
    click(Board::Countdown, c, 24);
    EXPECT_EQ(c[23], kAmber);   // the hour row's third pair, designed green
    EXPECT_EQ(c[25], kRed);
}

TEST(DigitColours, OutOfRangeClicksAreIgnored)
{
    Codes c = designedCodes(Board::Clock);
    for (int index : {0, -1, 13, 25})
        click(Board::Clock, c, index);
    EXPECT_EQ(c, designedCodes(Board::Clock));
}

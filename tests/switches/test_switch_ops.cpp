// Grid box texts as they are sent, without windows.
#include "core/SwitchOps.h"

#include <gtest/gtest.h>

using namespace kwf;

TEST(GridText, ValueIsTheLeadingHexDigitsLowByteAndOddTextsAreFlagged)
{
    struct Case { const char* text; int value; bool clean; };
    const Case cases[] = {
        {"0", 0, true}, {"3a", 0x3A, true}, {"F", 0x0F, true}, {"AG", 0x0A, false}, {" 3A", 0, false},
        {"3A ", 0x3A, false}, {"123456789ABC", 0xBC, false}, {"00FF", 0xFF, false}, {"-1", 0, false}, {"é", 0, false},
    };
    for (const Case& c : cases) {
        const GridValue g = parseGridText(QString::fromUtf8(c.text));
        EXPECT_EQ(g.value, c.value) << c.text;
        EXPECT_EQ(g.clean, c.clean) << c.text;
    }
}

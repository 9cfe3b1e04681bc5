#pragma once
#include <QtGlobal>
#include <vector>

namespace kwf::colours {

// Colour codes of a sample digit, as the panel takes them in a mask byte.
enum Code : int { kOther = 0, kRed = 1, kGreen = 2, kAmber = 3 };

// Text colours of the sample digits (0xRRGGBB) and their background.
constexpr quint32 kRedRgb = 0xFF0000;
constexpr quint32 kGreenRgb = 0x00FF00;
constexpr quint32 kAmberRgb = 0xFFC080;
constexpr quint32 kBackgroundRgb = 0x404040;

// 1 red, 2 green, 3 amber, 0 for any other colour.
int codeOfRgb(quint32 rgb);
// The text colour of a code; codes other than 1..3 have none (0 is returned).
quint32 rgbOfCode(int code);
// red -> green -> amber -> red.
int nextCode(int code);

// The two colour windows.
enum class Board {
    Clock,      // time and date: labels 1..12
    Countdown,  // N-, H-MM:SS, J-, H-, end message: labels 1..30
};
int labelCount(Board b);

// Codes are indexed by label number: codes[0] is unused, codes[1..labelCount].
using Codes = std::vector<int>;

// The colours the windows are designed with.
Codes designedCodes(Board b);

// The digit that always changes along with the given one. Pairs are 2k-1 and 2k; in the
// countdown board the end-message row chains 25->26 ... 29->30 and 30->29.
int partnerOf(Board b, int index);

// One click on a digit: it and its partner move to the next colour of the clicked digit; a digit
// of no known colour only turns red itself. In the countdown board a click in the end-message row
// (25..30) that moved a colour gives the whole row that colour. Out-of-range indexes are ignored.
void click(Board b, Codes& codes, int index);

// A mask byte from the six digits starting at firstIndex: the code of each pair's second digit,
// times 64, 8 and 1 for the first, second and third pair.
quint8 maskByte(const Codes& codes, int firstIndex);

// What goes into the command block.
struct Block {
    quint8 p1 = 0, p2 = 0, p3 = 0, p4 = 0;
    int subCode = 0;   // added to the function byte 0xC0
};
// Clock: time mask, date mask, 0, 0, sub-code 0. Countdown: N-, hours and minutes, day, hour
// masks, sub-code = the end-message code (taken from label 26).
Block blockOf(Board b, const Codes& codes);

} // namespace kwf::colours

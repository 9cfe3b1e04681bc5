#include "core/DigitColours.h"

namespace kwf::colours {

int codeOfRgb(quint32 rgb)
{
    switch (rgb & 0xFFFFFF) {
    case kRedRgb: return kRed;
    case kGreenRgb: return kGreen;
    case kAmberRgb: return kAmber;
    default: return kOther;
    }
}

quint32 rgbOfCode(int code)
{
    switch (code) {
    case kRed: return kRedRgb;
    case kGreen: return kGreenRgb;
    case kAmber: return kAmberRgb;
    default: return 0;
    }
}

int nextCode(int code)
{
    switch (code) {
    case kRed: return kGreen;
    case kGreen: return kAmber;
    case kAmber: return kRed;
    default: return kRed;
    }
}

int labelCount(Board b)
{
    return b == Board::Clock ? 12 : 30;
}

Codes designedCodes(Board b)
{
    // Per pair, three pairs per row.
    const std::vector<int> pairs = b == Board::Clock
        ? std::vector<int>{kRed, kGreen, kAmber,      // time 23:59.46
                           kGreen, kRed, kAmber}      // date 24.12.08
        : std::vector<int>{kGreen, kGreen, kGreen,    // N-09.56
                           kGreen, kRed, kAmber,      // H-20:59
                           kAmber, kGreen, kRed,      // J-109
                           kRed, kAmber, kGreen,      // H-2616
                           kRed, kRed, kRed};         // end message
    Codes codes(size_t(labelCount(b)) + 1, kOther);
    for (size_t p = 0; p < pairs.size(); ++p)
        codes[2 * p + 1] = codes[2 * p + 2] = pairs[p];
    return codes;
}

static bool inEndRow(Board b, int index)
{
    return b == Board::Countdown && index >= 25 && index <= 30;
}

int partnerOf(Board b, int index)
{
    if (inEndRow(b, index))
        return index == 30 ? 29 : index + 1;
    return index % 2 ? index + 1 : index - 1;
}

void click(Board b, Codes& codes, int index)
{
    const int n = labelCount(b);
    if (index < 1 || index > n || int(codes.size()) <= n)
        return;
    const int current = codes[size_t(index)];
    if (current < kRed || current > kAmber) {
        codes[size_t(index)] = kRed;
        return;
    }
    const int next = nextCode(current);
    codes[size_t(index)] = next;
    codes[size_t(partnerOf(b, index))] = next;
    if (inEndRow(b, index))
        for (int i = 25; i <= 30; ++i)
            codes[size_t(i)] = next;
}

quint8 maskByte(const Codes& codes, int firstIndex)
{
    auto code = [&](int i) { return i < int(codes.size()) ? (codes[size_t(i)] & 3) : 0; };
    int byte = 0;
    byte += code(firstIndex + 5) * 1;
    byte += code(firstIndex + 3) * 8;
    byte += code(firstIndex + 1) * 64;
    return quint8(byte);
}

Block blockOf(Board b, const Codes& codes)
{
    Block blk;
    if (b == Board::Clock) {
        blk.p1 = maskByte(codes, 1);
        blk.p2 = maskByte(codes, 7);
        return blk;
    }
    blk.p1 = maskByte(codes, 1);
    blk.p2 = maskByte(codes, 7);
    blk.p3 = maskByte(codes, 13);
    blk.p4 = maskByte(codes, 19);
    const int end = codes.size() > 26 ? codes[26] : kOther;
    blk.subCode = (end >= kRed && end <= kAmber) ? end : 0;
    return blk;
}

} // namespace kwf::colours

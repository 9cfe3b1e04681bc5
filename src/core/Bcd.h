#pragma once
#include <QString>
#include <optional>

namespace kwf {

// 0..99 -> BCD byte (tens in the high nibble). Values outside are reduced modulo 100.
inline quint8 toBcd(int value)
{
    value = ((value % 100) + 100) % 100;
    return quint8(((value / 10) << 4) | (value % 10));
}

// The byte's two hexadecimal digits read as a decimal number; empty when a digit is A to F.
inline std::optional<int> bcdToInt(quint8 byte)
{
    const int hi = byte >> 4, lo = byte & 0x0F;
    if (hi > 9 || lo > 9)
        return std::nullopt;
    return hi * 10 + lo;
}

} // namespace kwf

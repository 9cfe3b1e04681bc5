#pragma once
#include "core/RegisterMap.h"

#include <QString>
#include <QtGlobal>
#include <array>
#include <functional>

namespace kwf {

class Tqvbase;

// One bank: element i is switch i+1, true when ON.
using SwitchBank = std::array<bool, 8>;

// Bit i (value 2^i) set = switch i+1 ON.
quint8 bankByte(const SwitchBank& bank);
SwitchBank bankFromByte(quint8 byte);

struct SwitchImage {
    SwitchBank sw2{};   // register 21
    SwitchBank sw3{};   // register 22
};

// Outcome of reading the switch image.
struct SwitchReading {
    bool linkOk = false;     // the link test passed; the window then shows `image` (all OFF otherwise)
    bool markerOk = false;   // register 20 answered the marker
    int marker = -1;         // what register 20 gave, -1 when not exactly one byte
    int banksRead = 0;       // banks that answered with their one byte (0 to 2)
    SwitchImage image;       // banks that did not answer stay all OFF
};

// Link test (a failure sends the closing frame and stops), register 20, and registers 21 and 22
// only when 20 holds the marker, then the closing frame. Shows no message of its own.
SwitchReading readSwitchImage(Tqvbase& t);

// Link test (a failure sends the closing frame and stops; gives false), then the marker twice,
// bank "SW2", bank "SW3", one register at a time, then the closing frame. The window does not
// judge the writes' answers; `acknowledged`, when given, receives how many of the four had
// their one byte.
bool writeSwitchImage(Tqvbase& t, const SwitchImage& image, int* acknowledged = nullptr);

// The register grid: the 64 registers of the clock chip, one single-register exchange each.

// Value of a grid box as it is sent: hexadecimal digits up to the first character that is not
// one, low eight bits of that number, 0 when there is none. `clean` is false when the text is
// not a plain one-byte hexadecimal number (more than two digits, a foreign character, blanks);
// an empty box is clean and counts as 0.
struct GridValue {
    quint8 value = 0;
    bool clean = true;
};
GridValue parseGridText(const QString& text);

// A register's value as a grid box shows it: upper-case hexadecimal without leading zeros.
QString gridText(int value);

// Reads registers 0 to 63 one by one; after each, `step(n, value)` with value -1 when the register
// did not answer with exactly one byte. Always runs through all 64.
std::array<int, grid::kRegisters> readRegisterGrid(Tqvbase& t, const std::function<void(int, int)>& step);

// Writes registers `first` to 63 one by one; after each, `step(n)`. The window does not judge
// the answers; the result is the number of writes acknowledged with their one byte.
int writeRegisterGrid(Tqvbase& t, const std::array<quint8, grid::kRegisters>& values,
                      const std::function<void(int)>& step, int first = 0);

} // namespace kwf

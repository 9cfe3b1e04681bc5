#pragma once
#include "core/Tqvbase.h"

#include <array>
#include <optional>

namespace kwf {

// Brightness settings as the panel takes them in the command block.
namespace brightness {
enum : quint8 {
    kModeAutoSensor = 0x41,   // "Jour Nuit automatique par capteur"
    kModeForced20 = 0x40,     // "Force la luminosité à 20%"
    kModeForced100 = 0x02,    // "Force la luminosité à 100%"
    kSensitivityFast = 0x10,  // "Rapide"
    kSensitivitySlow = 0x08,  // "Lente"
};
// Level slider: the panel's default is 5.
constexpr int kLevelMin = 0;
constexpr int kLevelMax = 15;
constexpr int kLevelDefault = 5;

// The mode byte from the three mode buttons and the sensitivity byte from its two: each
// checked button adds its bits.
quint8 modeByte(bool autoSensor, bool forced20, bool forced100);
quint8 sensitivityByte(bool fast, bool slow);
}

namespace msg {
inline const char* const kBrightnessDone = "Programmation LUMINOSITÉ effectuée.";
inline const char* const kReadingDone = "Lecture effectuée.";
inline const char* const kColourDone = "Programmation couleur effectuée.";
}

// Writes the command block: TAB_DS[10] = 0xC0 + subCode, TAB_DS[11..14] = p1..p4, then one
// register-write frame per register (preamble 2, end run 3), 0.9 s, exactly 5 bytes.
// subCode must lie in 0..63; anything else is refused without sending (result: 0 bytes).
CmdResult ECRI_BLOC(Tqvbase& t, quint8 p1, quint8 p2, quint8 p3, quint8 p4, int subCode);

// Reads the brightness block 50..54 (preamble 4, end run 1), 0.9 s. With exactly 5 bytes
// waiting, the first goes to TAB_DS[50]; when it is the marker the other four follow into
// TAB_DS[51..54] and the result is true, otherwise "Pas de Lecture possible." is shown.
bool LIT_LUM(Tqvbase& t);
// The same, with the counts and the five bytes read (marker first), present on success only.
struct BrightnessRead {
    CmdResult result;
    std::optional<std::array<quint8, kBrightnessBlockSize>> block;
};
BrightnessRead readBrightness(Tqvbase& t);

} // namespace kwf

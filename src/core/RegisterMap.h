#pragma once
#include <QtGlobal>

// The panel's registers as the tool uses them, their markers, and the frame shape and timing of
// every exchange. One place for all of them.
namespace kwf {

// Size of the register image TAB_DS.
constexpr int kTabDsSize = 57;

// Clock: registers 0..7 (seconds, minutes, hours, day, date, month, year, control); the last
// DCF77 setting is kept from 0x38 on in the same layout.
constexpr int kClockFirst = 0x00;
constexpr int kLastDcfSettingFirst = 0x38;
constexpr int kClockRegisters = 8;

// Command block 10..14: function byte (kFunctionBase + sub-code), four parameters.
constexpr int kCommandBlockFirst = 10;
constexpr int kCommandBlockSize = 5;
constexpr quint8 kFunctionBase = 0xC0;

// Relay blocks. Relay 1: marker first, then the four alarms. Relay 2 (also the event block): the
// four alarms, then the marker.
constexpr int kRelay1First = 15;
constexpr int kRelay2First = 32;
constexpr int kRelayBlockSize = 17;

// Brightness block 50..54: marker, four data bytes.
constexpr int kBrightnessBlockFirst = 50;
constexpr int kBrightnessBlockSize = 5;

// Marker byte of the relay, event and brightness blocks: a block read back is accepted only
// when its marker register holds it.
constexpr quint8 kBlockMarker = 0xCC;

// The switch image: a marker register, then one register per bank.
namespace switches {
constexpr int kMarkerRegister = 20;
constexpr int kBankSw2Register = 21;   // bank "SW2"
constexpr int kBankSw3Register = 22;   // bank "SW3"
constexpr quint8 kMarker = 0x41;       // "A": the image is valid
} // namespace switches

// The register grid of the display configuration window.
namespace grid {
constexpr int kRegisters = 64;
}

// A frame's shape: how many 0x02 open it and how many 0x03 end it.
struct FrameShape {
    int preamble;
    int endRun;
};

// Register reads: one frame per register, perFrameWait seconds after each (none when 0), then
// finalWait seconds before the bytes are counted.
struct ReadPlan {
    FrameShape shape;
    double perFrameWait;
    double finalWait;
};

// Register writes: one frame per register back to back, then wait seconds.
struct WritePlan {
    FrameShape shape;
    double wait;
};

namespace plan {
inline constexpr ReadPlan kRegisterRead{{1, 1}, 0.0, 0.05};
inline constexpr WritePlan kRegisterWrite{{1, 1}, 0.05};
inline constexpr ReadPlan kClockRead{{2, 3}, 0.0, 0.9};
inline constexpr WritePlan kClockWritePc{{2, 3}, 0.9};
inline constexpr WritePlan kClockWriteManual{{2, 4}, 0.9};
inline constexpr WritePlan kBlockWrite{{2, 3}, 0.9};
inline constexpr ReadPlan kRelay1Read{{4, 1}, 0.0, 0.9};
inline constexpr ReadPlan kRelay2Read{{4, 1}, 0.5, 0.9};
inline constexpr ReadPlan kBrightnessRead{{4, 1}, 0.0, 0.9};
} // namespace plan

} // namespace kwf

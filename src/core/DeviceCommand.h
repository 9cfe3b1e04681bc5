#pragma once
#include "core/Tqvbase.h"

#include <QString>
#include <array>
#include <functional>

namespace kwf {

// What a device command does when the link test fails.
enum class LinkPolicy {
    Stop,            // the command ends there
    StopWhenWired,   // ends on a wired link; over the radio module it goes on
    GoOn,            // the test is made, its result decides nothing
};

// One command of a window: the window and button names, and its link-test policy.
struct DeviceCommand {
    const char* window;
    const char* button;
    LinkPolicy policy;
};

namespace command {
inline constexpr DeviceCommand kClockAuto{"MiseaH", "ECRI_AUTO_DS", LinkPolicy::StopWhenWired};
inline constexpr DeviceCommand kClockManual{"MiseaH", "ECRI_MAN_DS", LinkPolicy::StopWhenWired};
inline constexpr DeviceCommand kClockLists{"MiseaH", "ECRI_MAN_DS_COMBO", LinkPolicy::GoOn};
inline constexpr DeviceCommand kClockRead{"LecturH", "LIT_DS", LinkPolicy::GoOn};
inline constexpr DeviceCommand kLastSettingRead{"DER_MiseH", "DER_MiseH", LinkPolicy::GoOn};
inline constexpr DeviceCommand kRelay1Write{"Relais_1", "ENVOI_REL1", LinkPolicy::Stop};
inline constexpr DeviceCommand kRelay2Write{"Relais_2", "ENVOI_REL2", LinkPolicy::Stop};
inline constexpr DeviceCommand kRelay1Read{"Relais_1", "Command1", LinkPolicy::Stop};
inline constexpr DeviceCommand kRelay2Read{"Relais_2", "Command1", LinkPolicy::Stop};
inline constexpr DeviceCommand kEventWrite{"Mise_even", "ECRI_MAN_DS_COMBO", LinkPolicy::Stop};
inline constexpr DeviceCommand kBrightnessWrite{"LUM", "ENVOI_LUM", LinkPolicy::Stop};
inline constexpr DeviceCommand kBrightnessRead{"LUM", "Command1", LinkPolicy::Stop};
inline constexpr DeviceCommand kClockColours{"COUL6", "ENVOI_6DIGITCOUL", LinkPolicy::GoOn};
inline constexpr DeviceCommand kCountdownColours{"COUL66", "ENVOI_6DIGITCOUL", LinkPolicy::GoOn};

// Every command above.
inline constexpr std::array<DeviceCommand, 14> kAll = {
    kClockAuto, kClockManual, kClockLists, kClockRead, kLastSettingRead, kRelay1Write, kRelay2Write,
    kRelay1Read, kRelay2Read, kEventWrite, kBrightnessWrite, kBrightnessRead, kClockColours,
    kCountdownColours};
} // namespace command

// True when the command ends after a failed link test on this link.
bool stopsAfterFailedLinkTest(LinkPolicy policy, bool wired);

// Runs a device command: the validated-port guard, the link test with the command's policy, the
// operation, then the closing exchange and the outcome message. False when it ended before the
// operation.
bool runDeviceCommand(Tqvbase& t, const DeviceCommand& command, const std::function<CmdResult()>& operation,
                      const QString& successText);

} // namespace kwf

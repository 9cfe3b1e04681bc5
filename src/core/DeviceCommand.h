#pragma once
#include "core/Tqvbase.h"

#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace kwf {

// What a device command does when the link test fails.
enum class LinkPolicy {
    Stop,            // the command ends there
    StopWhenWired,   // ends on a wired link; over the radio module it goes on
    GoOn,            // the test is made, its result decides nothing
    None,            // no link test (the register grid, one register at a time)
};

// One command of a window: the window and button names, its link-test policy, whether it is
// offered on a wired link only, and whether a closing frame ends it.
struct DeviceCommand {
    const char* window;
    const char* button;
    LinkPolicy policy;
    bool wiredOnly = false;
    bool closingFrame = true;
};

namespace command {
inline constexpr DeviceCommand kClockAuto{"MiseaH", "ECRI_AUTO_DS", LinkPolicy::StopWhenWired};
inline constexpr DeviceCommand kClockManual{"MiseaH", "ECRI_MAN_DS", LinkPolicy::StopWhenWired};
inline constexpr DeviceCommand kClockLists{"MiseaH", "ECRI_MAN_DS_COMBO", LinkPolicy::GoOn};
inline constexpr DeviceCommand kClockRead{"LecturH", "LIT_DS", LinkPolicy::GoOn, true};
inline constexpr DeviceCommand kLastSettingRead{"DER_MiseH", "DER_MiseH", LinkPolicy::GoOn, true};
inline constexpr DeviceCommand kRelay1Write{"Relais_1", "ENVOI_REL1", LinkPolicy::Stop};
inline constexpr DeviceCommand kRelay2Write{"Relais_2", "ENVOI_REL2", LinkPolicy::Stop};
inline constexpr DeviceCommand kRelay1Read{"Relais_1", "Command1", LinkPolicy::Stop, true};
inline constexpr DeviceCommand kRelay2Read{"Relais_2", "Command1", LinkPolicy::Stop, true};
inline constexpr DeviceCommand kEventWrite{"Mise_even", "ECRI_MAN_DS_COMBO", LinkPolicy::Stop};
inline constexpr DeviceCommand kBrightnessWrite{"LUM", "ENVOI_LUM", LinkPolicy::Stop};
inline constexpr DeviceCommand kBrightnessRead{"LUM", "Command1", LinkPolicy::Stop};
inline constexpr DeviceCommand kClockColours{"COUL6", "ENVOI_6DIGITCOUL", LinkPolicy::GoOn};
inline constexpr DeviceCommand kCountdownColours{"COUL66", "ENVOI_6DIGITCOUL", LinkPolicy::GoOn};
inline constexpr DeviceCommand kSwitchRead{"dump", "LIT_SW", LinkPolicy::Stop};
inline constexpr DeviceCommand kSwitchWrite{"dump", "ENVOI_SW", LinkPolicy::Stop};
inline constexpr DeviceCommand kGridRead{"dump", "Command1", LinkPolicy::None, false, false};
inline constexpr DeviceCommand kGridWrite{"dump", "ENVOI_4DIGITCOUL", LinkPolicy::None, false, false};

// Every command above.
inline constexpr std::array<DeviceCommand, 18> kAll = {
    kClockAuto, kClockManual, kClockLists, kClockRead, kLastSettingRead, kRelay1Write, kRelay2Write,
    kRelay1Read, kRelay2Read, kEventWrite, kBrightnessWrite, kBrightnessRead, kClockColours,
    kCountdownColours, kSwitchRead, kSwitchWrite, kGridRead, kGridWrite};
} // namespace command

// True when the command ends after a failed link test on this link.
bool stopsAfterFailedLinkTest(LinkPolicy policy, bool wired);
// True when the command is offered on this link (a wired-only command is not over the radio).
bool commandOffered(const DeviceCommand& command, bool wired);

// How a device command ended.
enum class OutcomeKind {
    Success,       // every answer checked came as expected (or, under the response control "NON", was not checked)
    Refusal,       // nothing reached the panel: no validated port, the line held, values out of range
    SilentPanel,   // the panel gave no byte where an answer was awaited
    BadAnswer,     // bytes came, but too few, too many, or not what the command awaits
};

// The link test as a command ran it.
enum class LinkTestResult {
    NotRun,      // the command ended before it, or has none
    Passed,
    Failed,
    Unchecked,   // the response control is "NON": the frames went out, the answers were not counted
};

// What a device command did: the command, its link test, the answer's counts, the messages its
// window showed (in order) and the verdict.
struct CommandOutcome {
    DeviceCommand command{"", "", LinkPolicy::Stop};
    LinkTestResult linkTest = LinkTestResult::NotRun;
    int linkTestBytes = -1;     // bytes at the link test's last attempt (-1: none counted)
    bool operationRan = false;  // the command went past its guard and link test to its operation
    int expected = 0;           // bytes of a full answer
    int received = 0;           // bytes that came
    bool checked = true;        // the response control was "OUI"
    bool successShown = false;  // the window's last message is the command's success text
    std::vector<ShownMessage> messages;
    OutcomeKind kind = OutcomeKind::Refusal;

    bool success() const { return kind == OutcomeKind::Success; }
    // The last message shown, or an empty one.
    ShownMessage lastMessage() const { return messages.empty() ? ShownMessage{{}, MsgIcon::None} : messages.back(); }
};

// The verdict on a command's operation result after its link test: a failed link test spoils
// everything after it, a read answered by more bytes than it awaits is a bad answer, a result
// with no byte at all is a silent panel. Under the response control "NON" only the counts of a
// reading decide (`reading`): a write is then a success with `checked` false.
OutcomeKind judgeOutcome(const CommandOutcome& o, const CmdResult& r, bool reading);

// Runs a device command: the validated-port guard, the link test with the command's policy, the
// operation, then the closing exchange and the outcome message. The windows' messages are shown
// as they always were; the outcome says what happened.
CommandOutcome runDeviceCommand(Tqvbase& t, const DeviceCommand& command, const std::function<CmdResult()>& operation,
                                const QString& successText, bool reading = false);

// A reading command's outcome with its decoded data, present only when the outcome is a success.
template <class Data>
struct CommandReading {
    CommandOutcome outcome;
    std::optional<Data> data;
};

// Runs a reading command whose operation gives {CmdResult result; std::optional<Data> <field>}:
// `take` picks the data out of the operation's result.
template <class Data, class Op, class Take>
CommandReading<Data> runReadingCommand(Tqvbase& t, const DeviceCommand& command, Op operation, Take take,
                                       const QString& successText)
{
    CommandReading<Data> out;
    out.outcome = runDeviceCommand(t, command, [&] {
        const auto r = operation();
        out.data = take(r);
        return r.result;
    }, successText, true);
    if (!out.outcome.success())
        out.data.reset();
    return out;
}

} // namespace kwf

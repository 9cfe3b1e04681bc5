#pragma once
#include "core/DeviceCommand.h"
#include "core/Profile.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace kwf {

class Tqvbase;

namespace command {
// The profile's own register commands: the command block read and the brightness block written
// one register at a time with the grid's frames, each after a link test.
inline constexpr DeviceCommand kProfileRegisterRead{"dump", "Command1", LinkPolicy::Stop};
inline constexpr DeviceCommand kProfileRegisterWrite{"dump", "ENVOI_4DIGITCOUL", LinkPolicy::Stop};
} // namespace command

// A panel read into a profile, block by block with the windows' reads. A block whose marker is
// not there is left out; any other failure ends the reading.
struct ProfileReading {
    CommandOutcome outcome;               // the failed command, or the last one
    std::optional<profile::Profile> profile;   // only when every read succeeded
    bool success() const { return profile.has_value(); }
};
// `colour` is the panel's colour type as the link settings give it; the digit count comes from
// the panel's switches (6 without a switch image).
ProfileReading readPanelProfile(Tqvbase& t, profile::ColourType colour, const QString& tool);

// A profile compared with a panel.
struct ProfileComparison {
    ProfileReading reading;
    std::vector<profile::Difference> differences;
    bool equal() const { return reading.success() && differences.empty(); }
};
ProfileComparison comparePanel(Tqvbase& t, const profile::Profile& file, const QString& tool);

// Writing a profile.
struct ProfileWriteOptions {
    bool dryRun = false;   // reads only: the differences, nothing written
    bool force = false;    // written even to a panel of another digit count or colour type
    // Asked with the differences before anything is written; false stops there.
    std::function<bool(const std::vector<profile::Difference>&)> confirm;
};

enum class ProfileWriteResult {
    Written,        // every block written, every register read back as written
    NothingToDo,    // the panel already holds the profile
    DryRun,         // only read, as asked
    Mismatch,       // the panel's digit count or colour type is not the profile's: nothing written
    Cancelled,      // not confirmed: nothing written
    ReadFailed,     // the first reading failed: nothing written
    WriteFailed,    // a block's write failed: the blocks before it are written
    NotTaken,       // written, but registers read back otherwise (or the reading back failed)
};

struct ProfileWrite {
    ProfileWriteResult result = ProfileWriteResult::ReadFailed;
    ProfileComparison before;
    QStringList written, notWritten;    // block titles
    QString failedBlock;
    CommandOutcome failure;             // the failed read or write
    std::optional<profile::Profile> after;
    std::vector<profile::Miss> notTaken;
    QString mismatch;                   // why the panel is not the profile's
    bool success() const
    {
        return result == ProfileWriteResult::Written || result == ProfileWriteResult::NothingToDo
            || result == ProfileWriteResult::DryRun;
    }
    // The report in French, one line each.
    QStringList reportLines() const;
};
ProfileWrite writePanelProfile(Tqvbase& t, const profile::Profile& file, const QString& tool,
                               const ProfileWriteOptions& options);

// Why the panel is not the one the profile was made for; empty when it is.
QString panelMismatch(const profile::Profile& file, const profile::Profile& panel);

} // namespace kwf

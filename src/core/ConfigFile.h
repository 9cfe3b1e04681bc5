#pragma once
#include "core/LinkSettings.h"
#include "core/TextFiles.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <array>

namespace kwf {

// The configuration file ("*.zol"): the 92 values of the settings window and of the two relay
// windows, one per line, then a readable summary that is written but never read back.
// Windows-1252 text, every line ended by CR LF.
namespace configfile {

constexpr int kFieldCount = 92;    // lines 1 to 92
constexpr int kLineCount = 115;    // with the summary
constexpr int kRelayCombos = 12;
constexpr int kRelayDays = 28;

// Name of the default file, in the program's folder.
inline const char* const kDefaultName = "Configuration_TQV.zol";
// Proposed name in the open and save dialogs.
inline const char* const kProposedName = "Configuration_TQV";

} // namespace configfile

// One relay window as the file stores it.
struct RelayConfig {
    std::array<int, configfile::kRelayCombos> combos{};   // list index of Combo1..Combo12, -1: none
    std::array<bool, configfile::kRelayDays> days{};       // Check1_0..Check1_27
    bool option1 = true;                                    // "Le contact se ferme"
    bool option2 = false;                                   // "Le contact s'ouvre"
    bool operator==(const RelayConfig& o) const
    { return combos == o.combos && days == o.days && option1 == o.option1 && option2 == o.option2; }
};

// The 92 values, in the widgets' terms (list indexes, box states). The defaults are what fresh
// windows show: every list on its first item, no day ticked, Option1 selected.
struct ConfigValues {
    // SEL_COM, SEL_INTER, SEL_NBR_DIGI, SEL_COUL, SEL_DCF77, SEL_REL1, SEL_REL2, SEL_REP.
    std::array<int, 8> selectors{};
    std::array<RelayConfig, 2> relays{};   // Relais_1, Relais_2

    // Field i (0..91) in file order, as an integer (booleans as 0 / 1).
    int field(int i) const;
    void setField(int i, int value);
    bool operator==(const ConfigValues& o) const { return selectors == o.selectors && relays == o.relays; }
    bool operator!=(const ConfigValues& o) const { return !(*this == o); }
};

// The two option buttons of a relay window after one Option line of a file (which: 0 for Option1,
// 1 for Option2). "1" selects that button and its twin goes off; "0" unselects it and leaves the
// twin as it was, so a file with "0" on both lines selects neither.
std::array<bool, 2> optionButtonsAfterLine(std::array<bool, 2> buttons, int which, int value);

// Layout of field i: its width in characters and the values it may take (lowest .. highest).
struct ConfigField {
    int width;      // 1 or 2
    int lowest;     // -1 for the relay lists (no selection), else 0
    int highest;    // last list index, or 1 for boxes and buttons
};
ConfigField configField(int i);
// 1-based character position of field i in the file.
int configFieldPosition(int i);

// The file's bytes for these values; the summary carries the selectors' texts and the moment of
// creation: the French short date, then the time with seconds.
QByteArray writeConfig(const ConfigValues& values, const LinkSettings& texts, const QDateTime& created);

// Outcome of reading a file over the current values.
struct ConfigRead {
    ConfigValues values;    // fields 0 .. fieldsRead-1 from the file, the rest as they were
    int fieldsRead = 0;     // the fields that converted, in file order, up to the first that did not
    bool complete() const { return fieldsRead == configfile::kFieldCount; }
};

// Reads the value fields by their character positions (the summary is ignored); the option
// lines move the buttons as optionButtonsAfterLine() says, as a relay window loading the file
// does. Reading stops at
// the first field that is missing, does not convert or lies outside its list. A file whose lines
// end in LF alone is read as if they ended in CR LF.
ConfigRead readConfig(const QByteArray& bytes, const ConfigValues& current);

// The default file in the program's folder. Where the name's case matters, a file whose name
// differs only in case ("CONFIGURATION_TQV.ZOL") is taken when the exact name is absent.
QString defaultConfigPath(const QString& programDir);

} // namespace kwf

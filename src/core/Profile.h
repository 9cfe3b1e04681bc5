#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

namespace kwf::profile {

// A panel's whole setup as a text file: one named field a line in French, and the raw values of
// every register it covers so that nothing is lost. The clock (registers 0 to 7) is never part
// of it.

enum class ColourType { Mono, Tri };

// The register blocks a profile covers. The switch image lies inside the relay 1 block.
enum class Block { Command, Relay1, Switches, Relay2, Brightness };

struct BlockSpan {
    Block block;
    int first;
    int size;
    const char* title;   // in French, for messages
};
const std::vector<BlockSpan>& blockSpans();
const BlockSpan& spanOf(Block b);
// The block a register belongs to (the switch registers 20 to 22 answer Switches), or null.
const BlockSpan* blockOfRegister(int reg);

// Registers 0..63: the value, or -1 when the profile does not cover it.
using Registers = std::array<int, 64>;
Registers noRegisters();

struct Profile {
    QString tool;          // "kwf-tqv 1.0.6"
    QDateTime date;        // when it was read
    int digits = 6;        // 4 or 6
    ColourType colour = ColourType::Mono;
    Registers regs = noRegisters();

    bool covers(Block b) const;
    std::vector<Block> blocks() const;
};

// Whether a block's registers hold what makes them that block (its marker, a command byte).
bool blockValid(Block b, const Registers& regs);
// The digit count the switch image says (bank SW3, switch 2), or 0 without a switch image.
int switchDigits(const Registers& regs);
// Registers 32 to 47 hold an event (a date, a time, counts that agree) rather than relay alarms.
bool holdsEvent(const Registers& regs);

QString colourName(ColourType c);   // "mono", "tri"

// A named field as a profile shows it, with the registers it stands for.
struct NamedValue {
    QString name;
    QString value;
    std::vector<int> regs;
};
// The named fields of the blocks a profile covers, in the file's order. A byte no field can
// show (a non-BCD hour, an unknown command) is kept in the raw values only.
std::vector<NamedValue> namedFields(const Profile& p);

// The file: UTF-8 text, "\n" line ends.
QByteArray writeProfile(const Profile& p);

struct ParseOutcome {
    std::optional<Profile> profile;
    QString error;   // in French, naming the line
};
// Raw values first, then the named fields, which win over them where they say something else.
ParseOutcome parseProfile(const QByteArray& bytes);

// A difference between a profile file and a panel, field by field (or register by register
// where no field tells it).
struct Difference {
    QString field;
    QString fileValue;    // empty: the file does not say it
    QString panelValue;   // empty: the panel has no such value
    QString text() const;
};
std::vector<Difference> differences(const Profile& file, const Profile& panel);

// A register the panel did not keep after a write.
struct Miss {
    int reg;
    int written;
    int read;   // -1: the block could not be read back
    QString text() const;
};
std::vector<Miss> registersNotTaken(const Profile& written, const Profile& readBack);

} // namespace kwf::profile

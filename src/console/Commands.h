#pragma once
#include "console/Options.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <vector>

// kwf-tqvctl's commands, each in one place: its name, its help lines, how its own arguments are
// read and what runs it.
namespace kwf {
struct DeviceCommand;
}

namespace kwf::console {

// The arguments a command reads: the words after its name, the values of the options given.
struct CommandArgs {
    Options& o;
    const QStringList& positional;
    const QMap<QString, QString>& values;
    QString& error;   // in French, naming the value
    // Exactly n words; otherwise the error, with the command's usage.
    bool want(int n, const QString& usage);
};

// What a command runs on; defined with the handlers.
struct CommandRun;

struct CommandEntry {
    const char* name;
    // Help lines: the usage, then what it does (a '\n' continues it on the next line).
    std::vector<std::pair<const char*, const char*>> help;
    bool panel;                        // talks to a panel through --port
    // The window command it runs, whose link policy and wired-only rule it follows; null for
    // those outside the command table.
    const DeviceCommand* (*device)(const Options&);
    bool (*parse)(CommandArgs&);       // false with the error set
    void (*run)(CommandRun&);
};

// Every command, in the help's order.
const std::vector<CommandEntry>& commandEntries();
// The command of that name, or null.
const CommandEntry* findCommand(const QString& name);

// How each command reads its own arguments.
bool parseNoArguments(CommandArgs& a);
bool parseHeurePc(CommandArgs& a);
bool parseHeure(CommandArgs& a);
bool parseDcf77(CommandArgs& a);
bool parseRelais(CommandArgs& a);
bool parseEvenement(CommandArgs& a);
bool parseLuminosite(CommandArgs& a);
bool parseRegistres(CommandArgs& a);
bool parseCouleur(CommandArgs& a);
bool parseInterrupteurs(CommandArgs& a);
bool parseProfil(CommandArgs& a);

} // namespace kwf::console

#pragma once
#include <QDate>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

namespace kwf::console {

// Exit statuses of kwf-tqvctl.
enum ExitStatus { kExitDone = 0, kExitPanel = 1, kExitUsage = 2, kExitPort = 3 };

// The port numbers: those of the detection, COM1 to COM14.
constexpr int kFirstPort = 1;
constexpr int kLastPort = 14;

// One command line, checked: every value lies in its range before anything is opened or sent.
struct Options {
    QString command;          // "ports", "detecter", "lire-heure", ...
    QString action;           // relais / luminosite / registres: "lire", "appliquer", "ecrire", "auto", "20", "100"
    int port = 0;             // COM number, 0 when not given (the default configuration file's then)
    bool wired = true;        // --interface filaire|sans-fil
    bool control = true;      // --controle oui|non
    bool json = false;
    bool journal = false;
    bool help = false;

    std::optional<double> maxDrift;  // heure-pc --si-ecart S (seconds, decimals allowed)
    // heure: the manual values; evenement: date, hour and minute of the event.
    QDate date;
    int hour = 0, minute = 0, second = 0;
    int minutes = 0;              // dcf77 --minutes N
    QString analyse;              // dcf77 --analyser F: a saved log or exchange journal, no port
    QString file;                 // --fichier F, or the file of "relais appliquer" / "registres ecrire"
    int relay = 0;                // relais lire 1|2
    bool summerChange = false;    // --ete oui
    bool winterChange = false;    // --hiver oui
    bool contactCloses = true;    // --contact ferme|ouvre
    int level = 5;                // luminosite --sensibilite N (0..15)
    bool fastDetection = true;    // luminosite --detection rapide|lente
    bool withClock = false;       // registres ecrire --avec-horloge: registers 0 to 7 too
    int colourBoard = 0;          // couleur 4 (time and date) or 6 (countdowns)
    std::vector<int> colourCodes; // couleur: one code (1 red, 2 green, 3 amber) per pair, the end message last
    std::array<bool, 16> switchesOn{};  // interrupteurs ecrire: SW2 1..8, then SW3 1..8
    bool dryRun = false;          // profil ecrire --essai: reads only
    bool force = false;           // profil ecrire --forcer: even to a panel of another kind
    std::optional<bool> tri;      // profil --couleur mono|tri (the default configuration's otherwise)

    // Whether the command talks to a panel (and so needs --port).
    bool needsPort() const;
    // Whether it names a panel by its port: those that talk to it, and derive (its record).
    bool namesPort() const;
};

struct ParseResult {
    Options options;
    QString error;   // in French, naming the value; empty when the line is good
    bool ok() const { return error.isEmpty(); }
};

// Reads the arguments that follow the program's name.
ParseResult parseArguments(const QStringList& args);

// "AAAA-MM-JJ HH:MM:SS" (seconds optional when withSeconds is false: "AAAA-MM-JJ HH:MM").
// False with the reason when the text is malformed or names no real date or time.
bool parseDateTime(const QString& text, bool withSeconds, QDate* date, int* hour, int* minute, int* second,
                   QString* error);

// A piece of the command line or of a file as a message quotes it: printable characters only
// (others become "?"), at most kEchoMax of them, then "…".
constexpr int kEchoMax = 80;
QString echoed(const QString& text);

// The French help.
QString helpText();

} // namespace kwf::console

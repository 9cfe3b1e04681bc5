#pragma once
#include <QString>

namespace kwf {

// Where the program keeps what it writes. A writable program folder (the build tree, a portable
// copy) keeps everything beside the program; an installed, read-only one (/opt, Program Files)
// sends the default configuration file, the dosdevices links and the COM number table to
// the user's data folder. The program folder's own default file is then a site-wide default:
// read when the user has none, never written.
struct UserPlaces {
    QString programDir;
    QString dataDir;   // the folder the program writes to (equal to programDir when writable)

    bool perUser() const { return dataDir != programDir; }
    // The default configuration file: saved here, read first at start.
    QString configPath() const;
    // The file the start-up reads: the user's own default file, else the site-wide one.
    QString startupConfigPath() const;
    // Where the configuration dialogs open (the folder of configPath()).
    QString dialogFolder() const { return dataDir; }
    // Folders searched for a dosdevices/comN link, first match wins.
    QString dosdevicesDir() const;
    QString siteDosdevicesDir() const;
    // The table of COM numbers given to USB adapters.
    QString comTablePath() const;
};

// The decision itself: the program folder when writable, otherwise userDataDir.
UserPlaces choosePlaces(const QString& programDir, bool programDirWritable, const QString& userDataDir);

// The places on this machine: asks whether a file can be made in the program folder, and creates
// the user's data folder when it is the one (QStandardPaths::AppDataLocation: ~/.local/share/kwf-tqv,
// %APPDATA%\kwf-tqv).
UserPlaces systemPlaces(const QString& programDir);

} // namespace kwf

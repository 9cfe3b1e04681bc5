#pragma once
#include <QString>

namespace kwf {

// Where the packaged programs are installed, as absolute paths: the programs' folder, the folder of
// the site-wide settings (default configuration file, dosdevices links) and the documentation's.
struct InstallPaths {
    QString binDir;    // /usr/bin
    QString siteDir;   // /etc/kwf-tqv
    QString docDir;    // /usr/share/doc/kwf-tqv
};

// The paths this build installs to.
InstallPaths builtInstallPaths();

// What a program reads beside itself in a portable copy, found for the folder it runs from.
struct ProgramFolders {
    QString programDir;   // the executable's folder
    QString siteDir;      // site-wide default file and dosdevices links
    QString guidePath;    // the user guide, KWF_TQV.doc
    bool installed = false;
};

// A program running from the install's programs' folder (or from that same tree unpacked under
// another root) finds its site settings and guide through the install paths; anywhere else (build
// tree, portable copy) everything is in the program's own folder.
ProgramFolders programFolders(const QString& exeDir, const InstallPaths& paths);

// "kwf-tqvctl 1.0.6": the first line of every program's --version.
QString versionLine(const QString& program);

} // namespace kwf

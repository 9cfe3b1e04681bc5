#include "core/Installation.h"
#include "kwf_install.h"
#include "kwf_version.h"

#include <QDir>

namespace kwf {

InstallPaths builtInstallPaths()
{
    return {QStringLiteral(KWF_INSTALL_BINDIR), QStringLiteral(KWF_INSTALL_SITEDIR),
            QStringLiteral(KWF_INSTALL_DOCDIR)};
}

ProgramFolders programFolders(const QString& exeDir, const InstallPaths& paths)
{
    ProgramFolders f;
    f.programDir = exeDir;
    f.siteDir = exeDir;
    f.guidePath = QDir(exeDir).filePath(QStringLiteral("KWF_TQV.doc"));
    const QString dir = QDir::cleanPath(QDir::fromNativeSeparators(exeDir));
    const QString bin = QDir::cleanPath(QDir::fromNativeSeparators(paths.binDir));
    if (bin.isEmpty() || !QDir::isAbsolutePath(bin) || bin == QLatin1String("/") || !dir.endsWith(bin))
        return f;
    // The part before the programs' folder is the root the tree was installed or unpacked under.
    const QString root = dir.left(dir.size() - bin.size());
    // (bin begins with a separator, so "/opt/xusr/bin" does not end in the folder "/usr/bin").
    if (!root.isEmpty() && !bin.startsWith(QLatin1Char('/')))
        return f;
    f.installed = true;
    f.siteDir = QDir::cleanPath(root + paths.siteDir);
    f.guidePath = QDir::cleanPath(root + paths.docDir + QStringLiteral("/KWF_TQV.doc"));
    return f;
}

QString versionLine(const QString& program)
{
    return program + QLatin1Char(' ') + QStringLiteral(KWF_VERSION_STRING);
}

} // namespace kwf

#include "core/UserPlaces.h"
#include "core/ConfigFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace kwf {

QString UserPlaces::configPath() const
{
    return defaultConfigPath(dataDir);
}

QString UserPlaces::startupConfigPath() const
{
    const QString own = configPath();
    if (!perUser() || QFileInfo(own).isFile())
        return own;
    return defaultConfigPath(programDir);
}

QString UserPlaces::dosdevicesDir() const
{
    return QDir(dataDir).filePath(QStringLiteral("dosdevices"));
}

QString UserPlaces::siteDosdevicesDir() const
{
    return QDir(programDir).filePath(QStringLiteral("dosdevices"));
}

QString UserPlaces::comTablePath() const
{
    return QDir(dataDir).filePath(QStringLiteral("ports-com.txt"));
}

UserPlaces choosePlaces(const QString& programDir, bool programDirWritable, const QString& userDataDir)
{
    UserPlaces p;
    p.programDir = programDir;
    p.dataDir = programDirWritable || userDataDir.isEmpty() ? programDir : userDataDir;
    return p;
}

namespace {
// Whether a file can really be made in the folder (the access bits alone miss a read-only mount).
bool canWriteIn(const QString& dir)
{
    if (!QFileInfo(dir).isWritable())
        return false;
    QTemporaryFile probe(QDir(dir).filePath(QStringLiteral(".kwf-XXXXXX")));
    return probe.open();
}
} // namespace

UserPlaces systemPlaces(const QString& programDir)
{
    if (canWriteIn(programDir))
        return choosePlaces(programDir, true, QString());
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!data.isEmpty())
        QDir().mkpath(data);
    return choosePlaces(programDir, false, data);
}

} // namespace kwf

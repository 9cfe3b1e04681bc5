// The user's state folder on Windows: the machine's own, not roaming, application data.
#include "core/ClockSync.h"

#include <QDir>
#include <QStandardPaths>

namespace kwf {

QString userStateDir()
{
    QString base = qEnvironmentVariable("LOCALAPPDATA");
    if (base.isEmpty())
        base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(base).filePath(QStringLiteral("kwf-tqv"));
}

} // namespace kwf

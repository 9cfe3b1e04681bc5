// The user's state folder on Linux: the XDG base directory rule.
#include "core/ClockSync.h"

#include <QDir>

namespace kwf {

QString userStateDir()
{
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return QDir(base).filePath(QStringLiteral("kwf-tqv"));
}

} // namespace kwf

#include "core/Dcf77Report.h"

namespace kwf {

Dcf77MinuteReport describeDcf77Minute(const QByteArray& chars)
{
    Dcf77MinuteReport r;
    r.line = QString::fromLatin1(chars);
    return r;
}

} // namespace kwf

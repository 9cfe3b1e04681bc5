// The configuration file reader against any bytes: every value it takes lies in its list, and
// what it took writes back to a file that reads the same.
#include "core/ConfigFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace kwf;
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    const ConfigRead r = readConfig(bytes, ConfigValues{});
    if (r.fieldsRead < 0 || r.fieldsRead > configfile::kFieldCount)
        std::abort();
    for (int i = 0; i < configfile::kFieldCount; ++i) {
        const ConfigField f = configField(i);
        const int v = r.values.field(i);
        if (v < f.lowest || v > f.highest)
            std::abort();
    }
    const QByteArray again = writeConfig(r.values, LinkSettings{}, QDateTime(QDate(2026, 1, 1), QTime(0, 0)));
    const ConfigRead back = readConfig(again, ConfigValues{});
    if (!back.complete() || back.values != r.values)
        std::abort();
    return 0;
}

// The configuration file reader against any file: it never reads past the data, stops at the
// first bad field, keeps every value inside its list, and what it took survives a save.
#include "core/ConfigFile.h"

#include <QDateTime>
#include <cstdlib>

using namespace kwf;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    ConfigValues current;
    current.selectors[0] = 3;
    current.relays[1].combos[4] = 7;
    const ConfigRead r = readConfig(bytes, current);
    if (r.fieldsRead < 0 || r.fieldsRead > configfile::kFieldCount)
        std::abort();
    for (int i = 0; i < configfile::kFieldCount; ++i) {
        const int v = r.values.field(i);
        if (i >= r.fieldsRead) {
            if (v != current.field(i))
                std::abort();   // fields after the first bad one keep their values
            continue;
        }
        const ConfigField f = configField(i);
        if (v < f.lowest || v > f.highest)
            std::abort();
    }
    // What was read is written back and read again unchanged.
    const QByteArray again = writeConfig(r.values, LinkSettings(), QDateTime(QDate(2026, 12, 5), QTime(10, 0)));
    const ConfigRead back = readConfig(again, ConfigValues());
    if (!back.complete() || back.values != r.values)
        std::abort();
    fromWindows1252(bytes);
    return 0;
}

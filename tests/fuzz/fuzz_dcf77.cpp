// The DCF77 monitor's log and minute decoder against any character stream: nothing may crash
// or read outside its data.
#include "core/Dcf77Log.h"
#include "core/Dcf77Minute.h"
#include "core/Dcf77Report.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    kwf::Dcf77Log log;
    for (size_t i = 0; i < size; ++i) {
        const auto step = log.feed(char(data[i]));
        if (step.endOfMinute) {
            kwf::describeDcf77Minute(step.minuteChars);
            if (auto bits = kwf::Dcf77Minute::bitsFromChars(step.minuteChars))
                kwf::Dcf77Minute::decode(*bits);
        }
        if (i % 7 == 0)
            log.flashEnd();
    }
    const QByteArray raw(reinterpret_cast<const char*>(data), int(size));
    if (auto bits = kwf::Dcf77Minute::bitsFromChars(raw))
        kwf::Dcf77Minute::decode(*bits);
    kwf::describeDcf77Minute(raw);
    return 0;
}

// The DCF77 monitor's log, minute decoder and reception analysis against any character stream,
// and the analysis of any file: nothing may crash or read outside its data.
#include "core/Dcf77Log.h"
#include "core/Dcf77Minute.h"
#include "core/Dcf77Reception.h"
#include "core/Dcf77Report.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    kwf::Dcf77Log log;
    kwf::Dcf77Reception reception;
    for (size_t i = 0; i < size; ++i) {
        reception.feed(char(data[i]), qint64(i) * 1000);
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
    reception.toJson(qint64(size) * 1000);
    const kwf::Dcf77Replay replay = kwf::replayDcf77File(raw);
    replay.reception.reportLines(replay.endMs);
    return 0;
}

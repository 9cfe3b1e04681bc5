// The emulator's frame parser against any byte stream: never crashes, answers at most one byte
// per frame, and still answers a valid frame sent afterwards.
#include "core/Frames.h"
#include "model/PanelModel.h"

#include <QDateTime>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    kwf::emu::PanelModel model(QDateTime(QDate(2026, 12, 5), QTime(9, 58, 49)));
    const QByteArray input(reinterpret_cast<const char*>(data), int(size));
    const QByteArray answer = model.exchange(input, 0);
    if (answer.size() > int(size) / 8 + 1)
        std::abort();
    // Whatever came before, a full preamble resynchronises the parser.
    const QByteArray after = model.exchange(QByteArray(4, '\x03') + kwf::linkTestFrame(), 1000);
    if (after.size() < 1)
        std::abort();
    return 0;
}

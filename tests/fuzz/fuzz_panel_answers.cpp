// Every decoder of the panel's answers against any answer: the link test, single registers,
// the switch image, the register grid, the relay, clock and brightness blocks, fed by an
// emulated panel whose faults and registers come from the input. Nothing may crash, read
// outside its data or pass a failed answer off as a value.
#include "core/SwitchOps.h"
#include "support/FuzzPanel.h"
#include "core/ClockOps.h"
#include "core/DisplayOps.h"
#include "core/RelayOps.h"

#include <cstdlib>

using namespace kwf;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::FuzzPanel p(data, size);
    Tqvbase& t = p.tqv;
    t.TEST_LIAISON();

    const SwitchReading sw = readSwitchImage(t);
    if (!sw.linkOk && (sw.markerOk || bankByte(sw.image.sw2) || bankByte(sw.image.sw3)))
        std::abort();   // nothing is decoded without the link
    if (!sw.markerOk && (bankByte(sw.image.sw2) || bankByte(sw.image.sw3)))
        std::abort();   // nor without the marker

    const auto grid = readRegisterGrid(t, [](int n, int v) {
        if (n < 0 || n >= grid::kRegisters || v < -1 || v > 255)
            std::abort();
    });
    for (int v : grid) {
        if (v >= 0 && parseGridText(gridText(v)).value != v)
            std::abort();
    }

    // Relay blocks: decoded only when complete with their marker, every index in its list.
    for (int relay = 1; relay <= 2; ++relay) {
        const RelayRead rr = relay == 1 ? LIT_RELAIS1(t) : LIT_RELAIS2(t);
        if (rr.block.has_value() != rr.result.ok)
            std::abort();
        if (rr.block) {
            if (t.TAB_DS()[relay == 1 ? 15 : 48] != kBlockMarker)
                std::abort();
            for (const DecodedAlarm& a : rr.block->alarms) {
                if ((a.hourIndex && (*a.hourIndex < 0 || *a.hourIndex > 23))
                    || (a.minuteIndex && (*a.minuteIndex < 0 || *a.minuteIndex > 59))
                    || (a.durationIndex && (*a.durationIndex < -1 || *a.durationIndex > 58)))
                    std::abort();
            }
        }
    }
    if (size >= 16) {
        std::array<quint8, 16> raw{};
        for (size_t i = 0; i < 16; ++i)
            raw[i] = data[i];
        decodeRelayBlock(raw);
    }
    // Clock bytes: an image only on success, shown by hexadecimal digits whatever they hold.
    for (int which = 0; which < 2; ++which) {
        const ClockReading cr = which == 0 ? LIT_HEURE_DS(t) : LIT_DER_MISEH(t);
        if (cr.image.has_value() != cr.result.ok)
            std::abort();
        if (cr.image && (cr.image->timeText().size() < 8 || cr.image->dateText().isEmpty()))
            std::abort();
    }
    // The brightness block: accepted only with its marker, and then TAB_DS holds it.
    const auto before = t.TAB_DS();
    const bool lum = LIT_LUM(t);
    if (lum && t.TAB_DS()[kBrightnessBlockFirst] != kBlockMarker)
        std::abort();
    for (int r = 0; r < Tqvbase::kTabDsSize; ++r)
        if ((r < kBrightnessBlockFirst || r > kBrightnessBlockFirst + 4) && t.TAB_DS()[size_t(r)] != before[size_t(r)])
            std::abort();   // a read touches only its own block
    t.COMPTE_RENDU(CmdResult::failed(0), QStringLiteral("ok"));

    // The grid boxes' text, as typed by the user.
    const QString typed = QString::fromLatin1(reinterpret_cast<const char*>(data), int(qMin<size_t>(size, 16)));
    const GridValue g = parseGridText(typed);
    if (g.clean && typed.size() > 2)
        std::abort();
    return 0;
}

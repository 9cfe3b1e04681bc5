#pragma once
// The emulated panel behind the transport, its faults and registers taken from the fuzzer's
// input: a flags byte (silent, one byte too many, wrong markers), the frames answered before it
// falls silent, the frames before the line goes, the answer delay in 20 ms steps, then
// registers 0 onwards (the rest as a fresh panel holds them). Time is simulated; messages are
// dropped.
#include "BenchRig.h"
#include "SimClock.h"
#include "core/Tqvbase.h"
#include "model/EmulatedSerialPort.h"

#include <cstddef>
#include <cstdint>

namespace kwf::fuzz {

struct FuzzPanel {
    FuzzPanel(const uint8_t* data, size_t size) : port(clock), tqv(port, clock, ui, link)
    {
        auto in = [&](size_t i) { return i < size ? int(data[i]) : 0; };
        emu::PanelFaults& f = port.model().faults();
        f.silent = in(0) & 1;
        f.extraByte = in(0) & 2;
        f.wrongMarkers = in(0) & 4;
        f.silentAfterFrames = in(1) - 1;
        f.unplugAfterFrames = in(2) - 1;
        f.answerDelayMs = 20 * in(3);
        for (size_t i = 4; i < size && i < 4 + emu::PanelModel::kRegisterCount; ++i)
            port.model().setReg(int(i - 4), data[i]);
        link.settings.response = QStringLiteral("OUI");
        link.settings.interface = QStringLiteral("Filaire ");
        link.portValide = true;
        port.open(QString(), *LineSettings::parse(QString::fromLatin1(kLinkLineSettings)));
    }
    test::SimClock clock;
    emu::EmulatedSerialPort port;
    SilentUi ui;
    LinkSettingsModel link;
    Tqvbase tqv;
};

} // namespace kwf::fuzz

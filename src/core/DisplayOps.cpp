#include "core/DisplayOps.h"
#include "core/UiServices.h"

namespace kwf {

quint8 brightness::modeByte(bool autoSensor, bool forced20, bool forced100)
{
    quint8 mode = 0;
    if (forced100)
        mode |= kModeForced100;
    if (forced20)
        mode |= kModeForced20;
    if (autoSensor)
        mode |= kModeAutoSensor;
    return mode;
}

quint8 brightness::sensitivityByte(bool fast, bool slow)
{
    quint8 s = 0;
    if (fast)
        s |= kSensitivityFast;
    if (slow)
        s |= kSensitivitySlow;
    return s;
}

CmdResult ECRI_BLOC(Tqvbase& t, quint8 p1, quint8 p2, quint8 p3, quint8 p4, int subCode)
{
    Tqvbase::Operation op(t, QStringLiteral("ECRI_BLOC"));
    if (subCode < 0 || subCode > 63)
        return CmdResult::refused();
    auto& tab = t.TAB_DS();
    tab[kCommandBlockFirst] = quint8(kFunctionBase + subCode);
    tab[kCommandBlockFirst + 1] = p1;
    tab[kCommandBlockFirst + 2] = p2;
    tab[kCommandBlockFirst + 3] = p3;
    tab[kCommandBlockFirst + 4] = p4;
    QByteArray values;
    for (int r = kCommandBlockFirst; r < kCommandBlockFirst + kCommandBlockSize; ++r)
        values.append(char(tab[r]));
    return t.writeRegisters(kCommandBlockFirst, values, plan::kBlockWrite);
}

BrightnessRead readBrightness(Tqvbase& t)
{
    Tqvbase::Operation op(t, QStringLiteral("LIT_LUM"));
    BrightnessRead out;
    std::vector<int> regs;
    for (int r = kBrightnessBlockFirst; r < kBrightnessBlockFirst + kBrightnessBlockSize; ++r)
        regs.push_back(r);
    const int n = t.sendReads(regs, plan::kBrightnessRead);
    out.result = CmdResult::counted(false, kBrightnessBlockSize, n);
    out.result.count = 0;   // the window tests only for success
    if (n != kBrightnessBlockSize)
        return out;
    const int marker = t.readByte();
    if (marker < 0)
        return out;
    auto& tab = t.TAB_DS();
    tab[kBrightnessBlockFirst] = quint8(marker);
    if (marker != kBlockMarker) {
        t.show(QString::fromUtf8(msg::kNoReading), MsgIcon::Exclamation);
        return out;
    }
    // Decode into a copy so that a short read leaves the image as it was.
    std::array<quint8, kBrightnessBlockSize> block{quint8(marker)};
    for (int i = 1; i < kBrightnessBlockSize; ++i) {
        const int v = t.readByte();
        if (v < 0)
            return out;
        block[size_t(i)] = quint8(v);
    }
    for (int i = 1; i < kBrightnessBlockSize; ++i)
        tab[kBrightnessBlockFirst + i] = block[size_t(i)];
    out.result = CmdResult::counted(true, kBrightnessBlockSize, n);
    out.block = block;
    return out;
}

bool LIT_LUM(Tqvbase& t)
{
    return readBrightness(t).result.ok;
}

} // namespace kwf

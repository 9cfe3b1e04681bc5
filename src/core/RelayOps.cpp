#include "core/RelayOps.h"
#include "core/Bcd.h"
#include "core/UiServices.h"

#include <vector>

namespace kwf {

namespace {

CmdResult writeBlock(Tqvbase& t, int first)
{
    QByteArray values;
    values.reserve(kRelayBlockSize);
    for (int r = first; r < first + kRelayBlockSize; ++r)
        values.append(char(t.TAB_DS()[r]));
    return t.writeRegisters(first, values, plan::kBlockWrite);
}

std::vector<int> blockRegisters(int first)
{
    std::vector<int> regs;
    for (int r = first; r < first + kRelayBlockSize; ++r)
        regs.push_back(r);
    return regs;
}

// Index of a BCD byte in a list of 0..last, when it is one.
std::optional<int> bcdIndex(quint8 byte, int last)
{
    const std::optional<int> v = bcdToInt(byte);
    if (!v || *v > last)
        return std::nullopt;
    return v;
}

void noReading(Tqvbase& t)
{
    t.show(QString::fromUtf8(msg::kNoReading), MsgIcon::Exclamation);
}

// A block read whose bytes came but could not be decoded.
CmdResult undecoded(int received)
{
    CmdResult r = CmdResult::counted(false, kRelayBlockSize, received);
    r.count = 0;
    return r;
}

} // namespace

QString relayProgrammedText(int relay)
{
    return QStringLiteral("Programmation Relais %1 effectuée.").arg(relay);
}

QString relayReadText(int relay)
{
    return QStringLiteral("Lecture Relais %1 effectuée.").arg(relay);
}

std::array<RelayAlarmSetting, 4> relayAlarms(const RelayConfig& window)
{
    std::array<RelayAlarmSetting, 4> alarms;
    for (int k = 0; k < 4; ++k) {
        RelayAlarmSetting& a = alarms[size_t(k)];
        for (int d = 0; d < 7; ++d)
            if (window.days[size_t(7 * k + d)])
                a.dayMask |= quint8(1u << d);
        if (window.option1)
            a.dayMask |= kContactCloses;
        const int hour = window.combos[size_t(3 * k)];
        const int minute = window.combos[size_t(3 * k + 1)];
        const int duration = window.combos[size_t(3 * k + 2)];
        a.hour = hour < 0 ? 0 : hour;
        a.minute = minute < 0 ? 0 : minute;
        // An empty duration box (after reading a duration of 0) sends 0.
        a.duration = duration < 0 ? 0 : duration + 1;
    }
    return alarms;
}

std::array<quint8, 16> relayBlock(const std::array<RelayAlarmSetting, 4>& alarms)
{
    std::array<quint8, 16> bytes{};
    for (size_t k = 0; k < 4; ++k) {
        bytes[4 * k] = alarms[k].dayMask;
        bytes[4 * k + 1] = toBcd(alarms[k].hour);
        bytes[4 * k + 2] = toBcd(alarms[k].minute);
        bytes[4 * k + 3] = quint8(alarms[k].duration);
    }
    return bytes;
}

CmdResult ECRI_RELAIS1(Tqvbase& t, const std::array<RelayAlarmSetting, 4>& alarms)
{
    return writeRelay1Bytes(t, relayBlock(alarms));
}

CmdResult writeRelay1Bytes(Tqvbase& t, const std::array<quint8, 16>& bytes)
{
    Tqvbase::Operation op(t, QStringLiteral("ECRI_RELAIS1"));
    auto& tab = t.TAB_DS();
    tab[kRelay1First] = kBlockMarker;
    for (int i = 0; i < 16; ++i)
        tab[kRelay1First + 1 + i] = bytes[size_t(i)];
    return writeBlock(t, kRelay1First);
}

CmdResult ECRI_RELAIS2(Tqvbase& t, const std::array<quint8, 16>& bytes)
{
    Tqvbase::Operation op(t, QStringLiteral("ECRI_RELAIS2"));
    auto& tab = t.TAB_DS();
    for (int i = 0; i < 16; ++i)
        tab[kRelay2First + i] = bytes[i];
    tab[kRelay2First + 16] = kBlockMarker;
    return writeBlock(t, kRelay2First);
}

DecodedRelay decodeRelayBlock(const std::array<quint8, 16>& data)
{
    DecodedRelay d;
    for (int k = 0; k < 4; ++k) {
        const quint8 mask = data[4 * k];
        DecodedAlarm& a = d.alarms[k];
        for (int day = 0; day < 7; ++day)
            a.days[day] = (mask >> day) & 1;
        if (k == 0)
            d.contactCloses = (mask & kContactCloses) != 0;
        a.hourIndex = bcdIndex(data[4 * k + 1], 23);
        a.minuteIndex = bcdIndex(data[4 * k + 2], 59);
        // The duration is a plain byte, 1..59 seconds; 0 leaves the box without a selection.
        const int seconds = data[4 * k + 3];
        if (seconds <= 59)
            a.durationIndex = seconds - 1;
    }
    return d;
}

RelayRead LIT_RELAIS1(Tqvbase& t)
{
    Tqvbase::Operation op(t, QStringLiteral("LIT_RELAIS1"));
    RelayRead out;
    const int n = t.sendReads(blockRegisters(kRelay1First), plan::kRelay1Read);
    if (n != kRelayBlockSize) {
        out.result = CmdResult::counted(false, kRelayBlockSize, n);
        return out;
    }
    auto& tab = t.TAB_DS();
    const int marker = t.readByte();
    if (marker < 0) {
        out.result = undecoded(n);
        return out;
    }
    tab[kRelay1First] = quint8(marker);
    if (marker != kBlockMarker) {
        // The other bytes stay in the input until the next exchange empties it.
        noReading(t);
        out.result = undecoded(n);
        return out;
    }
    std::array<quint8, 16> data{};
    for (int i = 0; i < 16; ++i) {
        const int b = t.readByte();
        if (b < 0) {
            out.result = undecoded(n);
            return out;
        }
        data[i] = quint8(b);
        tab[kRelay1First + 1 + i] = data[i];
    }
    out.result = CmdResult::counted(true, kRelayBlockSize, n);
    out.block = decodeRelayBlock(data);
    return out;
}

RelayRead LIT_RELAIS2(Tqvbase& t)
{
    Tqvbase::Operation op(t, QStringLiteral("LIT_RELAIS2"));
    RelayRead out;
    const int n = t.sendReads(blockRegisters(kRelay2First), plan::kRelay2Read);
    if (n != kRelayBlockSize) {
        out.result = CmdResult::counted(false, kRelayBlockSize, n);
        return out;
    }
    auto& tab = t.TAB_DS();
    for (int i = 0; i < kRelayBlockSize; ++i) {
        const int b = t.readByte();
        if (b < 0) {
            out.result = undecoded(n);
            return out;
        }
        tab[kRelay2First + i] = quint8(b);
    }
    if (tab[kRelay2First + 16] != kBlockMarker) {
        noReading(t);
        out.result = undecoded(n);
        return out;
    }
    std::array<quint8, 16> data{};
    for (int i = 0; i < 16; ++i)
        data[i] = tab[kRelay2First + i];
    out.result = CmdResult::counted(true, kRelayBlockSize, n);
    out.block = decodeRelayBlock(data);
    return out;
}

} // namespace kwf

#pragma once
#include <QByteArray>
#include <array>

namespace kwf::test {

// A minimal panel behind the fake port: keeps 64 registers, stores register writes, answers a
// register read with the value and anything else with one acknowledgement byte.
struct RegisterPanel {
    std::array<quint8, 64> regs{};
    int reads = 0, writes = 0;

    QByteArray operator()(const QByteArray& frame)
    {
        int i = 0;
        while (i < frame.size() && frame[i] == '\x02')
            ++i;
        if (frame.size() < i + 7 || frame[i] != '1')
            return {};
        const quint8 base = quint8(frame[i + 1]) & 0xF0;
        auto nib = [&](int k) { return quint8(frame[i + 1 + k]) & 0x0F; };
        const int reg = nib(2) * 16 + nib(3);
        if (base == 0x40) {
            ++writes;
            regs[size_t(reg & 63)] = quint8(nib(4) * 16 + nib(5));
            return QByteArray(1, '\x06');
        }
        if (base == 0x20) {
            ++reads;
            return QByteArray(1, char(regs[size_t(reg & 63)]));
        }
        return QByteArray(1, '\x06');
    }
};

} // namespace kwf::test

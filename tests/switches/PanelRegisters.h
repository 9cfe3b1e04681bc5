#pragma once
#include "core/Frames.h"

#include <QByteArray>
#include <array>
#include <utility>
#include <vector>

namespace kwf::test {

// A panel that keeps its 64 registers: answers a register read with the register's value (or
// nothing for a register set silent), acknowledges writes, the link test and the closing frame
// with one byte, and notes what it was asked.
struct PanelRegisters {
    std::array<int, 64> regs{};                 // -1: the register does not answer
    std::vector<int> reads;                     // registers read, in order
    std::vector<std::pair<int, int>> writes;    // (register, value), in order
    bool linkAnswers = true;

    QByteArray operator()(const QByteArray& f)
    {
        const QByteArray ack(1, '\x06');
        if (f == linkTestFrame())
            return linkAnswers ? ack : QByteArray();
        if (f == closingFrame())
            return ack;
        if (f.size() != 9 || f[0] != '\x02' || f[1] != '1' || f[8] != '\x03')
            return {};
        const int reg = ((f[4] & 0x0F) << 4) | (f[5] & 0x0F);
        if (quint8(f[2]) == kBaseRead) {
            reads.push_back(reg);
            return regs[reg] < 0 ? QByteArray() : QByteArray(1, char(regs[reg]));
        }
        if (quint8(f[2]) == kBaseWrite) {
            const int value = ((f[6] & 0x0F) << 4) | (f[7] & 0x0F);
            writes.emplace_back(reg, value);
            regs[reg] = value;
            return ack;
        }
        return {};
    }
};

} // namespace kwf::test

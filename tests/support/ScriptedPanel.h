#pragma once
// The scripted panel of the window tests, behind the fake port (one frame per write). It keeps
// 64 registers, stores register writes and acknowledges them, the link test and the closing
// frame with one byte, and answers a register read with the register's value (nothing for -1).
// It is strict: a frame that is not k x 0x02, "1", six characters of one base, m x 0x03, in a
// shape that kind of frame is sent in, fails the test and gets no answer.
#include "core/Frames.h"

#include <QByteArray>
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace kwf::test {

struct PanelFrame {
    int preamble = 0, endRun = 0;
    quint8 base = 0;
    int reg = 0, value = 0;
};

struct ScriptedPanel {
    std::array<int, 64> regs{};
    bool silent = false;
    // When it gives an answer, that answer replaces the panel's own.
    std::function<std::optional<QByteArray>(const PanelFrame&)> script;
    std::vector<int> reads;                     // registers read
    std::vector<std::pair<int, int>> writes;    // registers written, with their value

    void load(int first, const QByteArray& bytes)
    {
        for (int i = 0; i < bytes.size(); ++i)
            regs[size_t(first + i)] = quint8(bytes[i]);
    }

    QByteArray operator()(const QByteArray& f)
    {
        PanelFrame p;
        while (p.preamble < f.size() && f[p.preamble] == '\x02')
            ++p.preamble;
        const QByteArray body = f.mid(p.preamble + 1, 6), end = f.mid(p.preamble + 7);
        p.endRun = int(end.size());
        p.base = quint8(body.isEmpty() ? 0 : body[0]) & 0xF0;
        auto nib = [&](int k) { return quint8(body[k]) & 0x0F; };
        bool ok = p.preamble < f.size() && f[p.preamble] == '1' && body.size() == 6 && end == QByteArray(p.endRun, '\x03');
        for (char c : body)
            ok = ok && (quint8(c) & 0xF0) == p.base;
        if (ok) {
            p.reg = nib(2) * 16 + nib(3);
            p.value = nib(4) * 16 + nib(5);
        }
        using Shapes = std::set<std::pair<int, int>>;
        const std::pair<int, int> shape{p.preamble, p.endRun};
        const bool command = ok && nib(0) == 0 && nib(1) == 0 && p.reg < 64;
        switch (p.base) {
        case kBaseLinkTest: ok = command && p.reg == 0 && p.value == 0 && shape == std::pair{8, 1}; break;
        case kBaseClosing: ok = command && p.reg == 0 && p.value == 0 && shape == std::pair{4, 1}; break;
        case kBaseRead: ok = command && p.value == 0 && Shapes{{1, 1}, {2, 3}, {4, 1}}.count(shape); break;
        case kBaseWrite: ok = command && Shapes{{1, 1}, {2, 3}, {2, 4}}.count(shape); break;
        default: ok = false;
        }
        if (!ok) {
            ADD_FAILURE() << "a malformed frame: " << hexBytes(f).constData();
            return {};
        }
        if (p.base == kBaseRead)
            reads.push_back(p.reg);
        if (silent)
            return {};
        if (script)
            if (std::optional<QByteArray> a = script(p))
                return *a;
        if (p.base == kBaseWrite)
            writes.emplace_back(p.reg, p.value), regs[size_t(p.reg)] = p.value;
        if (p.base != kBaseRead)
            return QByteArray(1, '\x06');
        return regs[size_t(p.reg)] < 0 ? QByteArray() : QByteArray(1, char(regs[size_t(p.reg)]));
    }
};

} // namespace kwf::test

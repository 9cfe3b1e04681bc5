#pragma once
#include <QByteArray>
#include <array>
#include <functional>

namespace kwf::test {

// A scripted panel for the display tests: acknowledges the link test and closing frames with one
// byte, register writes with what writeAnswer says (one byte by default), register reads with
// the register's value.
struct PanelScript {
    std::array<quint8, 64> regs{};
    bool answerLinkTest = true;
    std::function<QByteArray(int reg, quint8 value)> writeAnswer;
    std::function<QByteArray(int reg)> readAnswer;

    QByteArray operator()(const QByteArray& frame)
    {
        int i = 0;
        while (i < frame.size() && frame[i] == '\x02')
            ++i;
        if (i + 7 > frame.size() || frame[i] != '1')
            return {};
        const QByteArray body = frame.mid(i + 1, 6);
        const quint8 base = quint8(body[0]) & 0xF0;
        auto nib = [&](int k) { return quint8(body[k]) & 0x0F; };
        const int reg = nib(2) * 16 + nib(3);
        switch (base) {
        case 0xC0:
            return answerLinkTest ? QByteArray(1, '\x06') : QByteArray();
        case 0xD0:
            return QByteArray(1, '\x06');
        case 0x40: {
            const quint8 v = quint8(nib(4) * 16 + nib(5));
            if (writeAnswer)
                return writeAnswer(reg, v);
            regs[size_t(reg)] = v;
            return QByteArray(1, '\x06');
        }
        case 0x20:
            if (readAnswer)
                return readAnswer(reg);
            return QByteArray(1, char(regs[size_t(reg)]));
        default:
            return {};
        }
    }
};

} // namespace kwf::test

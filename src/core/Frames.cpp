#include "core/Frames.h"

namespace kwf {

QByteArray buildFrame(quint8 base, const std::array<quint8, 6>& nibbles, int preamble, int endRun)
{
    QByteArray frame;
    frame.reserve(preamble + 7 + endRun);
    frame.append(QByteArray(preamble, '\x02'));
    frame.append('1');
    for (quint8 n : nibbles)
        frame.append(char(quint8(base + (n & 0x0F))));
    frame.append(QByteArray(endRun, '\x03'));
    return frame;
}

QByteArray registerReadFrame(int reg, int preamble, int endRun)
{
    const quint8 r = quint8(reg);
    return buildFrame(kBaseRead, {0, 0, quint8(r >> 4), quint8(r & 0x0F), 0, 0}, preamble, endRun);
}

QByteArray registerWriteFrame(int reg, quint8 value, int preamble, int endRun)
{
    const quint8 r = quint8(reg);
    return buildFrame(kBaseWrite, {0, 0, quint8(r >> 4), quint8(r & 0x0F), quint8(value >> 4), quint8(value & 0x0F)},
                      preamble, endRun);
}

QByteArray linkTestFrame()
{
    return buildFrame(kBaseLinkTest, {0, 0, 0, 0, 0, 0}, 8, 1);
}

QByteArray closingFrame()
{
    return buildFrame(kBaseClosing, {0, 0, 0, 0, 0, 0}, 4, 1);
}

QByteArray hexBytes(const QByteArray& bytes)
{
    return bytes.toHex(' ').toUpper();
}

} // namespace kwf

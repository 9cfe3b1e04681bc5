#pragma once
#include <QByteArray>
#include <array>

namespace kwf {

// Command bases.
enum : quint8 { kBaseRead = 0x20, kBaseWrite = 0x40, kBaseLinkTest = 0xC0, kBaseClosing = 0xD0 };

// A command frame: k times 0x02, the address "1", six characters base + nibble, m times 0x03.
QByteArray buildFrame(quint8 base, const std::array<quint8, 6>& nibbles, int preamble, int endRun);

// Register read: nibbles 0, 0, R div 16, R mod 16, 0, 0.
QByteArray registerReadFrame(int reg, int preamble, int endRun);
// Register write: nibbles 0, 0, R div 16, R mod 16, V div 16, V mod 16.
QByteArray registerWriteFrame(int reg, quint8 value, int preamble, int endRun);

// 02 x8, "1", C0 x6, 03 (16 bytes).
QByteArray linkTestFrame();
// 02 x4, "1", D0 x6, 03 (12 bytes).
QByteArray closingFrame();

// "02 02 31 ..." for messages and journals.
QByteArray hexBytes(const QByteArray& bytes);

} // namespace kwf

#include "core/SwitchOps.h"
#include "core/DeviceCommand.h"
#include "core/Tqvbase.h"

namespace kwf {

quint8 bankByte(const SwitchBank& bank)
{
    quint8 b = 0;
    for (int i = 0; i < 8; ++i)
        if (bank[i])
            b |= quint8(1u << i);
    return b;
}

SwitchBank bankFromByte(quint8 byte)
{
    SwitchBank bank{};
    for (int i = 0; i < 8; ++i)
        bank[i] = (byte >> i) & 1;
    return bank;
}

SwitchReading readSwitchImage(Tqvbase& t)
{
    Tqvbase::Operation op(t, QStringLiteral("LIT_SW"));
    SwitchReading r;
    if (!t.TEST_LIAISON() && stopsAfterFailedLinkTest(command::kSwitchRead.policy, t.wired())) {
        t.FIN_LIAISON();
        return r;
    }
    r.linkOk = true;
    r.marker = t.LIT_REG(switches::kMarkerRegister);
    if (r.marker == switches::kMarker) {
        r.markerOk = true;
        const int sw2 = t.LIT_REG(switches::kBankSw2Register);
        if (sw2 >= 0) {
            r.image.sw2 = bankFromByte(quint8(sw2));
            ++r.banksRead;
        }
        const int sw3 = t.LIT_REG(switches::kBankSw3Register);
        if (sw3 >= 0) {
            r.image.sw3 = bankFromByte(quint8(sw3));
            ++r.banksRead;
        }
    }
    t.FIN_LIAISON();
    return r;
}

bool writeSwitchImage(Tqvbase& t, const SwitchImage& image, int* acknowledged)
{
    Tqvbase::Operation op(t, QStringLiteral("ENVOI_SW"));
    if (acknowledged)
        *acknowledged = 0;
    if (!t.TEST_LIAISON() && stopsAfterFailedLinkTest(command::kSwitchWrite.policy, t.wired())) {
        t.FIN_LIAISON();
        return false;
    }
    int acks = 0;
    acks += t.ECRI_REG(switches::kMarkerRegister, switches::kMarker).ok;
    acks += t.ECRI_REG(switches::kMarkerRegister, switches::kMarker).ok;
    acks += t.ECRI_REG(switches::kBankSw2Register, bankByte(image.sw2)).ok;
    acks += t.ECRI_REG(switches::kBankSw3Register, bankByte(image.sw3)).ok;
    if (acknowledged)
        *acknowledged = acks;
    t.FIN_LIAISON();
    return true;
}

namespace {
int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}
} // namespace

GridValue parseGridText(const QString& text)
{
    GridValue g;
    int i = 0;
    for (; i < text.size(); ++i) {
        const int d = hexDigit(text[i]);
        if (d < 0)
            break;
        // Only the low eight bits go to the panel, however long the number.
        g.value = quint8((g.value << 4) | d);
    }
    g.clean = i == text.size() && i <= 2;
    return g;
}

QString gridText(int value)
{
    return QString::number(value, 16).toUpper();
}

std::array<int, grid::kRegisters> readRegisterGrid(Tqvbase& t, const std::function<void(int, int)>& step)
{
    Tqvbase::Operation op(t, QStringLiteral("LIRE_GRILLE"));
    std::array<int, grid::kRegisters> values{};
    for (int n = 0; n < grid::kRegisters; ++n) {
        values[n] = t.LIT_REG(n);
        if (step)
            step(n, values[n]);
    }
    return values;
}

int writeRegisterGrid(Tqvbase& t, const std::array<quint8, grid::kRegisters>& values,
                      const std::function<void(int)>& step, int first)
{
    Tqvbase::Operation op(t, QStringLiteral("ENVOI_GRILLE"));
    int acknowledged = 0;
    for (int n = qMax(first, 0); n < grid::kRegisters; ++n) {
        if (t.ECRI_REG(n, values[n]).ok)
            ++acknowledged;
        if (step)
            step(n);
    }
    return acknowledged;
}

} // namespace kwf

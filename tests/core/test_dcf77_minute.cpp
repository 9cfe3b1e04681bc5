#include "core/Dcf77Minute.h"

#include <gtest/gtest.h>

#include <functional>

using namespace kwf;

TEST(Dcf77Minute, RoundTripsThroughACenturyOfMinutes)
{
    QDateTime t(QDate(2000, 1, 1), QTime(0, 0));
    for (; t.date().year() < 2100; t = t.addSecs(3 * 86400 + 7 * 3600 + 13 * 60)) {
        const Dcf77Minute m = Dcf77Minute::fromDateTime(t, Dcf77Minute::isSummerTime(t));
        const auto bits = Dcf77Minute::bitsFromChars(Dcf77Minute::toChars(m.encode()));
        ASSERT_TRUE(bits);
        const auto d = Dcf77Minute::decode(*bits);
        ASSERT_TRUE(d.ok()) << Dcf77Minute::errorText(d.error).toStdString() << " "
                            << t.toString(Qt::ISODate).toStdString();
        ASSERT_EQ(d.minute, m);
        EXPECT_EQ(d.minute.toDateTime(), QDateTime(t.date(), QTime(t.time().hour(), t.time().minute())));
    }
    // Summer time runs from the last Sunday of March, 02:00, to the last Sunday of October, 03:00.
    auto summer = [](int y, int m, int d, int h, int min) {
        return Dcf77Minute::isSummerTime(QDateTime(QDate(y, m, d), QTime(h, min)));
    };
    EXPECT_FALSE(summer(2026, 3, 29, 1, 59));
    EXPECT_TRUE(summer(2026, 3, 29, 3, 0));
    EXPECT_TRUE(summer(2026, 10, 25, 2, 59));
    EXPECT_FALSE(summer(2026, 10, 25, 3, 0));
}

TEST(Dcf77Minute, EveryCheckHasItsFailure)
{
    using E = Dcf77Minute::Error;
    // Saturday 05/12/2026 10:45 CET.
    const Dcf77Bits good = Dcf77Minute::fromDateTime(QDateTime(QDate(2026, 12, 5), QTime(10, 45)), false).encode();
    // Sets bits [first, first + width) to value, least significant bit first, and fixes the
    // field's parity bit so that only the value is wrong.
    auto put = [](Dcf77Bits& b, int first, int width, int value, int parityFirst, int parityBit) {
        for (int i = 0; i < width; ++i)
            b[size_t(first + i)] = quint8((value >> i) & 1);
        int p = 0;
        for (int i = parityFirst; i < parityBit; ++i)
            p ^= b[size_t(i)];
        b[size_t(parityBit)] = quint8(p);
    };
    // The parity checks and bit 20 are judged in the monitor's decoding tests.
    const std::pair<E, std::function<void(Dcf77Bits&)>> cases[] = {
        {E::StartBit, [](Dcf77Bits& b) { b[0] = 1; }},
        {E::ZoneBits, [](Dcf77Bits& b) { b[17] = 1; }},
        {E::MinuteBcd, [&](Dcf77Bits& b) { put(b, 21, 7, 0x60, 21, 28); }},
        {E::HourBcd, [&](Dcf77Bits& b) { put(b, 29, 6, 0x24, 29, 35); }},
        {E::DayBcd, [&](Dcf77Bits& b) { put(b, 36, 6, 0x00, 36, 58); }},
        {E::WeekdayBcd, [&](Dcf77Bits& b) { put(b, 42, 3, 0, 36, 58); }},
        {E::MonthBcd, [&](Dcf77Bits& b) { put(b, 45, 5, 0x13, 36, 58); }},
        {E::YearBcd, [&](Dcf77Bits& b) { put(b, 50, 8, 0x9A, 36, 58); }},
        {E::InvalidDate, [&](Dcf77Bits& b) {   // 29/02/27
             put(b, 36, 6, 0x29, 36, 58), put(b, 45, 5, 0x02, 36, 58), put(b, 50, 8, 0x27, 36, 58);
         }},
    };
    for (const auto& [error, spoil] : cases) {
        Dcf77Bits b = good;
        spoil(b);
        EXPECT_EQ(Dcf77Minute::decode(b).error, error) << Dcf77Minute::errorText(error).toStdString();
    }
    // The characters must be exactly one minute: no lost or extra second, no early end.
    const QByteArray chars = Dcf77Minute::toChars(good);
    for (const QByteArray& bad : {chars.mid(1), "0" + chars, chars.left(10) + '2' + chars.mid(11),
                                  chars.left(58) + '0'})
        EXPECT_FALSE(Dcf77Minute::bitsFromChars(bad)) << bad.constData();
}

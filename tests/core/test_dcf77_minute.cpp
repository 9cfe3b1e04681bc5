#include "core/Dcf77Minute.h"

#include <gtest/gtest.h>

#include <functional>

using namespace kwf;

namespace {

Dcf77Minute sample()
{
    // Saturday 05/12/2026 10:45 CET.
    return Dcf77Minute::fromDateTime(QDateTime(QDate(2026, 12, 5), QTime(10, 45)), false);
}

// Sets bits [first, first + width) to value (least significant bit first).
void put(Dcf77Bits& b, int first, int width, int value)
{
    for (int i = 0; i < width; ++i)
        b[size_t(first + i)] = quint8((value >> i) & 1);
}

void fixParity(Dcf77Bits& b, int first, int last, int parityBit)
{
    int p = 0;
    for (int i = first; i <= last; ++i)
        p ^= b[size_t(i)];
    b[size_t(parityBit)] = quint8(p);
}

} // namespace

TEST(Dcf77Minute, EncodesTheTelegramFields)
{
    const Dcf77Bits b = sample().encode();
    EXPECT_EQ(b[0], 0);
    EXPECT_EQ(b[20], 1);
    EXPECT_EQ(b[17], 0);
    EXPECT_EQ(b[18], 1);
    // Minute 45 = BCD 0x45, least significant bit first: 1 0 1 0 0 0 1, three ones -> P1 = 1.
    const quint8 minute[] = {1, 0, 1, 0, 0, 0, 1, 1};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(b[size_t(21 + i)], minute[i]) << i;
    // Hour 10 = 0x10: 0 0 0 0 1 0, one 1 -> P2 = 1.
    const quint8 hour[] = {0, 0, 0, 0, 1, 0, 1};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(b[size_t(29 + i)], hour[i]) << i;
    // Saturday = 6 = 0 1 1.
    EXPECT_EQ(b[42], 0);
    EXPECT_EQ(b[43], 1);
    EXPECT_EQ(b[44], 1);
    const QByteArray chars = Dcf77Minute::toChars(b);
    EXPECT_EQ(chars.size(), 59);
    EXPECT_EQ(chars.back(), b[58] ? '3' : '2');
    EXPECT_TRUE(Dcf77Minute::isSummerTime(QDateTime(QDate(2026, 7, 1), QTime(12, 0))));
    EXPECT_EQ(Dcf77Minute::fromDateTime(QDateTime(QDate(2026, 7, 1), QTime(12, 0)), true).encode()[17], 1);
}

TEST(Dcf77Minute, RoundTripsThroughACenturyOfMinutes)
{
    QDateTime t(QDate(2000, 1, 1), QTime(0, 0));
    int count = 0;
    while (t.date().year() < 2100) {
        const Dcf77Minute m = Dcf77Minute::fromDateTime(t, Dcf77Minute::isSummerTime(t));
        const auto bits = Dcf77Minute::bitsFromChars(Dcf77Minute::toChars(m.encode()));
        ASSERT_TRUE(bits);
        const auto d = Dcf77Minute::decode(*bits);
        ASSERT_TRUE(d.ok()) << Dcf77Minute::errorText(d.error).toStdString() << " "
                            << t.toString(Qt::ISODate).toStdString();
        ASSERT_EQ(d.minute, m);
        EXPECT_EQ(d.minute.toDateTime(), QDateTime(t.date(), QTime(t.time().hour(), t.time().minute())));
        t = t.addSecs(3 * 86400 + 7 * 3600 + 13 * 60);
        ++count;
    }
    EXPECT_GT(count, 10000);
    // 29/02 of a leap year is a date; of another year it is not.
    auto leap = sample();
    leap.year = 2028; leap.month = 2; leap.day = 29; leap.weekday = 2;
    EXPECT_TRUE(Dcf77Minute::decode(leap.encode()).ok());
    leap.year = 2027;
    EXPECT_EQ(Dcf77Minute::decode(leap.encode()).error, Dcf77Minute::Error::InvalidDate);
}

TEST(Dcf77Minute, EveryRuleIsChecked)
{
    using E = Dcf77Minute::Error;
    const Dcf77Bits good = sample().encode();
    auto check = [&good](E expected, const std::function<void(Dcf77Bits&)>& spoil) {
        Dcf77Bits b = good;
        spoil(b);
        EXPECT_EQ(Dcf77Minute::decode(b).error, expected) << Dcf77Minute::errorText(expected).toStdString();
    };
    check(E::StartBit, [](Dcf77Bits& b) { b[0] = 1; });
    check(E::TimeStartBit, [](Dcf77Bits& b) { b[20] = 0; });
    check(E::ZoneBits, [](Dcf77Bits& b) { b[17] = 1; });
    check(E::ZoneBits, [](Dcf77Bits& b) { b[18] = 0; });
    check(E::MinuteParity, [](Dcf77Bits& b) { b[22] ^= 1; });
    check(E::MinuteBcd, [](Dcf77Bits& b) { put(b, 21, 7, 0x0A); fixParity(b, 21, 27, 28); });
    check(E::MinuteBcd, [](Dcf77Bits& b) { put(b, 21, 7, 0x60); fixParity(b, 21, 27, 28); });
    check(E::HourParity, [](Dcf77Bits& b) { b[35] ^= 1; });
    check(E::HourBcd, [](Dcf77Bits& b) { put(b, 29, 6, 0x24); fixParity(b, 29, 34, 35); });
    check(E::DateParity, [](Dcf77Bits& b) { b[50] ^= 1; });
    check(E::DayBcd, [](Dcf77Bits& b) { put(b, 36, 6, 0x00); fixParity(b, 36, 57, 58); });
    check(E::WeekdayBcd, [](Dcf77Bits& b) { put(b, 42, 3, 0); fixParity(b, 36, 57, 58); });
    check(E::MonthBcd, [](Dcf77Bits& b) { put(b, 45, 5, 0x13); fixParity(b, 36, 57, 58); });
    check(E::YearBcd, [](Dcf77Bits& b) { put(b, 50, 8, 0x9A); fixParity(b, 36, 57, 58); });
    check(E::InvalidDate, [](Dcf77Bits& b) { put(b, 36, 6, 0x31); put(b, 45, 5, 0x11); fixParity(b, 36, 57, 58); });
}

TEST(Dcf77Minute, CharactersMustBeAFullMinute)
{
    const QByteArray chars = Dcf77Minute::toChars(sample().encode());
    EXPECT_TRUE(Dcf77Minute::bitsFromChars(chars));
    EXPECT_FALSE(Dcf77Minute::bitsFromChars(chars.mid(1)));             // a lost second
    EXPECT_FALSE(Dcf77Minute::bitsFromChars("0" + chars));              // an extra second
    QByteArray withMark = chars;
    withMark[30] = 'E';
    EXPECT_FALSE(Dcf77Minute::bitsFromChars(withMark));
    QByteArray earlyEnd = chars;
    earlyEnd[10] = '2';
    EXPECT_FALSE(Dcf77Minute::bitsFromChars(earlyEnd));
    QByteArray noEnd = chars;
    noEnd[58] = '0';
    EXPECT_FALSE(Dcf77Minute::bitsFromChars(noEnd));
}

TEST(Dcf77Minute, SummerTimeChangesOnTheLastSundays)
{
    auto at = [](int y, int m, int d, int h, int min) { return QDateTime(QDate(y, m, d), QTime(h, min)); };
    EXPECT_FALSE(Dcf77Minute::isSummerTime(at(2026, 3, 29, 1, 59)));
    EXPECT_TRUE(Dcf77Minute::isSummerTime(at(2026, 3, 29, 3, 0)));
    EXPECT_TRUE(Dcf77Minute::isSummerTime(at(2026, 10, 25, 2, 59)));
    EXPECT_FALSE(Dcf77Minute::isSummerTime(at(2026, 10, 25, 3, 0)));
    EXPECT_FALSE(Dcf77Minute::isSummerTime(at(2026, 3, 22, 12, 0)));
    EXPECT_TRUE(Dcf77Minute::isSummerTime(at(2027, 3, 28, 12, 0)));
}

#include "core/EventCountdown.h"

#include <gtest/gtest.h>

using namespace kwf;

namespace {

const QDate kXmas(2009, 12, 25);
// 1 day 2 hours 3 minutes before 25/12/2009 14:30: M = 1563.
const QDateTime kSeen(QDate(2009, 12, 24), QTime(12, 27, 10));

std::vector<int> bytesOf(const std::array<quint8, 16>& b)
{
    return std::vector<int>(b.begin(), b.end());
}

} // namespace

TEST(EventCountdown, ChristmasExample)
{
    const Countdown c = CALCUL(kSeen, kXmas, 14, 30, false, false);
    EXPECT_EQ(c.minutes, 1563);
    EXPECT_EQ(c.hours, 26);
    EXPECT_EQ(c.days, 1);
    EXPECT_EQ(c.dayText, QStringLiteral("1"));
    EXPECT_EQ(c.hourText, QStringLiteral("26"));
    EXPECT_EQ(c.minuteText, QStringLiteral("3"));
    EXPECT_EQ(bytesOf(eventBlock(kXmas, 14, 30, c, true)),
              (std::vector<int>{0x14, 0x30, 0x00, 0x25, 0x12, 0x09, 0x00, 0x00, 0x01, 0x00, 0x00, 0x1A, 0x00,
                                0x06, 0x1B, 0xFF}));
}

TEST(EventCountdown, SummerAndWinterAnswers)
{
    const Countdown summer = CALCUL(kSeen, kXmas, 14, 30, true, false);
    EXPECT_EQ(summer.minutes, 1503);
    EXPECT_EQ(QStringList({summer.dayText, summer.hourText, summer.minuteText}),
              QStringList({"1", "25", "3"}));
    const auto b = eventBlock(kXmas, 14, 30, summer, false);
    EXPECT_EQ(std::vector<int>(b.begin() + 6, b.begin() + 15),
              (std::vector<int>{0x00, 0x00, 0x01, 0x00, 0x00, 0x19, 0x00, 0x05, 0xDF}));
    EXPECT_EQ(b[15], 0x00);

    EXPECT_EQ(CALCUL(kSeen, kXmas, 14, 30, false, true).minutes, 1623);
    const Countdown both = CALCUL(kSeen, kXmas, 14, 30, true, true);
    EXPECT_EQ(both.minutes, 1563);
    EXPECT_EQ(both.hourText, QStringLiteral("26"));
}

TEST(EventCountdown, PresentAndPastEvents)
{
    const QDateTime now(QDate(2026, 3, 1), QTime(10, 0, 45));
    const Countdown atNow = CALCUL(now, now.date(), 10, 0, false, false);
    EXPECT_FALSE(atNow.past);
    EXPECT_EQ(QStringList({atNow.dayText, atNow.hourText, atNow.minuteText}), QStringList({"0", "0", "0"}));

    // Seconds of now are dropped: minute boundaries only.
    EXPECT_EQ(CALCUL(now, now.date(), 10, 2, false, false).minutes, 2);

    const Countdown oneAgo = CALCUL(now, now.date(), 9, 59, false, false);
    EXPECT_TRUE(oneAgo.past);
    EXPECT_EQ(QStringList({oneAgo.dayText, oneAgo.hourText, oneAgo.minuteText}),
              QStringList({"-----", "-----", "-----"}));
    // Summer time on an event 30 minutes ahead: M = -30.
    const Countdown summer = CALCUL(now, now.date(), 10, 30, true, false);
    EXPECT_TRUE(summer.past);
    EXPECT_EQ(summer.minuteText, QStringLiteral("-----"));
    for (const Countdown& c : {oneAgo, summer}) {
        const auto b = eventBlock(now.date(), 9, 59, c, true);
        EXPECT_EQ(std::vector<int>(b.begin() + 6, b.begin() + 15), std::vector<int>(9, 0));
        EXPECT_EQ(b[15], 0xFF);
    }
    // A past date, not only a past minute.
    // Winter time brings an event of half an hour ago half an hour ahead.
    EXPECT_EQ(CALCUL(now, now.date(), 9, 30, false, true).minutes, 30);
    EXPECT_TRUE(CALCUL(now, QDate(2025, 3, 1), 10, 0, false, true).past);
}

TEST(EventCountdown, CountsKeepTheirLow24Bits)
{
    const QDateTime now(QDate(2000, 1, 1), QTime(0, 0));
    const QDate far(2040, 1, 1);   // about 21 million minutes ahead
    const Countdown c = CALCUL(now, far, 0, 0, false, false);
    const qint64 m = now.date().daysTo(far) * 1440;
    ASSERT_EQ(c.minutes, m);
    ASSERT_GT(m, 16777215);
    const auto b = eventBlock(far, 0, 0, c, true);
    const qint64 low = m & 0xFFFFFF;
    EXPECT_EQ(b[12], (low >> 16) & 0xFF);
    EXPECT_EQ(b[13], (low >> 8) & 0xFF);
    EXPECT_EQ(b[14], low & 0xFF);
    EXPECT_EQ(b[9] * 65536 + b[10] * 256 + b[11], c.hours & 0xFFFFFF);
    EXPECT_EQ(b[6] * 65536 + b[7] * 256 + b[8], c.days);
    EXPECT_EQ(b[5], 0x40);   // year 2040
}

TEST(EventCountdown, DatesAndTimesInBcd)
{
    const Countdown c;
    const auto b = eventBlock(QDate(2010, 1, 9), 9, 59, c, true);
    EXPECT_EQ(b[0], 0x09);
    EXPECT_EQ(b[1], 0x59);
    EXPECT_EQ(b[2], 0x00);
    EXPECT_EQ(b[3], 0x09);
    EXPECT_EQ(b[4], 0x01);
    EXPECT_EQ(b[5], 0x10);
    EXPECT_EQ(eventBlock(QDate(2010, 1, 9), 23, 0, c, true)[0], 0x23);
}

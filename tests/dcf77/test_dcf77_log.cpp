#include "core/Dcf77Log.h"

#include <gtest/gtest.h>

using namespace kwf;

namespace {

// n bits alternating 0 and 1, starting with 0.
QByteArray bits(int n)
{
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b.append(i % 2 ? '1' : '0');
    return b;
}

Dcf77Log::Step feedAll(Dcf77Log& log, const QByteArray& chars)
{
    Dcf77Log::Step last;
    for (char c : chars)
        last = log.feed(c);
    return last;
}

} // namespace

TEST(Dcf77Log, CompleteMinuteEndsOkAndOpensTheNextLine)
{
    Dcf77Log log;
    feedAll(log, bits(58));
    EXPECT_EQ(log.seconds(), 58);
    const Dcf77Log::Step end = log.feed('2');
    EXPECT_TRUE(end.endOfMinute);
    EXPECT_TRUE(end.complete);
    EXPECT_EQ(end.minuteChars, bits(58) + "2");
    EXPECT_EQ(log.text(), QString::fromLatin1(bits(58) + "0-Ok!\r\nS-"));
    EXPECT_EQ(log.minutes(), 1);
    EXPECT_EQ(log.seconds(), 0);

    feedAll(log, "11");
    EXPECT_EQ(log.text(), QString::fromLatin1(bits(58) + "0-Ok!\r\nS-11"));
    EXPECT_EQ(log.seconds(), 2);
}

TEST(Dcf77Log, ShortOrLongMinutesEndInErrorAndDoNotCount)
{
    Dcf77Log log;
    const Dcf77Log::Step shortMinute = feedAll(log, bits(57) + "3");
    EXPECT_TRUE(shortMinute.endOfMinute);
    EXPECT_FALSE(shortMinute.complete);
    EXPECT_EQ(log.text(), QString::fromLatin1(bits(57) + "1-Err\r\nS-"));
    EXPECT_EQ(log.minutes(), 0);
    EXPECT_EQ(log.seconds(), 0);

    // An error mark inside an otherwise full minute makes 60 characters.
    QByteArray withMark = bits(57);
    withMark.insert(20, 'E');
    feedAll(log, withMark);
    EXPECT_EQ(log.indicators().depart, Dcf77Colour::DarkRed);
    log.feed('1');   // the minute mark stays red through the bits
    EXPECT_EQ(log.indicators().depart, Dcf77Colour::DarkRed);
    EXPECT_EQ(log.seconds(), 59);
    log.feed('2');
    EXPECT_EQ(log.indicators().depart, Dcf77Colour::Green);
    EXPECT_TRUE(log.text().endsWith(QString::fromLatin1("S-" + withMark + "10-Err\r\nS-")));
    EXPECT_EQ(log.minutes(), 0);

    // A partial first minute, then a full one.
    Dcf77Log fresh;
    feedAll(fresh, "0103");
    feedAll(fresh, bits(58) + "3");
    EXPECT_EQ(fresh.text(), QString::fromLatin1("010" "1-Err\r\nS-" + bits(58) + "1-Ok!\r\nS-"));
    EXPECT_EQ(fresh.minutes(), 1);
}

TEST(Dcf77Log, OtherCharactersAreCountedAndFlashedOnly)
{
    Dcf77Log log;
    log.feed('0');
    log.flashEnd();
    log.feed('x');
    EXPECT_EQ(log.text(), QStringLiteral("0"));
    EXPECT_EQ(log.seconds(), 2);
    EXPECT_EQ(log.indicators().seconde, Dcf77Colour::Green);
    EXPECT_EQ(log.indicators().bit0, Dcf77Colour::Green);   // unchanged by the stray character

    // A stray character takes the place of a bit in the count: 57 bits + stray + end is "complete".
    Dcf77Log other;
    const Dcf77Log::Step s = feedAll(other, bits(57) + "?" + "2");
    EXPECT_TRUE(s.complete);
    EXPECT_EQ(s.minuteChars.size(), 59);
}

TEST(Dcf77Log, IndicatorsFollowEachCharacter)
{
    using C = Dcf77Colour;
    Dcf77Log log;
    EXPECT_EQ(log.indicators(), (Dcf77Indicators{C::White, C::White, C::White, C::White}));
    log.feed('0');
    EXPECT_EQ(log.indicators(), (Dcf77Indicators{C::White, C::Green, C::White, C::Green}));
    log.feed('1');
    EXPECT_EQ(log.indicators(), (Dcf77Indicators{C::White, C::White, C::Green, C::Green}));
    log.flashEnd();
    EXPECT_EQ(log.indicators().seconde, C::White);
    log.feed('2');
    EXPECT_EQ(log.indicators(), (Dcf77Indicators{C::Green, C::Green, C::White, C::Green}));
    log.feed('E');
    EXPECT_EQ(log.indicators(), (Dcf77Indicators{C::DarkRed, C::Green, C::White, C::Green}));
    log.feed('3');   // the end of a minute with bit 1 does not flash
    EXPECT_EQ(log.indicators(), (Dcf77Indicators{C::Green, C::White, C::Green, C::White}));

    EXPECT_EQ(dcf77Rgb(C::White), 0xFFFFFFu);
    EXPECT_EQ(dcf77Rgb(C::Green), 0x00FF00u);
    EXPECT_EQ(dcf77Rgb(C::DarkRed), 0xC00000u);

    log.clear();
    EXPECT_EQ(log.indicators(), Dcf77Indicators());
    EXPECT_EQ(log.text(), QString());
    EXPECT_EQ(log.seconds(), 0);
    EXPECT_EQ(log.minutes(), 0);
}

TEST(Dcf77Log, ClearInsideAMinuteRestartsWithoutOpening)
{
    Dcf77Log log;
    feedAll(log, bits(58) + "2" + "0101");
    log.clear();
    feedAll(log, "10");
    EXPECT_EQ(log.text(), QStringLiteral("10"));
    EXPECT_EQ(log.seconds(), 2);
    // What was received before the clear does not belong to the minute any more.
    const Dcf77Log::Step s = feedAll(log, bits(56) + "3");
    EXPECT_EQ(s.minuteChars, "10" + bits(56) + "3");
    EXPECT_TRUE(s.complete);
}

TEST(Dcf77LogFile, EmptyLogStillHasHeaderHyphensAndClosingLine)
{
    const QDateTime at(QDate(2026, 12, 5), QTime(9, 5, 7));
    const QByteArray expected =
        QByteArray(" Journal de r\xE9" "ception de chronogramme DCF77 :\r\n")
        + QByteArray(45, '-') + "\r\n"
        + "\r\n\r\n"
        + "\xE0 09:05:07  le 05/12/2026.\r\n";
    EXPECT_EQ(dcf77LogFile(QString(), at), expected);
    EXPECT_EQ(toWindows1252(QStringLiteral("é€")), QByteArray("\xE9\x80"));
}

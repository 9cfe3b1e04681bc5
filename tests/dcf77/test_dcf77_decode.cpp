#include "core/Dcf77Minute.h"
#include "core/Dcf77Report.h"

#include <gtest/gtest.h>

using namespace kwf;

namespace {

// The minute sent from 01:59 CET on 30 March 2008, which announces the change to summer time:
// 03:00 CEST, Sunday 30/03/2008. Built bit by bit, independently of the encoder.
QByteArray summerTimeChange()
{
    QByteArray b(59, '0');
    b[16] = '1';                          // change announced
    b[17] = '1';                          // CEST
    b[20] = '1';                          // start of time
    b[29] = '1'; b[30] = '1';             // hour 03, P2 = 0
    b[40] = '1'; b[41] = '1';             // day 30
    b[42] = '1'; b[43] = '1'; b[44] = '1';  // weekday 7
    b[45] = '1'; b[46] = '1';             // month 03
    b[53] = '1';                          // year 08
    b[58] = '2';                          // P3 = 0, sent as the end of the minute
    return b;
}

QByteArray flip(QByteArray chars, int bit)
{
    if (bit == 58)
        chars[58] = chars[58] == '2' ? '3' : '2';
    else
        chars[bit] = chars[bit] == '0' ? '1' : '0';
    return chars;
}

} // namespace

TEST(Dcf77Decode, SummerTimeChangeMinute)
{
    const Dcf77MinuteReport r = describeDcf77Minute(summerTimeChange());
    EXPECT_TRUE(r.good) << r.line.toStdString();
    EXPECT_TRUE(r.line.startsWith(QStringLiteral("Dimanche 30/03/2008 03:00 CEST"))) << r.line.toStdString();

    // The encoder gives the same telegram (less the announcement bit).
    const Dcf77Minute m = Dcf77Minute::fromDateTime(QDateTime(QDate(2008, 3, 30), QTime(3, 0)), true);
    EXPECT_EQ(Dcf77Minute::toChars(m.encode()), flip(summerTimeChange(), 16));
}

TEST(Dcf77Decode, OneFlippedBitFailsItsFieldsParity)
{
    struct Case { int bit; const char* error; };
    const Case cases[] = {
        {21, "parité des minutes"}, {25, "parité des minutes"}, {28, "parité des minutes"},
        {29, "parité des heures"}, {34, "parité des heures"}, {35, "parité des heures"},
        {36, "parité de la date"}, {43, "parité de la date"}, {47, "parité de la date"},
        {55, "parité de la date"}, {58, "parité de la date"},
    };
    for (const Case& c : cases) {
        const Dcf77MinuteReport r = describeDcf77Minute(flip(summerTimeChange(), c.bit));
        EXPECT_FALSE(r.good) << c.bit;
        EXPECT_TRUE(r.line.contains(QString::fromUtf8(c.error))) << c.bit << " " << r.line.toStdString();
    }
    // Bits outside the checked fields change nothing.
    EXPECT_TRUE(describeDcf77Minute(flip(summerTimeChange(), 5)).good);
}

TEST(Dcf77Decode, MarkerBitsAndStrayCharactersAreFlagged)
{
    const auto lineOf = [](const QByteArray& chars) {
        const Dcf77MinuteReport r = describeDcf77Minute(chars);
        EXPECT_FALSE(r.good);
        return r.line;
    };
    EXPECT_TRUE(lineOf(flip(summerTimeChange(), 20)).contains(QStringLiteral("bit 20")));
    EXPECT_TRUE(lineOf(flip(summerTimeChange(), 0)).contains(QStringLiteral("bit 0")));

    // An error mark standing for a bit: 59 characters but not 59 bits.
    QByteArray marked = summerTimeChange();
    marked[10] = 'E';
    EXPECT_TRUE(lineOf(marked).contains(QStringLiteral("59 caractères")));
}

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
    for (int bit : {16, 17, 20, 29, 30, 40, 41, 42, 43, 44, 45, 46, 53})
        b[bit] = '1';   // announcement, CEST, start of time, hour 03, day 30, Sunday 7, month 03, year 08
    b[58] = '2';        // date parity 0, sent as the end of the minute
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

TEST(Dcf77Decode, OneFlippedBitFailsItsFieldsCheck)
{
    struct Case { int bit; const char* error; };
    const Case cases[] = {
        {25, "parité des minutes"}, {28, "parité des minutes"}, {34, "parité des heures"},
        {35, "parité des heures"}, {43, "parité de la date"}, {58, "parité de la date"},
        {20, "bit 20"},
    };
    for (const Case& c : cases) {
        const Dcf77MinuteReport r = describeDcf77Minute(flip(summerTimeChange(), c.bit));
        EXPECT_FALSE(r.good) << c.bit;
        EXPECT_TRUE(r.line.contains(QString::fromUtf8(c.error))) << c.bit << " " << r.line.toStdString();
    }
}

TEST(Dcf77Decode, AnErrorMarkInPlaceOfABitIsNotAMinute)
{
    QByteArray marked = summerTimeChange();
    marked[10] = 'E';   // 59 characters but not 59 bits
    const Dcf77MinuteReport r = describeDcf77Minute(marked);
    EXPECT_FALSE(r.good);
    EXPECT_TRUE(r.line.contains(QStringLiteral("59 caractères"))) << r.line.toStdString();
}

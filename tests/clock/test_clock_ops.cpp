#include "ClockTestPanel.h"
#include "core/ClockOps.h"

#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

namespace {
ClockValues values(int s, int mi, int h, int day, int date, int month, int year)
{
    ClockValues v;
    v.seconds = s; v.minutes = mi; v.hours = h; v.day = day; v.date = date; v.month = month; v.year = year;
    return v;
}
}

TEST(ClockOps, MinutesFortyFiveFrameForBothEndRuns)
{
    ClockFixture f;
    const ClockValues v = values(0, 45, 0, 1, 1, 1, 0);
    EXPECT_TRUE(ENVOI_HEURE_PC(*f.app.tqv, v).ok);
    QStringList pc = f.writtenHex();
    ASSERT_EQ(pc.size(), 8);
    EXPECT_EQ(pc[1], hexOf("02 02 31 40 40 40 41 44 45 03 03 03"));

    EXPECT_TRUE(ENVOI_HEURE_MAN(*f.app.tqv, v).ok);
    QStringList man = f.writtenHex();
    ASSERT_EQ(man.size(), 8);
    EXPECT_EQ(man[1], hexOf("02 02 31 40 40 40 41 44 45 03 03 03 03"));
    // Control byte in register 7 is always 0.
    EXPECT_EQ(man[7], hexOf("02 02 31 40 40 40 47 40 40 03 03 03 03"));
}

TEST(ClockOps, WriteIsJudgedOnExactlyEightBytesAfterOneWait)
{
    ClockFixture f;
    const ClockValues v = values(1, 2, 3, 4, 5, 6, 7);
    const qint64 t0 = f.app.clock.monotonicMs();
    EXPECT_TRUE(ENVOI_HEURE_PC(*f.app.tqv, v).ok);
    EXPECT_EQ(f.app.clock.monotonicMs() - t0, 900);

    f.panel.writeAnswerBytes = 7;
    CmdResult r = ENVOI_HEURE_MAN(*f.app.tqv, v);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.count, 7);
    f.panel.writeAnswerBytes = 9;
    r = ENVOI_HEURE_MAN(*f.app.tqv, v);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.count, 9);
}

TEST(ClockOps, ValuesOutOfRangeAreNeverSent)
{
    ClockFixture f;
    for (ClockValues bad : {values(60, 0, 0, 1, 1, 1, 0), values(0, 0, 24, 1, 1, 1, 0),
                            values(0, 0, 0, 0, 1, 1, 0), values(0, 0, 0, 1, 0, 1, 0),
                            values(0, 0, 0, 1, 32, 1, 0), values(0, 0, 0, 1, 1, 13, 0),
                            values(0, 0, 0, 1, 1, 1, 100)}) {
        const CmdResult r = ENVOI_HEURE_MAN(*f.app.tqv, bad);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.count, 0);
    }
    EXPECT_TRUE(f.writtenHex().isEmpty());
}

TEST(ClockOps, ReadTakesNineCharactersAndKeepsEight)
{
    ClockFixture f;
    const quint8 bytes[8] = {0x09, 0x05, 0x14, 0x03, 0x24, 0x12, 0x09, 0x10};
    for (int i = 0; i < 8; ++i)
        f.panel.regs[size_t(i)] = bytes[i];
    f.panel.extraReadBytes = 2;
    const ClockReading r = LIT_HEURE_DS(*f.app.tqv);
    ASSERT_TRUE(r.result.ok);
    ASSERT_TRUE(r.image);
    EXPECT_EQ(r.image->timeText(), QStringLiteral("14:05:09"));
    EXPECT_EQ(r.image->dateText(), QStringLiteral("24 / 12 / 09"));
    // Ten bytes were waiting: nine taken, the tenth stays for the next exchange to discard.
    EXPECT_EQ(f.app.fake->pending().size(), 1);

    const QStringList frames = f.writtenHex();
    ASSERT_EQ(frames.size(), 8);
    EXPECT_EQ(frames[4], hexOf("02 02 31 20 20 20 24 20 20 03 03 03"));
}

TEST(ClockOps, LastDcfReadAddressesTheRamBlock)
{
    ClockFixture f;
    EXPECT_TRUE(LIT_DER_MISEH(*f.app.tqv).result.ok);
    const QStringList frames = f.writtenHex();
    ASSERT_EQ(frames.size(), 8);
    EXPECT_EQ(frames[0], hexOf("02 02 31 20 20 23 28 20 20 03 03 03"));
    EXPECT_EQ(frames[2], hexOf("02 02 31 20 20 23 2A 20 20 03 03 03"));
    EXPECT_EQ(frames[7], hexOf("02 02 31 20 20 23 2F 20 20 03 03 03"));

    f.panel.readAnswers = f.panel.readsSeen + 7;
    const ClockReading r = LIT_DER_MISEH(*f.app.tqv);
    EXPECT_FALSE(r.result.ok);
    EXPECT_EQ(r.result.count, 7);
    EXPECT_FALSE(r.image);
}

TEST(ClockOps, FieldsShowHexDigitsWithNoFlagMasked)
{
    ClockImage img;
    img.bytes = {0x80, 0x00, 0x52, 0x01, 0x01, 0x01, 0x00, 0x00};   // halted, 12-hour flag set
    EXPECT_EQ(img.timeText(), QStringLiteral("52:00:80"));
    EXPECT_EQ(clockField(0x05), QStringLiteral("05"));
    EXPECT_EQ(clockField(0x1A), QStringLiteral("1A"));
    EXPECT_EQ(clockField(0x00), QStringLiteral("00"));
}

TEST(ClockOps, PcClockTextsAndManualDate)
{
    EXPECT_EQ(pcDateText(QDate(2026, 12, 5)), QStringLiteral("Samedi 5 Décembre 2026"));
    EXPECT_EQ(pcDateText(QDate(2027, 8, 15)), QStringLiteral("Dimanche 15 Août 2027"));
    EXPECT_EQ(pcTimeText(QTime(9, 58, 49)), QStringLiteral("09:58:49"));
    EXPECT_EQ(pcTimeText(QTime(21, 5, 0)), QStringLiteral("21:05:00"));

    EXPECT_EQ(manualDateTime(values(7, 8, 9, 1, 3, 4, 9)), QDateTime(QDate(2009, 4, 3), QTime(9, 8, 7)));
    EXPECT_FALSE(manualDateTime(values(0, 0, 0, 1, 31, 2, 9)).isValid());
    EXPECT_FALSE(manualDateTime(values(0, 0, 0, 0, 1, 1, 9)).isValid());
}

TEST(ClockOps, StepWrapsAtBothEnds)
{
    EXPECT_EQ(stepWrapped(99, +1, 0, 99), 0);
    EXPECT_EQ(stepWrapped(0, -1, 0, 99), 99);
    EXPECT_EQ(stepWrapped(7, +1, 1, 7), 1);
    EXPECT_EQ(stepWrapped(1, -1, 1, 31), 31);
    EXPECT_EQ(stepWrapped(5, +1, 1, 12), 6);
}

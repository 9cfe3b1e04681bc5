#include "ClockTestPanel.h"
#include "clock/DER_MiseH.h"
#include "clock/LecturH.h"

#include <QLabel>
#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

namespace {
const QString kClockOk = QStringLiteral("Lecture horloge effectuée avec succès.");

void load(ScriptedPanel& p, int first, std::initializer_list<quint8> bytes)
{
    int r = first;
    for (quint8 b : bytes)
        p.regs[size_t(r++)] = b;
}
} // namespace

TEST(LecturH, FullAnswerShowsTimeAndDate)
{
    ClockFixture f;
    load(f.panel, 0, {0x09, 0x05, 0x14, 0x03, 0x24, 0x12, 0x09, 0x10});
    auto* w = f.window<LecturH>("LecturH");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Lecture de l'heure."));
    auto* time = w->findChild<QLabel*>(QStringLiteral("Label2"));
    auto* date = w->findChild<QLabel*>(QStringLiteral("Label1"));
    w->findChild<QPushButton*>(QStringLiteral("LIT_DS"))->click();
    EXPECT_EQ(time->text(), QStringLiteral("14:05:09"));
    EXPECT_EQ(date->text(), QStringLiteral("24 / 12 / 09"));
    EXPECT_EQ(f.app.ui.texts(), QStringList{kClockOk});
    const QStringList frames = f.writtenHex();
    ASSERT_EQ(frames.size(), 1 + 8 + 1);
    EXPECT_EQ(frames[1], hexOf("02 02 31 20 20 20 20 20 20 03 03 03"));
    EXPECT_EQ(frames[9], QString::fromLatin1(hexBytes(closingFrame())));

    // A halted clock shows its flag; more than eight bytes is still a reading.
    load(f.panel, 0, {0x80, 0x00, 0x00});
    f.panel.extraReadBytes = 3;
    w->LIT_DS_Click();
    EXPECT_EQ(time->text(), QStringLiteral("00:00:80"));
    EXPECT_EQ(f.app.ui.lastText(), kClockOk);
}

TEST(LecturH, ShortAnswerLeavesTheLabelsEmpty)
{
    ClockFixture f;
    load(f.panel, 0, {0x09, 0x05, 0x14, 0x03, 0x24, 0x12, 0x09, 0x10});
    auto* w = f.window<LecturH>("LecturH");
    w->LIT_DS_Click();
    ASSERT_FALSE(w->timeLabel()->text().isEmpty());

    // Seven bytes: the earlier result does not survive the failed reading.
    f.app.ui.messages.clear();
    f.panel.readAnswers = f.panel.readsSeen + 7;
    w->LIT_DS_Click();
    EXPECT_TRUE(w->timeLabel()->text().isEmpty());
    EXPECT_TRUE(w->dateLabel()->text().isEmpty());
    EXPECT_EQ(f.app.ui.texts(), QStringList{QString::fromUtf8(msg::kWiredFailure)});
}

TEST(LecturH, WirelessShortAnswerGivesTheRadioMessage)
{
    ClockFixture f("OUI", "Sans fil");
    f.panel.answers = false;
    auto* w = f.window<LecturH>("LecturH");
    w->LIT_DS_Click();
    EXPECT_TRUE(w->timeLabel()->text().isEmpty());
    EXPECT_EQ(f.app.ui.texts(), QStringList{QString::fromUtf8(msg::kWirelessFailure)});
    EXPECT_EQ(f.app.ui.messages[0].icon, MsgIcon::Information);
}

TEST(LecturH, SilentWiredPanelStillGetsTheEightReads)
{
    ClockFixture f;
    f.panel.answers = false;
    auto* w = f.window<LecturH>("LecturH");
    w->LIT_DS_Click();
    EXPECT_EQ(f.writtenHex().size(), 3 + 2 + 8 + 1);
    EXPECT_EQ(f.app.ui.texts(),
              (QStringList{QString::fromUtf8(msg::kLinkFailed), QString::fromUtf8(msg::kWiredFailure)}));
}

TEST(LecturH, ResponseControlOffShowsNoMessage)
{
    ClockFixture f("NON");
    load(f.panel, 0, {0x30, 0x59, 0x23, 0x07, 0x31, 0x12, 0x99, 0x00});
    auto* w = f.window<LecturH>("LecturH");
    w->LIT_DS_Click();
    EXPECT_EQ(w->timeLabel()->text(), QStringLiteral("23:59:30"));
    EXPECT_EQ(w->dateLabel()->text(), QStringLiteral("31 / 12 / 99"));
    f.panel.answers = false;
    w->LIT_DS_Click();
    EXPECT_TRUE(w->timeLabel()->text().isEmpty());
    EXPECT_TRUE(f.app.ui.messages.empty());
}

TEST(LecturH, NoValidatedPortSendsNothing)
{
    TestApp app;
    auto* w = qobject_cast<LecturH*>(app.principal->showWindow(QStringLiteral("LecturH")));
    ASSERT_TRUE(w);
    w->LIT_DS_Click();
    EXPECT_EQ(app.ui.texts(), QStringList{QString::fromUtf8(msg::kPortNotValidated)});
    EXPECT_TRUE(app.fake->writes.empty());
}

TEST(DER_MiseH, ReadsTheRamBlockIntoItsOwnLabels)
{
    ClockFixture f;
    load(f.panel, 0x38, {0x00, 0x30, 0x02, 0x01, 0x15, 0x06, 0x26, 0x00});
    auto* w = f.window<DER_MiseH>("DER_MiseH");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Dernière remise à l'heure."));
    auto* button = w->findChild<QPushButton*>(QStringLiteral("DER_MiseH"));
    ASSERT_TRUE(button);
    EXPECT_EQ(button->toolTip(), QStringLiteral("Lit l' heure et la date de la dernière remise à l'heure DCF."));
    button->click();
    EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("Label7"))->text(), QStringLiteral("02:30:00"));
    EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("Label6"))->text(), QStringLiteral("15 / 06 / 26"));
    EXPECT_EQ(f.app.ui.texts(),
              QStringList{QStringLiteral("Lecture de la dernière remise à l'heure par DCF effectuée avec succès.")});
    EXPECT_EQ(f.writtenHex()[3], hexOf("02 02 31 20 20 23 2A 20 20 03 03 03"));
}

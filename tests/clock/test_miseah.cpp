#include "ClockTestPanel.h"
#include "clock/MiseaH.h"
#include "core/ClockOps.h"

#include <QCheckBox>
#include <QLabel>
#include <QTimer>
#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

namespace {
QString kSuccess() { return QStringLiteral("Mise à l'heure effectuée."); }

QStringList writeFrames(const QStringList& frames)
{
    QStringList w;
    for (const QString& f : frames)
        if (f.startsWith(QLatin1String("02 02 31 40")))
            w << f;
    return w;
}

QString bcdOf(const QString& frame)
{
    // body characters 5 and 6 carry the tens and the units: "45" from "44 45".
    const QStringList parts = frame.split(QLatin1Char(' '));
    return QString::number(parts[7].right(1).toInt(nullptr, 16)) + QString::number(parts[8].right(1).toInt(nullptr, 16));
}

QStringList bcds(const QStringList& frames)
{
    QStringList l;
    for (const QString& f : writeFrames(frames))
        l << bcdOf(f);
    return l;
}
} // namespace

TEST(MiseaH, ControlsListsAndDesignCaptions)
{
    ClockFixture f;
    auto* w = f.window<MiseaH>("MiseaH");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Mise à l'heure."));
    EXPECT_EQ(w->Combo1->count(), 7);
    EXPECT_EQ(w->Combo2->itemText(30), QStringLiteral("31"));
    EXPECT_EQ(w->Combo3->itemText(7), QStringLiteral("Aout"));
    EXPECT_EQ(w->Combo3->itemText(11), QStringLiteral("Décembre"));
    EXPECT_EQ(w->Combo5->count(), 100);
    EXPECT_EQ(w->Combo6->itemText(23), QStringLiteral("23"));
    EXPECT_EQ(w->Combo8->count(), 60);
    for (QComboBox* c : w->findChildren<QComboBox*>())
        EXPECT_EQ(c->currentIndex(), 0) << c->objectName().toStdString();
    EXPECT_EQ(w->Etiquette8->text(), QStringLiteral("Lundi"));
    EXPECT_EQ(w->Etiquette10->text(), QStringLiteral(" 1"));
    EXPECT_EQ(w->Etiquette12->text(), QStringLiteral("01"));
    EXPECT_EQ(w->Etiquette13->text(), QStringLiteral("00:"));
    EXPECT_EQ(w->Label5->text(), QStringLiteral("20"));
    EXPECT_FALSE(w->Check1->isChecked());
    EXPECT_EQ(w->findChild<QPushButton*>(QStringLiteral("Command11"))->toolTip(),
              QStringLiteral("Bouton de réglage de l'heure."));
    EXPECT_EQ(w->findChild<QPushButton*>(QStringLiteral("Command17"))->toolTip(),
              QStringLiteral("Bouton de réglage de la date."));
    // The manual values are what the labels show.
    const ClockValues& m = w->manualValues();
    EXPECT_EQ(m.day, 1);
    EXPECT_EQ(m.date, 1);
    EXPECT_EQ(m.month, 1);
    EXPECT_EQ(m.year, 1);
    EXPECT_EQ(m.hours + m.minutes + m.seconds, 0);
}

TEST(MiseaH, LiveClockTicksFromTheInjectedClock)
{
    ClockFixture f;
    auto* w = f.window<MiseaH>("MiseaH");
    EXPECT_TRUE(w->Timer2->isActive());
    EXPECT_EQ(w->Timer2->interval(), 1000);
    EXPECT_TRUE(w->Label3->text().isEmpty());
    f.app.clock.setNow(QDateTime(QDate(2026, 12, 5), QTime(9, 58, 49)));
    w->Timer2_Timer();
    EXPECT_EQ(w->Label3->text(), QStringLiteral("Samedi 5 Décembre 2026"));
    EXPECT_EQ(w->Label4->text(), QStringLiteral("09:58:49"));
    f.app.clock.advance(1000);
    w->Timer2_Timer();
    EXPECT_EQ(w->Label4->text(), QStringLiteral("09:58:50"));
}

TEST(MiseaH, SteppingWrapsAndWritesItsLabels)
{
    ClockFixture f;
    auto* w = f.window<MiseaH>("MiseaH");
    auto click = [w](const char* name, int times = 1) {
        for (int i = 0; i < times; ++i)
            w->findChild<QPushButton*>(QString::fromLatin1(name))->click();
    };
    click("Command17", 2);          // year 01 -> 00 -> 99
    EXPECT_EQ(w->Etiquette12->text(), QStringLiteral("99"));
    click("Command10");             // 99 + 1
    EXPECT_EQ(w->Etiquette12->text(), QStringLiteral("00"));
    click("Command16");             // Janvier - 1
    EXPECT_EQ(w->Etiquette11->text(), QStringLiteral("Décembre"));
    click("Command14");             // Lundi - 1
    EXPECT_EQ(w->Etiquette8->text(), QStringLiteral("Dimanche"));
    click("Command5");              // Dimanche + 1
    EXPECT_EQ(w->Etiquette8->text(), QStringLiteral("Lundi"));
    click("Command15");             // date 1 - 1
    EXPECT_EQ(w->Etiquette10->text(), QStringLiteral(" 31"));
    click("Command8");
    EXPECT_EQ(w->Etiquette10->text(), QStringLiteral(" 1"));
    click("Command18");             // hours 0 - 1
    EXPECT_EQ(w->Etiquette13->text(), QStringLiteral("23 :"));
    click("Command12", 5);
    EXPECT_EQ(w->Etiquette14->text(), QStringLiteral("05 :"));
    click("Command20");
    EXPECT_EQ(w->Etiquette15->text(), QStringLiteral("59"));
    const ClockValues& m = w->manualValues();
    EXPECT_EQ(m.year, 0);
    EXPECT_EQ(m.month, 12);
    EXPECT_EQ(m.day, 1);
    EXPECT_EQ(m.date, 1);
    EXPECT_EQ(m.hours, 23);
    EXPECT_EQ(m.minutes, 5);
    EXPECT_EQ(m.seconds, 59);
    EXPECT_TRUE(f.writtenHex().isEmpty());   // stepping sends nothing
}

TEST(MiseaH, PcSendWritesTheDayOfTheWeekMondayFirst)
{
    ClockFixture f;
    auto* w = f.window<MiseaH>("MiseaH");
    f.app.clock.setNow(QDateTime(QDate(2026, 12, 6), QTime(10, 20, 30)));   // a Sunday
    w->ECRI_AUTO_DS->click();
    QStringList frames = f.writtenHex();
    ASSERT_EQ(frames.size(), 1 + 8 + 1);
    EXPECT_EQ(frames[0], QString::fromLatin1(hexBytes(linkTestFrame())));
    const QStringList sunday = {
        "02 02 31 40 40 40 40 43 40 03 03 03", "02 02 31 40 40 40 41 42 40 03 03 03",
        "02 02 31 40 40 40 42 41 40 03 03 03", "02 02 31 40 40 40 43 40 47 03 03 03",
        "02 02 31 40 40 40 44 40 46 03 03 03", "02 02 31 40 40 40 45 41 42 03 03 03",
        "02 02 31 40 40 40 46 42 46 03 03 03", "02 02 31 40 40 40 47 40 40 03 03 03"};
    EXPECT_EQ(frames.mid(1, 8), sunday);
    EXPECT_EQ(frames[9], QString::fromLatin1(hexBytes(closingFrame())));
    EXPECT_EQ(f.app.ui.texts(), QStringList{kSuccess()});

    f.app.clock.setNow(QDateTime(QDate(2026, 12, 7), QTime(0, 0, 5)));      // a Monday
    w->ECRI_AUTO_DS->click();
    EXPECT_EQ(bcds(f.writtenHex()), (QStringList{"05", "00", "00", "01", "07", "12", "26", "00"}));
}

TEST(MiseaH, ListSendCopiesTheListsAndIgnoresTheCentury)
{
    ClockFixture f;
    auto* w = f.window<MiseaH>("MiseaH");
    w->Combo1->setCurrentText(QStringLiteral("Vendredi"));
    w->Combo2->setCurrentText(QStringLiteral("31"));
    w->Combo3->setCurrentText(QStringLiteral("Février"));
    w->Combo4->setCurrentText(QStringLiteral("21"));
    w->Combo5->setCurrentText(QStringLiteral("09"));
    w->Combo6->setCurrentText(QStringLiteral("23"));
    w->Combo7->setCurrentText(QStringLiteral("59"));
    w->Combo8->setCurrentText(QStringLiteral("07"));
    w->ECRI_MAN_DS_COMBO->click();
    const QStringList frames = f.writtenHex();
    ASSERT_EQ(frames.size(), 10);
    // Manual sends end with four 0x03.
    EXPECT_TRUE(frames[1].endsWith(QLatin1String("03 03 03 03")));
    // 31 February goes out as it is.
    EXPECT_EQ(bcds(frames), (QStringList{"07", "59", "23", "05", "31", "02", "09", "00"}));
    EXPECT_EQ(w->manualValues().date, 31);
    // The stepping labels keep their texts.
    EXPECT_EQ(w->Etiquette10->text(), QStringLiteral(" 1"));

    w->Combo3->setCurrentText(QStringLiteral("Aout"));
    w->ECRI_MAN_DS_COMBO->click();
    EXPECT_EQ(bcds(f.writtenHex())[5], QStringLiteral("08"));
}

TEST(MiseaH, OutcomeFollowsTheByteCount)
{
    ClockFixture f;
    auto* w = f.window<MiseaH>("MiseaH");
    w->Check1->setChecked(true);
    const QString wired = QString::fromUtf8(msg::kWiredFailure);

    w->ECRI_MAN_DS->click();
    EXPECT_EQ(f.app.ui.texts(), QStringList{kSuccess()});
    EXPECT_EQ(f.app.ui.systemTimes.size(), 1u);

    // Seven bytes: the wired failure, and the PC clock still follows the manual values.
    f.app.ui.messages.clear();
    f.panel.writeAnswerBytes = 7;
    w->ECRI_MAN_DS->click();
    EXPECT_EQ(f.app.ui.texts(), QStringList{wired});
    EXPECT_EQ(f.app.ui.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(f.app.ui.systemTimes.size(), 2u);

    // Nine bytes are no success either.
    f.app.ui.messages.clear();
    f.panel.writeAnswerBytes = 9;
    w->ECRI_AUTO_DS->click();
    EXPECT_EQ(f.app.ui.texts(), QStringList{wired});
}

TEST(MiseaH, WirelessFailureIsAnInformation)
{
    ClockFixture f("OUI", "Sans fil");
    auto* w = f.window<MiseaH>("MiseaH");
    f.panel.answers = false;
    w->ECRI_AUTO_DS->click();   // the radio link goes on after a failed link test
    EXPECT_EQ(writeFrames(f.writtenHex()).size(), 8);
    EXPECT_EQ(f.app.ui.texts(), QStringList{QString::fromUtf8(msg::kWirelessFailure)});
    EXPECT_EQ(f.app.ui.messages[0].icon, MsgIcon::Information);
}

TEST(MiseaH, SilentWiredLinkStopsPcAndManualSendsButNotTheListSend)
{
    ClockFixture f;
    auto* w = f.window<MiseaH>("MiseaH");
    f.panel.answers = false;
    const QString linkFailed = QString::fromUtf8(msg::kLinkFailed);

    for (QPushButton* b : {w->ECRI_AUTO_DS, w->ECRI_MAN_DS}) {
        f.app.ui.messages.clear();
        b->click();
        const QStringList frames = f.writtenHex();
        EXPECT_EQ(frames.size(), 3 + 2) << b->objectName().toStdString();
        EXPECT_TRUE(writeFrames(frames).isEmpty());
        EXPECT_EQ(f.app.ui.texts(), QStringList{linkFailed});
    }

    f.app.ui.messages.clear();
    w->ECRI_MAN_DS_COMBO->click();
    const QStringList frames = f.writtenHex();
    EXPECT_EQ(frames.size(), 3 + 2 + 8 + 1);
    EXPECT_EQ(writeFrames(frames).size(), 8);
    EXPECT_EQ(f.app.ui.texts(), (QStringList{linkFailed, QString::fromUtf8(msg::kWiredFailure)}));
}

TEST(MiseaH, ResponseControlOffSendsQuietlyAndLeavesThePcClock)
{
    ClockFixture f("NON");
    auto* w = f.window<MiseaH>("MiseaH");
    f.panel.answers = false;
    w->Check1->setChecked(true);
    for (QPushButton* b : {w->ECRI_AUTO_DS, w->ECRI_MAN_DS, w->ECRI_MAN_DS_COMBO}) {
        b->click();
        const QStringList frames = f.writtenHex();
        ASSERT_EQ(frames.size(), 1 + 8 + 1) << b->objectName().toStdString();
        EXPECT_EQ(frames.back(), QString::fromLatin1(hexBytes(closingFrame())));
    }
    EXPECT_TRUE(f.app.ui.messages.empty());
    EXPECT_TRUE(f.app.ui.systemTimes.empty());
}

TEST(MiseaH, PcClockReceivesTheManualValuesNotTheTimeSent)
{
    ClockFixture f;
    auto* w = f.window<MiseaH>("MiseaH");
    f.app.clock.setNow(QDateTime(QDate(2026, 12, 5), QTime(9, 58, 49)));
    w->ECRI_AUTO_DS->click();
    EXPECT_TRUE(f.app.ui.systemTimes.empty());   // unticked: nothing

    w->Check1->setChecked(true);
    w->findChild<QPushButton*>(QStringLiteral("Command11"))->click();   // hours 01
    w->ECRI_AUTO_DS->click();
    ASSERT_EQ(f.app.ui.systemTimes.size(), 1u);
    EXPECT_EQ(f.app.ui.systemTimes[0], QDateTime(QDate(2001, 1, 1), QTime(1, 0, 0)));
}

TEST(MiseaH, PcClockRefusalOrImpossibleDateIsSaid)
{
    ClockFixture f;
    auto* w = f.window<MiseaH>("MiseaH");
    w->Check1->setChecked(true);
    f.app.ui.refuseSystemTime = true;
    w->ECRI_MAN_DS->click();
    ASSERT_EQ(f.app.ui.messages.size(), 2u);
    EXPECT_EQ(f.app.ui.messages[0].text, kSuccess());
    EXPECT_TRUE(f.app.ui.messages[1].text.startsWith(QStringLiteral("L'heure du PC n'a pas été changée.")));
    EXPECT_EQ(f.app.ui.messages[1].icon, MsgIcon::Exclamation);

    // 31 February reaches the panel but cannot become the PC's date.
    f.app.ui.refuseSystemTime = false;
    f.app.ui.messages.clear();
    f.app.ui.systemTimes.clear();
    w->Combo2->setCurrentText(QStringLiteral("31"));
    w->Combo3->setCurrentText(QStringLiteral("Février"));
    w->ECRI_MAN_DS_COMBO->click();
    EXPECT_TRUE(f.app.ui.systemTimes.empty());
    ASSERT_EQ(f.app.ui.messages.size(), 2u);
    EXPECT_TRUE(f.app.ui.messages[1].text.contains(QStringLiteral("31/02/2000")));
}

TEST(MiseaH, NoValidatedPortSendsNothingAndKeepsTheValues)
{
    TestApp app;
    auto* w = qobject_cast<MiseaH*>(app.principal->showWindow(QStringLiteral("MiseaH")));
    w->Combo2->setCurrentText(QStringLiteral("15"));
    w->ECRI_MAN_DS_COMBO->click();
    EXPECT_EQ(app.ui.texts(), QStringList{QString::fromUtf8(msg::kPortNotValidated)});
    EXPECT_TRUE(app.fake->writes.empty());
    EXPECT_EQ(w->manualValues().date, 1);
}

#include "RelayTestApp.h"
#include "core/EventCountdown.h"
#include "panel/Mise_even.h"

#include <QCalendarWidget>
#include <QLineEdit>
#include <QTableView>

namespace {

// 24/12/2009 12:27:10: the event of 25/12/2009 14:30 is 1 day 2 hours 3 minutes away (M = 1563).
const QDateTime kSeen(QDate(2009, 12, 24), QTime(12, 27, 10));

struct EventApp : RelayTestApp {
    explicit EventApp(const QDateTime& now = kSeen)
    {
        app.clock.setNow(now);
        w = open<Mise_even>("Mise_even");
    }
    Mise_even* w = nullptr;

    QStringList shown() const { return {w->Text13->text(), w->Text14->text(), w->Text15->text()}; }
    void at(const char* hour, const char* minute) { w->Combo6->setCurrentText(hour), w->Combo7->setCurrentText(minute); }
    std::vector<int> sent(int from = 32, int to = 49) const { return {panel.regs.begin() + from, panel.regs.begin() + to}; }
};

} // namespace

TEST(EventCountdown, CountsKeepTheirLow24Bits)
{
    const QDateTime now(QDate(2000, 1, 1), QTime(0, 0));
    const QDate far(2040, 1, 1);   // about 21 million minutes ahead
    const Countdown c = CALCUL(now, far, 0, 0, false, false);
    const qint64 m = now.date().daysTo(far) * 1440;
    ASSERT_EQ(c.minutes, m);
    const auto b = eventBlock(far, 0, 0, c, true);
    EXPECT_EQ(b[12] * 65536 + b[13] * 256 + b[14], m & 0xFFFFFF);
    EXPECT_EQ(b[9] * 65536 + b[10] * 256 + b[11], c.hours & 0xFFFFFF);
    EXPECT_EQ(b[6] * 65536 + b[7] * 256 + b[8], c.days);
}

TEST(EventWindow, ChristmasExampleWithSummerAndWinterTime)
{
    EventApp t;
    t.w->MonthView1->setSelectedDate(QDate(2009, 12, 25));
    t.at("14", "30");
    EXPECT_EQ(t.shown(), QStringList({"1", "26", "3"}));
    RelayTestApp::click(t.w->ECRI_MAN_DS_COMBO);
    EXPECT_EQ(t.sent(), (std::vector<int>{0x14, 0x30, 0x00, 0x25, 0x12, 0x09, 0x00, 0x00, 0x01, 0x00, 0x00, 0x1A,
                                          0x00, 0x06, 0x1B, 0xFF, 0xCC}));

    RelayTestApp::click(t.w->Check1[0]);   // summer: OUI
    EXPECT_EQ(t.shown(), QStringList({"1", "25", "3"}));
    RelayTestApp::click(t.w->Check1[2]);   // winter: OUI as well, the two cancel out
    EXPECT_EQ(t.shown(), QStringList({"1", "26", "3"}));
    RelayTestApp::click(t.w->Check1[3]);   // winter: NON unticks OUI (25 hours below)
    RelayTestApp::click(t.w->Option2);
    RelayTestApp::click(t.w->ECRI_MAN_DS_COMBO);
    EXPECT_EQ(t.sent(38, 48), (std::vector<int>{0x00, 0x00, 0x01, 0x00, 0x00, 0x19, 0x00, 0x05, 0xDF, 0x00}));
}

TEST(EventWindow, PastEventsShowDashesAndSendZeroCounts)
{
    // One minute ago; 30 minutes ahead with summer time taking an hour off.
    for (bool summer : {false, true}) {
        EventApp t;
        t.at("12", summer ? "57" : "26");
        if (summer)
            RelayTestApp::click(t.w->Check1[0]);
        EXPECT_EQ(t.shown(), QStringList({"-----", "-----", "-----"})) << summer;
        RelayTestApp::click(t.w->ECRI_MAN_DS_COMBO);
        EXPECT_EQ(t.sent(32, 38), (std::vector<int>{0x12, summer ? 0x57 : 0x26, 0, 0x24, 0x12, 0x09}));
        EXPECT_EQ(t.sent(38, 47), std::vector<int>(9, 0)) << summer;
    }
}

TEST(EventWindow, OpensOnTheCurrentMinuteDroppingSecondsAndAChosenDateRecomputes)
{
    EventApp t(QDateTime(QDate(2026, 3, 1), QTime(10, 0, 45)));
    EXPECT_EQ(t.w->MonthView1->selectedDate(), QDate(2026, 3, 1));
    EXPECT_EQ(t.w->Combo6->currentText() + t.w->Combo7->currentText(), QStringLiteral("1000"));
    EXPECT_EQ(t.shown(), QStringList({"0", "0", "0"}));
    t.at("10", "02");
    EXPECT_EQ(t.shown(), QStringList({"0", "0", "2"}));   // seconds of now dropped
    // Time passes: the send uses the counts on show; a chosen date recomputes them.
    t.app.clock.advance(5 * 60 * 1000);
    RelayTestApp::click(t.w->ECRI_MAN_DS_COMBO);
    EXPECT_EQ(t.sent(), (std::vector<int>{0x10, 0x02, 0, 0x01, 0x03, 0x26, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0xFF, 0xCC}));
    t.w->MonthView1->setSelectedDate(QDate(2026, 3, 2));
    EXPECT_EQ(t.shown(), QStringList({"0", "23", "57"}));
    // A date moved with the keyboard recomputes as well, and is sent with its own counts.
    QTest::keyClick(t.w->MonthView1->findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview")), Qt::Key_Right);
    EXPECT_EQ(t.shown(), QStringList({"1", "47", "57"}));
    RelayTestApp::click(t.w->ECRI_MAN_DS_COMBO);
    EXPECT_EQ(t.sent(38, 47), (std::vector<int>{0, 0, 1, 0, 0, 47, 0, 0x0B, 0x3D}));
    // Turning the months leaves the date and its counts as they were.
    t.app.clock.advance(60 * 1000);
    t.w->MonthView1->showNextMonth();
    EXPECT_EQ(t.shown(), QStringList({"1", "47", "57"}));
}

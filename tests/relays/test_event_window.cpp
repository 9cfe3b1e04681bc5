#include "RelayTestApp.h"
#include "core/Frames.h"
#include "panel/Mise_even.h"

#include <QAction>
#include <QCalendarWidget>
#include <QLineEdit>
#include <QTableView>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

namespace {

// 24/12/2009 12:27:10: the event of 25/12/2009 14:30 is 1 day 2 hours 3 minutes away.
const QDateTime kSeen(QDate(2009, 12, 24), QTime(12, 27, 10));

struct EventApp : RelayTestApp {
    explicit EventApp(const QDateTime& now = kSeen)
    {
        app.clock.setNow(now);
        w = qobject_cast<Mise_even*>(app.principal->showWindow(QStringLiteral("Mise_even")));
    }
    Mise_even* w = nullptr;

    QStringList shown() const { return {w->Text13->text(), w->Text14->text(), w->Text15->text()}; }

    // Clicks a day of the month on show in the calendar, as the user does.
    void clickDay(int day)
    {
        auto* view = w->MonthView1->findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"));
        ASSERT_NE(view, nullptr);
        QAbstractItemModel* m = view->model();
        bool inMonth = false;   // days before the first "1" belong to the month before
        for (int r = 1; r < m->rowCount(); ++r)
            for (int c = 0; c < m->columnCount(); ++c) {
                const int d = m->data(m->index(r, c)).toInt();
                if (d == 1)
                    inMonth = true;
                if (inMonth && d == day) {
                    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(m->index(r, c)).center());
                    return;
                }
            }
        FAIL() << "day " << day << " not on show";
    }

    std::vector<int> eventRegisters() const
    {
        return std::vector<int>(panel.regs.begin() + 32, panel.regs.begin() + 49);
    }
};

} // namespace

TEST(EventWindow, OpensOnTheCurrentMinuteWithZeroCounts)
{
    EventApp t(QDateTime(QDate(2026, 3, 1), QTime(7, 5, 42)));
    ASSERT_NE(t.w, nullptr);
    EXPECT_EQ(t.w->windowTitle(), QStringLiteral(" Programmation de l'événement"));
    EXPECT_EQ(t.w->MonthView1->selectedDate(), QDate(2026, 3, 1));
    EXPECT_EQ(t.w->Combo6->currentText(), QStringLiteral("07"));
    EXPECT_EQ(t.w->Combo7->currentText(), QStringLiteral("05"));
    EXPECT_EQ(t.w->Combo1->count(), 1);
    EXPECT_EQ(t.w->Combo1->currentText(), QStringLiteral("00"));
    EXPECT_EQ(t.w->Combo6->count(), 24);
    EXPECT_EQ(t.w->Combo7->count(), 60);
    EXPECT_EQ(t.shown(), QStringList({"0", "0", "0"}));
    EXPECT_TRUE(t.w->Option1->isChecked());
    for (QCheckBox* c : t.w->Check1)
        EXPECT_FALSE(c->isChecked());
    EXPECT_EQ(t.w->findChild<QCheckBox*>(QStringLiteral("Check1_3"))->text(), QStringLiteral("NON"));

    // Sent at once: zero counts, contact closing.
    RelayTestApp::click(t.w->ECRI_MAN_DS_COMBO);
    EXPECT_EQ(t.eventRegisters(), (std::vector<int>{0x07, 0x05, 0, 0x01, 0x03, 0x26, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                    0xFF, 0xCC}));
    EXPECT_EQ(t.app.ui.texts(), QStringList{QStringLiteral("Programmation Événement effectuée.")});
}

TEST(EventWindow, MenuOpensTheEventWindow)
{
    EventApp t;
    t.app.principal->unloadWindow(QStringLiteral("Mise_even"));
    t.app.principal->configuration()->SEL_REL2->setCurrentText(QStringLiteral("OUI"));
    t.app.validate();
    QAction* a = t.app.principal->menuAction(QStringLiteral("MENU_EVEN"));
    ASSERT_TRUE(a && a->isEnabled());
    a->trigger();
    QWidget* w = t.app.principal->existingWindow(QStringLiteral("Mise_even"));
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
}

TEST(EventWindow, ChristmasExampleThroughTheWindow)
{
    EventApp t;
    t.clickDay(25);
    EXPECT_EQ(t.w->MonthView1->selectedDate(), QDate(2009, 12, 25));
    t.w->Combo6->setCurrentText(QStringLiteral("14"));
    t.w->Combo7->setCurrentText(QStringLiteral("30"));
    EXPECT_EQ(t.shown(), QStringList({"1", "26", "3"}));

    RelayTestApp::click(t.w->ECRI_MAN_DS_COMBO);
    EXPECT_EQ(t.eventRegisters(), (std::vector<int>{0x14, 0x30, 0x00, 0x25, 0x12, 0x09, 0x00, 0x00, 0x01, 0x00, 0x00,
                                                    0x1A, 0x00, 0x06, 0x1B, 0xFF, 0xCC}));
    const auto writes = t.app.takeWrites();
    ASSERT_EQ(writes.size(), 19u);
    EXPECT_EQ(writes[1], registerWriteFrame(32, 0x14, 2, 3));
    EXPECT_EQ(writes[17], registerWriteFrame(48, 0xCC, 2, 3));
    EXPECT_EQ(t.app.ui.lastText(), QStringLiteral("Programmation Événement effectuée."));
    EXPECT_EQ(t.app.tqv->TAB_DS()[43], 0x1A);
}

TEST(EventWindow, DaylightSavingAnswers)
{
    EventApp t;
    t.clickDay(25);
    t.w->Combo6->setCurrentText(QStringLiteral("14"));
    t.w->Combo7->setCurrentText(QStringLiteral("30"));

    RelayTestApp::click(t.w->Check1[0]);   // summer: OUI
    EXPECT_EQ(t.shown(), QStringList({"1", "25", "3"}));
    RelayTestApp::click(t.w->Check1[2]);   // winter: OUI as well
    EXPECT_EQ(t.shown(), QStringList({"1", "26", "3"}));
    RelayTestApp::click(t.w->Check1[1]);   // summer: NON unticks OUI, winter untouched
    EXPECT_FALSE(t.w->Check1[0]->isChecked());
    EXPECT_TRUE(t.w->Check1[1]->isChecked());
    EXPECT_TRUE(t.w->Check1[2]->isChecked());
    EXPECT_EQ(t.shown(), QStringList({"1", "27", "3"}));
    RelayTestApp::click(t.w->Check1[3]);   // winter: NON
    EXPECT_FALSE(t.w->Check1[2]->isChecked());
    RelayTestApp::click(t.w->Check1[3]);   // unticking changes nothing else
    EXPECT_FALSE(t.w->Check1[2]->isChecked());
    EXPECT_TRUE(t.w->Check1[1]->isChecked());
    RelayTestApp::click(t.w->Check1[0]);
    EXPECT_FALSE(t.w->Check1[1]->isChecked());

    RelayTestApp::click(t.w->Option2);
    RelayTestApp::click(t.w->ECRI_MAN_DS_COMBO);
    const auto regs = t.eventRegisters();
    EXPECT_EQ(std::vector<int>(regs.begin() + 6, regs.begin() + 16),
              (std::vector<int>{0x00, 0x00, 0x01, 0x00, 0x00, 0x19, 0x00, 0x05, 0xDF, 0x00}));
}

TEST(EventWindow, PastEventsShowDashesAndSendZeroCounts)
{
    {
        EventApp t;   // 12:27: one minute ago
        t.w->Combo7->setCurrentText(QStringLiteral("26"));
        EXPECT_EQ(t.shown(), QStringList({"-----", "-----", "-----"}));
        RelayTestApp::click(t.w->ECRI_MAN_DS_COMBO);
        const auto regs = t.eventRegisters();
        EXPECT_EQ(std::vector<int>(regs.begin(), regs.begin() + 6), (std::vector<int>{0x12, 0x26, 0, 0x24, 0x12, 0x09}));
        EXPECT_EQ(std::vector<int>(regs.begin() + 6, regs.begin() + 15), std::vector<int>(9, 0));
    }
    {
        EventApp t;   // 30 minutes ahead, but summer time comes first
        t.w->Combo7->setCurrentText(QStringLiteral("57"));
        EXPECT_EQ(t.shown(), QStringList({"0", "0", "30"}));
        RelayTestApp::click(t.w->Check1[0]);
        EXPECT_EQ(t.shown(), QStringList({"-----", "-----", "-----"}));
        RelayTestApp::click(t.w->ECRI_MAN_DS_COMBO);
        const auto regs = t.eventRegisters();
        EXPECT_EQ(std::vector<int>(regs.begin() + 6, regs.begin() + 15), std::vector<int>(9, 0));
    }
}

TEST(EventWindow, CountsOnlyChangeOnASelection)
{
    EventApp t(QDateTime(QDate(2026, 3, 1), QTime(10, 0, 45)));
    t.w->Combo7->setCurrentText(QStringLiteral("02"));
    EXPECT_EQ(t.shown(), QStringList({"0", "0", "2"}));   // seconds of now dropped

    // Time passes; turning the months does not recompute, and the send uses the counts as they are.
    t.app.clock.advance(5 * 60 * 1000);
    RelayTestApp::click(t.w->MonthView1->findChild<QToolButton*>(QStringLiteral("qt_calendar_nextmonth")));
    EXPECT_EQ(t.w->MonthView1->monthShown(), 4);
    EXPECT_EQ(t.shown(), QStringList({"0", "0", "2"}));
    RelayTestApp::click(t.w->ECRI_MAN_DS_COMBO);
    EXPECT_EQ(t.panel.regs[46], 2);
    EXPECT_EQ(t.panel.regs[35], 0x01);   // still the selected date, 1 March
    EXPECT_EQ(t.panel.regs[36], 0x03);

    // A clicked date recomputes.
    t.clickDay(1);
    EXPECT_EQ(t.w->MonthView1->selectedDate(), QDate(2026, 4, 1));
    EXPECT_EQ(t.shown(), QStringList({"30", "743", "57"}));
}

TEST(EventWindow, EventOverwritesRelay2)
{
    EventApp t;
    Relais* r2 = t.relais(2);
    setVariedState(r2, true);
    RelayTestApp::click(r2->ENVOI);
    EXPECT_EQ(t.panel.regs[33], 0x23);
    EXPECT_EQ(t.app.tqv->TAB_DS()[33], 0x23);

    t.app.principal->showWindow(QStringLiteral("Mise_even"));
    RelayTestApp::click(t.w->ECRI_MAN_DS_COMBO);
    EXPECT_EQ(t.eventRegisters(), (std::vector<int>{0x12, 0x27, 0, 0x24, 0x12, 0x09, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF,
                                                    0xCC}));
    for (int r = 32; r <= 48; ++r)
        EXPECT_EQ(t.app.tqv->TAB_DS()[size_t(r)], t.panel.regs[size_t(r)]) << r;
}

#include "PanelRegisters.h"
#include "TestApp.h"
#include "core/Frames.h"
#include "link/Configuration.h"
#include "panel/dump.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

namespace {

const QColor kGreen(0, 255, 0);
const QColor kWhite(255, 255, 255);

QColor base(QLineEdit* box) { return box->palette().color(QPalette::Base); }

// The program on fakes with the window open; the panel keeps its registers.
struct DumpFixture : ::testing::Test {
    TestApp app;
    PanelRegisters panel;
    dump* w = nullptr;

    void SetUp() override
    {
        app.principal->show();
        app.principal->configuration()->SEL_REP->setCurrentText(QStringLiteral("OUI"));
        app.fake->responder = [this](const QByteArray& f) { return panel(f); };
    }
    void open(bool validated = true)
    {
        if (validated)
            app.validate();
        app.ui.messages.clear();
        app.takeWrites();
        w = qobject_cast<dump*>(app.principal->showWindow(QStringLiteral("dump")));
        ASSERT_NE(w, nullptr);
    }
    template <class T> T* get(const QString& name)
    {
        T* c = w->findChild<T*>(name);
        EXPECT_NE(c, nullptr) << name.toStdString();
        return c;
    }
    QScrollBar* sw2(int i) { return get<QScrollBar>(QStringLiteral("SW2_%1").arg(i)); }
    QScrollBar* sw3(int i) { return get<QScrollBar>(QStringLiteral("SW1_%1").arg(i)); }
    QLineEdit* text2(int i) { return get<QLineEdit>(QStringLiteral("Text2_%1").arg(i)); }
    QLineEdit* text3(int i) { return get<QLineEdit>(QStringLiteral("Text3_%1").arg(i)); }
    QLineEdit* box(int n) { return get<QLineEdit>(QStringLiteral("Text1_%1").arg(n)); }
    void click(const char* name) { QTest::mouseClick(get<QPushButton>(QString::fromLatin1(name)), Qt::LeftButton); }
    void uncoverGrid() { QTest::mouseDClick(get<QGroupBox>(QStringLiteral("Frame1")), Qt::LeftButton, {}, QPoint(4, 4)); }
    // Each switch ON exactly when its description is green.
    void expectBanks(quint8 sw2Byte, quint8 sw3Byte)
    {
        for (int i = 0; i < 8; ++i) {
            const bool on2 = (sw2Byte >> i) & 1, on3 = (sw3Byte >> i) & 1;
            EXPECT_EQ(sw2(i)->value(), on2 ? 0 : 1) << "SW2 switch " << i + 1;
            EXPECT_EQ(base(text2(i)), on2 ? kGreen : kWhite) << "SW2 switch " << i + 1;
            EXPECT_EQ(sw3(i)->value(), on3 ? 0 : 1) << "SW3 switch " << i + 1;
            EXPECT_EQ(base(text3(i)), on3 ? kGreen : kWhite) << "SW3 switch " << i + 1;
        }
    }
};

} // namespace

TEST_F(DumpFixture, OpensFromTheMenuBeforeAnyPortWithEverySwitchOffAndTheGridHidden)
{
    QAction* menu = app.principal->menuAction(QStringLiteral("MENU_DUMP"));
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isEnabled());
    menu->trigger();
    w = qobject_cast<dump*>(app.principal->existingWindow(QStringLiteral("dump")));
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->windowTitle(), QStringLiteral(" Configuration d'affichage."));
    expectBanks(0, 0);
    EXPECT_EQ(text2(0)->text(), QStringLiteral("1 ON=Luminosité sauvée // OFF par DIP"));
    EXPECT_EQ(text2(1)->text(), QString());
    EXPECT_EQ(text2(5)->text(), QStringLiteral("6 ON= +2 secondes d'alternace"));
    EXPECT_EQ(text3(0)->text(), QStringLiteral("  1 ON TEST USINE "));
    EXPECT_EQ(text3(2)->text(), QStringLiteral("  3 ON H-20.59 Nbr d'heure minute à rebours"));
    EXPECT_EQ(text3(7)->text(), QStringLiteral("  8 ON=DCF //  OFF=PC"));
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(sw2(i)->minimum(), 0);
        EXPECT_EQ(sw2(i)->maximum(), 1);
    }
    EXPECT_FALSE(box(0)->isVisible());
    EXPECT_FALSE(get<QProgressBar>(QStringLiteral("ProgressBar1"))->isVisible());
    EXPECT_EQ(box(0)->text(), QString());
    EXPECT_EQ(box(64)->text(), QStringLiteral("0"));
    EXPECT_EQ(get<QPushButton>(QStringLiteral("LIT_SW"))->toolTip(), QStringLiteral("Lecture."));
    const std::pair<const char*, const char*> captions[] = {
        {"LIT_SW", "Lire la position des microswitches"}, {"ENVOI_SW", "Envoi la position des microswitches"},
        {"Command1", "Lire "}, {"Command2", "Remplissage  "}, {"Command3", "FILL "}, {"ENVOI_4DIGITCOUL", "Envoi"}};
    for (const auto& [name, caption] : captions)
        EXPECT_EQ(get<QPushButton>(QString::fromLatin1(name))->text(), QString::fromLatin1(caption));
    EXPECT_EQ(get<QPushButton>(QStringLiteral("Command1"))->toolTip(), QStringLiteral("Lecture EEPROM du panneau."));
}

TEST_F(DumpFixture, DoubleClicksOnTheFramesUncoverAndCoverTheGrid)
{
    open();
    auto* sub = qobject_cast<QMdiSubWindow*>(w->parentWidget());
    ASSERT_NE(sub, nullptr);
    const int dpi = w->logicalDpiY();
    EXPECT_EQ(sub->height(), qRound(4500 * dpi / 1440.0));
    uncoverGrid();
    EXPECT_TRUE(box(63)->isVisible());
    EXPECT_TRUE(get<QPushButton>(QStringLiteral("ENVOI_4DIGITCOUL"))->isVisible());
    EXPECT_EQ(sub->height(), qRound(7400 * dpi / 1440.0));
    // Everything of the grid fits in the taller window.
    const QWidget* bar = get<QProgressBar>(QStringLiteral("ProgressBar1"));
    EXPECT_LE(bar->mapTo(sub, QPoint(0, bar->height())).y(), sub->height());
    QTest::mouseDClick(get<QGroupBox>(QStringLiteral("Frame2")), Qt::LeftButton, {}, QPoint(4, 4));
    EXPECT_FALSE(box(63)->isVisible());
    EXPECT_EQ(sub->height(), qRound(4500 * dpi / 1440.0));
}

TEST_F(DumpFixture, DescriptionClicksAndSwitchMovesKeepPositionAndColourInStep)
{
    open(false);
    QTest::mouseClick(text2(0), Qt::LeftButton);
    EXPECT_EQ(sw2(0)->value(), 0);
    EXPECT_EQ(base(text2(0)), kGreen);
    QTest::mouseClick(text3(7), Qt::LeftButton);
    expectBanks(0x01, 0x80);
    QTest::mouseClick(text2(0), Qt::LeftButton);
    expectBanks(0x00, 0x80);
    // A double click, as the windowing system delivers it, toggles once.
    QTest::mousePress(text2(3), Qt::LeftButton);
    QTest::mouseRelease(text2(3), Qt::LeftButton);
    QTest::mouseDClick(text2(3), Qt::LeftButton);
    QTest::mouseRelease(text2(3), Qt::LeftButton);
    expectBanks(0x08, 0x80);

    // The scroll bar's own arrows: up is ON, down is OFF.
    QScrollBar* bar = sw3(2);
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, 2));
    expectBanks(0x08, 0x84);
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() - 2));
    expectBanks(0x08, 0x80);
    sw2(6)->setValue(0);
    expectBanks(0x48, 0x80);
    // Nothing of this talks to the panel.
    EXPECT_TRUE(app.fake->writes.empty());
}

TEST_F(DumpFixture, ReadingTheSwitchesSetsBothBanksFromTheImage)
{
    open();
    panel.regs[20] = 0x41;
    panel.regs[21] = 0x21;
    panel.regs[22] = 0x80;
    QTest::mouseClick(text3(1), Qt::LeftButton);   // ON on screen, OFF on the panel
    click("LIT_SW");
    expectBanks(0x21, 0x80);
    EXPECT_EQ(text2(0)->text(), QStringLiteral("1 ON=Luminosité sauvée // OFF par DIP"));
    EXPECT_EQ(base(text2(5)), kGreen);
    EXPECT_EQ(panel.reads, (std::vector<int>{20, 21, 22}));
    const auto frames = app.takeWrites();
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(frames[0], linkTestFrame());
    EXPECT_EQ(hexBytes(frames[1]), QByteArray("02 31 20 20 21 24 20 20 03"));
    EXPECT_EQ(frames[4], closingFrame());
    EXPECT_TRUE(app.ui.messages.empty());
}

TEST_F(DumpFixture, ReadingWithoutTheMarkerLeavesEverySwitchOffAndReadsNothingMore)
{
    open();
    panel.regs[20] = 0x00;
    panel.regs[21] = 0xFF;
    panel.regs[22] = 0xFF;
    QTest::mouseClick(text2(7), Qt::LeftButton);
    QTest::mouseClick(text3(0), Qt::LeftButton);
    click("LIT_SW");
    expectBanks(0, 0);
    EXPECT_EQ(panel.reads, std::vector<int>{20});
    EXPECT_EQ(app.takeWrites().back(), closingFrame());
    EXPECT_TRUE(app.ui.messages.empty());

    // Register 20 silent: the same.
    panel.reads.clear();
    panel.regs[20] = -1;
    QTest::mouseClick(text2(7), Qt::LeftButton);
    click("LIT_SW");
    expectBanks(0, 0);
    EXPECT_EQ(panel.reads, std::vector<int>{20});
}

TEST_F(DumpFixture, SendingTheWindowAsOpenedWritesMarkerTwiceAndEmptyBanks)
{
    open();
    click("ENVOI_SW");
    EXPECT_EQ(panel.writes, (std::vector<std::pair<int, int>>{{20, 0x41}, {20, 0x41}, {21, 0}, {22, 0}}));
    const auto frames = app.takeWrites();
    ASSERT_EQ(frames.size(), 6u);
    EXPECT_EQ(hexBytes(frames[1]), QByteArray("02 31 40 40 41 44 44 41 03"));
    EXPECT_EQ(hexBytes(frames[2]), QByteArray("02 31 40 40 41 44 44 41 03"));
    EXPECT_EQ(frames[5], closingFrame());
    EXPECT_TRUE(app.ui.messages.empty());

    // Then what is on screen, and it reads back the same.
    QTest::mouseClick(text2(7), Qt::LeftButton);
    QTest::mouseClick(text3(1), Qt::LeftButton);
    QTest::mouseClick(text3(4), Qt::LeftButton);
    panel.writes.clear();
    click("ENVOI_SW");
    EXPECT_EQ(panel.writes, (std::vector<std::pair<int, int>>{{20, 0x41}, {20, 0x41}, {21, 0x80}, {22, 0x12}}));
    for (int i = 0; i < 8; ++i)
        QTest::mouseClick(text2(i), Qt::LeftButton);
    click("LIT_SW");
    expectBanks(0x80, 0x12);
}

TEST_F(DumpFixture, FailedLinkTestShowsItsMessageAndSendsNoRegister)
{
    open();
    panel.linkAnswers = false;
    QTest::mouseClick(text2(0), Qt::LeftButton);
    click("LIT_SW");
    click("ENVOI_SW");
    EXPECT_TRUE(panel.reads.empty());
    EXPECT_TRUE(panel.writes.empty());
    expectBanks(0x01, 0);   // a failed reading changes nothing on screen
    EXPECT_EQ(app.ui.texts(), QStringList(2, QString::fromUtf8(msg::kLinkFailed)));
}

TEST_F(DumpFixture, EveryButtonThatTalksToThePanelNeedsAValidatedPort)
{
    open(false);
    uncoverGrid();
    box(0)->setText(QStringLiteral("12"));
    for (const char* b : {"LIT_SW", "ENVOI_SW", "Command1", "ENVOI_4DIGITCOUL"})
        click(b);
    EXPECT_TRUE(app.fake->writes.empty());
    EXPECT_EQ(app.ui.texts(), QStringList(4, QString::fromUtf8(msg::kPortNotValidated)));
    EXPECT_EQ(app.ui.messages[2].icon, MsgIcon::Exclamation);
    EXPECT_EQ(box(0)->text(), QStringLiteral("12"));   // the reading did not empty the grid
    // The local buttons still work.
    click("Command3");
    EXPECT_EQ(box(63)->text(), QStringLiteral("3F"));
}

TEST_F(DumpFixture, FillThenSendWritesEachRegisterItsOwnNumber)
{
    open();
    uncoverGrid();
    click("Command3");
    for (int n = 0; n < 64; ++n)
        ASSERT_EQ(box(n)->text(), QString::number(n, 16).toUpper());
    const qint64 t0 = app.clock.monotonicMs();
    click("ENVOI_4DIGITCOUL");
    ASSERT_EQ(panel.writes.size(), 64u);
    for (int n = 0; n < 64; ++n)
        EXPECT_EQ(panel.writes[n], std::make_pair(n, n));   // clock registers 0 to 7 included
    EXPECT_EQ(app.clock.monotonicMs() - t0, 64 * 50);
    // The grid runs no link test and no closing frame, and says nothing.
    for (const QByteArray& f : app.takeWrites())
        EXPECT_EQ(f.size(), 9);
    EXPECT_TRUE(app.ui.messages.empty());
    EXPECT_EQ(get<QProgressBar>(QStringLiteral("ProgressBar1"))->value(), 63);
    for (int n = 0; n < 64; ++n)
        EXPECT_NE(base(box(n)), QColor(255, 176, 64)) << n;
}

TEST_F(DumpFixture, OddGridTextsAreSentAsTheirLeadingHexDigitsAndMarked)
{
    open();
    uncoverGrid();
    click("Command3");
    const QColor normal = base(box(3));
    box(3)->setText(QStringLiteral("1FF"));
    box(4)->setText(QStringLiteral("G"));
    box(5)->setText(QString());
    box(6)->setText(QStringLiteral("a5"));
    click("ENVOI_4DIGITCOUL");
    ASSERT_EQ(panel.writes.size(), 64u);
    EXPECT_EQ(panel.writes[3], std::make_pair(3, 0xFF));
    EXPECT_EQ(panel.writes[4], std::make_pair(4, 0));
    EXPECT_EQ(panel.writes[5], std::make_pair(5, 0));
    EXPECT_EQ(panel.writes[6], std::make_pair(6, 0xA5));
    EXPECT_EQ(panel.writes[63], std::make_pair(63, 63));
    EXPECT_NE(base(box(3)), normal);
    EXPECT_NE(base(box(4)), normal);
    EXPECT_EQ(base(box(5)), normal);
    EXPECT_EQ(base(box(6)), normal);
    EXPECT_EQ(base(box(7)), normal);
    // Correcting the box takes the mark away.
    QTest::keyClick(box(4), Qt::Key_Backspace);
    QTest::keyClicks(box(4), QStringLiteral("7"));
    EXPECT_EQ(base(box(4)), normal);
}

TEST_F(DumpFixture, FillValueGoesIntoEveryBox)
{
    open(false);
    uncoverGrid();
    box(64)->setText(QStringLiteral("AA"));
    click("Command2");
    for (int n = 0; n < 64; ++n)
        EXPECT_EQ(box(n)->text(), QStringLiteral("AA")) << n;
    EXPECT_EQ(get<QProgressBar>(QStringLiteral("ProgressBar1"))->value(), 63);
    EXPECT_TRUE(app.fake->writes.empty());
}

TEST_F(DumpFixture, ReadingTheGridShowsEachRegisterAsItArrives)
{
    open();
    uncoverGrid();
    for (int n = 0; n < 64; ++n)
        panel.regs[n] = n % 5 == 0 ? -1 : (n * 7) & 0xFF;
    box(10)->setText(QStringLiteral("ZZ"));
    auto* bar = get<QProgressBar>(QStringLiteral("ProgressBar1"));
    // When register n is asked for, the boxes before it are filled and those after it are empty.
    int checked = 0;
    app.fake->responder = [&](const QByteArray& f) {
        const int n = ((f[4] & 0x0F) << 4) | (f[5] & 0x0F);
        if (n > 0) {
            EXPECT_EQ(box(n - 1)->text(), panel.regs[n - 1] < 0 ? QStringLiteral("0") : QString::number(panel.regs[n - 1], 16).toUpper());
            EXPECT_EQ(bar->value(), n - 1);
        }
        EXPECT_EQ(box(n)->text(), QString());
        ++checked;
        return panel(f);
    };
    click("Command1");
    EXPECT_EQ(checked, 64);
    EXPECT_EQ(panel.reads.size(), 64u);
    EXPECT_EQ(box(0)->text(), QStringLiteral("0"));
    EXPECT_EQ(box(10)->text(), QStringLiteral("0"));
    EXPECT_EQ(box(3)->text(), QStringLiteral("15"));
    EXPECT_EQ(box(63)->text(), QStringLiteral("B9"));
    EXPECT_EQ(bar->value(), 63);
    EXPECT_TRUE(app.ui.messages.empty());

    // A panel that never answers still gets all 64 questions, and every box shows "0".
    panel.regs.fill(-1);
    panel.reads.clear();
    app.fake->responder = [this](const QByteArray& f) { return panel(f); };
    click("Command1");
    EXPECT_EQ(panel.reads.size(), 64u);
    for (int n = 0; n < 64; ++n)
        EXPECT_EQ(box(n)->text(), QStringLiteral("0"));
}

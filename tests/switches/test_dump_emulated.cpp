#include "EmulatedApp.h"
#include "link/Configuration.h"
#include "panel/dump.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

namespace {

struct Emulated {
    std::unique_ptr<TestApp> app = makeEmulatedApp();
    dump* w = nullptr;
    Emulated()
    {
        app->principal->show();
        app->principal->configuration()->SEL_REP->setCurrentText(QStringLiteral("OUI"));
        app->validate();
        app->ui.messages.clear();
        w = qobject_cast<dump*>(app->principal->showWindow(QStringLiteral("dump")));
    }
    emu::PanelModel& panel() { return emulatedPort(*app).model(); }
    template <class T> T* get(const QString& name) { return w->findChild<T*>(name); }
    void click(const QString& name) { QTest::mouseClick(get<QPushButton>(name), Qt::LeftButton); }
    QLineEdit* box(int n) { return get<QLineEdit>(QStringLiteral("Text1_%1").arg(n)); }
};

} // namespace

TEST(DumpOnEmulatedPanel, GridWrittenThenReadBackGivesTheSameValues)
{
    Emulated e;
    ASSERT_NE(e.w, nullptr);
    QTest::mouseDClick(e.get<QGroupBox>(QStringLiteral("Frame1")), Qt::LeftButton, {}, QPoint(4, 4));
    e.click(QStringLiteral("Command3"));
    // Halt the panel's clock so that its seconds do not move between writing and reading.
    e.box(0)->setText(QStringLiteral("80"));
    e.click(QStringLiteral("ENVOI_4DIGITCOUL"));
    EXPECT_EQ(e.panel().reg(0), 0x80);
    for (int n = 1; n < 64; ++n)
        EXPECT_EQ(e.panel().reg(n), n) << n;

    for (int n = 0; n < 64; ++n)
        e.box(n)->clear();
    e.click(QStringLiteral("Command1"));
    EXPECT_EQ(e.box(0)->text(), QStringLiteral("80"));
    for (int n = 1; n < 64; ++n)
        EXPECT_EQ(e.box(n)->text(), QString::number(n, 16).toUpper()) << n;
    EXPECT_TRUE(e.app->ui.messages.empty());
}

TEST(DumpOnEmulatedPanel, SwitchesWrittenThenReadBack)
{
    Emulated e;
    ASSERT_NE(e.w, nullptr);
    for (int i : {0, 6})
        QTest::mouseClick(e.get<QLineEdit>(QStringLiteral("Text2_%1").arg(i)), Qt::LeftButton);
    for (int i : {1, 2, 7})
        QTest::mouseClick(e.get<QLineEdit>(QStringLiteral("Text3_%1").arg(i)), Qt::LeftButton);
    e.click(QStringLiteral("ENVOI_SW"));
    EXPECT_EQ(e.panel().reg(20), 0x41);
    EXPECT_EQ(e.panel().reg(21), 0x41);
    EXPECT_EQ(e.panel().reg(22), 0x86);

    // Turn the screen back to all OFF, then read.
    for (int i = 0; i < 8; ++i) {
        e.get<QScrollBar>(QStringLiteral("SW2_%1").arg(i))->setValue(1);
        e.get<QScrollBar>(QStringLiteral("SW1_%1").arg(i))->setValue(1);
    }
    e.click(QStringLiteral("LIT_SW"));
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(e.get<QScrollBar>(QStringLiteral("SW2_%1").arg(i))->value(), (0x41 >> i) & 1 ? 0 : 1) << i;
        EXPECT_EQ(e.get<QScrollBar>(QStringLiteral("SW1_%1").arg(i))->value(), (0x86 >> i) & 1 ? 0 : 1) << i;
    }
    EXPECT_TRUE(e.app->ui.messages.empty());

    // A panel whose image lost its marker reads as all OFF.
    e.panel().setReg(20, 0x00);
    e.click(QStringLiteral("LIT_SW"));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(e.get<QScrollBar>(QStringLiteral("SW1_%1").arg(i))->value(), 1) << i;
}

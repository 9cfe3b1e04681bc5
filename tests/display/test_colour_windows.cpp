// The two colour windows: real clicks on the sample digits, and the block they send.
#include "PanelScript.h"
#include "TestApp.h"
#include "core/DisplayOps.h"
#include "core/Frames.h"
#include "link/Configuration.h"
#include "panel/COUL6.h"
#include "panel/COUL66.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

namespace {

const QColor kRed(255, 0, 0), kGreen(0, 255, 0), kAmber(255, 192, 128), kGrey(64, 64, 64);

struct ColourFixture : ::testing::Test {
    TestApp app;
    PanelScript panel;

    ColourFixture() { app.principal->show(); }

    void settings(const QString& response, const QString& interface = QStringLiteral("Filaire "))
    {
        Configuration* c = app.principal->configuration();
        c->SEL_REP->setCurrentText(response);
        c->SEL_INTER->setCurrentText(interface);
        c->SEL_COUL->setCurrentText(QStringLiteral("Tri couleur "));
        app.fake->responder = [this](const QByteArray& f) { return panel(f); };
        app.validate();
        app.ui.messages.clear();
        app.takeWrites();
    }
    ColourWindow* open(const char* name)
    {
        return qobject_cast<ColourWindow*>(app.principal->showWindow(QString::fromLatin1(name)));
    }
    QLabel* digit(ColourWindow* w, int i) { return w->findChild<QLabel*>(QStringLiteral("Label2_%1").arg(i)); }
    QColor colour(ColourWindow* w, int i) { return digit(w, i)->palette().color(QPalette::WindowText); }
    void click(ColourWindow* w, int i) { QTest::mouseClick(digit(w, i), Qt::LeftButton); }
    // What the system delivers for a double click: press, release, double click, release.
    void systemDoubleClick(QWidget* target)
    {
        const QPoint pos = target->rect().center();
        QTest::mousePress(target, Qt::LeftButton, {}, pos);
        QTest::mouseRelease(target, Qt::LeftButton, {}, pos);
        QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(pos), target->mapToGlobal(QPointF(pos)),
                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dbl);
        QMouseEvent up(QEvent::MouseButtonRelease, QPointF(pos), target->mapToGlobal(QPointF(pos)),
                       Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &up);
    }
    // The five frames of the block as sent (values only).
    QByteArray sentBlock()
    {
        QByteArray values;
        for (const auto& w : app.fake->writes) {
            const QByteArray& f = w.bytes;
            if (f.size() == 12 && f.startsWith("\x02\x02\x31\x40\x40"))
                values.append(char(((quint8(f[7]) & 0x0F) << 4) | (quint8(f[8]) & 0x0F)));
        }
        return values;
    }
    void send(ColourWindow* w) { QTest::mouseClick(w->ENVOI_6DIGITCOUL, Qt::LeftButton); }
};

QByteArray hex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

} // namespace

TEST_F(ColourFixture, ClockWindowLooksAsDesigned)
{
    ColourWindow* w = open("COUL6");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Couleur Heures/Date."));
    const QStringList captions = {"2", "3", "5", "9.", "4", "6", "2", "4.", "1", "2.", "0", "8"};
    const QList<QColor> colours = {kRed, kRed, kGreen, kGreen, kAmber, kAmber,
                                   kGreen, kGreen, kRed, kRed, kAmber, kAmber};
    for (int i = 1; i <= 12; ++i) {
        ASSERT_NE(digit(w, i), nullptr) << i;
        EXPECT_EQ(digit(w, i)->text(), captions[i - 1]) << i;
        EXPECT_EQ(colour(w, i), colours[i - 1]) << i;
        EXPECT_EQ(digit(w, i)->palette().color(QPalette::Window), kGrey);
        EXPECT_TRUE(digit(w, i)->autoFillBackground());
        EXPECT_EQ(digit(w, i)->font().family(), QStringLiteral("Comic Sans MS"));
    }
    EXPECT_EQ(digit(w, 13), nullptr);
    EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
              QStringLiteral("Un clic sur un digit modifie la couleur. Programmer des nouveaux masques"));
    EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("Label4"))->text(),
              QStringLiteral("Le masque 23:59.46 est le même que J-109"));
    EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("Label5"))->text(),
              QStringLiteral("Le masque 24.12.08 est le même que H-2616"));
    EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("Label3_1"))->text(), QStringLiteral(":"));
    EXPECT_NE(w->findChild<QFrame*>(QStringLiteral("Shape1_2")), nullptr);
    EXPECT_EQ(w->ENVOI_6DIGITCOUL->text(), QStringLiteral("Envoi"));
    EXPECT_EQ(w->ENVOI_6DIGITCOUL->toolTip(), QStringLiteral("Envoi des paramètres couleur au panneau."));
    // The colon sits between the hours and the minutes.
    EXPECT_LT(digit(w, 2)->x(), w->findChild<QLabel*>(QStringLiteral("Label3_1"))->x());
    EXPECT_GT(digit(w, 3)->x(), w->findChild<QLabel*>(QStringLiteral("Label3_1"))->x());
}

TEST_F(ColourFixture, CountdownWindowLooksAsDesigned)
{
    ColourWindow* w = open("COUL66");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Couleur 6 Digits."));
    EXPECT_EQ(digit(w, 1)->text(), QString::fromUtf8("|\xC2\xAF|"));
    EXPECT_EQ(digit(w, 1)->text().size(), 3);
    const QStringList captions = {"-", "0", "9.", "5", "6", "H", "-", "2", "0", "5", "9", "J", "-", "1", "0", "9",
                                  " ", "H", "-", "2", "6", "1", "6", " ", "S", "t", "o", "p", " "};
    for (int i = 2; i <= 30; ++i)
        EXPECT_EQ(digit(w, i)->text(), captions[i - 2]) << i;
    const QList<QColor> pairs = {kGreen, kGreen, kGreen, kGreen, kRed, kAmber, kAmber, kGreen, kRed,
                                 kRed, kAmber, kGreen, kRed, kRed, kRed};
    for (int i = 1; i <= 30; ++i)
        EXPECT_EQ(colour(w, i), pairs[(i - 1) / 2]) << i;
    EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
              QStringLiteral("Un clic sur un digit modifie la couleur. Programmer des nouveaux masques "));
    // The colon of H-20:59 comes between the minutes' pairs.
    QLabel* colon = nullptr;
    for (QLabel* l : w->findChildren<QLabel*>())
        if (l->objectName().startsWith(QStringLiteral("Label3_")) && l->text() == QStringLiteral(":"))
            colon = l;
    ASSERT_NE(colon, nullptr);
    EXPECT_EQ(colon->parentWidget(), digit(w, 10)->parentWidget());
    EXPECT_LT(digit(w, 10)->x(), colon->x());
    EXPECT_GT(digit(w, 11)->x(), colon->x());
    for (int row = 1; row <= 5; ++row)
        EXPECT_NE(w->findChild<QFrame*>(QStringLiteral("Shape1_%1").arg(row)), nullptr) << row;
}

TEST_F(ColourFixture, DesignedColoursSendTheDesignedBlocks)
{
    settings(QStringLiteral("OUI"));
    send(open("COUL6"));
    EXPECT_EQ(sentBlock(), hex("C0 53 8B 00 00"));
    EXPECT_EQ(app.ui.texts(), QStringList({QStringLiteral("Programmation couleur effectuée.")}));
    EXPECT_EQ(app.ui.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(app.fake->writes.back().bytes, closingFrame());

    app.fake->writes.clear();
    send(open("COUL66"));
    EXPECT_EQ(sentBlock(), hex("C1 92 8B D1 5A"));
    EXPECT_EQ(panel.regs[10], 0xC1);
    EXPECT_EQ(panel.regs[14], 0x5A);
    const auto& t = app.tqv->TAB_DS();
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(t.data()) + 10, 5), hex("C1 92 8B D1 5A"));
}

TEST_F(ColourFixture, ClicksCycleAPairThroughTheThreeColours)
{
    settings(QStringLiteral("OUI"));
    ColourWindow* w = open("COUL6");
    click(w, 1);
    EXPECT_EQ(colour(w, 1), kGreen);
    EXPECT_EQ(colour(w, 2), kGreen);
    EXPECT_EQ(colour(w, 3), kGreen);   // the next pair is untouched (designed green)
    EXPECT_EQ(colour(w, 4), kGreen);
    send(w);
    EXPECT_EQ(quint8(sentBlock()[1]), 0x93);
    click(w, 1);
    EXPECT_EQ(colour(w, 2), kAmber);
    click(w, 2);   // either digit of the pair moves both
    EXPECT_EQ(colour(w, 1), kRed);
    EXPECT_EQ(colour(w, 2), kRed);
    app.fake->writes.clear();
    send(w);
    EXPECT_EQ(sentBlock(), hex("C0 53 8B 00 00"));
}

TEST_F(ColourFixture, DoubleClickAdvancesTwoStepsHoweverItArrives)
{
    ColourWindow* w = open("COUL6");
    // The whole gesture as the system delivers it.
    systemDoubleClick(digit(w, 11));
    EXPECT_EQ(colour(w, 11), kGreen);   // amber -> red -> green
    EXPECT_EQ(colour(w, 12), kGreen);
    // A double-click event alone.
    QTest::mouseDClick(digit(w, 7), Qt::LeftButton);
    EXPECT_EQ(colour(w, 7), kRed);      // green -> amber -> red
    EXPECT_EQ(colour(w, 8), kRed);
    // A click, then the double click that completes it.
    QTest::mouseClick(digit(w, 3), Qt::LeftButton);
    QTest::mouseDClick(digit(w, 3), Qt::LeftButton);
    EXPECT_EQ(colour(w, 3), kRed);      // green -> amber -> red
    // A click on another digit in between does not make the double click a half.
    QTest::mouseClick(digit(w, 5), Qt::LeftButton);   // amber -> red
    QTest::mouseDClick(digit(w, 1), Qt::LeftButton);
    EXPECT_EQ(colour(w, 1), kAmber);    // red -> green -> amber
    EXPECT_EQ(colour(w, 5), kRed);
    // The right button does nothing.
    QTest::mouseClick(digit(w, 9), Qt::RightButton);
    EXPECT_EQ(colour(w, 9), kRed);
}

TEST_F(ColourFixture, EndMessageRowChangesAsAWhole)
{
    settings(QStringLiteral("OUI"));
    ColourWindow* w = open("COUL66");
    click(w, 28);
    for (int i = 25; i <= 30; ++i)
        EXPECT_EQ(colour(w, i), kGreen) << i;
    EXPECT_EQ(colour(w, 24), kGreen);   // designed green, untouched
    EXPECT_EQ(colour(w, 23), kGreen);
    send(w);
    EXPECT_EQ(quint8(sentBlock()[0]), 0xC2);
    QTest::mouseDClick(digit(w, 30), Qt::LeftButton);   // green -> amber -> red
    for (int i = 25; i <= 30; ++i)
        EXPECT_EQ(colour(w, i), kRed) << i;
    click(w, 25);
    click(w, 26);
    app.fake->writes.clear();
    send(w);
    EXPECT_EQ(quint8(sentBlock()[0]), 0xC3);
    EXPECT_EQ(sentBlock().mid(1), hex("92 8B D1 5A"));
}

TEST_F(ColourFixture, SeparatorsTakeNoClicks)
{
    for (const char* name : {"COUL6", "COUL66"}) {
        ColourWindow* w = open(name);
        const colours::Codes before = w->codes();
        int separators = 0;
        for (QLabel* l : w->findChildren<QLabel*>()) {
            if (!l->objectName().startsWith(QStringLiteral("Label3_")))
                continue;
            ++separators;
            QTest::mouseClick(l, Qt::LeftButton);
            QTest::mouseDClick(l, Qt::LeftButton);
        }
        for (const char* other : {"Label1", "Label4", "Label5"})
            QTest::mouseClick(w->findChild<QLabel*>(QString::fromLatin1(other)), Qt::LeftButton);
        EXPECT_GE(separators, 4) << name;
        EXPECT_EQ(w->codes(), before) << name;
    }
}

TEST_F(ColourFixture, NoResponseControlShowsNothingEvenWithoutAnAnswer)
{
    settings(QStringLiteral("NON"));
    app.fake->responder = nullptr;
    send(open("COUL66"));
    send(open("COUL6"));
    EXPECT_TRUE(app.ui.messages.empty());
    EXPECT_EQ(sentBlock(), hex("C1 92 8B D1 5A C0 53 8B 00 00"));
}

TEST_F(ColourFixture, FailedLinkTestDoesNotStopTheSending)
{
    settings(QStringLiteral("OUI"));
    panel.answerLinkTest = false;
    send(open("COUL6"));
    EXPECT_EQ(sentBlock(), hex("C0 53 8B 00 00"));
    // The link test's own message, then the block acknowledged.
    EXPECT_EQ(app.ui.texts(), QStringList({QString::fromUtf8(msg::kLinkFailed),
                                           QStringLiteral("Programmation couleur effectuée.")}));

    // Silent panel over the radio module: the block still goes, and the failure is reported.
    TestApp other;
    other.principal->show();
    other.principal->configuration()->SEL_REP->setCurrentText(QStringLiteral("OUI"));
    other.principal->configuration()->SEL_INTER->setCurrentText(QStringLiteral("Sans fil"));
    other.validate();
    other.ui.messages.clear();
    auto* w = qobject_cast<ColourWindow*>(other.principal->showWindow(QStringLiteral("COUL66")));
    QTest::mouseClick(w->ENVOI_6DIGITCOUL, Qt::LeftButton);
    EXPECT_EQ(other.ui.texts(), QStringList({QString::fromUtf8(msg::kWirelessFailure)}));
    EXPECT_EQ(other.ui.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(other.fake->writes.size(), 3u + 5u + 1u);
}

TEST_F(ColourFixture, MenusOpenTheWindowsAndValidationBringsBackTheDesign)
{
    settings(QStringLiteral("OUI"));
    for (const auto& [menu, name] : {std::pair{"MENU_4COUL", "COUL6"}, std::pair{"MENU_6COUL", "COUL66"}}) {
        QAction* a = app.principal->menuAction(QString::fromLatin1(menu));
        ASSERT_TRUE(a->isEnabled()) << menu;
        a->trigger();
        auto* w = qobject_cast<ColourWindow*>(app.principal->existingWindow(QString::fromLatin1(name)));
        ASSERT_NE(w, nullptr) << name;
        click(w, 1);
    }
    app.validate();
    EXPECT_EQ(app.principal->existingWindow(QStringLiteral("COUL6")), nullptr);
    EXPECT_EQ(colour(open("COUL6"), 1), kRed);
    EXPECT_EQ(colour(open("COUL66"), 1), kGreen);
}

#include "RelayTestApp.h"
#include "core/Frames.h"
#include "core/Tqvbase.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

TEST(RelayWindow, OpensWithItsListsAndDefaults)
{
    RelayTestApp t;
    for (int n : {1, 2}) {
        Relais* w = t.relais(n);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Relais %1.").arg(n));
        for (int k = 1; k <= 4; ++k) {
            EXPECT_EQ(w->findChild<QGroupBox*>(QStringLiteral("Frame%1").arg(k))->title(), QStringLiteral("ALARME %1").arg(k));
            EXPECT_EQ(w->hourBox(k)->count(), 24);
            EXPECT_EQ(w->hourBox(k)->itemText(23), QStringLiteral("23"));
            EXPECT_EQ(w->minuteBox(k)->count(), 60);
            EXPECT_EQ(w->durationBox(k)->count(), 59);
            EXPECT_EQ(w->durationBox(k)->itemText(0), QStringLiteral("01"));
            EXPECT_EQ(w->durationBox(k)->currentText(), QStringLiteral("01"));
            EXPECT_EQ(w->hourBox(k)->currentText(), QStringLiteral("00"));
        }
        EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("Label4"))->text(), QStringLiteral("   HH         :     MM"));
        EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("Label12"))->text(), QStringLiteral("Seconde"));
        EXPECT_EQ(w->findChild<QCheckBox*>(QStringLiteral("Check1_27"))->text(), QStringLiteral("Dimanche"));
        for (QCheckBox* c : w->Check1)
            EXPECT_FALSE(c->isChecked());
        EXPECT_TRUE(w->Option1->isChecked());
        auto* send = w->findChild<QPushButton*>(QStringLiteral("ENVOI_REL%1").arg(n));
        ASSERT_NE(send, nullptr);
        EXPECT_EQ(send->toolTip(),
                  QStringLiteral("Programmation des informations heure, jour, durée du relais %1 au panneau.").arg(n));
        EXPECT_EQ(w->Command1->toolTip(),
                  QStringLiteral("Lecture des informations heure, jour, durée du relais %1 au panneau.").arg(n));
        EXPECT_TRUE(w->Command1->isEnabled());
    }
}

TEST(RelayWindow, ReadingIsOfferedOnAWiredLinkOnly)
{
    RelayTestApp t(QStringLiteral("Sans fil"));
    EXPECT_FALSE(t.relais(1)->Command1->isEnabled());
    EXPECT_FALSE(t.relais(2)->Command1->isEnabled());
    t.app.principal->configuration()->SEL_INTER->setCurrentText(QStringLiteral("Filaire "));
    t.app.validate();
    EXPECT_TRUE(t.relais(1)->Command1->isEnabled());
    EXPECT_TRUE(t.relais(2)->Command1->isEnabled());
}

TEST(RelayWindow, MenuOpensRelay1)
{
    RelayTestApp t;
    t.app.principal->configuration()->SEL_REL1->setCurrentText(QStringLiteral("OUI"));
    t.app.validate();
    QAction* a = t.app.principal->menuAction(QStringLiteral("MENURELAIS1"));
    ASSERT_TRUE(a && a->isEnabled());
    a->trigger();
    QWidget* w = t.app.principal->existingWindow(QStringLiteral("Relais_1"));
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(t.app.principal->menuAction(QStringLiteral("MENURELAIS2"))->isEnabled());
}

TEST(RelaySend, Relay1WithContactClosingAndNoDays)
{
    RelayTestApp t;
    Relais* w = t.relais(1);
    w->hourBox(1)->setCurrentText(QStringLiteral("23"));
    w->minuteBox(1)->setCurrentText(QStringLiteral("59"));
    w->durationBox(1)->setCurrentText(QStringLiteral("59"));
    RelayTestApp::click(w->ENVOI);

    const auto writes = t.app.takeWrites();
    ASSERT_EQ(writes.size(), 19u);   // link test, 17 registers, closing
    EXPECT_EQ(writes.front(), linkTestFrame());
    EXPECT_EQ(writes.back(), closingFrame());
    EXPECT_EQ(t.panel.regs[15], 0xCC);
    EXPECT_EQ(t.panel.regs[17], 0x23);
    EXPECT_EQ(t.panel.regs[18], 0x59);
    EXPECT_EQ(t.panel.regs[19], 0x3B);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(t.panel.regs[size_t(16 + 4 * k)], 0x80) << k;   // no day, contact closes
    EXPECT_EQ(t.panel.regs[23], 0x01);                            // duration "01"
    EXPECT_EQ(t.app.ui.texts(), QStringList{QStringLiteral("Programmation Relais 1 effectuée.")});
    EXPECT_EQ(t.app.ui.messages[0].icon, MsgIcon::Information);
    // Nothing outside relay 1's block was touched.
    EXPECT_EQ(t.panel.regs[32], 0);
    EXPECT_EQ(t.panel.regs[48], 0);
}

TEST(RelaySend, Relay2WithContactOpeningGoesToItsOwnRegisters)
{
    RelayTestApp t;
    Relais* w = t.relais(2);
    w->hourBox(1)->setCurrentText(QStringLiteral("23"));
    w->minuteBox(1)->setCurrentText(QStringLiteral("59"));
    RelayTestApp::click(w->Option2);
    RelayTestApp::click(w->Check1[0]);    // alarm 1 Lundi
    RelayTestApp::click(w->Check1[6]);    // alarm 1 Dimanche
    RelayTestApp::click(w->Check1[12]);   // alarm 2 Samedi
    RelayTestApp::click(w->findChild<QPushButton*>(QStringLiteral("ENVOI_REL2")));

    EXPECT_EQ(t.panel.writes, 17);
    EXPECT_EQ(t.panel.regs[32], 0x41);
    EXPECT_EQ(t.panel.regs[33], 0x23);
    EXPECT_EQ(t.panel.regs[34], 0x59);
    EXPECT_EQ(t.panel.regs[36], 0x20);
    EXPECT_EQ(t.panel.regs[40], 0x00);
    EXPECT_EQ(t.panel.regs[44], 0x00);
    EXPECT_EQ(t.panel.regs[48], 0xCC);
    EXPECT_EQ(t.app.tqv->TAB_DS()[33], 0x23);
    EXPECT_EQ(t.app.ui.lastText(), QStringLiteral("Programmation Relais 2 effectuée."));
}

TEST(RelaySend, MissingAcknowledgementIsReportedPerInterface)
{
    for (const QString& inter : {QStringLiteral("Filaire "), QStringLiteral("Sans fil")}) {
        RelayTestApp t(inter);
        int frame = 0;
        // The panel answers the link test but drops one register write.
        t.app.fake->responder = [&](const QByteArray& f) {
            ++frame;
            return frame == 5 ? QByteArray() : t.panel(f);
        };
        RelayTestApp::click(t.relais(1)->ENVOI);
        const bool wired = inter == QLatin1String("Filaire ");
        EXPECT_EQ(t.app.ui.lastText(), QString::fromUtf8(wired ? msg::kWiredFailure : msg::kWirelessFailure));
        EXPECT_EQ(t.app.fake->writes.back().bytes, closingFrame());
    }
}

TEST(RelaySend, FailedLinkTestSendsNothing)
{
    RelayTestApp t;
    t.app.fake->responder = nullptr;
    RelayTestApp::click(t.relais(1)->ENVOI);
    for (const auto& w : t.app.fake->writes)
        EXPECT_NE(quint8(w.bytes[2]), 0x31) << "no register frame";   // only link and closing frames
    EXPECT_EQ(t.app.ui.messages.size(), 1u);
    EXPECT_EQ(t.panel.regs[15], 0);
}

TEST(RelayRead, WrongMarkerLeavesTheWindowUnchanged)
{
    for (int n : {1, 2}) {
        RelayTestApp t;
        Relais* w = t.relais(n);
        setVariedState(w, false);
        const RelayState before = stateOf(w);
        // A block with everything set but the marker.
        const int first = n == 1 ? 16 : 32;
        for (int i = 0; i < 16; ++i)
            t.panel.regs[size_t(first + i)] = (i % 4 == 0) ? 0xFF : 0x01;
        t.panel.regs[n == 1 ? 15 : 48] = 0x00;
        RelayTestApp::click(w->Command1);
        EXPECT_EQ(t.app.ui.texts(),
                  QStringList({QStringLiteral("Pas de Lecture possible."), QString::fromUtf8(msg::kWiredFailure)}));
        EXPECT_EQ(stateOf(w), before);
    }
}

TEST(RelayRead, ContactSenseComesFromAlarm1AndDurationZeroEmptiesItsBox)
{
    RelayTestApp t;
    t.panel.regs[15] = 0xCC;
    t.panel.regs[16] = 0x05;               // alarm 1: Lundi, Mercredi; contact bit clear
    t.panel.regs[17] = 0x08;
    t.panel.regs[18] = 0x45;
    t.panel.regs[19] = 0;                  // duration 0
    t.panel.regs[20] = 0x80 | 0x40;        // alarm 2: bit 7 set, Dimanche
    t.panel.regs[23] = 59;
    Relais* w = t.relais(1);
    RelayTestApp::click(w->Command1);
    EXPECT_EQ(t.app.ui.texts(), QStringList{QStringLiteral("Lecture Relais 1 effectuée.")});
    EXPECT_TRUE(w->Option2->isChecked());
    EXPECT_FALSE(w->Option1->isChecked());
    EXPECT_TRUE(w->Check1[0]->isChecked());
    EXPECT_FALSE(w->Check1[1]->isChecked());
    EXPECT_TRUE(w->Check1[2]->isChecked());
    EXPECT_TRUE(w->Check1[13]->isChecked());
    EXPECT_EQ(w->hourBox(1)->currentText(), QStringLiteral("08"));
    EXPECT_EQ(w->minuteBox(1)->currentText(), QStringLiteral("45"));
    EXPECT_EQ(w->durationBox(1)->currentIndex(), -1);
    EXPECT_EQ(w->durationBox(1)->currentText(), QString());
    EXPECT_EQ(w->durationBox(2)->currentText(), QStringLiteral("59"));

    // Sending the empty duration puts 0 back.
    RelayTestApp::click(w->ENVOI);
    EXPECT_EQ(t.panel.regs[19], 0);
    EXPECT_EQ(t.panel.regs[16], 0x05);
}

TEST(RelayRead, BytesOutOfRangeLeaveTheirBoxesAsTheyWere)
{
    RelayTestApp t;
    Relais* w = t.relais(1);
    w->hourBox(1)->setCurrentText(QStringLiteral("05"));
    w->minuteBox(2)->setCurrentText(QStringLiteral("17"));
    w->durationBox(3)->setCurrentText(QStringLiteral("33"));
    t.panel.regs[15] = 0xCC;
    t.panel.regs[16] = 0x81;
    t.panel.regs[17] = 0x2A;   // hex nibble
    t.panel.regs[18] = 0x12;
    t.panel.regs[19] = 4;
    t.panel.regs[21] = 0x19;
    t.panel.regs[22] = 0x60;   // minute 60
    t.panel.regs[27] = 200;    // duration above 59
    t.panel.regs[29] = 0x24;   // hour 24
    RelayTestApp::click(w->Command1);
    EXPECT_EQ(w->hourBox(1)->currentText(), QStringLiteral("05"));
    EXPECT_EQ(w->minuteBox(1)->currentText(), QStringLiteral("12"));
    EXPECT_EQ(w->durationBox(1)->currentText(), QStringLiteral("04"));
    EXPECT_EQ(w->hourBox(2)->currentText(), QStringLiteral("19"));
    EXPECT_EQ(w->minuteBox(2)->currentText(), QStringLiteral("17"));
    EXPECT_EQ(w->durationBox(3)->currentText(), QStringLiteral("33"));
    EXPECT_EQ(w->hourBox(4)->currentText(), QStringLiteral("00"));
    EXPECT_TRUE(w->Check1[0]->isChecked());
    EXPECT_EQ(t.app.ui.lastText(), QStringLiteral("Lecture Relais 1 effectuée."));
}

TEST(RelayRead, Relay2ReadTakesItsPausesOnTheClock)
{
    RelayTestApp t;
    t.panel.regs[48] = 0xCC;
    Relais* w = t.relais(2);
    const qint64 start = t.app.clock.monotonicMs();
    RelayTestApp::click(w->Command1);
    // Link test 0.9 s, 17 x 0.5 s, 0.9 s, closing 0.1 s.
    EXPECT_EQ(t.app.clock.monotonicMs() - start, 900 + 17 * 500 + 900 + 100);
    EXPECT_EQ(t.app.ui.lastText(), QStringLiteral("Lecture Relais 2 effectuée."));
}

TEST(RelayRead, NoMessagesWithResponseControlOff)
{
    RelayTestApp t;
    t.app.principal->configuration()->SEL_REP->setCurrentText(QStringLiteral("NON"));
    t.app.validate();
    t.app.ui.messages.clear();
    Relais* w = t.relais(1);
    t.app.fake->responder = nullptr;      // nothing answers
    const RelayState before = stateOf(w);
    RelayTestApp::click(w->Command1);
    EXPECT_TRUE(t.app.ui.messages.empty());
    EXPECT_EQ(stateOf(w), before);
    EXPECT_EQ(t.app.fake->writes.back().bytes, closingFrame());
}

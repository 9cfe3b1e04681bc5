// The brightness window and its block operations, on a scripted panel and simulated time.
#include "PanelScript.h"
#include "TestApp.h"
#include "core/DisplayOps.h"
#include "core/Frames.h"
#include "link/Configuration.h"
#include "panel/LUM.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

namespace {

const QString kWired = QStringLiteral("Filaire ");
const QString kWireless = QStringLiteral("Sans fil");

struct BrightnessFixture : ::testing::Test {
    TestApp app;
    PanelScript panel;

    void settings(const QString& response, const QString& interface = kWired)
    {
        Configuration* c = app.principal->configuration();
        c->SEL_REP->setCurrentText(response);
        c->SEL_INTER->setCurrentText(interface);
        app.fake->responder = [this](const QByteArray& f) { return panel(f); };
        app.validate();
        app.ui.messages.clear();
        app.takeWrites();
    }
    BrightnessFixture() { app.principal->show(); }
    LUM* window() { return qobject_cast<LUM*>(app.principal->showWindow(QStringLiteral("LUM"))); }
    void click(const char* name)
    {
        auto* b = window()->findChild<QAbstractButton*>(QString::fromLatin1(name));
        ASSERT_NE(b, nullptr) << name;
        // On the indicator: a radio button only takes clicks on its indicator and caption.
        QTest::mouseClick(b, Qt::LeftButton, {}, qobject_cast<QRadioButton*>(b) ? QPoint(8, b->height() / 2) : QPoint());
    }
    QByteArray block() const
    {
        const auto& t = app.tqv->TAB_DS();
        return QByteArray(reinterpret_cast<const char*>(t.data()) + 10, 5);
    }
};

QByteArray hex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

} // namespace

TEST_F(BrightnessFixture, WindowOpensAsDesigned)
{
    LUM* w = window();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Luminosité"));
    EXPECT_EQ(w->Text1->text(), QStringLiteral("Commutation JOUR/NUIT"));
    EXPECT_EQ(w->Option1_6->text(), QStringLiteral("Jour Nuit automatique par capteur"));
    EXPECT_EQ(w->Option1_2->text(), QStringLiteral("Force la luminosité à 20%"));
    EXPECT_EQ(w->Option1_1->text(), QStringLiteral("Force la luminosité à 100%"));
    EXPECT_TRUE(w->Option1_1->isChecked());
    EXPECT_EQ(w->Frame1->title(), QStringLiteral("Sensibilité de détection"));
    EXPECT_EQ(w->Option2_0->parentWidget(), w->Frame1);
    EXPECT_TRUE(w->Option2_0->isChecked());
    EXPECT_EQ(w->Slider2->value(), 5);
    EXPECT_LE(w->Slider2->minimum(), 5);
    EXPECT_GE(w->Slider2->maximum(), 5);
    EXPECT_GE(w->Slider2->minimum(), 0);
    EXPECT_LE(w->Slider2->maximum(), 255);
    EXPECT_EQ(w->Slider2->toolTip(), QStringLiteral("5 par défaut"));
    EXPECT_EQ(w->Slider2Value->text(), QStringLiteral("5"));
    w->Slider2->setValue(9);
    EXPECT_EQ(w->Slider2Value->text(), QStringLiteral("9"));
    EXPECT_EQ(w->ENVOI_LUM->text(), QStringLiteral("Envoi"));
    EXPECT_EQ(w->ENVOI_LUM->toolTip(), QStringLiteral("Programmation Luminosité."));
    EXPECT_EQ(w->Command1->text(), QStringLiteral("Lecture"));

    // The two groups are independent.
    click("Option2_1");
    click("Option1_2");
    EXPECT_TRUE(w->Option2_1->isChecked());
    EXPECT_TRUE(w->Option1_2->isChecked());
    EXPECT_FALSE(w->Option1_1->isChecked());
}

TEST_F(BrightnessFixture, AutomaticSlowLevel5WritesTheFiveFramesExactly)
{
    settings(QStringLiteral("OUI"));
    click("Option1_6");
    click("Option2_1");
    click("ENVOI_LUM");
    const auto writes = app.fake->writes;
    ASSERT_EQ(writes.size(), 7u);
    EXPECT_EQ(writes[0].bytes, linkTestFrame());
    const char* frames[] = {
        "02 02 31 40 40 40 4A 4C 40 03 03 03", "02 02 31 40 40 40 4B 44 41 03 03 03",
        "02 02 31 40 40 40 4C 40 45 03 03 03", "02 02 31 40 40 40 4D 40 48 03 03 03",
        "02 02 31 40 40 40 4E 40 40 03 03 03"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(hexBytes(writes[size_t(i) + 1].bytes), QByteArray(frames[i]));
        EXPECT_EQ(writes[size_t(i) + 1].atMs, 900);   // back to back after the link test
    }
    EXPECT_EQ(writes[6].bytes, closingFrame());
    EXPECT_EQ(writes[6].atMs, 1800);
    EXPECT_EQ(block(), hex("C0 41 05 08 00"));
    for (int r = 10; r <= 14; ++r)
        EXPECT_EQ(panel.regs[size_t(r)], quint8(block()[r - 10]));
    ASSERT_EQ(app.ui.messages.size(), 1u);
    EXPECT_EQ(app.ui.messages[0].text, QStringLiteral("Programmation LUMINOSITÉ effectuée."));
    EXPECT_EQ(app.ui.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(app.ui.messages[0].atMs, 1900);   // after the closing exchange
}

TEST_F(BrightnessFixture, ModeAndSensitivityBytesFollowTheButtons)
{
    settings(QStringLiteral("OUI"));
    // As the window opens: 100 %, fast.
    click("ENVOI_LUM");
    EXPECT_EQ(block(), hex("C0 02 05 10 00"));
    click("Option1_2");
    window()->Slider2->setValue(window()->Slider2->maximum());
    click("ENVOI_LUM");
    EXPECT_EQ(quint8(block()[1]), 0x40);
    EXPECT_EQ(int(quint8(block()[2])), window()->Slider2->maximum());
    window()->Slider2->setValue(0);
    click("ENVOI_LUM");
    EXPECT_EQ(quint8(block()[2]), 0);
    EXPECT_EQ(app.ui.texts().count(QStringLiteral("Programmation LUMINOSITÉ effectuée.")), 3);
}

TEST_F(BrightnessFixture, FourOrSixAcknowledgementsAreFailuresWithTheInterfaceMessage)
{
    struct Case { QString interface; int lastAnswer; const char* text; MsgIcon icon; };
    const Case cases[] = {
        {kWired, 0, msg::kWiredFailure, MsgIcon::Exclamation},
        {kWired, 2, msg::kWiredFailure, MsgIcon::Exclamation},
        {kWireless, 0, msg::kWirelessFailure, MsgIcon::Information},
        {kWireless, 2, msg::kWirelessFailure, MsgIcon::Information},
    };
    for (const Case& c : cases) {
        TestApp other;
        other.principal->show();
        PanelScript p;
        p.writeAnswer = [&](int reg, quint8) { return QByteArray(reg == 14 ? c.lastAnswer : 1, '\x06'); };
        other.principal->configuration()->SEL_REP->setCurrentText(QStringLiteral("OUI"));
        other.principal->configuration()->SEL_INTER->setCurrentText(c.interface);
        other.fake->responder = [&](const QByteArray& f) { return p(f); };
        other.validate();
        other.ui.messages.clear();
        auto* w = other.principal->showWindow(QStringLiteral("LUM"));
        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("ENVOI_LUM")), Qt::LeftButton);
        ASSERT_EQ(other.ui.messages.size(), 1u);
        EXPECT_EQ(other.ui.messages[0].text, QString::fromUtf8(c.text));
        EXPECT_EQ(other.ui.messages[0].icon, c.icon);
        EXPECT_EQ(other.fake->writes.back().bytes, closingFrame());
    }
}

TEST_F(BrightnessFixture, FailedLinkTestSendsNoBlock)
{
    settings(QStringLiteral("OUI"));
    panel.answerLinkTest = false;
    click("ENVOI_LUM");
    click("Command1");
    for (const auto& w : app.fake->writes)
        EXPECT_TRUE(w.bytes == linkTestFrame() || w.bytes == closingFrame()) << hexBytes(w.bytes).constData();
    EXPECT_EQ(app.ui.texts(), QStringList({QString::fromUtf8(msg::kLinkFailed), QString::fromUtf8(msg::kLinkFailed)}));
}

TEST_F(BrightnessFixture, ReadingFillsTheBrightnessBlock)
{
    settings(QStringLiteral("OUI"));
    panel.regs[50] = 0xCC; panel.regs[51] = 0x11; panel.regs[52] = 0x22; panel.regs[53] = 0x33; panel.regs[54] = 0x44;
    click("Command1");
    const auto writes = app.takeWrites();
    ASSERT_EQ(writes.size(), 7u);
    EXPECT_EQ(hexBytes(writes[1]), QByteArray("02 02 02 02 31 20 20 23 22 20 20 03"));
    EXPECT_EQ(hexBytes(writes[5]), QByteArray("02 02 02 02 31 20 20 23 26 20 20 03"));
    const auto& t = app.tqv->TAB_DS();
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(t.data()) + 50, 5), hex("CC 11 22 33 44"));
    EXPECT_EQ(app.ui.texts(), QStringList({QStringLiteral("Lecture effectuée.")}));
    EXPECT_EQ(app.ui.messages[0].icon, MsgIcon::Information);
    // The window itself is not touched by a reading.
    EXPECT_TRUE(window()->Option1_1->isChecked());
    EXPECT_EQ(window()->Slider2->value(), 5);
}

TEST_F(BrightnessFixture, WrongMarkerSaysNoReadingThenTheFailure)
{
    struct Case { QString response, interface; QStringList texts; std::vector<MsgIcon> icons; };
    const Case cases[] = {
        {QStringLiteral("OUI"), kWired, {QString::fromUtf8(msg::kNoReading), QString::fromUtf8(msg::kWiredFailure)},
         {MsgIcon::Exclamation, MsgIcon::Exclamation}},
        {QStringLiteral("OUI"), kWireless, {QString::fromUtf8(msg::kNoReading), QString::fromUtf8(msg::kWirelessFailure)},
         {MsgIcon::Exclamation, MsgIcon::Information}},
        {QStringLiteral("NON"), kWired, {QString::fromUtf8(msg::kNoReading)}, {MsgIcon::Exclamation}},
    };
    for (const Case& c : cases) {
        TestApp other;
        other.principal->show();
        PanelScript p;
        p.regs[50] = 0x00; p.regs[51] = 0x11; p.regs[52] = 0x22; p.regs[53] = 0x33; p.regs[54] = 0x44;
        for (int i = 50; i <= 54; ++i)
            other.tqv->TAB_DS()[size_t(i)] = 0x77;
        other.principal->configuration()->SEL_REP->setCurrentText(c.response);
        other.principal->configuration()->SEL_INTER->setCurrentText(c.interface);
        other.fake->responder = [&](const QByteArray& f) { return p(f); };
        other.validate();
        other.ui.messages.clear();
        auto* w = other.principal->showWindow(QStringLiteral("LUM"));
        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        EXPECT_EQ(other.ui.texts(), c.texts);
        for (size_t i = 0; i < c.icons.size() && i < other.ui.messages.size(); ++i)
            EXPECT_EQ(other.ui.messages[i].icon, c.icons[i]);
        const auto& t = other.tqv->TAB_DS();
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(t.data()) + 50, 5), hex("00 77 77 77 77"));
        // The marker message comes before the closing frame, the failure after it.
        EXPECT_EQ(other.ui.messages[0].atMs, 1800);
    }
}

TEST_F(BrightnessFixture, ShortReadingLeavesTheImageAlone)
{
    settings(QStringLiteral("OUI"));
    panel.readAnswer = [](int reg) { return reg == 54 ? QByteArray() : QByteArray(1, '\xCC'); };
    click("Command1");
    const auto& t = app.tqv->TAB_DS();
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(t.data()) + 50, 5), QByteArray(5, '\0'));
    EXPECT_EQ(app.ui.texts(), QStringList({QString::fromUtf8(msg::kWiredFailure)}));
}

TEST_F(BrightnessFixture, NoResponseControlShowsNothingWhenNothingAnswers)
{
    settings(QStringLiteral("NON"));
    app.fake->responder = nullptr;
    click("ENVOI_LUM");
    click("Command1");
    EXPECT_TRUE(app.ui.messages.empty());
    // Link test, five writes, closing; link test, five reads, closing.
    EXPECT_EQ(app.fake->writes.size(), 14u);
    EXPECT_EQ(block(), hex("C0 02 05 10 00"));
}

TEST_F(BrightnessFixture, BlockWriteRefusesASubCodeThatDoesNotFit)
{
    settings(QStringLiteral("OUI"));
    const CmdResult r = ECRI_BLOC(*app.tqv, 1, 2, 3, 4, 64);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(app.fake->writes.empty());
    const CmdResult ok = ECRI_BLOC(*app.tqv, 1, 2, 3, 4, 63);
    EXPECT_TRUE(ok.ok);
    EXPECT_EQ(block(), hex("FF 01 02 03 04"));
}

TEST_F(BrightnessFixture, MenuOpensTheWindowAndValidationRebuildsIt)
{
    Configuration* c = app.principal->configuration();
    c->SEL_COUL->setCurrentText(QStringLiteral("Mono couleur"));
    app.validate();
    QAction* a = app.principal->menuAction(QStringLiteral("MENU_LUM"));
    ASSERT_TRUE(a->isEnabled());
    a->trigger();
    auto* w = qobject_cast<LUM*>(app.principal->existingWindow(QStringLiteral("LUM")));
    ASSERT_NE(w, nullptr);
    w->Slider2->setValue(12);
    app.validate();
    EXPECT_EQ(app.principal->existingWindow(QStringLiteral("LUM")), nullptr);
    EXPECT_EQ(window()->Slider2->value(), 5);
}

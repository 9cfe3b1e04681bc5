// Brightness and colours against the emulated panel, on simulated time.
#include "EmulatedApp.h"
#include "core/DisplayOps.h"
#include "link/Configuration.h"
#include "panel/COUL6.h"
#include "panel/COUL66.h"
#include "panel/LUM.h"

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

namespace {

struct Emulated {
    std::unique_ptr<TestApp> app = makeEmulatedApp();
    Emulated()
    {
        app->principal->show();
        app->principal->configuration()->SEL_REP->setCurrentText(QStringLiteral("OUI"));
        app->principal->configuration()->SEL_COUL->setCurrentText(QStringLiteral("Tri couleur "));
        app->validate();
        app->ui.messages.clear();
    }
    emu::PanelModel& panel() { return emulatedPort(*app).model(); }
    QByteArray panelRegs(int first) const
    {
        QByteArray b;
        for (int r = first; r < first + 5; ++r)
            b.append(char(emulatedPort(*app).model().reg(r)));
        return b;
    }
    QByteArray image(int first) const
    {
        return QByteArray(reinterpret_cast<const char*>(app->tqv->TAB_DS().data()) + first, 5);
    }
    QWidget* open(const char* name) { return app->principal->showWindow(QString::fromLatin1(name)); }
    static void press(QAbstractButton* b)
    {
        QTest::mouseClick(b, Qt::LeftButton, {}, qobject_cast<QRadioButton*>(b) ? QPoint(8, b->height() / 2) : QPoint());
    }
};

QByteArray hex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

} // namespace

TEST(DisplayOnEmulatedPanel, BrightnessProgrammedThenRead)
{
    Emulated e;
    auto* w = qobject_cast<LUM*>(e.open("LUM"));
    ASSERT_NE(w, nullptr);
    Emulated::press(w->Option1_2);
    Emulated::press(w->Option2_1);
    w->Slider2->setValue(7);
    Emulated::press(w->ENVOI_LUM);
    EXPECT_EQ(e.app->ui.texts(), QStringList({QStringLiteral("Programmation LUMINOSITÉ effectuée.")}));
    EXPECT_EQ(e.panelRegs(10), hex("C0 40 07 08 00"));
    EXPECT_EQ(e.image(10), e.panelRegs(10));

    e.app->ui.messages.clear();
    const QByteArray stored = e.panelRegs(50);
    ASSERT_EQ(quint8(stored[0]), 0xCC);
    Emulated::press(w->Command1);
    EXPECT_EQ(e.app->ui.texts(), QStringList({QStringLiteral("Lecture effectuée.")}));
    EXPECT_EQ(e.image(50), stored);
}

TEST(DisplayOnEmulatedPanel, WrongBrightnessMarkerIsRefused)
{
    Emulated e;
    e.panel().faults().wrongMarkers = true;
    auto* w = qobject_cast<LUM*>(e.open("LUM"));
    Emulated::press(w->Command1);
    EXPECT_EQ(e.app->ui.texts(), QStringList({QString::fromUtf8(msg::kNoReading), QString::fromUtf8(msg::kWiredFailure)}));
    EXPECT_NE(e.app->tqv->TAB_DS()[50], 0xCC);
    EXPECT_EQ(e.app->tqv->TAB_DS()[51], 0);
}

TEST(DisplayOnEmulatedPanel, ColourBlocksLandInTheCommandRegisters)
{
    Emulated e;
    auto* c6 = qobject_cast<ColourWindow*>(e.open("COUL6"));
    ASSERT_NE(c6, nullptr);
    Emulated::press(c6->ENVOI_6DIGITCOUL);
    EXPECT_EQ(e.panelRegs(10), hex("C0 53 8B 00 00"));

    auto* c66 = qobject_cast<ColourWindow*>(e.open("COUL66"));
    ASSERT_NE(c66, nullptr);
    QTest::mouseClick(c66->Label2(27), Qt::LeftButton);   // end message: red -> green
    QTest::mouseClick(c66->Label2(1), Qt::LeftButton);    // N- first pair: green -> amber
    Emulated::press(c66->ENVOI_6DIGITCOUL);
    EXPECT_EQ(e.panelRegs(10), hex("C2 D2 8B D1 5A"));
    EXPECT_EQ(e.app->ui.texts(), QStringList({QStringLiteral("Programmation couleur effectuée."),
                                              QStringLiteral("Programmation couleur effectuée.")}));
}

TEST(DisplayOnEmulatedPanel, SilentPanelStopsBrightnessButNotColours)
{
    Emulated e;
    e.panel().faults().silent = true;
    const QByteArray before = e.panelRegs(10);
    Emulated::press(qobject_cast<LUM*>(e.open("LUM"))->ENVOI_LUM);
    EXPECT_EQ(e.app->ui.texts(), QStringList({QString::fromUtf8(msg::kLinkFailed)}));
    const auto& writes = emulatedPort(*e.app).writes;
    for (const auto& w : writes)
        EXPECT_FALSE(w.bytes.startsWith("\x02\x02\x31\x40")) << "no register write after a failed link test";

    e.app->ui.messages.clear();
    Emulated::press(qobject_cast<ColourWindow*>(e.open("COUL6"))->ENVOI_6DIGITCOUL);
    EXPECT_EQ(e.app->ui.texts(), QStringList({QString::fromUtf8(msg::kLinkFailed), QString::fromUtf8(msg::kWiredFailure)}));
    int blockFrames = 0;
    for (const auto& w : emulatedPort(*e.app).writes)
        blockFrames += w.bytes.startsWith("\x02\x02\x31\x40") ? 1 : 0;
    EXPECT_EQ(blockFrames, 5);
    EXPECT_EQ(e.panelRegs(10), before);   // a silent panel takes nothing in
}

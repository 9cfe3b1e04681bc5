// The brightness and colour windows: real clicks, the blocks they send and what they show, on
// the scripted panel and simulated time.
#include "../relays/RelayTestApp.h"
#include "core/Frames.h"
#include "panel/COUL6.h"
#include "panel/COUL66.h"
#include "panel/LUM.h"

#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <gtest/gtest.h>

namespace {

QByteArray hex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

// The shared scripted-panel fixture, with the brightness block's image and what was shown.
struct DisplayApp : RelayTestApp {
    explicit DisplayApp(const char* response = "OUI", const char* interface = "Filaire ")
        : RelayTestApp(QString::fromUtf8(interface), response) {}
    QByteArray image(int first) const { return QByteArray(reinterpret_cast<const char*>(&app.tqv->TAB_DS()[first]), 5); }
    // The messages shown, each with its icon.
    using Shown = std::vector<std::pair<QString, MsgIcon>>;
    Shown shown() const
    {
        Shown v;
        for (const auto& m : app.ui.messages)
            v.emplace_back(m.text, m.icon);
        return v;
    }
    // The values the panel took, in order.
    QByteArray sentBlocks() const
    {
        QByteArray values;
        for (const auto& [reg, value] : panel.writes)
            values.append(char(value));
        return values;
    }
};

const QColor kRed(255, 0, 0), kGreen(0, 255, 0), kAmber(255, 192, 128);

QColor colour(ColourWindow* w, int i) { return w->Label2(i)->palette().color(QPalette::WindowText); }
void click(ColourWindow* w, int i) { QTest::mouseClick(w->Label2(i), Qt::LeftButton); }

} // namespace

TEST(Display, BrightnessButtonsAndLevelWriteTheFiveFramesExactly)
{
    DisplayApp d;
    LUM* w = d.open<LUM>("LUM");
    d.click(w->ENVOI_LUM);   // as opened: forced to 100 %, level 5, "Rapide"
    EXPECT_EQ(d.image(10), hex("C0 02 05 10 00"));
    w->Slider2->setValue(7);
    d.click(w->Option1_2);   // forced to 20 %
    d.click(w->ENVOI_LUM);
    EXPECT_EQ(d.image(10), hex("C0 40 07 10 00"));
    d.app.takeWrites();
    d.app.ui.messages.clear();
    w->Slider2->setValue(5);
    d.click(w->Option1_6);
    d.click(w->Option2_1);   // "Lente"
    d.click(w->ENVOI_LUM);
    const auto writes = d.app.takeWrites();
    ASSERT_EQ(writes.size(), 7u);
    EXPECT_EQ(writes[0], linkTestFrame());
    const QByteArray block = hex("C0 41 05 08 00");
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(writes[size_t(i) + 1], registerWriteFrame(10 + i, quint8(block[i]), 2, 3)) << i;
    EXPECT_EQ(writes[6], closingFrame());
    EXPECT_EQ(d.image(10), block);
    EXPECT_EQ(d.shown(), DisplayApp::Shown({{QStringLiteral("Programmation LUMINOSITÉ effectuée."), MsgIcon::Information}}));
}

TEST(Display, FailuresShowTheMessagesOfTheInterface)
{
    const QString wired = QString::fromUtf8(msg::kWiredFailure), wireless = QString::fromUtf8(msg::kWirelessFailure),
                  noReading = QString::fromUtf8(msg::kNoReading);
    const auto X = MsgIcon::Exclamation, I = MsgIcon::Information;
    struct Case { const char* response; const char* interface; bool read; int lastAnswer; DisplayApp::Shown shown; };
    const Case cases[] = {
        // Four or six bytes acknowledged for the five writes.
        {"OUI", "Filaire ", false, 0, {{wired, X}}}, {"OUI", "Sans fil", false, 2, {{wireless, I}}},
        // Four bytes read; five, the first not the marker.
        {"OUI", "Filaire ", true, 0, {{wired, X}}}, {"OUI", "Filaire ", true, 1, {{noReading, X}, {wired, X}}},
        {"OUI", "Sans fil", true, 1, {{noReading, X}, {wireless, I}}},
        {"NON", "Filaire ", true, 1, {{noReading, X}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.interface) + (c.read ? " read " : " write ") + c.response + std::to_string(c.lastAnswer));
        DisplayApp d(c.response, c.interface);
        d.panel.script = [&](const PanelFrame& p) {   // the last register of the block: lastAnswer bytes
            const bool last = p.reg == 14 || p.reg == 54;
            return p.base == kBaseWrite || last ? std::optional(QByteArray(last ? c.lastAnswer : 1, '\x06')) : std::nullopt;
        };
        std::fill_n(d.app.tqv->TAB_DS().begin() + 50, 5, 0x77);   // the panel answers 00 00 00 00 00
        LUM* w = d.open<LUM>("LUM");
        d.click(c.read ? w->Command1 : w->ENVOI_LUM);
        EXPECT_EQ(d.shown(), c.shown);
        EXPECT_EQ(d.app.fake->writes.back().bytes, closingFrame());
        EXPECT_EQ(d.image(50), hex(c.read && c.lastAnswer ? "00 77 77 77 77" : "77 77 77 77 77"));
    }
}

TEST(Display, ReadingFillsTheBrightnessBlock)
{
    DisplayApp d;
    d.panel.load(50, hex("CC 11 22 33 44"));
    LUM* w = d.open<LUM>("LUM");
    d.click(w->Command1);
    const auto writes = d.app.takeWrites();
    ASSERT_EQ(writes.size(), 7u);
    EXPECT_EQ(hexBytes(writes[1]), QByteArray("02 02 02 02 31 20 20 23 22 20 20 03"));
    EXPECT_EQ(hexBytes(writes[5]), QByteArray("02 02 02 02 31 20 20 23 26 20 20 03"));
    EXPECT_EQ(d.image(50), hex("CC 11 22 33 44"));
    EXPECT_EQ(d.shown(), DisplayApp::Shown({{QStringLiteral("Lecture effectuée."), MsgIcon::Information}}));
}

TEST(Display, ClicksDoubleClicksAndTheEndMessageRowRecolourButSeparatorsDoNot)
{
    DisplayApp d;
    ColourWindow* w = d.open<ColourWindow>("COUL6");
    click(w, 1);
    for (int i = 1; i <= 4; ++i)   // the pair moves to green; the next pair is designed green
        EXPECT_EQ(colour(w, i), kGreen) << i;
    d.click(w->ENVOI_6DIGITCOUL);
    EXPECT_EQ(quint8(d.sentBlocks()[1]), 0x93);
    click(w, 1);
    click(w, 2);   // either digit of the pair moves both
    EXPECT_EQ(colour(w, 1), kRed);
    EXPECT_EQ(colour(w, 2), kRed);
    d.panel.writes.clear();
    d.click(w->ENVOI_6DIGITCOUL);
    EXPECT_EQ(d.sentBlocks(), hex("C0 53 8B 00 00"));
    // A double click advances two steps, the whole gesture as the system delivers it: press,
    // release, double click, release.
    QWidget* t = w->Label2(11);
    const QPointF pos = t->rect().center();
    QTest::mouseClick(t, Qt::LeftButton);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, pos, t->mapToGlobal(pos), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(t, &dbl);
    QMouseEvent up(QEvent::MouseButtonRelease, pos, t->mapToGlobal(pos), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(t, &up);
    EXPECT_EQ(colour(w, 12), kGreen);   // amber -> red -> green

    // Any click in the end-message row recolours the whole row.
    w = d.open<ColourWindow>("COUL66");
    d.panel.writes.clear();
    click(w, 1);   // the first pair: green -> amber
    const QColor after[] = {kGreen, kAmber, kRed};
    for (int index = 25; index <= 30; ++index) {
        click(w, index);
        for (int i = 25; i <= 30; ++i)
            EXPECT_EQ(colour(w, i), after[(index - 25) % 3]) << "clicked " << index << ", digit " << i;
        EXPECT_EQ(colour(w, 24), kGreen);   // the hour row is untouched
        if (index == 25) {
            d.click(w->ENVOI_6DIGITCOUL);
            EXPECT_EQ(d.sentBlocks(), hex("C2 D2 8B D1 5A"));
            EXPECT_EQ(d.shown().back(), std::pair(QStringLiteral("Programmation couleur effectuée."), MsgIcon::Information));
        }
    }
    // Separators take no clicks.
    for (const char* name : {"COUL6", "COUL66"}) {
        ColourWindow* w = d.open<ColourWindow>(name);
        const colours::Codes before = w->codes();
        const auto separators = w->findChildren<QLabel*>(QRegularExpression(QStringLiteral("^Label3_")));
        EXPECT_GE(separators.size(), 4) << name;
        for (QLabel* l : separators) {
            QTest::mouseClick(l, Qt::LeftButton);
            QTest::mouseDClick(l, Qt::LeftButton);
        }
        EXPECT_EQ(w->codes(), before) << name;
    }
}

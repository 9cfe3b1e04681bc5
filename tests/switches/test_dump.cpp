// The display configuration window: switch banks and register grid, on the scripted panel and
// simulated time.
#include "../relays/RelayTestApp.h"
#include "panel/dump.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QScrollBar>

namespace {

using Writes = std::vector<std::pair<int, int>>;

const QColor kGreen(0, 255, 0), kWhite(255, 255, 255);
QColor base(QLineEdit* box) { return box->palette().color(QPalette::Base); }

// The display configuration window open on the scripted panel (its registers, reads and writes
// at hand).
struct DumpApp : RelayTestApp {
    explicit DumpApp(bool validated = true) : RelayTestApp(QStringLiteral("Filaire "), "OUI", validated) {}
    dump* w = open<dump>("dump");

    template <class T> T* get(const QString& name) { return w->findChild<T*>(name); }
    QScrollBar* sw2(int i) { return get<QScrollBar>(QStringLiteral("SW2_%1").arg(i)); }
    QScrollBar* sw3(int i) { return get<QScrollBar>(QStringLiteral("SW1_%1").arg(i)); }
    QLineEdit* text2(int i) { return get<QLineEdit>(QStringLiteral("Text2_%1").arg(i)); }
    QLineEdit* text3(int i) { return get<QLineEdit>(QStringLiteral("Text3_%1").arg(i)); }
    QLineEdit* box(int n) { return get<QLineEdit>(QStringLiteral("Text1_%1").arg(n)); }
    void click(const char* name) { QTest::mouseClick(get<QPushButton>(QLatin1String(name)), Qt::LeftButton); }
    void uncoverGrid() { QTest::mouseDClick(get<QGroupBox>(QStringLiteral("Frame1")), Qt::LeftButton, {}, QPoint(4, 4)); }
    // Each switch is ON (scroll bar at 0) exactly when its description is green.
    void expectBanks(quint8 sw2Byte, quint8 sw3Byte)
    {
        for (int i = 0; i < 8; ++i)
            for (const auto& [bar, text, on] : {std::tuple{sw2(i), text2(i), (sw2Byte >> i) & 1}, {sw3(i), text3(i), (sw3Byte >> i) & 1}}) {
                EXPECT_EQ(bar->value(), on ? 0 : 1) << bar->objectName().toStdString();
                EXPECT_EQ(base(text), on ? kGreen : kWhite) << text->objectName().toStdString();
            }
    }
};

} // namespace

TEST(Dump, SendingTheWindowAsOpenedThenReadingSetsBothBanksOnlyBehindTheMarker)
{
    DumpApp d;
    // As opened: the marker twice, then both banks empty.
    d.click("ENVOI_SW");
    EXPECT_EQ(d.panel.writes, Writes({{20, 0x41}, {20, 0x41}, {21, 0}, {22, 0}}));
    const auto frames = d.app.takeWrites();
    ASSERT_EQ(frames.size(), 6u);
    EXPECT_EQ(hexBytes(frames[1]), QByteArray("02 31 40 40 41 44 44 41 03"));
    d.panel.writes.clear();
    struct Case { int r20, r21, r22; quint8 sw2, sw3; std::vector<int> reads; };
    const Case cases[] = {
        {0x41, 0x21, 0x80, 0x21, 0x80, {20, 21, 22}},   // "SW2" 1 and 6, "SW3" 8
        {0x00, 0xFF, 0xFF, 0, 0, {20}},                 // no marker: all OFF, nothing more read
        {0x41, -1, 0x80, 0, 0x80, {20, 21, 22}},        // a silent bank stays OFF
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.r20);
        d.panel.regs[20] = c.r20, d.panel.regs[21] = c.r21, d.panel.regs[22] = c.r22;
        d.panel.reads.clear();
        QTest::mouseClick(d.text2(7), Qt::LeftButton);   // ON on screen, never on the panel
        QTest::mouseClick(d.text3(1), Qt::LeftButton);
        d.click("LIT_SW");
        d.expectBanks(c.sw2, c.sw3);
        EXPECT_EQ(d.panel.reads, c.reads);
        EXPECT_EQ(hexBytes(d.app.takeWrites().at(1)), QByteArray("02 31 20 20 21 24 20 20 03"));
        EXPECT_TRUE(d.app.ui.messages.empty());
    }
    // Switches set on screen land in their bank's bits.
    d.panel.writes.clear();
    QTest::mouseClick(d.text2(6), Qt::LeftButton);
    QTest::mouseClick(d.text3(2), Qt::LeftButton);
    d.click("ENVOI_SW");
    EXPECT_EQ(d.panel.writes, Writes({{20, 0x41}, {20, 0x41}, {21, 0x40}, {22, 0x84}}));
}

TEST(Dump, WithoutAValidatedPortSwitchesAndLocalButtonsWorkOnScreenOnly)
{
    DumpApp d(false);
    QTest::mouseClick(d.text2(0), Qt::LeftButton);
    QTest::mouseClick(d.text3(7), Qt::LeftButton);
    d.expectBanks(0x01, 0x80);
    QTest::mouseClick(d.text2(0), Qt::LeftButton);
    // The scroll bar's own up arrow is ON; moving a bar recolours too.
    QScrollBar* bar = d.sw3(2);
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, 2));
    d.sw2(6)->setValue(0);
    d.expectBanks(0x40, 0x84);
    // The buttons that talk to the panel need a validated port; the local ones still work.
    d.uncoverGrid();
    d.box(0)->setText(QStringLiteral("12"));
    for (const char* b : {"LIT_SW", "ENVOI_SW", "Command1", "ENVOI_4DIGITCOUL"})
        d.click(b);
    EXPECT_TRUE(d.app.fake->writes.empty());
    EXPECT_EQ(d.app.ui.texts(), QStringList(4, QString::fromUtf8(msg::kPortNotValidated)));
    EXPECT_EQ(d.app.ui.messages.at(2).icon, MsgIcon::Exclamation);
    EXPECT_EQ(d.box(0)->text(), QStringLiteral("12"));   // the reading did not empty the grid
    d.box(64)->setText(QStringLiteral("AA"));
    d.click("Command2");
    for (int n = 0; n < 64; ++n)
        EXPECT_EQ(d.box(n)->text(), QStringLiteral("AA")) << n;
    EXPECT_EQ(d.get<QProgressBar>(QStringLiteral("ProgressBar1"))->value(), 63);
}

TEST(Dump, FilledGridIsSentRegisterByRegisterOddTextsMarkedAndStillSentAndReadingRunsThroughAll)
{
    DumpApp d;
    d.uncoverGrid();
    d.click("Command3");
    const QColor normal = base(d.box(3));
    d.click("ENVOI_4DIGITCOUL");
    Writes expected;
    for (int n = 0; n < 64; ++n)
        expected.emplace_back(n, n);   // clock registers 0 to 7 included
    EXPECT_EQ(d.panel.writes, expected);
    for (const QByteArray& f : d.app.takeWrites())   // no link test, no closing frame
        EXPECT_EQ(f.size(), 9);

    const char* texts[] = {"1FF", "G", "", "a5"};
    for (int n = 3; n <= 6; ++n)
        d.box(n)->setText(QString::fromLatin1(texts[n - 3]));
    d.panel.writes.clear();
    d.click("ENVOI_4DIGITCOUL");
    ASSERT_EQ(d.panel.writes.size(), 64u);
    EXPECT_EQ(Writes(d.panel.writes.begin() + 2, d.panel.writes.begin() + 8), Writes({{2, 2}, {3, 0xFF}, {4, 0}, {5, 0}, {6, 0xA5}, {7, 7}}));
    for (int n = 2; n <= 7; ++n)
        EXPECT_EQ(base(d.box(n)) == normal, n != 3 && n != 4) << n;
    // Reading runs through all 64 registers, a silent one showing 0.
    for (int n = 0; n < 64; ++n)
        d.panel.regs[n] = n % 5 == 0 ? -1 : (n * 7) & 0xFF;
    d.click("Command1");
    EXPECT_EQ(d.panel.reads.size(), 64u);
    for (int n = 0; n < 64; ++n)
        EXPECT_EQ(d.box(n)->text(), n % 5 == 0 ? QStringLiteral("0") : QString::number((n * 7) & 0xFF, 16).toUpper()) << n;
    EXPECT_EQ(d.get<QProgressBar>(QStringLiteral("ProgressBar1"))->value(), 63);
    EXPECT_TRUE(d.app.ui.messages.empty());
}

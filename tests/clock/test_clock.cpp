// The clock windows against a scripted panel behind the fake port, on simulated time.
#include "../relays/RelayTestApp.h"
#include "EmulatedApp.h"
#include "clock/LecturH.h"
#include "clock/MiseaH.h"
#include "core/ClockSync.h"
#include "core/Frames.h"

#include <QCheckBox>
#include <QLabel>
#include <gtest/gtest.h>

namespace {
const QString kSuccess = QStringLiteral("Mise à l'heure effectuée.");
const QString kWired = QString::fromUtf8(msg::kWiredFailure);

using Frames = std::vector<QByteArray>;

// Eight register frames from `first` (two-byte preamble) between the link test and the closing
// frame: writes of the values given (`ends` bytes 0x03), reads when there are none.
Frames exchange(int first, const QList<int>& values = {}, int ends = 3)
{
    Frames f{linkTestFrame()};
    for (int i = 0; i < 8; ++i)
        f.push_back(values.isEmpty() ? registerReadFrame(first + i, 2, 3) : registerWriteFrame(first + i, quint8(values[i]), 2, ends));
    f.push_back(closingFrame());
    return f;
}
// Writing the clock: BCD seconds .. year, then control 0.
Frames clockWrite(QList<int> bcd, int ends) { return exchange(0, bcd << 0, ends); }

// The program on fakes with the settings validated and the scripted panel on the line, which
// can give a chosen count for a whole eight-register write (with its eighth frame), answer only
// so many reads, or add bytes after the answer for register 7 or 63.
struct Panel : RelayTestApp {
    int writeAnswerBytes = -1;    // -1: one byte per write
    int readAnswers = -1;         // -1: all
    int extraReadBytes = 0;
    int writesSeen = 0, readsSeen = 0;
    MiseaH* w = open<MiseaH>("MiseaH");

    explicit Panel(const char* response = "OUI") : RelayTestApp(QStringLiteral("Filaire "), response)
    {
        panel.script = [this](const PanelFrame& f) -> std::optional<QByteArray> {
            if (f.base == kBaseWrite && writeAnswerBytes >= 0)
                return ++writesSeen % 8 == 0 ? QByteArray(writeAnswerBytes, '\x06') : QByteArray();
            if (f.base != kBaseRead)
                return std::nullopt;
            if (++readsSeen > readAnswers && readAnswers >= 0)
                return QByteArray();
            return QByteArray(1, char(panel.regs[size_t(f.reg)])) + QByteArray((f.reg & 7) == 7 ? extraReadBytes : 0, '\x55');
        };
    }
    void click(const char* name, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            w->findChild<QPushButton*>(QString::fromLatin1(name))->click();
    }
    QStringList said() { QStringList t = app.ui.texts(); app.ui.messages.clear(); return t; }
};
} // namespace

TEST(MiseaH, PcAndListSendsWriteTheClockMondayFirst)
{
    Panel f;
    f.app.clock.setNow(QDateTime(QDate(2026, 12, 5), QTime(9, 58, 49)));
    f.w->Timer2_Timer();   // the live PC clock
    EXPECT_EQ(f.w->Label3->text(), QStringLiteral("Samedi 5 Décembre 2026"));
    EXPECT_EQ(f.w->Label4->text(), QStringLiteral("09:58:49"));

    // The PC's time is taken after the link test (0.9 s), for the next second: 10:20:31.
    f.app.clock.setNow(QDateTime(QDate(2026, 12, 6), QTime(10, 20, 30)));   // a Sunday
    f.w->ECRI_AUTO_DS->click();
    EXPECT_EQ(f.app.takeWrites(), clockWrite({0x31, 0x20, 0x10, 0x07, 0x06, 0x12, 0x26}, 3));
    EXPECT_EQ(f.said(), QStringList{kSuccess});
    EXPECT_TRUE(f.app.ui.systemTimes.empty());   // unticked: the PC clock is left alone

    // The list send goes out as chosen, without the century.
    f.w->Check1->setChecked(true);
    const std::pair<QComboBox*, const char*> choices[] = {
        {f.w->Combo1, "Vendredi"}, {f.w->Combo2, "31"}, {f.w->Combo3, "Février"}, {f.w->Combo4, "21"},
        {f.w->Combo5, "09"}, {f.w->Combo6, "23"}, {f.w->Combo7, "45"}, {f.w->Combo8, "07"}};
    for (const auto& [combo, text] : choices)
        combo->setCurrentText(QString::fromUtf8(text));
    f.w->ECRI_MAN_DS_COMBO->click();
    EXPECT_EQ(f.app.takeWrites(), clockWrite({0x07, 0x45, 0x23, 0x05, 0x31, 0x02, 0x09}, 4));   // 31 February as it is
    // It reaches the panel but cannot become the PC's date.
    EXPECT_TRUE(f.app.ui.systemTimes.empty());
    EXPECT_EQ(f.said(), (QStringList{kSuccess, QStringLiteral("La date 31/02/2009 n'existe pas : "
                                                                      "l'heure du PC n'a pas été changée.")}));
}

TEST(MiseaH, OutcomeIsExactlyEightBytesAndThePcClockGetsTheManualValues)
{
    Panel f;
    f.w->Check1->setChecked(true);
    f.click("Command11");   // manual hours 01
    for (int bytes : {8, 7, 9}) {
        f.app.ui.systemTimes.clear();
        f.writeAnswerBytes = bytes;
        f.w->ECRI_AUTO_DS->click();
        EXPECT_EQ(f.said(), QStringList{bytes == 8 ? kSuccess : kWired}) << bytes;
        // Whatever the count, the PC clock gets the manual values, not the time just sent.
        EXPECT_EQ(f.app.ui.systemTimes, std::vector<QDateTime>{QDateTime(QDate(2001, 1, 1), QTime(1, 0))});
    }
    f.app.ui.refuseSystemTime = true;
    f.w->ECRI_MAN_DS->click();
    ASSERT_EQ(f.app.ui.messages.size(), 2u);
    EXPECT_TRUE(f.app.ui.messages[1].text.startsWith(QStringLiteral("L'heure du PC n'a pas été changée.")));
    EXPECT_EQ(f.app.ui.messages[1].icon, MsgIcon::Exclamation);
}

TEST(MiseaH, SteppingWrapsAndSendsNothing)
{
    Panel f;
    struct Step { const char* button; int times; QLabel* MiseaH::*label; const char* text; };
    const Step steps[] = {
        {"Command17", 2, &MiseaH::Etiquette12, "99"},         // year 01 - 2
        {"Command10", 1, &MiseaH::Etiquette12, "00"},         // 99 + 1
        {"Command16", 1, &MiseaH::Etiquette11, "Décembre"},   // Janvier - 1
        {"Command14", 1, &MiseaH::Etiquette8, "Dimanche"},    // Lundi - 1
        {"Command5", 1, &MiseaH::Etiquette8, "Lundi"},        // Dimanche + 1
        {"Command15", 1, &MiseaH::Etiquette10, " 31"},        // date 1 - 1
    };
    for (const Step& s : steps) {
        f.click(s.button, s.times);
        EXPECT_EQ((f.w->*s.label)->text(), QString::fromUtf8(s.text)) << s.button;
    }
    EXPECT_TRUE(f.app.takeWrites().empty());   // stepping sends nothing
}

TEST(ClockWindows, ResponseControlOffSendsAndReadsQuietlyAndLeavesThePcClock)
{
    Panel f("NON");
    f.panel.silent = true;
    f.w->Check1->setChecked(true);
    for (QPushButton* b : {f.w->ECRI_AUTO_DS, f.w->ECRI_MAN_DS, f.w->ECRI_MAN_DS_COMBO}) {
        b->click();
        const Frames frames = f.app.takeWrites();
        ASSERT_EQ(frames.size(), 1u + 8 + 1) << b->objectName().toStdString();
        EXPECT_EQ(frames.back(), closingFrame());
    }
    f.panel.silent = false;
    f.panel.load(0, QByteArray::fromHex("3059230731129900"));
    auto* r = f.open<LecturH>("LecturH");
    r->LIT_DS_Click();
    EXPECT_EQ(r->timeLabel()->text(), QStringLiteral("23:59:30"));
    EXPECT_EQ(r->dateLabel()->text(), QStringLiteral("31 / 12 / 99"));
    EXPECT_TRUE(f.app.ui.messages.empty());
    EXPECT_TRUE(f.app.ui.systemTimes.empty());
}

TEST(LecturH, ReadingFillsTheLabelsAndAShortAnswerEmptiesThemAndDER_MiseHReads56To63)
{
    Panel f;
    f.panel.load(0, QByteArray::fromHex("0905140324120910"));
    f.extraReadBytes = 2;   // more than eight bytes is still a reading
    auto* r = f.open<LecturH>("LecturH");
    r->findChild<QPushButton*>(QStringLiteral("LIT_DS"))->click();
    EXPECT_EQ(r->timeLabel()->text(), QStringLiteral("14:05:09"));
    EXPECT_EQ(r->dateLabel()->text(), QStringLiteral("24 / 12 / 09"));
    EXPECT_EQ(f.said(), QStringList{QStringLiteral("Lecture horloge effectuée avec succès.")});
    // Then the seconds register alone, until it changes: on this panel it never does, and no
    // offset is shown.
    Frames reads = exchange(0);
    reads.insert(reads.end() - 1, kMaxSecondReads, registerReadFrame(0, 1, 1));
    EXPECT_EQ(f.app.takeWrites(), reads);
    EXPECT_TRUE(r->offsetLabel()->text().isEmpty());

    // Seven bytes: the earlier result does not survive, the failure is said.
    f.readAnswers = f.readsSeen + 7;
    r->LIT_DS_Click();
    EXPECT_TRUE(r->timeLabel()->text().isEmpty());
    EXPECT_TRUE(r->dateLabel()->text().isEmpty());
    EXPECT_EQ(f.said(), QStringList{kWired});

    // The last DCF synchronisation: registers 56 to 63 into its own labels.
    Panel g;
    g.panel.load(56, QByteArray::fromHex("0030020115062600"));
    QWidget* w = g.app.principal->showWindow(QStringLiteral("DER_MiseH"));
    w->findChild<QPushButton*>(QStringLiteral("DER_MiseH"))->click();
    EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("Label7"))->text(), QStringLiteral("02:30:00"));
    EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("Label6"))->text(), QStringLiteral("15 / 06 / 26"));
    EXPECT_EQ(g.said(), QStringList{QStringLiteral("Lecture de la dernière remise à l'heure par DCF effectuée avec succès.")});
    EXPECT_EQ(g.app.takeWrites(), exchange(56));
}

// On an emulated panel 0.35 s ahead the reading says so under the time, and the PC-time send
// leaves it within a few milliseconds of the PC.
TEST(LecturH, OffsetLineUnderTheTimeAndThePcSendSetsThePanelOnTheSecond)
{
    auto app = makeEmulatedApp(QDateTime(QDate(2026, 12, 5), QTime(9, 58, 49, 350)));
    app->validateWith();
    auto* r = static_cast<LecturH*>(app->principal->showWindow(QStringLiteral("LecturH")));
    r->LIT_DS_Click();
    const QString line = r->offsetLabel()->text();
    ASSERT_TRUE(line.startsWith(QStringLiteral("Écart avec le PC : +0,"))) << line.toStdString();
    EXPECT_NEAR(line.mid(20, 4).replace(',', '.').toDouble(), 0.35, 0.06) << line.toStdString();

    auto* w = static_cast<MiseaH*>(app->principal->showWindow(QStringLiteral("MiseaH")));
    w->ECRI_AUTO_DS->click();
    emu::PanelModel& panel = emulatedPort(*app).model();
    EXPECT_LE(std::abs(app->clock.now().msecsTo(panel.preciseClock(app->clock.monotonicMs()))), 4);
}

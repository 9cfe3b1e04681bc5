#include "FakeSerialPort.h"
#include "PanelRegisters.h"
#include "SimClock.h"
#include "RecordingUi.h"
#include "core/Frames.h"
#include "core/LinkSettings.h"
#include "core/SwitchOps.h"
#include "core/Tqvbase.h"

#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

namespace {

struct Transport {
    SimClock clock;
    RecordingUi ui;
    LinkSettingsModel link;
    FakeSerialPort port{&clock};
    Tqvbase t{port, clock, ui, link};
    PanelRegisters panel;
    Transport()
    {
        link.settings.response = QStringLiteral("OUI");
        link.portValide = true;
        port.open(QStringLiteral("/dev/fake"), LineSettings());
        port.responder = [this](const QByteArray& f) { return panel(f); };
    }
};

} // namespace

TEST(SwitchBits, BankBytesAndSwitchesMatchBitForBit)
{
    const SwitchBank b = bankFromByte(0x21);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(b[i], i == 0 || i == 5) << i;
    EXPECT_EQ(bankByte(b), 0x21);
    EXPECT_EQ(bankByte(bankFromByte(0x80)), 0x80);
    EXPECT_EQ(bankByte(SwitchBank{}), 0x00);
    SwitchBank all;
    all.fill(true);
    EXPECT_EQ(bankByte(all), 0xFF);
}

TEST(GridText, ValueIsTheLeadingHexDigitsLowByteAndOddTextsAreFlagged)
{
    struct Case { const char* text; int value; bool clean; };
    const Case cases[] = {
        {"", 0, true},   {"0", 0, true},     {"3A", 0x3A, true}, {"3a", 0x3A, true},  {"F", 0x0F, true},
        {"1FF", 0xFF, false}, {"G", 0, false}, {"AG", 0x0A, false}, {" 3A", 0, false}, {"3A ", 0x3A, false},
        {"123456789ABC", 0xBC, false}, {"00FF", 0xFF, false}, {"-1", 0, false}, {"é", 0, false},
    };
    for (const Case& c : cases) {
        const GridValue g = parseGridText(QString::fromUtf8(c.text));
        EXPECT_EQ(g.value, c.value) << c.text;
        EXPECT_EQ(g.clean, c.clean) << c.text;
    }
    EXPECT_EQ(gridText(0), QStringLiteral("0"));
    EXPECT_EQ(gridText(0x3A), QStringLiteral("3A"));
    EXPECT_EQ(gridText(255), QStringLiteral("FF"));
}

TEST(SingleRegister, FramesAreNineBytesWithOneByteAnswerAfterFiftyMs)
{
    Transport x;
    x.panel.regs[20] = 0x41;
    EXPECT_EQ(x.t.LIT_REG(20), 0x41);
    EXPECT_TRUE(bool(x.t.ECRI_REG(20, 0x41)));
    ASSERT_EQ(x.port.writes.size(), 2u);
    EXPECT_EQ(hexBytes(x.port.writes[0].bytes), QByteArray("02 31 20 20 21 24 20 20 03"));
    EXPECT_EQ(hexBytes(x.port.writes[1].bytes), QByteArray("02 31 40 40 41 44 44 41 03"));
    ASSERT_EQ(x.clock.waits.size(), 2u);
    EXPECT_EQ(x.clock.waits[0].second, 50);
    EXPECT_EQ(x.clock.waits[1].second, 50);
    EXPECT_EQ(hexBytes(registerWriteFrame(63, 0xFF, 1, 1)), QByteArray("02 31 40 40 43 4F 4F 4F 03"));
}

TEST(SingleRegister, AnythingButOneByteIsNoValueAndNoAcknowledgement)
{
    Transport x;
    x.port.responder = [](const QByteArray&) { return QByteArray("\x41\x42", 2); };
    EXPECT_EQ(x.t.LIT_REG(5), -1);
    EXPECT_EQ(x.port.bytesWaiting(), 2);   // left where they are for the next exchange to empty
    const CmdResult w = x.t.ECRI_REG(5, 1);
    EXPECT_FALSE(w.ok);
    EXPECT_EQ(w.count, 2);
    x.port.responder = nullptr;
    EXPECT_EQ(x.t.LIT_REG(5), -1);
    EXPECT_EQ(x.t.ECRI_REG(5, 1).count, 0);
}

TEST(SwitchImage, ASilentBankStaysOffAndTheOtherIsStillRead)
{
    Transport x;
    x.panel.regs[20] = 0x41;
    x.panel.regs[21] = -1;
    x.panel.regs[22] = 0x80;
    const SwitchReading r = readSwitchImage(x.t);
    EXPECT_TRUE(r.markerOk);
    EXPECT_EQ(bankByte(r.image.sw2), 0);
    EXPECT_EQ(bankByte(r.image.sw3), 0x80);
    EXPECT_EQ(x.panel.reads, (std::vector<int>{20, 21, 22}));
    EXPECT_EQ(x.port.writes.back().bytes, closingFrame());
}

TEST(SwitchImage, WritingSendsMarkerTwiceThenBanksEachWithItsWait)
{
    Transport x;
    SwitchImage img;
    img.sw2 = bankFromByte(0x81);
    img.sw3 = bankFromByte(0x02);
    EXPECT_TRUE(writeSwitchImage(x.t, img));
    EXPECT_EQ(x.panel.writes, (std::vector<std::pair<int, int>>{{20, 0x41}, {20, 0x41}, {21, 0x81}, {22, 0x02}}));
    ASSERT_EQ(x.port.writes.size(), 6u);
    EXPECT_EQ(x.port.writes.front().bytes, linkTestFrame());
    EXPECT_EQ(x.port.writes.back().bytes, closingFrame());
    // Link test 0.9 s, four single registers 0.05 s each, closing 0.1 s.
    std::vector<qint64> lengths;
    for (const auto& w : x.clock.waits)
        lengths.push_back(w.second);
    EXPECT_EQ(lengths, (std::vector<qint64>{900, 50, 50, 50, 50, 100}));
    EXPECT_TRUE(x.ui.messages.empty());
}

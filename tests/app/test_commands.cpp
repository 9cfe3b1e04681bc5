// Every device command of every window on a silent panel: the link test fails, and each command
// stops or goes on as its window's rule says, on a wired link and over the radio module.
#include "TestApp.h"
#include "core/DeviceCommand.h"
#include "core/Frames.h"

#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

namespace {

struct Row {
    const char* window;
    const char* button;
    bool sentWhenWired;   // the operation's frames go out after a failed link test
    bool sentOverRadio;
};

const Row kRows[] = {
    {"MiseaH", "ECRI_AUTO_DS", false, true},
    {"MiseaH", "ECRI_MAN_DS", false, true},
    {"MiseaH", "ECRI_MAN_DS_COMBO", true, true},
    {"LecturH", "LIT_DS", true, true},
    {"DER_MiseH", "DER_MiseH", true, true},
    {"Relais_1", "ENVOI_REL1", false, false},
    {"Relais_2", "ENVOI_REL2", false, false},
    {"Relais_1", "Command1", false, false},
    {"Relais_2", "Command1", false, false},
    {"Mise_even", "ECRI_MAN_DS_COMBO", false, false},
    {"LUM", "ENVOI_LUM", false, false},
    {"LUM", "Command1", false, false},
    {"COUL6", "ENVOI_6DIGITCOUL", true, true},
    {"COUL66", "ENVOI_6DIGITCOUL", true, true},
    {"dump", "LIT_SW", false, false},
    {"dump", "ENVOI_SW", false, false},
    {"dump", "Command1", true, true},            // the grid: no link test at all
    {"dump", "ENVOI_4DIGITCOUL", true, true},
};

} // namespace

TEST(DeviceCommands, EachCommandFollowsItsLinkPolicyOnASilentPanel)
{
    // Every command the windows run is in this table.
    for (const DeviceCommand& c : command::kAll) {
        bool listed = false;
        for (const Row& r : kRows)
            listed |= QLatin1String(r.window) == QLatin1String(c.window) && QLatin1String(r.button) == QLatin1String(c.button);
        EXPECT_TRUE(listed) << c.window << " " << c.button;
    }
    for (const Row& row : kRows) {
        for (const bool wired : {true, false}) {
            SCOPED_TRACE(std::string(row.window) + " " + row.button + (wired ? " wired" : " radio"));
            TestApp app;   // the fake port answers nothing
            app.validateWith("OUI", wired ? "Filaire " : "Sans fil");
            QWidget* w = app.principal->showWindow(QString::fromLatin1(row.window));
            ASSERT_NE(w, nullptr);
            auto* b = w->findChild<QPushButton*>(QString::fromLatin1(row.button));
            ASSERT_NE(b, nullptr);
            if (!b->isEnabled()) {
                EXPECT_FALSE(wired);   // only the radio link turns a command off (relay reading)
                EXPECT_FALSE(commandOffered(*std::find_if(command::kAll.begin(), command::kAll.end(), [&](const DeviceCommand& d) {
                    return QLatin1String(row.window) == QLatin1String(d.window) && QLatin1String(row.button) == QLatin1String(d.button);
                }), wired));
                continue;
            }
            QTest::mouseClick(b, Qt::LeftButton);
            int linkTests = 0, operationFrames = 0;
            for (const QByteArray& f : app.takeWrites()) {
                if (f == linkTestFrame())
                    ++linkTests;
                else if (f != closingFrame())
                    ++operationFrames;
            }
            const DeviceCommand* c = nullptr;
            for (const DeviceCommand& d : command::kAll)
                if (QLatin1String(row.window) == QLatin1String(d.window) && QLatin1String(row.button) == QLatin1String(d.button))
                    c = &d;
            ASSERT_NE(c, nullptr);
            EXPECT_EQ(linkTests, c->policy == LinkPolicy::None ? 0 : 3);
            EXPECT_EQ(operationFrames > 0, wired ? row.sentWhenWired : row.sentOverRadio);
        }
    }
}

// A validation turns the reading button of relay windows already open on or off as its link offers.
TEST(DeviceCommands, ValidationOffersTheRelayReadingOnTheWiredLinkOnly)
{
    TestApp app;
    QWidget* w = app.principal->showWindow(QStringLiteral("Relais_2"));
    for (const bool wired : {false, true}) {
        app.validateWith("OUI", wired ? "Filaire " : "Sans fil");
        EXPECT_EQ(w->findChild<QPushButton*>(QStringLiteral("Command1"))->isEnabled(), wired);
    }
}

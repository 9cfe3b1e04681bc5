// End to end: the time-setting and clock-reading windows on the real port backend and real time,
// against the panel emulator behind a pseudo-terminal mapped as COM1.
#include "RecordingUi.h"
#include "app/Principal.h"
#include "clock/MiseaH.h"
#include "core/Clock.h"
#include "core/SerialPort.h"
#include "core/Tqvbase.h"
#include "link/Configuration.h"
#include "model/PtyPanel.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace kwf;

TEST(ClockEndToEnd, ManualTimeReachesThePanelAndReadsBack)
{
    emu::PtyPanel panel(QDateTime(QDate(2020, 1, 1), QTime(0, 0, 0)));
    ASSERT_TRUE(panel.start()) << panel.errorString().toStdString();
    QTemporaryDir dir;
    ASSERT_TRUE(panel.linkAs(dir.path(), 1));
    SystemClock clock;
    test::RecordingUi ui;
    LinkSettingsModel link;
    std::unique_ptr<SerialPort> port = createSerialPort();
    Tqvbase tqv(*port, clock, ui, link);
    Principal principal(AppContext{port.get(), &clock, &ui, &link, &tqv, dir.path()});
    principal.configuration()->SEL_REP->setCurrentText(QStringLiteral("OUI"));
    principal.configuration()->OUVERTURE_DU_COM();
    ASSERT_TRUE(link.portValide) << ui.lastText().toStdString();
    ui.messages.clear();

    auto* w = qobject_cast<MiseaH*>(principal.showWindow(QStringLiteral("MiseaH")));
    const std::pair<QComboBox*, const char*> choices[] = {
        {w->Combo1, "Jeudi"}, {w->Combo2, "24"}, {w->Combo3, "Décembre"}, {w->Combo5, "26"},
        {w->Combo6, "14"}, {w->Combo7, "05"}, {w->Combo8, "09"}};
    for (const auto& [combo, text] : choices)
        combo->setCurrentText(QString::fromUtf8(text));
    w->ECRI_MAN_DS_COMBO->click();
    ASSERT_EQ(ui.texts(), QStringList{QStringLiteral("Mise à l'heure effectuée.")});
    {
        auto lock = panel.lock();
        EXPECT_EQ(panel.model().reg(3), 0x04);   // Thursday
        EXPECT_FALSE(panel.model().clockHalted());
    }

    QThread::msleep(2500);
    QWidget* r = principal.showWindow(QStringLiteral("LecturH"));
    r->findChild<QPushButton*>(QStringLiteral("LIT_DS"))->click();
    EXPECT_EQ(ui.lastText(), QStringLiteral("Lecture horloge effectuée avec succès."));
    EXPECT_EQ(r->findChild<QLabel*>(QStringLiteral("Label1"))->text(), QStringLiteral("24 / 12 / 26"));
    // Set at 14:05:09, read back after the closing exchange, 2.5 s and the link test.
    const QString time = r->findChild<QLabel*>(QStringLiteral("Label2"))->text();
    ASSERT_TRUE(time.startsWith(QStringLiteral("14:05:"))) << time.toStdString();
    EXPECT_GE(time.mid(6).toInt(), 11) << time.toStdString();
    EXPECT_LE(time.mid(6).toInt(), 15) << time.toStdString();
}

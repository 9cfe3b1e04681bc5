#include "TestApp.h"
#include "app/JournalWindow.h"
#include "core/Frames.h"

#include <QAction>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

TEST(Journal, RecordsFramesWaitsOutcomesAndRefusedWrites)
{
    TestApp app;
    app.fake->responder = ackOneByte;
    app.validateWith();
    app.principal->menuAction(QStringLiteral("MENU_JOURNAL"))->trigger();
    auto* w = qobject_cast<JournalWindow*>(app.principal->existingWindow(QStringLiteral("JOURNAL")));
    ASSERT_NE(w, nullptr);

    QByteArray block(17, '\0');
    block[0] = char(0xCC);
    app.tqv->writeRegisters(15, block, plan::kBlockWrite);
    app.tqv->COMPTE_RENDU(CmdResult::acknowledged(), QStringLiteral("Programmation Relais 1 effectuée."));

    const auto& e = w->journal().entries();
    ASSERT_EQ(e.size(), 17u + 1 + 1 + 1 + 1);   // frames, wait, closing frame, its wait, outcome

    w->refresh();
    const QString text = w->Text1->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("→ 02 02 31 40 40 40 4F 4C 4C 03 03 03"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("attente 0.90 s : 17 octet(s) reçu(s)")));
    EXPECT_TRUE(text.contains(QStringLiteral("FIN_LIAISON  → 02 02 02 02 31 D0 D0 D0 D0 D0 D0 03")));
    EXPECT_TRUE(text.contains(QStringLiteral("= Programmation Relais 1 effectuée.")));

    // Save, then clear.
    app.ui.saveAnswers << app.dir.filePath(QStringLiteral("journal.txt"));
    QTest::mouseClick(w->ENREGISTRER, Qt::LeftButton);
    QFile f(app.dir.filePath(QStringLiteral("journal.txt")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray saved = f.readAll();
    EXPECT_EQ(saved.count("\r\n"), int(e.size()));
    // Windows-1252 with CR LF, like the tool's other text files.
    EXPECT_TRUE(saved.contains("-> 02 02 31 40 40 40 4F 4C 4C 03 03 03\r\n")) << saved.toStdString();
    EXPECT_TRUE(saved.contains("octet(s) re\xe7u(s)\r\n"));
    QTest::mouseClick(w->EFFACER, Qt::LeftButton);
    EXPECT_TRUE(w->journal().entries().empty());
    EXPECT_TRUE(w->Text1->toPlainText().isEmpty());

    // A write the closed port refuses is told as such.
    app.fake->close();
    EXPECT_FALSE(app.tqv->TEST_LIAISON());
    ASSERT_EQ(w->journal().entries().size(), 1u);
    EXPECT_EQ(w->journal().entries()[0].kind, ExchangeJournal::Kind::Refused);
}

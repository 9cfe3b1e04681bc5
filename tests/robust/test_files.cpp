// Files that cannot be written or read as expected: the configuration file and the DCF77
// reception log report the failure, never hang, and never leave a half-written file in place
// of a good one. Tests run as root, where permissions stop nothing: places that cannot be
// written are made with a regular file in the path, a directory as the target, a device that
// is always full, and a file-size limit that makes the disk full after a few bytes.
#include "RobustSupport.h"
#include "core/Dcf77Log.h"

#include <QAction>

using namespace kwf;
using namespace kwf::test;

namespace {

[[maybe_unused]] QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

// Both writers against each unwritable place: one message each (the configuration's dialog
// comes again), the device and the directory untouched; a disk that fills up during the save
// leaves the previous file whole and no temporary file. With room, and under a name with
// accents and blanks, the file is written whole; the configuration reads back, after a pipe,
// a device and a directory were refused without hanging.
TEST(FileFaults, WritersReportUnwritablePlacesAndNeverLeaveAHalfWrittenFile)
{
#ifndef Q_OS_UNIX
    GTEST_SKIP() << "device nodes, named pipes and file size limits are Unix facilities";
#else
    {
        QTemporaryDir probe;
        if (!makeFullDevice(probe.filePath(QStringLiteral("full"))))
            GTEST_SKIP() << "making a device node needs root";
    }
    const QByteArray kGood = "good content that must survive\r\n";
    for (const bool log : {false, true}) {
        SCOPED_TRACE(log ? "DCF77 log" : "configuration");
        TestApp app;
        const QDir dir(app.dir.path());
        app.principal->configuration()->SEL_COUL->setCurrentText(QStringLiteral("Tri couleur "));
        DCF77* w = nullptr;
        if (log) {
            app.validate();
            w = qobject_cast<DCF77*>(app.principal->showWindow(QStringLiteral("DCF77")));
            pollMonitor(app, w, 65, QByteArray("0101E2") + QByteArray(58, '1') + "3");
        }
        auto save = [&](const QString& target) {
            app.ui.messages.clear();
            app.ui.dialogs.clear();
            app.ui.saveAnswers << target;
            if (w)
                QTest::mouseClick(w->Command6, Qt::LeftButton);
            else
                app.principal->menuAction(QStringLiteral("MENU_ENREGISTRER"))->trigger();
        };
        auto expectFailure = [&](const QString& target) {
            ASSERT_EQ(app.ui.messages.size(), 1u) << target.toStdString() << ": a failed save passed for a success";
            EXPECT_EQ(app.ui.messages[0].text,
                      w ? QStringLiteral("Erreur lors de l'enregistrement du journal dans %1.").arg(QFileInfo(target).fileName())
                        : QStringLiteral("Erreur lors de la création de %1. Essayer à nouveau").arg(target));
            EXPECT_EQ(app.ui.messages[0].icon, w ? MsgIcon::Exclamation : MsgIcon::None);
            EXPECT_EQ(app.ui.dialogs.size(), w ? 1u : 2u);
        };
        const QString good = dir.filePath(QStringLiteral("bon.zol")), full = dir.filePath(QStringLiteral("full.zol"));
        const QString sub = dir.filePath(QStringLiteral("dir.zol"));
        QFile goodFile(good), plain(dir.filePath(QStringLiteral("plain")));
        ASSERT_TRUE(goodFile.open(QIODevice::WriteOnly) && goodFile.write(kGood) == kGood.size() && goodFile.flush());
        ASSERT_TRUE(plain.open(QIODevice::WriteOnly) && dir.mkdir(sub) && makeFullDevice(full));
        for (const QString& target : {dir.filePath(QStringLiteral("plain/under.zol")), sub, full}) {
            save(target);
            expectFailure(target);
        }
        EXPECT_TRUE(QFileInfo::exists(full) && !QFileInfo(full).isFile()) << "the device was replaced by a file";
        EXPECT_TRUE(QFileInfo(sub).isDir());
        {
            FileSizeLimit limit(64);
            save(good);
        }
        expectFailure(good);
        EXPECT_EQ(readAll(good), kGood);
        EXPECT_EQ(dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name),
                  (QStringList{QStringLiteral("bon.zol"), QStringLiteral("dir.zol"), QStringLiteral("full.zol"), QStringLiteral("plain")}));

        const QString accented = dir.filePath(QStringLiteral("Réglages été – salle n° 2.zol"));
        for (const QString& target : {good, accented}) {
            save(target);
            EXPECT_TRUE(app.ui.messages.empty()) << app.ui.lastText().toStdString();
            // The log as its format builds it; the configuration whole, all its 115 lines.
            if (w)
                EXPECT_EQ(readAll(target), dcf77LogFile(w->logText(), app.clock.now()));
            else
                EXPECT_EQ(readAll(target).count("\r\n"), 115);
        }
        if (!w) {
            const QString pipe = dir.filePath(QStringLiteral("pipe.zol"));
            ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
            TestApp other;
            other.ui.openAnswers << pipe << full << sub << accented;
            other.principal->menuAction(QStringLiteral("MENU_OUVRIR"))->trigger();
            EXPECT_EQ(other.ui.texts().mid(0, 3), (QStringList{QStringLiteral("Erreur d'ouverture de ") + pipe,
                                                     QStringLiteral("Erreur d'ouverture de ") + full,
                                                     QStringLiteral("Erreur d'ouverture de ") + sub}));
            EXPECT_EQ(other.principal->configuration()->SEL_COUL->currentText(), QStringLiteral("Tri couleur "));
        }
    }
#endif
}

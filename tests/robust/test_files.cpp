// Files that cannot be written or read as expected: the configuration file and the DCF77
// reception log report the failure, never hang, and never leave a half-written file in place
// of a good one. Tests run as root, where permissions stop nothing: places that cannot be
// written are made with a regular file in the path, a directory as the target, a device that
// is always full, and a file-size limit that makes the disk full after a few bytes.
#include "RobustSupport.h"
#include "clock/DCF77.h"
#include "config/FICHIER.h"
#include "core/ConfigFile.h"
#include "core/Dcf77Log.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <future>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kwf;
using namespace kwf::test;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QStringList entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

struct Files : TestApp {
    QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }
    QString saveFailure(const QString& name) const
    {
        return QStringLiteral("Erreur lors de la création de ") + name + QStringLiteral(". Essayer à nouveau");
    }
    void saveConfig(const QStringList& answers)
    {
        ui.saveAnswers << answers;
        principal->menuAction(QStringLiteral("MENU_ENREGISTRER"))->trigger();
    }
    void openConfig(const QStringList& answers)
    {
        ui.openAnswers << answers;
        principal->menuAction(QStringLiteral("MENU_OUVRIR"))->trigger();
    }
    DCF77* monitor()
    {
        if (!link.portValide)
            validate();
        ui.messages.clear();
        return qobject_cast<DCF77*>(principal->showWindow(QStringLiteral("DCF77")));
    }
    // Feeds characters to the monitor as the panel would, one per poll tick.
    void monitorReceives(DCF77* w, const QByteArray& chars)
    {
        for (char c : chars) {
            fake->feed(QByteArray(1, c));
            clock.advance(200);
            w->Timer3_Timer();
        }
    }
};

const QByteArray kGood = "good content that must survive\r\n";

} // namespace

// Places where the configuration cannot be saved: the save fails with the message, the dialog
// comes again, and what was there before is still there, whole.
TEST(ConfigFileFaults, UnwritablePlacesReportAndLeaveTheOldFileWhole)
{
    Files app;
    const QString good = app.path(QStringLiteral("Configuration_TQV.zol"));
    ASSERT_TRUE(writeAll(good, kGood));
    ASSERT_TRUE(writeAll(app.path(QStringLiteral("plain")), "x"));
    ASSERT_TRUE(QDir(app.dir.path()).mkdir(QStringLiteral("dir.zol")));
    const QString full = app.path(QStringLiteral("full.zol"));
    ASSERT_TRUE(makeFullDevice(full));
    const QStringList bad = {app.path(QStringLiteral("plain/under.zol")),   // a regular file in the path
                             app.path(QStringLiteral("dir.zol")),           // the target is a directory
                             full};                                          // a disk that is always full
    app.saveConfig(bad);
    ASSERT_EQ(app.ui.messages.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(app.ui.messages[size_t(i)].text, app.saveFailure(bad[i]));
    EXPECT_EQ(app.ui.dialogs.size(), 4u) << "the dialog comes again after each failure";
    EXPECT_TRUE(isCharDevice(full)) << "the device was replaced by a regular file";
    EXPECT_TRUE(QFileInfo(app.path(QStringLiteral("dir.zol"))).isDir());
    EXPECT_EQ(readAll(good), kGood);

    // The disk fills up while the file is written: the good file stays as it was, no
    // temporary file is left behind.
    app.ui.messages.clear();
    {
        FileSizeLimit limit(100);
        app.saveConfig({good});
    }
    ASSERT_EQ(app.ui.messages.size(), 1u);
    EXPECT_EQ(app.ui.messages[0].text, app.saveFailure(good));
    EXPECT_EQ(readAll(good), kGood);
    EXPECT_EQ(entries(app.dir.path()),
              (QStringList{QStringLiteral("Configuration_TQV.zol"), QStringLiteral("dir.zol"),
                           QStringLiteral("full.zol"), QStringLiteral("plain")}));
    // With room again the same save works.
    app.ui.messages.clear();
    app.saveConfig({good});
    EXPECT_TRUE(app.ui.messages.empty());
    EXPECT_EQ(readAll(good).count("\r\n"), 115);
}

// A configuration file replaced by a directory, a device or a pipe: opening it reports the error
// at once (a pipe with no writer must not hang the program), and the start-up goes on with the
// defaults.
TEST(ConfigFileFaults, FilesThatAreNotFilesAreRefusedWithoutHanging)
{
    Files app;
    const QString pipe = app.path(QStringLiteral("pipe.zol"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    const QString full = app.path(QStringLiteral("full.zol"));
    ASSERT_TRUE(makeFullDevice(full));
    ASSERT_TRUE(QDir(app.dir.path()).mkdir(QStringLiteral("dir.zol")));

    // The reader itself, guarded: if it blocked on the pipe, a writer is opened to release it.
    auto reading = std::async(std::launch::async, [&] {
        QByteArray data;
        return readFileStart(pipe, 1024, &data);
    });
    if (reading.wait_for(std::chrono::seconds(2)) != std::future_status::ready) {
        const int fd = ::open(QFile::encodeName(pipe).constData(), O_WRONLY);
        ::close(fd);
        EXPECT_FALSE(reading.get());
        FAIL() << "reading a pipe blocked";
    }
    EXPECT_FALSE(reading.get());

    const QStringList bad = {pipe, full, app.path(QStringLiteral("dir.zol"))};
    app.openConfig(bad);
    ASSERT_EQ(app.ui.messages.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(app.ui.messages[size_t(i)].text, QStringLiteral("Erreur d'ouverture de ") + bad[i]);

    // The default file at start-up is a pipe: the program starts on its defaults.
    Files second;
    const QString defaultPipe = second.path(QString::fromLatin1(configfile::kDefaultName));
    ASSERT_EQ(::mkfifo(QFile::encodeName(defaultPipe).constData(), 0644), 0);
    configFile(*second.principal)->OUVRE_CONFIG_DEMARRAGE();
    EXPECT_FALSE(second.link.portValide);
}

// A name with accents and blanks: saved and read back, byte for byte; the log saved likewise.
TEST(ConfigFileFaults, NamesWithAccentsAndBlanksSaveAndLoad)
{
    Files app;
    app.principal->configuration()->SEL_COUL->setCurrentText(QStringLiteral("Tri couleur "));
    const QString name = app.path(QStringLiteral("Réglages été – salle n° 2.zol"));
    app.saveConfig({name});
    EXPECT_TRUE(app.ui.messages.empty()) << app.ui.lastText().toStdString();
    ASSERT_TRUE(QFileInfo(name).isFile());
    const QByteArray saved = readAll(name);
    EXPECT_EQ(saved.count("\r\n"), 115);

    Files other;
    other.openConfig({name});
    EXPECT_EQ(other.principal->configuration()->SEL_COUL->currentText(), QStringLiteral("Tri couleur "));
    EXPECT_EQ(readAll(name), saved);

    DCF77* w = app.monitor();
    ASSERT_NE(w, nullptr);
    app.monitorReceives(w, "0101E2");
    const QString log = app.path(QStringLiteral("journal réception DCF77 à 9 h.txt"));
    app.ui.saveAnswers << log;
    app.ui.messages.clear();
    QTest::mouseClick(w->Command6, Qt::LeftButton);
    EXPECT_TRUE(app.ui.messages.empty());
    EXPECT_EQ(readAll(log), dcf77LogFile(w->logText(), app.clock.now()));
}

// The DCF77 reception log against places that cannot be written: the failure is reported, the
// previous file (if any) is untouched, nothing half written stays behind, and monitoring goes on.
TEST(Dcf77LogFaults, UnwritablePlacesLeaveThePreviousLogWhole)
{
    Files app;
    DCF77* w = app.monitor();
    ASSERT_NE(w, nullptr);
    app.monitorReceives(w, QByteArray(58, '1') + "3");
    const QString text = w->logText();
    ASSERT_FALSE(text.isEmpty());

    const QString good = app.path(QStringLiteral("journal.txt"));
    ASSERT_TRUE(writeAll(good, kGood));
    ASSERT_TRUE(writeAll(app.path(QStringLiteral("plain")), "x"));
    ASSERT_TRUE(QDir(app.dir.path()).mkdir(QStringLiteral("dossier.txt")));
    const QString full = app.path(QStringLiteral("full.txt"));
    ASSERT_TRUE(makeFullDevice(full));

    for (const QString& target : {app.path(QStringLiteral("plain/journal.txt")), app.path(QStringLiteral("dossier.txt")), full}) {
        app.ui.messages.clear();
        app.ui.saveAnswers << target;
        QTest::mouseClick(w->Command6, Qt::LeftButton);
        EXPECT_EQ(app.ui.messages.size(), 1u) << target.toStdString() << ": a failed save must not pass for a success";
    }
    EXPECT_TRUE(isCharDevice(full)) << "the device was replaced by a regular file";
    EXPECT_TRUE(QFileInfo(app.path(QStringLiteral("dossier.txt"))).isDir());

    // The disk fills up during the save: the previous log is whole, no temporary file remains.
    app.ui.messages.clear();
    app.ui.saveAnswers << good;
    {
        FileSizeLimit limit(64);
        QTest::mouseClick(w->Command6, Qt::LeftButton);
    }
    EXPECT_EQ(app.ui.messages.size(), 1u);
    EXPECT_EQ(readAll(good), kGood);
    EXPECT_EQ(entries(app.dir.path()),
              (QStringList{QStringLiteral("dossier.txt"), QStringLiteral("full.txt"), QStringLiteral("journal.txt"),
                           QStringLiteral("plain")}));

    // Monitoring went on, and a save with room replaces the file whole.
    app.monitorReceives(w, "01");
    app.ui.messages.clear();
    app.ui.saveAnswers << good;
    QTest::mouseClick(w->Command6, Qt::LeftButton);
    EXPECT_TRUE(app.ui.messages.empty());
    EXPECT_EQ(readAll(good), dcf77LogFile(w->logText(), app.clock.now()));
    EXPECT_TRUE(w->logText().startsWith(text));
}

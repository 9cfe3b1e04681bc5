#include "TestApp.h"
#include "config/FICHIER.h"
#include "core/ConfigFile.h"
#include "link/Configuration.h"
#include "panel/Relais.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QRadioButton>
#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size());
}

struct App : TestApp {
    Configuration* settings() { return principal->configuration(); }
    Relais* relay(int n) { return qobject_cast<Relais*>(principal->window(QStringLiteral("Relais_%1").arg(n))); }
    QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }
    void save(const QString& target)
    {
        ui.saveAnswers << target;
        principal->menuAction(QStringLiteral("MENU_ENREGISTRER"))->trigger();
    }
    void open(const QString& source)
    {
        ui.openAnswers << source;
        principal->menuAction(QStringLiteral("MENU_OUVRIR"))->trigger();
    }
    // The 92 values the file carries, in the file's order, as the windows show them.
    QStringList snapshot()
    {
        QStringList s;
        for (QComboBox* c : {settings()->SEL_COM, settings()->SEL_INTER, settings()->SEL_NBR_DIGI, settings()->SEL_COUL,
                             settings()->SEL_DCF77, settings()->SEL_REL1, settings()->SEL_REL2, settings()->SEL_REP})
            s << c->currentText();
        for (int r = 1; r <= 2; ++r)
            for (QComboBox* c : relay(r)->Combo)
                s << QString::number(c->currentIndex());
        for (int r = 1; r <= 2; ++r)
            for (QCheckBox* c : relay(r)->Check1)
                s << QString::number(c->isChecked());
        for (int r = 1; r <= 2; ++r)
            s << QString::number(relay(r)->Option1->isChecked()) << QString::number(relay(r)->Option2->isChecked());
        return s;
    }
    // Every selector, list, day box and option away from its default, with COM12:, a relay list
    // on index 7 and a duration box left empty by a read.
    void setEverything()
    {
        for (auto [box, text] : {std::pair{settings()->SEL_COM, "COM12:"}, {settings()->SEL_INTER, "Sans fil"},
                                 {settings()->SEL_COUL, "Tri couleur "}, {settings()->SEL_DCF77, "OUI"},
                                 {settings()->SEL_REL1, "OUI"}, {settings()->SEL_REL2, "OUI"}, {settings()->SEL_REP, "OUI"}})
            box->setCurrentText(QString::fromLatin1(text));
        for (int r = 1; r <= 2; ++r) {
            for (int n = 1; n <= 12; ++n)
                relay(r)->combo(n)->setCurrentIndex((n * 5 + r * 3) % relay(r)->combo(n)->count());
            for (int d = 0; d < 28; ++d)
                relay(r)->Check1[size_t(d)]->setChecked((d + r) % 3 == 0);
            relay(r)->Option2->setChecked(true);
        }
        relay(1)->combo(3)->setCurrentIndex(7);
        relay(2)->combo(12)->setCurrentIndex(-1);
    }
};

} // namespace

TEST(ConfigFile, DefaultsSavedUnderTheProposedNameLoadAndValidateAtTheNextStart)
{
    QByteArray saved;
    {
        App app;
        app.save(app.path(QStringLiteral("Configuration_TQV")));
        ASSERT_EQ(app.ui.dialogs.size(), 1u);
        EXPECT_EQ(app.ui.dialogs[0].title, QStringLiteral("Enregistrer un fichier de configuration TQV"));
        EXPECT_EQ(app.ui.dialogs[0].filter, QStringLiteral("Fichiers configuration(*.ZOL);;Tous les fichiers(*.*)"));
        EXPECT_EQ(app.ui.dialogs[0].proposed, QStringLiteral("Configuration_TQV"));
        saved = readAll(app.path(QStringLiteral("Configuration_TQV.zol")));
        EXPECT_EQ(saved, writeConfig(ConfigValues{}, LinkSettings{}, app.clock.now()));
        // Only the file itself: no temporary left behind.
        EXPECT_EQ(QDir(app.dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Configuration_TQV.zol")});
    }
    App next;
    writeAll(next.path(QStringLiteral("Configuration_TQV.zol")), saved);
    const QStringList fresh = next.snapshot();
    next.principal->start();
    EXPECT_EQ(next.snapshot(), fresh);
    EXPECT_TRUE(next.link.portValide);
    EXPECT_EQ(next.ui.texts(), QStringList{QStringLiteral("Ouverture du port COM1: effectuée avec succès.")});
    next.principal->hide();
}

TEST(ConfigFile, EverySettingAndBothRelayWindowsSurviveSaveAndRestart)
{
    QByteArray saved;
    QStringList before;
    {
        App app;
        app.setEverything();
        before = app.snapshot();
        app.save(app.path(QStringLiteral("a.zol")));
        saved = readAll(app.path(QStringLiteral("a.zol")));
    }
    const QList<QByteArray> lines = saved.split('\n');
    EXPECT_EQ(lines[0], "B\r");     // COM12:
    EXPECT_EQ(lines[10], "07\r");   // Relais_1 Combo3
    EXPECT_EQ(lines[31], "-1\r");   // Relais_2 Combo12, nothing chosen

    App next;   // the default file's name in another case is found too
    writeAll(next.path(QStringLiteral("CONFIGURATION_TQV.ZOL")), saved);
    next.principal->start();
    EXPECT_EQ(next.snapshot(), before);
    EXPECT_EQ(next.ui.lastText(), QStringLiteral("Ouverture du port COM12: effectuée avec succès."));
    next.principal->hide();
}

TEST(ConfigFile, HandEditedAndDamagedFiles)
{
    App source;
    source.setEverything();
    const QStringList wanted = source.snapshot();
    source.save(source.path(QStringLiteral("good.zol")));
    const QByteArray good = readAll(source.path(QStringLiteral("good.zol")));

    QByteArray edited = good, letter = good, lf = good;
    edited.replace("Port COM12:", "Port COM3: (bureau)");
    edited.replace("FIN DU FICHIER", "fin du fichier, notes \xe0 part");
    letter[configFieldPosition(2) - 1] = 'x';
    lf.replace("\r\n", "\n");
    // Fields taken from the file; a whole file (92) is validated, a damaged one is not.
    const struct { const char* what; QByteArray bytes; int fields; } cases[] = {
        {"summary edited", edited, 92},  {"letter in line 3", letter, 2}, {"cut short", good.left(configFieldPosition(20)), 20},
        {"empty", QByteArray(), 0},      {"LF line ends", lf, 92},
    };
    for (const auto& c : cases) {
        App app;
        app.validate();   // COM1:, which a damaged file must leave alone
        const QStringList before = app.snapshot();
        const auto messages = app.ui.messages.size();
        const auto calls = app.fake->calls.size();
        writeAll(app.path(QStringLiteral("f.zol")), c.bytes);
        app.open(app.path(QStringLiteral("f.zol")));
        const QStringList after = app.snapshot();
        for (int i = 0; i < 92; ++i)
            ASSERT_EQ(after[i], (i < c.fields ? wanted : before)[i]) << c.what << ", field " << i;
        EXPECT_TRUE(app.link.portValide) << c.what;
        const bool whole = c.fields == 92;   // validated: the port opened, its message; else neither
        EXPECT_EQ(app.ui.messages.size(), messages + whole) << c.what;
        EXPECT_EQ(app.fake->calls.size() > calls, whole) << c.what;
        EXPECT_EQ(app.ui.lastText(),
                  QStringLiteral("Ouverture du port %1 effectuée avec succès.").arg(whole ? "COM12:" : "COM1:"));
    }
}

TEST(ConfigFile, ErrorsOfferTheDialogAgainAndCancelInEitherChangesNothing)
{
    App app;
    app.setEverything();
    const QStringList before = app.snapshot();
    // A file that cannot be read, then cancel.
    app.open(app.path(QStringLiteral("absent.zol")));
    // Places that cannot be written (a missing folder, under a device), then cancel.
    const QStringList bad = {app.path(QStringLiteral("nowhere/x.zol")), QStringLiteral("/dev/full/x.zol")};
    app.ui.saveAnswers << bad;
    app.principal->menuAction(QStringLiteral("MENU_ENREGISTRER"))->trigger();

    ASSERT_EQ(app.ui.dialogs.size(), 5u);
    EXPECT_EQ(app.ui.dialogs[0].title, QStringLiteral("Ouvrir un fichier de configuration TQV"));
    EXPECT_EQ(app.ui.dialogs[0].filter, QStringLiteral("Fichiers configuration(*.zol);;Tous les fichiers(*.*)"));
    ASSERT_EQ(app.ui.messages.size(), 3u);
    EXPECT_EQ(app.ui.messages[0].text, QStringLiteral("Erreur d'ouverture de ") + app.path(QStringLiteral("absent.zol")));
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(app.ui.messages[size_t(1 + i)].text,
                  QStringLiteral("Erreur lors de la création de ") + bad[i] + QStringLiteral(". Essayer à nouveau"));
    for (const auto& m : app.ui.messages)
        EXPECT_EQ(m.icon, MsgIcon::None);
    EXPECT_EQ(app.snapshot(), before);
    EXPECT_TRUE(app.fake->calls.isEmpty());   // no validation
    EXPECT_FALSE(QFileInfo::exists(app.path(QStringLiteral("nowhere"))));
    EXPECT_TRUE(QDir(app.dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST(ConfigFile, StartUpWithoutAReadableDefaultFileWaitsOnTheDefaults)
{
    for (bool folderInItsPlace : {false, true}) {
        App app;
        if (folderInItsPlace)
            QDir(app.dir.path()).mkdir(QStringLiteral("Configuration_TQV.zol"));
        const QStringList defaults = app.snapshot();
        app.principal->start();
        EXPECT_EQ(app.snapshot(), defaults);
        EXPECT_TRUE(app.settings()->isVisible());
        EXPECT_FALSE(app.link.portValide);
        EXPECT_TRUE(app.ui.messages.empty());
        EXPECT_TRUE(app.fake->calls.isEmpty());
        app.principal->hide();
    }
}

#include "TestApp.h"
#include "core/ConfigFile.h"
#include "core/TextFiles.h"
#include "panel/Relais.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QRadioButton>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

namespace {

struct App : TestApp {
    Relais* relay(int n) { return qobject_cast<Relais*>(principal->window(QStringLiteral("Relais_%1").arg(n))); }
    // Files in the test folder (absolute names are kept as they are), and the menus that handle them.
    QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }
    QByteArray readAll(const QString& name) { QFile f(path(name)); return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(); }
    void writeAll(const QString& name, const QByteArray& bytes) { ASSERT_TRUE(writeFileWhole(path(name), bytes)); }
    void open(const QString& name) { ui.openAnswers << path(name); principal->menuAction(QStringLiteral("MENU_OUVRIR"))->trigger(); }
    void save(const QStringList& names)
    {
        for (const QString& n : names)
            ui.saveAnswers << path(n);
        principal->menuAction(QStringLiteral("MENU_ENREGISTRER"))->trigger();
    }
    QList<QComboBox*> selectors()
    {
        Configuration* c = principal->configuration();
        return {c->SEL_COM, c->SEL_INTER, c->SEL_NBR_DIGI, c->SEL_COUL, c->SEL_DCF77, c->SEL_REL1, c->SEL_REL2, c->SEL_REP};
    }
    // The 92 values the file carries, in the file's order, as the windows show them.
    QStringList snapshot()
    {
        QStringList s;
        for (QComboBox* c : selectors())
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
        const char* texts[8] = {"COM12:", "Sans fil", nullptr, "Tri couleur ", "OUI", "OUI", "OUI", "OUI"};
        for (int i = 0; i < 8; ++i)
            if (texts[i])
                selectors()[i]->setCurrentText(texts[i]);
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

TEST(ConfigFile, DefaultsAndEverySettingSurviveSaveAndRestart)
{
    for (bool everything : {false, true}) {
        QByteArray saved;
        QStringList before;
        {
            App app;
            if (everything)
                app.setEverything();
            before = app.snapshot();
            app.save({QStringLiteral("Configuration_TQV")});
            ASSERT_EQ(app.ui.dialogs.size(), 1u);
            // Offered in the folder the start-up reads, whatever the current folder is.
            EXPECT_EQ(app.ui.dialogs[0].proposed, app.path(QStringLiteral("Configuration_TQV")));
            saved = app.readAll(QStringLiteral("Configuration_TQV.zol"));
            if (!everything) {
                EXPECT_EQ(saved, writeConfig(ConfigValues{}, LinkSettings{}, app.clock.now()));
            } else {   // COM12:, Relais_1 Combo3 and Relais_2 Combo12 with nothing chosen
                const QList<QByteArray> lines = saved.split('\n');
                EXPECT_EQ(QList<QByteArray>({lines[0], lines[10], lines[31]}), QList<QByteArray>({"B\r", "07\r", "-1\r"}));
            }
            // Only the file itself: no temporary left behind.
            EXPECT_EQ(QDir(app.dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Configuration_TQV.zol")});
        }

        App next;   // the default file's name in another case is found too
        next.writeAll(everything ? QStringLiteral("CONFIGURATION_TQV.ZOL") : QStringLiteral("Configuration_TQV.zol"), saved);
        next.principal->start();
        EXPECT_EQ(next.snapshot(), before);
        EXPECT_TRUE(next.link.portValide);
        EXPECT_EQ(next.ui.texts(), QStringList{QStringLiteral("Ouverture du port %1 effectuée avec succès.")
                                                   .arg(everything ? "COM12:" : "COM1:")});
        next.principal->hide();
    }
}

TEST(ConfigFile, HandEditedAndDamagedFiles)
{
    App source;
    source.setEverything();
    const QStringList wanted = source.snapshot();
    source.save({QStringLiteral("good.zol")});
    const QByteArray good = source.readAll(QStringLiteral("good.zol"));

    QByteArray edited = good, letter = good, lf = good;
    edited.replace("Port COM12:", "Port COM3: (bureau)").replace("FIN DU FICHIER", "fin du fichier, notes \xe0 part");
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
        const auto calls = app.fake->calls.size();
        app.writeAll(QStringLiteral("f.zol"), c.bytes);
        app.open(QStringLiteral("f.zol"));
        for (int i = 0; i < 92; ++i)
            ASSERT_EQ(app.snapshot()[i], (i < c.fields ? wanted : before)[i]) << c.what << ", field " << i;
        EXPECT_TRUE(app.link.portValide) << c.what;
        const bool whole = c.fields == 92;   // validated: the port opened, its message; else neither
        EXPECT_EQ(app.ui.messages.size(), 1u + whole) << c.what;
        EXPECT_EQ(app.fake->calls.size() > calls, whole) << c.what;
        EXPECT_EQ(app.ui.lastText(), QStringLiteral("Ouverture du port %1 effectuée avec succès.").arg(whole ? "COM12:" : "COM1:"));
    }
}

// "0" on an Option line unselects its button: Relais_1 "0" "0" selects neither; "1" selects it
// and its twin goes off: Relais_2 "1" "1" selects Option2. The window and readConfig agree.
// Saved again, the lines are what the window shows.
TEST(ConfigFile, OptionLinesOfZeroUnselectTheirButton)
{
    App app;
    QByteArray f = writeConfig(ConfigValues{}, LinkSettings{}, app.clock.now());
    const char lines[4] = {'0', '0', '1', '1'};
    for (int k = 0; k < 4; ++k)
        f[configFieldPosition(88 + k) - 1] = lines[k];
    app.writeAll(QStringLiteral("f.zol"), f);
    app.open(QStringLiteral("f.zol"));
    EXPECT_EQ(app.snapshot().mid(88), QStringList({"0", "0", "0", "1"}));
    const ConfigValues read = readConfig(f, ConfigValues{}).values;
    EXPECT_EQ(QStringList({QString::number(read.field(88)), QString::number(read.field(89)), QString::number(read.field(90)),
                           QString::number(read.field(91))}), app.snapshot().mid(88));
    app.save({QStringLiteral("g.zol")});
    f[configFieldPosition(90) - 1] = '0';
    const int values = configFieldPosition(91) + 2;
    EXPECT_EQ(app.readAll(QStringLiteral("g.zol")).left(values), f.left(values));
}

TEST(ConfigFile, ErrorsOfferTheDialogAgainAndCancelInEitherChangesNothing)
{
    App app;
    app.setEverything();
    const QStringList before = app.snapshot();
    // A file that cannot be read, then cancel.
    app.open(QStringLiteral("absent.zol"));
    // Places that cannot be written (a missing folder, under a device), then cancel.
    const QStringList bad = {app.path(QStringLiteral("nowhere/x.zol")),
                             QFileInfo(QStringLiteral("/dev/full/x.zol")).absoluteFilePath()};
    app.save(bad);

    EXPECT_EQ(app.ui.dialogs.size(), 5u);
    const QString again = QStringLiteral(". Essayer à nouveau"), creating = QStringLiteral("Erreur lors de la création de ");
    EXPECT_EQ(app.ui.texts(), QStringList({QStringLiteral("Erreur d'ouverture de ") + app.path(QStringLiteral("absent.zol")),
                                           creating + bad[0] + again, creating + bad[1] + again}));
    for (const auto& m : app.ui.messages)
        EXPECT_EQ(m.icon, MsgIcon::None);
    EXPECT_EQ(app.snapshot(), before);
    EXPECT_TRUE(app.fake->calls.isEmpty());   // no validation
    EXPECT_EQ(QDir(app.dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
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
        // The settings window waits, no port opened, nothing said.
        EXPECT_TRUE(app.principal->configuration()->isVisible() && !app.link.portValide && app.ui.messages.empty() && app.fake->calls.isEmpty());
        app.principal->hide();
    }
}

// Installed for everyone: the program folder is read-only, the user's data folder takes the
// default file. Saved with the proposed name, read back at the next start; the site-wide default
// beside the program is read only while the user has none, and never written.
TEST(ConfigFile, ReadOnlyProgramFolderSavesToTheUsersFolderAndReadsItBack)
{
    QTemporaryDir user;
    ConfigValues values;
    values.selectors = {11, 1, 0, 1, 1, 1, 1, 1};   // COM12:, radio, tricolour, every "OUI"
    const QByteArray site = writeConfig(values, LinkSettings{}, QDateTime(QDate(2026, 12, 5), QTime(9, 58)));
    QStringList chosen;
    for (int start = 0; start < 3; ++start) {
        App app;
        if (start == 0)
            app.writeAll(QStringLiteral("Configuration_TQV.zol"), site);   // the site-wide default
        PortDirectory ports(choosePlaces(app.dir.path(), false, user.path()), {});
        app.ctx.ports = &ports;
        app.principal.reset();
        app.principal = std::make_unique<Principal>(app.ctx);
        app.principal->show();
        app.principal->start();
        if (start == 0) {
            EXPECT_EQ(app.snapshot().join(QLatin1Char('|')).contains(QStringLiteral("OUI")), true);
            app.selectors()[4]->setCurrentIndex(0);   // DCF77 "NON": differs from the site file
            chosen = app.snapshot();
            const QString proposed = QDir(user.path()).filePath(QStringLiteral("Configuration_TQV"));
            app.save({proposed});   // the user accepts what the dialog offers
            ASSERT_EQ(app.ui.dialogs.size(), 1u);
            EXPECT_EQ(app.ui.dialogs[0].proposed, proposed);
            EXPECT_EQ(app.readAll(QStringLiteral("Configuration_TQV.zol")), site);   // never written
        } else {
            EXPECT_EQ(app.snapshot(), chosen) << "start " << start;
        }
    }
}

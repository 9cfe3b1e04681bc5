#include "TestApp.h"
#include "config/FICHIER.h"
#include "core/ConfigFile.h"
#include "core/SerialPort.h"
#include "link/Configuration.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

namespace {

// Until the relay windows are part of the program, a window with the same named controls and
// defaults stands in for them.
QWidget* standInRelay()
{
    auto* w = new QWidget;
    auto* lay = new QVBoxLayout(w);
    for (int n = 1; n <= 12; ++n) {
        auto* c = new QComboBox(w);
        c->setObjectName(QStringLiteral("Combo%1").arg(n));
        const int kind = (n - 1) % 3;
        const int first = kind == 2 ? 1 : 0, last = kind == 0 ? 23 : 59;
        for (int v = first; v <= last; ++v)
            c->addItem(QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')));
        c->setCurrentIndex(0);
        lay->addWidget(c);
    }
    for (int d = 0; d < 28; ++d) {
        auto* b = new QCheckBox(w);
        b->setObjectName(QStringLiteral("Check1_%1").arg(d));
        lay->addWidget(b);
    }
    auto* o1 = new QRadioButton(QStringLiteral("Le contact se ferme"), w);
    o1->setObjectName(QStringLiteral("Option1"));
    auto* o2 = new QRadioButton(QStringLiteral("Le contact s'ouvre"), w);
    o2->setObjectName(QStringLiteral("Option2"));
    o1->setChecked(true);
    lay->addWidget(o1);
    lay->addWidget(o2);
    auto* read = new QPushButton(QStringLiteral("Lecture"), w);
    read->setObjectName(QStringLiteral("Command1"));
    lay->addWidget(read);
    return w;
}

struct App : TestApp {
    App()
    {
        for (const char* name : {"Relais_1", "Relais_2"})
            if (!principal->hasWindow(QString::fromLatin1(name)))
                principal->registerWindow(QString::fromLatin1(name), [](Principal&) { return standInRelay(); });
    }
    Configuration* settings() { return principal->configuration(); }
    FICHIER* file() { return configFile(*principal); }
    QWidget* relay(int n) { return principal->window(QStringLiteral("Relais_%1").arg(n)); }
    QComboBox* combo(int r, int n) { return relay(r)->findChild<QComboBox*>(QStringLiteral("Combo%1").arg(n)); }
    QCheckBox* day(int r, int d) { return relay(r)->findChild<QCheckBox*>(QStringLiteral("Check1_%1").arg(d)); }
    QRadioButton* option(int r, int n) { return relay(r)->findChild<QRadioButton*>(QStringLiteral("Option%1").arg(n)); }
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
    // Every value the file carries, as the windows show it, with the selectors' texts.
    QStringList snapshot()
    {
        QStringList s;
        for (QComboBox* c : {settings()->SEL_COM, settings()->SEL_INTER, settings()->SEL_NBR_DIGI, settings()->SEL_COUL,
                             settings()->SEL_DCF77, settings()->SEL_REL1, settings()->SEL_REL2, settings()->SEL_REP})
            s << c->currentText();
        for (int r = 1; r <= 2; ++r) {
            for (int n = 1; n <= 12; ++n)
                s << QString::number(combo(r, n)->currentIndex());
            for (int d = 0; d < 28; ++d)
                s << QString::number(day(r, d)->isChecked());
            s << QString::number(option(r, 1)->isChecked()) << QString::number(option(r, 2)->isChecked());
        }
        return s;
    }
};

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Settings far from the defaults in every window, including the values the lines could not
// carry in the older program: COM12: and an empty duration box.
void setEverything(App& app)
{
    Configuration* c = app.settings();
    c->SEL_COM->setCurrentText(QStringLiteral("COM12:"));
    c->SEL_INTER->setCurrentText(QStringLiteral("Sans fil"));
    c->SEL_COUL->setCurrentText(QStringLiteral("Tri couleur "));
    c->SEL_DCF77->setCurrentText(QStringLiteral("OUI"));
    c->SEL_REL1->setCurrentText(QStringLiteral("OUI"));
    c->SEL_REL2->setCurrentText(QStringLiteral("OUI"));
    c->SEL_REP->setCurrentText(QStringLiteral("OUI"));
    for (int r = 1; r <= 2; ++r) {
        for (int n = 1; n <= 12; ++n)
            app.combo(r, n)->setCurrentIndex((n * 5 + r * 3) % app.combo(r, n)->count());
        for (int d = 0; d < 28; ++d)
            app.day(r, d)->setChecked((d + r) % 3 == 0);
    }
    app.combo(1, 3)->setCurrentIndex(7);
    app.combo(2, 12)->setCurrentIndex(-1);
    app.option(1, 2)->setChecked(true);
}

} // namespace

TEST(ConfigFile, DefaultsSavedUnderTheProposedNameLoadAtTheNextStart)
{
    QByteArray saved;
    {
        App app;
        app.save(app.path(QStringLiteral("Configuration_TQV")));
        ASSERT_EQ(app.ui.dialogs.size(), 1u);
        EXPECT_EQ(app.ui.dialogs[0].kind, QStringLiteral("save"));
        EXPECT_EQ(app.ui.dialogs[0].title, QStringLiteral("Enregistrer un fichier de configuration TQV"));
        EXPECT_EQ(app.ui.dialogs[0].filter, QStringLiteral("Fichiers configuration(*.ZOL);;Tous les fichiers(*.*)"));
        EXPECT_EQ(app.ui.dialogs[0].proposed, QStringLiteral("Configuration_TQV"));
        EXPECT_TRUE(app.ui.messages.empty());
        EXPECT_FALSE(app.settings()->parentWidget()->isHidden());
        saved = readAll(app.path(QStringLiteral("Configuration_TQV.zol")));
        EXPECT_EQ(saved, app.file()->TEXTE);
        // Only the file itself: no temporary left behind.
        EXPECT_EQ(QDir(app.dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Configuration_TQV.zol")});
    }
    ASSERT_EQ(saved.count("\r\n"), 115);
    EXPECT_TRUE(saved.contains("\r\nConnect\xe9 sur Port COM1:\r\nINTERFACE Filaire \r\n"));
    EXPECT_TRUE(saved.contains("\r\nR\xe9ponse NON\r\n"));
    EXPECT_TRUE(saved.contains("\r\ncr\xe9\x65 le: 05/12/2026\r\n\xe0 09:58\r\n"));   // the simulated clock

    App next;
    writeAll(next.path(QStringLiteral("Configuration_TQV.zol")), saved);
    const QStringList fresh = next.snapshot();
    next.principal->start();
    EXPECT_EQ(next.snapshot(), fresh);
    EXPECT_TRUE(next.link.portValide);
    EXPECT_EQ(next.ui.texts(), QStringList{QStringLiteral("Ouverture du port COM1: effectuée avec succès.")});
    EXPECT_TRUE(next.principal->menuAction(QStringLiteral("MENU_MISEALH"))->isEnabled());
    EXPECT_TRUE(next.settings()->parentWidget()->isMinimized());
    next.principal->hide();
}

TEST(ConfigFile, EverySettingAndBothRelayWindowsSurviveSaveQuitAndRestart)
{
    QByteArray saved;
    QStringList before;
    {
        App app;
        setEverything(app);
        before = app.snapshot();
        app.save(app.path(QStringLiteral("Configuration_TQV.zol")));
        saved = readAll(app.path(QStringLiteral("Configuration_TQV.zol")));
        EXPECT_EQ(app.snapshot(), before);   // saving changes no control
    }
    const QList<QByteArray> lines = saved.split('\n');
    EXPECT_EQ(lines[0], "B\r");        // COM12:
    EXPECT_EQ(lines[10], "07\r");      // Relais_1 Combo3
    EXPECT_EQ(lines[31], "-1\r");      // Relais_2 Combo12, nothing chosen
    EXPECT_EQ(lines[89], "1\r");       // Relais_1 Option2
    EXPECT_EQ(lines[98], "Connect\xe9 sur Port COM12:\r");
    EXPECT_EQ(lines[99], "INTERFACE Sans fil\r");
    EXPECT_EQ(lines[101], "Couleur Tri couleur \r");

    App next;
    writeAll(next.path(QStringLiteral("Configuration_TQV.zol")), saved);
    next.principal->start();
    EXPECT_EQ(next.snapshot(), before);
    EXPECT_EQ(next.combo(1, 3)->currentIndex(), 7);
    EXPECT_EQ(next.combo(1, 3)->currentText(), QStringLiteral("08"));   // durations start at "01"
    EXPECT_EQ(next.combo(2, 12)->currentIndex(), -1);
    EXPECT_TRUE(next.option(1, 2)->isChecked());
    EXPECT_FALSE(next.option(1, 1)->isChecked());
    EXPECT_TRUE(next.link.portValide);
    EXPECT_EQ(next.ui.lastText(), QStringLiteral("Ouverture du port COM12: effectuée avec succès."));
    // The menus follow the loaded settings; the relay windows' reads follow the radio interface.
    EXPECT_TRUE(next.principal->menuAction(QStringLiteral("MENU_4COUL"))->isEnabled());
    EXPECT_TRUE(next.principal->menuAction(QStringLiteral("MENURELAIS1"))->isEnabled());
    EXPECT_FALSE(next.principal->menuAction(QStringLiteral("MENU_LECTURE"))->isEnabled());
    EXPECT_FALSE(next.relay(1)->findChild<QPushButton*>(QStringLiteral("Command1"))->isEnabled());
    EXPECT_FALSE(next.relay(1)->isVisible());
    next.principal->hide();
}

TEST(ConfigFile, OpenAppliesAHandEditedFileAndValidates)
{
    App app;
    setEverything(app);
    const QStringList wanted = app.snapshot();
    app.save(app.path(QStringLiteral("a.zol")));
    QByteArray edited = readAll(app.path(QStringLiteral("a.zol")));
    edited.replace("Port COM12:", "Port COM3: (bureau)");
    edited.replace("FIN DU FICHIER", "fin du fichier, notes \xe0 part");
    writeAll(app.path(QStringLiteral("b.zol")), edited);

    App other;
    other.open(app.path(QStringLiteral("b.zol")));
    ASSERT_EQ(other.ui.dialogs.size(), 1u);
    EXPECT_EQ(other.ui.dialogs[0].title, QStringLiteral("Ouvrir un fichier de configuration TQV"));
    EXPECT_EQ(other.ui.dialogs[0].filter, QStringLiteral("Fichiers configuration(*.zol);;Tous les fichiers(*.*)"));
    EXPECT_EQ(other.ui.dialogs[0].proposed, QStringLiteral("Configuration_TQV"));
    EXPECT_EQ(other.snapshot(), wanted);
    EXPECT_EQ(other.file()->CONTENU, edited);
    EXPECT_TRUE(other.link.portValide);
    EXPECT_EQ(other.fake->openedDevice, portDeviceName(12, other.ctx.programDir));
}

TEST(ConfigFile, DamagedFilesApplyTheirLeadingFieldsWithoutValidating)
{
    App source;
    setEverything(source);
    const QStringList wanted = source.snapshot();
    source.save(source.path(QStringLiteral("good.zol")));
    const QByteArray good = readAll(source.path(QStringLiteral("good.zol")));

    struct Case { const char* what; QByteArray bytes; int fieldsTaken; };
    QByteArray letter = good;
    letter[configFieldPosition(2) - 1] = 'x';
    QByteArray older = good;
    older.replace(0, 1, "11");   // COM12: as the older program wrote it: the lines after it shift
    const Case cases[] = {
        {"letter in line 3", letter, 2},
        {"cut short in the relay lists", good.left(configFieldPosition(20)), 20},
        {"empty", QByteArray(), 0},
        {"older COM12 line", older, 1},
    };
    for (const Case& c : cases) {
        App app;
        app.validate();   // a validated port on COM1:, which a failed load must leave alone
        app.settings()->SEL_REP->setCurrentText(QStringLiteral("OUI"));
        const QStringList beforeLoad = app.snapshot();
        const auto messages = app.ui.messages.size();
        const auto calls = app.fake->calls.size();
        writeAll(app.path(QStringLiteral("damaged.zol")), c.bytes);
        app.open(app.path(QStringLiteral("damaged.zol")));
        const QStringList after = app.snapshot();
        int fieldsTaken = c.fieldsTaken;
        if (QByteArray(c.what) == "older COM12 line") {
            EXPECT_EQ(after[0], QStringLiteral("COM2:")) << c.what;   // the "1" of "11"
            fieldsTaken = 0;
        }
        // Lines 1-8 are the first eight entries of the snapshot, then the relay lists in order.
        for (int i = 0; i < 8 + 24; ++i) {
            if (QByteArray(c.what) == "older COM12 line" && i == 0)
                continue;
            const int relayIndex = i < 8 ? -1 : (i - 8) / 12;
            const int at = i < 8 ? i : 8 + relayIndex * 42 + (i - 8) % 12;
            EXPECT_EQ(after[at], (i < fieldsTaken ? wanted : beforeLoad)[at]) << c.what << " field " << i;
        }
        EXPECT_EQ(after.mid(8 + 12), beforeLoad.mid(8 + 12)) << c.what;
        EXPECT_EQ(app.ui.messages.size(), messages) << c.what;   // no validation, no message
        EXPECT_EQ(app.fake->calls.size(), calls) << c.what;      // the port untouched
        EXPECT_TRUE(app.link.portValide) << c.what;
    }
}

TEST(ConfigFile, LfOnlyFileLoadsLikeTheOriginal)
{
    App source;
    setEverything(source);
    const QStringList wanted = source.snapshot();
    source.save(source.path(QStringLiteral("crlf.zol")));
    QByteArray lf = readAll(source.path(QStringLiteral("crlf.zol")));
    lf.replace("\r\n", "\n");

    App app;
    writeAll(app.path(QStringLiteral("lf.zol")), lf);
    app.open(app.path(QStringLiteral("lf.zol")));
    EXPECT_EQ(app.snapshot(), wanted);
    EXPECT_TRUE(app.link.portValide);
}

TEST(ConfigFile, CancelInEitherDialogChangesAndWritesNothing)
{
    App app;
    setEverything(app);
    app.validate();
    const QStringList before = app.snapshot();
    const auto calls = app.fake->calls.size();
    app.principal->menuAction(QStringLiteral("MENU_OUVRIR"))->trigger();
    app.principal->menuAction(QStringLiteral("MENU_ENREGISTRER"))->trigger();
    EXPECT_EQ(app.ui.dialogs.size(), 2u);
    EXPECT_EQ(app.snapshot(), before);
    EXPECT_EQ(app.fake->calls.size(), calls);
    EXPECT_EQ(app.ui.messages.size(), 1u);   // the validation's own
    EXPECT_TRUE(QDir(app.dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST(ConfigFile, OpenAndSaveErrorsReportAndOfferTheDialogAgain)
{
    App app;
    // A file that cannot be read: the message, the dialog again, then another choice.
    QDir(app.dir.path()).mkdir(QStringLiteral("folder.zol"));
    app.save(app.path(QStringLiteral("good.zol")));
    app.ui.dialogs.clear();
    app.settings()->SEL_COUL->setCurrentText(QStringLiteral("Tri couleur "));
    app.ui.openAnswers << app.path(QStringLiteral("absent.zol")) << app.path(QStringLiteral("folder.zol"));
    app.open(app.path(QStringLiteral("good.zol")));
    EXPECT_EQ(app.ui.dialogs.size(), 3u);
    ASSERT_EQ(app.ui.messages.size(), 3u);
    EXPECT_EQ(app.ui.messages[0].text, QStringLiteral("Erreur d'ouverture de ") + app.path(QStringLiteral("absent.zol")));
    EXPECT_EQ(app.ui.messages[0].icon, MsgIcon::None);
    EXPECT_EQ(app.ui.messages[1].text, QStringLiteral("Erreur d'ouverture de ") + app.path(QStringLiteral("folder.zol")));
    EXPECT_EQ(app.settings()->SEL_COUL->currentText(), QStringLiteral("Mono couleur"));   // the good file won
    EXPECT_TRUE(app.link.portValide);

    // Places that cannot be written: a folder of that name, a missing folder, under a device.
    // Each shows the message and offers the dialog again; cancel ends it, nothing is written.
    app.ui.messages.clear();
    app.ui.dialogs.clear();
    const QStringList bad = {app.path(QStringLiteral("folder.zol")), app.path(QStringLiteral("nowhere/x.zol")),
                             QStringLiteral("/dev/full/x.zol")};
    app.ui.saveAnswers << bad;
    app.principal->menuAction(QStringLiteral("MENU_ENREGISTRER"))->trigger();
    EXPECT_EQ(app.ui.dialogs.size(), 4u);
    ASSERT_EQ(app.ui.messages.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(app.ui.messages[size_t(i)].text,
                  QStringLiteral("Erreur lors de la création de ") + bad[i] + QStringLiteral(". Essayer à nouveau"));
        EXPECT_EQ(app.ui.messages[size_t(i)].icon, MsgIcon::None);
    }
    EXPECT_TRUE(QFileInfo(app.path(QStringLiteral("folder.zol"))).isDir());
    EXPECT_EQ(QDir(app.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("good.zol")});
    EXPECT_FALSE(QFileInfo::exists(app.path(QStringLiteral("nowhere"))));

    // After a failure the user picks a good place: saved there.
    app.ui.messages.clear();
    app.ui.saveAnswers << app.path(QStringLiteral("nowhere/x.zol")) << app.path(QStringLiteral("second.zol"));
    app.principal->menuAction(QStringLiteral("MENU_ENREGISTRER"))->trigger();
    EXPECT_EQ(app.ui.messages.size(), 1u);
    EXPECT_EQ(readAll(app.path(QStringLiteral("second.zol"))).count("\r\n"), 115);
}

TEST(ConfigFile, StartUpWithoutAUsableDefaultFileWaitsOnTheDefaults)
{
    {
        App app;   // first start: no file
        app.principal->start();
        EXPECT_TRUE(app.settings()->isVisible());
        EXPECT_FALSE(app.settings()->parentWidget()->isMinimized());
        EXPECT_FALSE(app.link.portValide);
        EXPECT_TRUE(app.ui.messages.empty());
        EXPECT_TRUE(app.fake->calls.isEmpty());
        app.principal->hide();
    }
    {
        App app;   // a folder in the file's place
        QDir(app.dir.path()).mkdir(QStringLiteral("Configuration_TQV.zol"));
        app.principal->start();
        EXPECT_TRUE(app.settings()->isVisible());
        EXPECT_FALSE(app.link.portValide);
        EXPECT_TRUE(app.ui.messages.empty());
        app.principal->hide();
    }
    {
        App app;   // the port of the file cannot be opened: the port's own message, menus unchanged
        App source;
        source.settings()->SEL_COM->setCurrentText(QStringLiteral("COM4:"));
        source.save(app.path(QStringLiteral("CONFIGURATION_TQV.ZOL")));   // the name in another case
        app.fake->failOpen = true;
        app.principal->start();
        EXPECT_EQ(app.settings()->SEL_COM->currentText(), QStringLiteral("COM4:"));
        ASSERT_EQ(app.ui.messages.size(), 1u);
        EXPECT_EQ(app.ui.messages[0].text, QStringLiteral("L'ouverture du port COM4 à échouée !"));
        EXPECT_EQ(app.ui.messages[0].icon, MsgIcon::Critical);
        EXPECT_FALSE(app.link.portValide);
        EXPECT_FALSE(app.principal->menuAction(QStringLiteral("MENU_MISEALH"))->isEnabled());
        app.principal->hide();
    }
}

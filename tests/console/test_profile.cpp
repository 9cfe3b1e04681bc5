// Panel profiles through kwf-tqvctl on simulated time: a setup copied from one emulated panel to
// another byte for byte, bad files refused before the port, the read-back check, the dry run,
// the digit-count guard and an interrupted write.
#include "EmulatedApp.h"
#include "SimClock.h"
#include "console/Console.h"
#include "console/Options.h"
#include "core/Profile.h"
#include "model/EmulatedSerialPort.h"

#include <QAction>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::console;
using namespace kwf::test;

namespace {

struct Panel {
    SimClock clock;
    emu::EmulatedSerialPort port{clock};
    QTemporaryDir dir;
    QString out, err;
    std::vector<int> written;   // registers the panel was told to write, in order

    Panel()
    {
        port.model().onFrame = [this](const QByteArray& body, const QByteArray&) {
            if ((quint8(body[0]) & 0xF0) == 0x40)
                written.push_back(((body[2] & 0x0F) << 4 | (body[3] & 0x0F)) & 63);
        };
    }
    int run(QStringList args)
    {
        out.clear();
        err.clear();
        QTextStream o(&out), e(&err);
        args << "-p" << "3";
        ConsoleEnv env{&port, &clock, dir.path(), &o, &e, false, {}, dir.filePath("defaut.zol")};
        return runConsole(args, env);
    }
    quint8 reg(int r) const { return port.model().reg(r); }
};

const int kCovered[] = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31,
                        32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 50, 51, 52, 53, 54};

} // namespace

// The demo panel with an event and 6 digits, copied onto a panel set otherwise: the comparison
// names the fields, the write makes every covered register equal and leaves the clock alone.
TEST(Profiles, CopiedToASecondPanelByteForByte)
{
    Panel a, b;
    ASSERT_EQ(a.run({"evenement", "2027-01-01 00:00", "--contact", "ferme"}), kExitDone) << a.err.toStdString();
    a.port.model().setReg(22, 0x32);   // SW3 switch 2 ON: 6 digits
    a.port.model().setReg(24, 0x9F);   // alarm 3: bit 7 of its day mask unlike alarm 1's
    b.port.model().setReg(22, 0x02);
    b.port.model().setReg(17, 0x06);   // relay 1 alarm 1 at 06:00
    b.port.model().setReg(11, 0x40);   // brightness forced to 20 %
    const QString file = a.dir.filePath("panneau.profil");
    ASSERT_EQ(a.run({"profil", "lire", file}), kExitDone) << a.err.toStdString();

    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    for (const char* line : {"relais1.alarme1.heure = 08:00", "evenement.date = 2027-01-01", "evenement.contact = ferme",
                             "luminosite.mode = auto", "interrupteurs.sw3 = 01001100", "panneau.digits = 6"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(line))) << line;
    EXPECT_FALSE(text.contains(QStringLiteral("relais2.")));
    EXPECT_FALSE(text.contains(QStringLiteral("registres.0 ")));

    EXPECT_EQ(b.run({"profil", "comparer", file}), kExitPanel);
    EXPECT_TRUE(b.out.contains(QStringLiteral("relais1.alarme1.heure : 08:00 dans le fichier, 06:00 sur le panneau"))) << b.out.toStdString();
    EXPECT_TRUE(b.out.contains(QStringLiteral("luminosite.mode : auto dans le fichier, 20 sur le panneau")));
    EXPECT_TRUE(b.out.contains(QStringLiteral("registre 24 (relais 1) : 9F dans le fichier, 1F sur le panneau")));

    b.written.clear();
    ASSERT_EQ(b.run({"profil", "ecrire", file, "--json"}), kExitDone) << b.err.toStdString() << b.out.toStdString();
    const QJsonObject j = QJsonDocument::fromJson(b.out.toUtf8()).object();
    EXPECT_EQ(j.value("code").toInt(), 0);
    EXPECT_FALSE(j.value("differences").toArray().isEmpty());
    for (int r : kCovered)
        EXPECT_EQ(b.reg(r), a.reg(r)) << "registre " << r;
    for (int r : b.written)
        EXPECT_GE(r, 8) << "registre de l'horloge écrit";
    EXPECT_EQ(b.run({"profil", "comparer", file}), kExitDone) << b.out.toStdString();
    b.written.clear();
    EXPECT_EQ(b.run({"profil", "ecrire", file}), kExitDone);
    EXPECT_TRUE(b.written.empty());
    EXPECT_TRUE(b.out.contains(QStringLiteral("rien n'est écrit")));
}

// Each bad file: exit 2, the line named, nothing on the wire.
TEST(Profiles, BadFilesRefusedWithNothingSent)
{
    const QByteArray head = "profil = 1\npanneau.digits = 4\npanneau.couleur = mono\n";
    const struct { QByteArray body; const char* says; } rows[] = {
        {"relais1.alarme5.heure = 07:30\n", "Ligne 4 : champ « relais1.alarme5.heure » inconnu"},
        {"relais1.alarme1.heure = 24:00\n", "Ligne 4 : valeur « 24:00 » hors limites"},
        {"relais1.contact = ferme\nrelais1.contact = ouvre\n", "Ligne 5 : le champ « relais1.contact » est déjà donné ligne 4"},
        {"relais1.alarme1.heu", "Ligne 4 : ligne tronquée"},
        {"registres.15 = CC 1F 08 00\n", "Ligne 4 : ligne tronquée : 4 valeur(s)"},
        {"registres.50 = CC 41 05 10 1G0\n", "Ligne 4 : valeur « 1G0 » du registre 54"},
        {"registres.0 = 00 00 00 00 00 00 00 00\n", "Ligne 4 : les registres 0 à 7"},
        {"couleur.heure = rva\n", "Ligne 4 : le champ « couleur.heure » ne va pas"},
        {"interrupteurs.sw3 = 01000000\n", "Ligne 2 : panneau.digits = 4, mais"},
        {QByteArray("relais1.contact = ferme\n") + QByteArray("\x00\x01\x02\xff\n", 5), "Ligne 5 : ce fichier n'est pas un profil"},
        {"relais1.contact = ferme\n\xff\xd8\xff\xe0 JFIF\n", "Ligne 5 : ce fichier n'est pas un profil"},
    };
    for (const auto& row : rows) {
        Panel p;
        QFile f(p.dir.filePath("bad.profil"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(head + row.body);
        f.close();
        for (const char* action : {"comparer", "ecrire"}) {
            EXPECT_EQ(p.run({"profil", action, f.fileName()}), kExitUsage) << row.says;
            EXPECT_TRUE(p.err.contains(QString::fromUtf8(row.says))) << p.err.toStdString();
            EXPECT_TRUE(p.port.writes.empty()) << row.says;
        }
    }
    // The same head with a good field is a profile.
    const profile::ParseOutcome good = profile::parseProfile(head + "relais1.alarme1.heure = 07:30\n");
    ASSERT_TRUE(good.profile) << good.error.toStdString();
    EXPECT_EQ(good.profile->regs[17], 0x07);
    EXPECT_EQ(good.profile->regs[15], 0xCC);
}

// A named field edited by hand wins over the raw values; the raw values keep what no field says.
TEST(Profiles, NamedFieldsWinOverRawValues)
{
    Panel a;
    a.port.model().setReg(31, 0x85);   // alarm 4's day mask: bit 7 where alarm 1 has none
    const QString file = a.dir.filePath("p.profil");
    ASSERT_EQ(a.run({"profil", "lire", file}), kExitDone) << a.err.toStdString();
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray text = f.readAll();
    const profile::ParseOutcome same = profile::parseProfile(text);
    ASSERT_TRUE(same.profile) << same.error.toStdString();
    EXPECT_EQ(profile::writeProfile(*same.profile), text);
    text.replace("relais1.alarme1.heure = 08:00", "relais1.alarme1.heure = 09:45");
    const profile::ParseOutcome r = profile::parseProfile(text);
    ASSERT_TRUE(r.profile) << r.error.toStdString();
    EXPECT_EQ(r.profile->regs[17], 0x09);
    EXPECT_EQ(r.profile->regs[18], 0x45);
    EXPECT_EQ(r.profile->regs[31], 0x85);
}

// The read-back check names the register a panel acknowledged but did not keep.
TEST(Profiles, ReadBackCatchesAnIgnoredRegister)
{
    Panel a, b;
    a.port.model().setReg(25, 0x19);   // relay 1 alarm 3 at 19:30
    const QString file = a.dir.filePath("p.profil");
    ASSERT_EQ(a.run({"profil", "lire", file}), kExitDone);
    b.port.model().faults().ignoredRegister = 25;
    const int status = b.run({"profil", "ecrire", file, "--json"});
    EXPECT_EQ(status, kExitPanel);
    const QJsonObject j = QJsonDocument::fromJson(b.out.toUtf8()).object();
    EXPECT_EQ(j.value("resultat").toString(), "reponse_incorrecte");
    EXPECT_TRUE(j.value("message").toString().contains(QStringLiteral("registre 25 (relais 1) : 19 écrit, 17 relu"))) << b.out.toStdString();
}

// The dry run and a panel of another digit count write nothing; --forcer writes.
TEST(Profiles, DryRunAndOtherPanelsWriteNothing)
{
    Panel a, b;
    a.port.model().setReg(22, 0x32);   // 6 digits
    a.port.model().setReg(12, 0x09);
    const QString file = a.dir.filePath("p.profil");
    ASSERT_EQ(a.run({"profil", "lire", file}), kExitDone);
    b.port.model().setReg(22, 0x00);   // 4 digits
    EXPECT_EQ(b.run({"profil", "ecrire", file}), kExitUsage);
    EXPECT_TRUE(b.err.contains(QStringLiteral("panneau 6 digits, les interrupteurs du panneau disent 4 digits"))) << b.err.toStdString();
    EXPECT_EQ(b.run({"profil", "ecrire", file, "--essai", "--forcer"}), kExitDone);
    EXPECT_TRUE(b.out.contains(QStringLiteral("luminosite.niveau : 9 dans le fichier, 5 sur le panneau"))) << b.out.toStdString();
    EXPECT_TRUE(b.written.empty());
    EXPECT_EQ(b.run({"profil", "ecrire", file, "--couleur", "tri", "--forcer"}), kExitDone) << b.err.toStdString();
    EXPECT_EQ(b.reg(12), 0x09);
    EXPECT_EQ(b.reg(22), 0x32);
}

// An adapter pulled out during the writes: the blocks written and those not written are named.
TEST(Profiles, InterruptedWriteNamesTheBlocks)
{
    Panel a, b;
    a.port.model().setReg(17, 0x11);
    a.port.model().setReg(11, 0x02);
    const QString file = a.dir.filePath("p.profil");
    ASSERT_EQ(a.run({"profil", "lire", file}), kExitDone);
    // The reading takes 57 frames; the relay 1 write 19 more.
    b.port.model().faults().unplugAfterFrames = 57 + 19 + 3;
    EXPECT_EQ(b.run({"profil", "ecrire", file}), kExitPanel);
    EXPECT_TRUE(b.err.contains(QStringLiteral("Blocs écrits : relais 1."))) << b.err.toStdString();
    EXPECT_TRUE(b.err.contains(QStringLiteral("Blocs non écrits : bloc de commande (luminosité ou couleurs)."))) << b.err.toStdString();
}

// The window program's File menu: the list shown before programming is the console's, and the
// panel then holds the profile.
TEST(Profiles, WindowListsTheConsolesDifferencesBeforeWriting)
{
    Panel a, c;
    a.port.model().setReg(17, 0x11);
    a.port.model().setReg(13, 0x08);
    const QString file = a.dir.filePath("p.profil");
    ASSERT_EQ(a.run({"profil", "lire", file}), kExitDone);
    ASSERT_EQ(c.run({"profil", "comparer", file}), kExitPanel);
    const QStringList console = c.out.split('\n', Qt::SkipEmptyParts);

    std::unique_ptr<TestApp> app = makeEmulatedApp();
    app->validateWith("OUI", "Filaire ");
    emu::PanelModel& panel = emulatedPort(*app).model();
    app->ui.openAnswers << file;
    app->ui.listAnswer = false;
    app->principal->menuAction("MENU_PROGRAMMER_PANNEAU")->trigger();
    ASSERT_EQ(app->ui.lists.size(), 1u) << app->ui.lastText().toStdString();
    EXPECT_TRUE(app->ui.lists[0].ask);
    EXPECT_EQ(app->ui.lists[0].lines, console);
    EXPECT_EQ(panel.reg(17), 0x08);   // cancelled: nothing written

    app->ui.openAnswers << file;
    app->ui.listAnswer = true;
    app->principal->menuAction("MENU_PROGRAMMER_PANNEAU")->trigger();
    EXPECT_EQ(app->ui.lists.back().lines, console);
    EXPECT_TRUE(app->ui.lastText().startsWith(QStringLiteral("Profil écrit et relu"))) << app->ui.lastText().toStdString();
    for (int r : kCovered)
        EXPECT_EQ(panel.reg(r), a.reg(r)) << "registre " << r;
}

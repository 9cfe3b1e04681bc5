// kwf-tqvctl on simulated time: its parsing, its output, and the commands whose result does not
// depend on real time (bad input, the register image, the relay file, the DCF77 listening,
// the progress line).
#include "EmulatedApp.h"
#include "RelayTestApp.h"
#include "console/Console.h"
#include "console/Format.h"
#include "console/Options.h"
#include "panel/ColourWindow.h"
#include "panel/dump.h"
#include "core/ClockSync.h"
#include "core/ComPorts.h"
#include "core/ConfigFile.h"
#include "core/DeviceCommand.h"
#include "core/ExchangeJournal.h"
#include "core/Frames.h"
#include "core/LinkSettings.h"
#include "core/SerialPort.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QScrollBar>
#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::console;
using namespace kwf::test;

namespace {

// kwf-tqvctl wired to an emulated panel on a simulated clock, with its output in strings.
struct SimConsole {
    SimClock clock;
    emu::EmulatedSerialPort port{clock};
    QTemporaryDir dir;
    QString out, err;
    QTextStream outStream{&out}, errStream{&err};

    // One run per console: out and err hold that run's output.
    int run(const QStringList& args, bool terminal = false)
    {
        ConsoleEnv env{&port, &clock, dir.path(), &outStream, &errStream, terminal, {}, dir.filePath("defaut.zol")};
        env.stateDir = dir.filePath("etat");
        return runConsole(args, env);
    }
};

// Writes a file in dir and returns its path.
QString writeFile(const QTemporaryDir& dir, const char* name, const QByteArray& bytes)
{
    QFile f(dir.filePath(QString::fromLatin1(name)));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return f.fileName();
}

} // namespace

// Bad input: exit 2, a French message naming the value, and the panel never hears a byte.
TEST(ConsoleOptions, BadInputNamesTheValueAndSendsNothing)
{
    QTemporaryDir dir;
    const QString badRegs = writeFile(dir, "regs.txt", QByteArray("0 1 2 3 4 5 6 7 8 9 A B C D E F\n").repeated(2)
                                                           + "0 1 2 3 4 5 6 7 8 9 A B C 100 E F\n"
                                                           + "0 1 2 3 4 5 6 7 8 9 A B C D E F\n");
    const QString garbled = writeFile(dir, "config.zol", "0\r\n0\r\n7\r\n");
    const struct { QStringList args; const char* named; } rows[] = {
        {{}, "Aucune commande"},
        {{"reveil"}, "reveil"},
        {{"lire-heure"}, "Port manquant"},
        {{"lire-heure", "-p", "15"}, "15"},
        {{"lire-heure", "--port", "COMX"}, "COMX"},
        {{"lire-heure", "-p", "3", "--interface", "radio"}, "radio"},
        {{"lire-heure", "-p", "3", "--controle", "peut-etre"}, "peut-etre"},
        {{"lire-heure", "-p", "3", "--minutes", "2"}, "--minutes"},
        {{"lire-heure", "-p", "3", "--interface", "sans-fil"}, "filaire"},
        {{"heure", "-p", "3", "2026-02-30 10:00:00"}, "2026-02-30 10:00:00"},
        {{"heure", "-p", "3", "2026-12-06 25:00:00"}, "2026-12-06 25:00:00"},
        {{"heure", "-p", "3", "2026-12-06 10:60:00"}, "2026-12-06 10:60:00"},
        {{"heure", "-p", "3", "2126-12-06 10:00:00"}, "2126"},
        {{"heure", "-p", "3", "demain"}, "demain"},
        {{"heure-pc", "-p", "3", "--si-ecart", "-1"}, "-1"},
        {{"dcf77", "-p", "3"}, "--minutes"},
        {{"dcf77", "-p", "3", "--minutes", "0"}, "0"},
        {{"dcf77", "--analyser", "dcf.txt", "--minutes", "2"}, "--analyser"},
        {{"dcf77", "--analyser", garbled}, "config.zol"},
        {{"relais", "lire", "3", "-p", "3"}, "3"},
        {{"relais", "appliquer", dir.filePath("absent.zol"), "-p", "3"}, "absent.zol"},
        {{"relais", "appliquer", garbled, "-p", "3"}, "config.zol"},
        {{"evenement", "-p", "3", "2026-12-31 24:00"}, "2026-12-31 24:00"},
        {{"evenement", "-p", "3", "2026-12-31 23:00", "--ete", "si"}, "si"},
        {{"evenement", "-p", "3", "2026-12-31 23:00", "--contact", "colle"}, "colle"},
        {{"luminosite", "auto", "-p", "3", "--sensibilite", "16"}, "16"},
        {{"luminosite", "50", "-p", "3"}, "50"},
        {{"luminosite", "20", "-p", "3", "--detection", "vive"}, "vive"},
        {{"registres", "ecrire", badRegs, "-p", "3"}, "« 100 » du registre 45"},
        {{"registres", "lire", "-p", "3", "--fichier", dir.filePath("nulle/part.txt")}, "nulle/part.txt"},
    };
    for (const auto& row : rows) {
        SimConsole c;
        EXPECT_EQ(c.run(row.args), kExitUsage) << row.args.join(' ').toStdString();
        EXPECT_TRUE(c.err.contains(QString::fromUtf8(row.named))) << c.err.toStdString();
        EXPECT_TRUE(c.port.writes.empty()) << row.args.join(' ').toStdString();
    }
}

TEST(ConsoleOptions, PortFormsAndTheManualTime)
{
    for (const QStringList& args : {QStringList{"lire-heure", "--port", "COM7"}, QStringList{"lire-heure", "-p", "7"},
                                    QStringList{"lire-heure", "--port=COM7:"}}) {
        const ParseResult r = parseArguments(args);
        EXPECT_TRUE(r.ok()) << r.error.toStdString();
        EXPECT_EQ(r.options.port, 7);
    }
    // COM14 opens COM14's device, though the settings window's list stops at COM12.
    SimConsole com14;
    com14.port.devices = QStringList{"/dev/ttyS13"};
    EXPECT_EQ(com14.run({"lire-heure", "--port", "COM14"}), kExitDone) << com14.err.toStdString();
    // The manual time reaches the panel whole, with its weekday (a Sunday).
    SimConsole c;
    EXPECT_EQ(c.run({"heure", "-p", "1", "2027-03-14 08:30:40"}), kExitDone) << c.err.toStdString();
    EXPECT_LE(std::abs(c.port.model().clockDateTime().secsTo(QDateTime(QDate(2027, 3, 14), QTime(8, 30, 40)))), 2);
    EXPECT_EQ(c.port.model().reg(3), 7);
}

// lire-heure, ecart and heure-pc --si-ecart measure one offset (panel minus PC), kept in the
// panel's record with each setting; derive fits the record.
TEST(ConsoleClock, OneOffsetEverywhereRecordedAndFitted)
{
    SimConsole c;
    c.port.model().setClock(c.clock.now().addMSecs(-1420));
    auto json = [&c](QStringList args, int expected = kExitDone) {
        c.out.clear();
        c.err.clear();
        EXPECT_EQ(c.run(args << "-p" << "3" << "--json"), expected) << c.err.toStdString();
        return QJsonDocument::fromJson(c.out.toUtf8()).object();
    };
    EXPECT_NEAR(json({"lire-heure"}).value("ecart_s").toDouble(), -1.42, 0.06);
    EXPECT_NEAR(json({"ecart"}).value("ecart_s").toDouble(), -1.42, 0.06);
    QJsonObject j = json({"heure-pc", "--si-ecart", "1,5"});
    EXPECT_FALSE(j.value("envoi").toBool(true));
    EXPECT_TRUE(j.value("message").toString().startsWith(QString::fromUtf8("Écart avec le PC : -1,4"))) << c.out.toStdString();
    EXPECT_TRUE(json({"heure-pc", "--si-ecart", "1"}).value("envoi").toBool());
    EXPECT_LE(std::abs(c.clock.now().msecsTo(c.port.model().preciseClock(c.clock.monotonicMs()))), 4);
    const QString record = c.dir.filePath("etat/derive-COM3.txt");
    EXPECT_EQ(readDriftRecord(record).size(), 5);   // four measurements, one setting
    j = json({"derive"}, kExitPanel);
    EXPECT_EQ(j.value("port").toString(), "COM3");
    EXPECT_TRUE(j.value("message").toString().startsWith(QString::fromUtf8("Relevé trop court"))) << c.out.toStdString();

    // 50 ppm fast: 4.32 s a day, measured over two days.
    c.port.model().setDrift(50);
    for (int day = 0; day < 2; ++day) {
        c.clock.advance(86400000);
        json({"ecart"});
    }
    j = json({"derive"});
    EXPECT_NEAR(j.value("derive_s_par_jour").toDouble(), 4.32, 0.05) << c.out.toStdString();
    EXPECT_EQ(j.value("points").toInt(), 7);   // the four measurements before the setting make a run too
}

// The register image read into a file and written back to another panel; the rows show the
// grid's texts (no answer: "0"), and only 64 values make an image.
TEST(ConsoleRegisters, ImageReadIntoAFileWrittenBackAndRefusals)
{
    SimConsole from, to;
    for (int n = 8; n < grid::kRegisters; ++n)   // the clock's registers run on
        from.port.model().setReg(n, quint8(n * 37));
    const QString file = from.dir.filePath("registres.txt");
    ASSERT_EQ(from.run({"registres", "lire", "-p", "1", "--fichier", file}), kExitDone) << from.err.toStdString();
    ASSERT_EQ(to.run({"registres", "ecrire", file, "-p", "1"}), kExitDone) << to.err.toStdString();
    for (int n = 8; n < grid::kRegisters; ++n)
        EXPECT_EQ(to.port.model().reg(n), quint8(n * 37)) << n;

    std::array<int, grid::kRegisters> values{};
    for (int n = 0; n < grid::kRegisters; ++n)
        values[size_t(n)] = (n * 37) & 0xFF;
    values[5] = -1;   // no answer: shown as the grid shows it
    const QStringList rows = registerRows(values);
    ASSERT_EQ(rows.size(), 4);
    EXPECT_TRUE(rows[0].startsWith("0 25 4A 6F 94 0 DE")) << rows[0].toStdString();
    std::array<quint8, grid::kRegisters> back{};
    QString why;
    EXPECT_FALSE(parseRegisterImage(rows.mid(0, 3).join(" "), &back, &why));
    EXPECT_TRUE(why.contains("48")) << why.toStdString();
    EXPECT_FALSE(parseRegisterImage(rows.join(" ") + " 7", &back, &why));
}

// "relais appliquer" sends the bytes the two relay windows send after loading the same file.
TEST(ConsoleRelays, ApplySendsWhatTheRelayWindowsSendAfterLoadingTheFile)
{
    ConfigValues v;
    v.selectors[7] = 1;   // response control on
    for (int r = 0; r < 2; ++r) {
        RelayConfig& rc = v.relays[size_t(r)];
        for (int i = 0; i < configfile::kRelayCombos; ++i)
            rc.combos[size_t(i)] = (i * 7 + r * 5) % 24;
        rc.combos[2] = -1;   // no duration: 0 goes out
        for (int d = 0; d < configfile::kRelayDays; ++d)
            rc.days[size_t(d)] = (d + r) % 3 == 0;
        // Relay 1: neither button in the file, so no contact bit goes out; relay 2: both, and the
        // second line leaves "Le contact s'ouvre" alone selected.
        rc.option1 = r == 1;
        rc.option2 = r == 1;
    }
    QTemporaryDir dir;
    const QString file = writeFile(dir, "salle.zol", writeConfig(v, LinkSettings(), QDateTime(QDate(2026, 12, 6), QTime(10, 0))));

    std::unique_ptr<TestApp> app = makeEmulatedApp();
    app->ui.openAnswers << file;
    app->principal->onOpenConfig();
    ASSERT_TRUE(app->link.portValide) << app->ui.lastText().toStdString();
    auto& windowPort = emulatedPort(*app);
    windowPort.writes.clear();
    for (int n : {1, 2})
        RelayTestApp::click(qobject_cast<Relais*>(app->principal->showWindow(QStringLiteral("Relais_%1").arg(n)))->ENVOI);

    SimConsole c;
    EXPECT_EQ(c.run({"relais", "appliquer", file, "-p", "1"}), kExitDone) << c.err.toStdString();
    ASSERT_EQ(c.port.writes.size(), windowPort.writes.size());
    for (size_t i = 0; i < c.port.writes.size(); ++i)
        EXPECT_EQ(c.port.writes[i].bytes.toHex(' '), windowPort.writes[i].bytes.toHex(' ')) << i;
    EXPECT_TRUE(c.out.contains("Programmation Relais 2 effectuée.")) << c.out.toStdString();

    // A panel that falls silent after relay 1: relay 1 programmed, relay 2 not, each said once.
    SimConsole d;
    d.port.model().faults().silentAfterFrames = 1 + 17 + 1;
    EXPECT_EQ(d.run({"relais", "appliquer", file, "-p", "1", "--json"}), kExitPanel);
    const QJsonObject j = QJsonDocument::fromJson(d.out.toUtf8()).object();
    EXPECT_EQ(j.value("relais").toArray(), QJsonArray({1})) << d.out.toStdString();
    const QJsonArray each = j.value("resultats").toArray();
    ASSERT_EQ(each.size(), 2);
    EXPECT_EQ(each[0].toObject().value("resultat").toString(), "succes");
    EXPECT_NE(each[1].toObject().value("resultat").toString(), "succes");
    EXPECT_EQ(j.value("resultat"), each[1].toObject().value("resultat"));
    EXPECT_EQ(j.value("message").toString().count("Programmation Relais 1 effectuée."), 1);
    EXPECT_FALSE(j.value("message").toString().contains("Relais 2 effectuée"));
}

// The monitor's listening on simulated time: two minutes of the panel's stream decoded, a lost
// second judged, the log file written, the stream stopped by the link test, every character in
// the exchange journal; the progress line only on a terminal.
TEST(ConsoleDcf77, ListensDecodesCountsAndSavesTheLog)
{
    for (bool terminal : {false, true}) {
        SimConsole c;
        c.port.model().injectDcf(emu::PanelModel::DcfFault::LostSecond, 30);
        const QString file = c.dir.filePath("dcf.txt");
        EXPECT_EQ(c.run({"dcf77", "-p", "2", "--minutes", "3", "--fichier", file, "--json", "--journal"}, terminal), kExitDone)
            << c.err.toStdString();
        const QJsonObject j = QJsonDocument::fromJson(c.out.toUtf8()).object();
        EXPECT_EQ(j.value("commande").toString(), "dcf77") << c.out.toStdString();
        // Three complete minutes: the one that lost a second is replaced by the next.
        EXPECT_EQ(j.value("bonnes").toInt(), 3) << c.out.toStdString();
        EXPECT_EQ(j.value("decodage").toArray().size(), 3);
        EXPECT_GE(j.value("journal").toArray().size(), 3);
        EXPECT_FALSE(c.port.model().streaming());
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(f.readAll().contains("-Ok!"));
        EXPECT_GE(c.err.count(QString::fromUtf8("← ")), 170) << c.err.toStdString();
        EXPECT_EQ(c.err.contains('\r'), terminal) << c.err.toStdString();
        if (terminal)
            continue;
        // The reception's records, live and from the two files the run leaves, agree (the PC's
        // offset aside: a file does not keep the PC's time).
        QJsonArray live = j.value("minutes").toArray();
        ASSERT_EQ(live.size(), 5) << c.out.toStdString();
        EXPECT_EQ(live[1].toObject().value("raison").toString(), QString::fromUtf8("1 seconde perdue"));
        for (auto&& r : live) {
            QJsonObject o = r.toObject();
            o.remove("ecart_pc_min");
            r = o;
        }
        const QString journal = writeFile(c.dir, "echanges.txt", journalFile(c.err));
        for (const QString& saved : {file, journal}) {
            SimConsole d;
            EXPECT_EQ(d.run({"dcf77", "--analyser", saved, "--json"}), kExitDone) << d.out.toStdString();
            const QJsonObject a = QJsonDocument::fromJson(d.out.toUtf8()).object();
            EXPECT_EQ(a.value("minutes").toArray(), live) << d.out.toStdString();
            EXPECT_EQ(a.value("compteurs").toObject().value("decodees"), j.value("compteurs").toObject().value("decodees"));
        }
    }
}

namespace {

enum class Panel { Good, Silent, Short, Over };

void plant(emu::PanelModel& m, Panel p)
{
    m.faults().silent = p == Panel::Silent;
    m.faults().silentAfterFrames = p == Panel::Short ? 3 : -1;   // the link test and two more
    m.faults().extraByte = p == Panel::Over;
}

struct TableRow {
    LinkPolicy policy;    // what a failed link test does, as in the command table
    QStringList args;
    const char* data;     // the field only a good reading fills; nullptr for a write
    const char* window;   // the window and button that run the same command, or nullptr
    const char* button;
};

QString windowText(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

// Every command against a good, a silent, a short-answering and an over-answering panel, under
// both response controls and both links: the exit status, the JSON verdict and its data agree;
// data comes only from a good answer; a reading never succeeds without its data; a write under
// "NON" says nothing was checked; the messages the JSON names are those the window shows.
TEST(ConsoleOutcomes, EveryCommandOnEveryPanelAgreesWithItsWindow)
{
    QTemporaryDir dir;
    ConfigValues v;
    v.selectors[7] = 1;
    const QString zol = writeFile(dir, "salle.zol", writeConfig(v, LinkSettings(), QDateTime(QDate(2026, 12, 6), QTime(10, 0))));
    const QString regs = writeFile(dir, "regs.txt", QByteArray("0 1 2 3 4 5 6 7 8 9 A B C D E F\n").repeated(4));
    const TableRow rows[] = {
        {LinkPolicy::GoOn, {"lire-heure"}, "heure", "LecturH", "LIT_DS"},
        {LinkPolicy::GoOn, {"derniere-synchro"}, "heure", "DER_MiseH", "DER_MiseH"},
        {LinkPolicy::StopWhenWired, {"heure-pc"}, nullptr, "MiseaH", "ECRI_AUTO_DS"},
        {LinkPolicy::StopWhenWired, {"heure", "2027-03-14 08:30:40"}, nullptr, nullptr, nullptr},
        {LinkPolicy::Stop, {"relais", "lire", "1"}, "alarmes", "Relais_1", "Command1"},
        {LinkPolicy::Stop, {"relais", "lire", "2"}, "alarmes", "Relais_2", "Command1"},
        {LinkPolicy::Stop, {"relais", "appliquer", zol}, nullptr, nullptr, nullptr},
        {LinkPolicy::Stop, {"evenement", "2030-01-01 10:00"}, nullptr, nullptr, nullptr},
        {LinkPolicy::Stop, {"luminosite", "lire"}, "bloc", "LUM", "Command1"},
        {LinkPolicy::Stop, {"luminosite", "auto"}, nullptr, "LUM", "ENVOI_LUM"},
        {LinkPolicy::StopWhenWired, {"registres", "lire"}, "registres", nullptr, nullptr},
        {LinkPolicy::StopWhenWired, {"registres", "ecrire", regs}, nullptr, nullptr, nullptr},
        {LinkPolicy::GoOn, {"couleur", "4"}, nullptr, "COUL6", "ENVOI_6DIGITCOUL"},
        {LinkPolicy::GoOn, {"couleur", "6", "rrr", "vvv", "aaa", "rva", "v"}, nullptr, nullptr, nullptr},
        {LinkPolicy::Stop, {"interrupteurs", "lire"}, "sw2", nullptr, nullptr},
        {LinkPolicy::Stop, {"interrupteurs", "ecrire", "10000001", "01111110"}, nullptr, nullptr, nullptr},
    };
    for (const TableRow& row : rows) {
        for (Panel panel : {Panel::Good, Panel::Silent, Panel::Short, Panel::Over}) {
            for (bool checked : {true, false}) {
                for (bool wired : {true, false}) {
                    const std::string what = row.args.join(' ').toStdString() + " panel " + std::to_string(int(panel))
                        + (checked ? " oui" : " non") + (wired ? " filaire" : " sans-fil");
                    SCOPED_TRACE(what);
                    SimConsole c;
                    plant(c.port.model(), panel);
                    const int status = c.run(QStringList(row.args) << "-p" << "1" << "--json" << "--controle"
                                                                   << (checked ? "oui" : "non") << "--interface"
                                                                   << (wired ? "filaire" : "sans-fil"));
                    const QJsonObject j = QJsonDocument::fromJson(c.out.toUtf8()).object();
                    ASSERT_FALSE(j.isEmpty()) << c.out.toStdString();
                    EXPECT_EQ(j.value("code").toInt(), status);
                    if (status == kExitUsage) {   // a wired-only reading over the radio link
                        EXPECT_TRUE(c.port.writes.empty());
                        continue;
                    }
                    const bool success = j.value("resultat").toString() == "succes";
                    EXPECT_EQ(status == kExitDone, success) << c.out.toStdString();
                    if (row.data) {
                        EXPECT_EQ(j.contains(QLatin1String(row.data)), success) << c.out.toStdString();
                        EXPECT_EQ(success, panel == Panel::Good) << c.out.toStdString();
                    } else {
                        EXPECT_EQ(j.value("reponses_controlees").toBool(), checked);
                        EXPECT_EQ(success, panel == Panel::Good || !checked) << c.out.toStdString();
                    }
                    if (!success)
                        EXPECT_FALSE(c.err.isEmpty());
                    if (panel == Panel::Silent && checked) {
                        const bool operation = std::any_of(c.port.writes.begin(), c.port.writes.end(), [](const auto& w) {
                            return w.bytes != linkTestFrame() && w.bytes != closingFrame();
                        });
                        EXPECT_EQ(operation, !stopsAfterFailedLinkTest(row.policy, wired));
                    }

                    if (!row.window)
                        continue;
                    std::unique_ptr<TestApp> app = makeEmulatedApp();
                    app->validateWith(checked ? "OUI" : "NON", wired ? "Filaire " : "Sans fil");
                    plant(emulatedPort(*app).model(), panel);
                    QWidget* w = app->principal->showWindow(QString::fromLatin1(row.window));
                    ASSERT_NE(w, nullptr);
                    auto* b = w->findChild<QPushButton*>(QString::fromLatin1(row.button));
                    ASSERT_NE(b, nullptr);
                    b->click();
                    QJsonArray shown;
                    for (const auto& m : app->ui.messages)
                        shown.append(windowText(m.text));
                    QJsonArray named;
                    for (auto&& m : j.value("fenetre").toArray())
                        named.append(m.toObject().value("texte"));
                    EXPECT_EQ(named, shown) << c.out.toStdString();
                }
            }
        }
    }
}

// What the console quotes of its input, the port it takes without --port, the clock registers an
// image leaves alone, and the progress line in the status bar's words.
TEST(ConsoleInput, EchoDefaultPortClockRegistersAndProgress)
{
    {
        SimConsole c;
        const QString huge = QString(100000, QLatin1Char('x'));
        EXPECT_EQ(c.run({huge}), kExitUsage);
        EXPECT_LT(c.err.size(), 400) << c.err.size();
        SimConsole d;
        EXPECT_EQ(d.run({"relais", "lire", QString::fromLatin1("\x1b[2J\x07z"), "-p", "1"}), kExitUsage);
        EXPECT_FALSE(d.err.contains(QChar(0x1b)) || d.err.contains(QChar(0x07))) << d.err.toStdString();
        EXPECT_TRUE(d.err.contains("?[2J?z")) << d.err.toStdString();
    }
    {
        // No --port: the default configuration file's.
        SimConsole c;
        ConfigValues v;
        v.selectors[0] = 6;
        EXPECT_EQ(c.run({"lire-heure"}), kExitUsage);
        EXPECT_TRUE(c.err.contains("defaut.zol")) << c.err.toStdString();
        writeFile(c.dir, "defaut.zol", writeConfig(v, LinkSettings(), QDateTime(QDate(2026, 12, 6), QTime(10, 0))));
        EXPECT_EQ(c.run({"lire-heure", "--json"}), kExitDone) << c.err.toStdString();
        EXPECT_TRUE(c.out.contains("\"port\":\"COM7\"")) << c.out.toStdString();
    }
    {
        // An image written back leaves the clock alone unless asked, and says which registers went.
        SimConsole c;
        const QString regs = writeFile(c.dir, "regs.txt", QByteArray("0 1 2 3 4 5 6 7 8 9 A B C D E F\n").repeated(4));
        const QDateTime before = c.port.model().clockDateTime();
        EXPECT_EQ(c.run({"registres", "ecrire", regs, "-p", "1", "--json"}), kExitDone) << c.err.toStdString();
        EXPECT_LE(std::abs(c.port.model().clockDateTime().secsTo(before)), 10);
        EXPECT_EQ(c.port.model().reg(9), 9);
        EXPECT_TRUE(c.out.contains("\"premier_registre\":8")) << c.out.toStdString();
        EXPECT_EQ(c.run({"registres", "ecrire", regs, "-p", "1", "--avec-horloge"}), kExitDone);
        EXPECT_EQ(c.port.model().reg(4), 4);
        EXPECT_EQ(c.run({"registres", "lire", "-p", "1", "--avec-horloge"}), kExitUsage);
    }
    {
        SimConsole c;
        EXPECT_EQ(c.run({"relais", "lire", "2", "-p", "1"}, true), kExitDone);
        EXPECT_TRUE(c.err.contains("Lecture relais 2 : 9/17")) << c.err.toStdString();
        EXPECT_FALSE(c.err.contains("LIT_")) << c.err.toStdString();
    }
}

// The reasons a dosdevices link does not open: links to a file, a folder and nothing, opened by
// the real serial port; /dev/null is judged without being opened.
TEST(ConsoleInput, PortLinksThatDoNotOpenSayWhy)
{
    if (systemPortDirectory(UserPlaces{}).numbering() == ComNumbering::System)
        GTEST_SKIP() << "this system numbers its COM ports itself: no dosdevices links, no device files to judge";
    SimConsole c;
    std::unique_ptr<SerialPort> real = createSerialPort();
    ASSERT_TRUE(QDir(c.dir.path()).mkpath("dosdevices"));
    writeFile(c.dir, "fichier.txt", "texte");
    const QString null = c.dir.filePath("null");
    ASSERT_TRUE(QFile::link("/dev/null", null));
    EXPECT_TRUE(portFailureReason(null, PortError::Io, {}).contains("pas un port"));
    const struct { const char* target; const char* reason; } links[] = {
        {"fichier.txt", "fichier ordinaire"}, {".", "dossier"}, {"absent", "n'existe pas"}};
    int n = 1;
    for (const auto& l : links) {
        const QString target = QString::fromLatin1(l.target).startsWith('/') ? QString::fromLatin1(l.target)
                                                                             : c.dir.filePath(QString::fromLatin1(l.target));
        ASSERT_TRUE(QFile::link(target, c.dir.filePath(QStringLiteral("dosdevices/com%1").arg(n))));
        QString out, err;
        QTextStream o(&out), e(&err);
        ConsoleEnv env{real.get(), &c.clock, c.dir.path(), &o, &e, false, {}, {}};
        EXPECT_EQ(runConsole({"lire-heure", "-p", QString::number(n)}, env), kExitPort);
        EXPECT_TRUE(err.contains(QString::fromUtf8(l.reason))) << err.toStdString();
        ++n;
    }
}

// "couleur" and "interrupteurs" send what the colour windows and the switch part of the display
// window send for the same colours and switches, and read the switches as the window shows them.
TEST(ConsoleDisplay, ColoursAndSwitchesSendWhatTheWindowsSend)
{
    std::unique_ptr<TestApp> app = makeEmulatedApp();
    app->validateWith("OUI", "Filaire ");
    auto& windowPort = emulatedPort(*app);
    auto* coul66 = qobject_cast<ColourWindow*>(app->principal->showWindow(QStringLiteral("COUL66")));
    ASSERT_NE(coul66, nullptr);
    coul66->Label2_Click(1);    // the N- countdown's first pair: green -> amber
    coul66->Label2_Click(25);   // the end message: red -> green
    auto* dumpWindow = qobject_cast<dump*>(app->principal->showWindow(QStringLiteral("dump")));
    ASSERT_NE(dumpWindow, nullptr);
    const QString sw2 = "10000011", sw3 = "01111000";
    for (int i = 0; i < 8; ++i) {
        dumpWindow->SW2[size_t(i)]->setValue(sw2[i] == '1' ? 0 : 1);   // thumb up is ON
        dumpWindow->SW1[size_t(i)]->setValue(sw3[i] == '1' ? 0 : 1);
    }
    const struct { QStringList args; std::function<void()> window; } rows[] = {
        {{"couleur", "6", "avv", "vra", "avr", "rav", "v"}, [&] { coul66->ENVOI_6DIGITCOUL->click(); }},
        {{"couleur", "4"}, [&] {
            qobject_cast<ColourWindow*>(app->principal->showWindow(QStringLiteral("COUL6")))->ENVOI_6DIGITCOUL->click();
        }},
        {{"interrupteurs", "ecrire", sw2, sw3}, [&] { dumpWindow->ENVOI_SW->click(); }},
        {{"interrupteurs", "lire"}, [&] { dumpWindow->LIT_SW->click(); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args.join(' ').toStdString());
        windowPort.writes.clear();
        row.window();
        SimConsole c;
        c.port.model().setReg(21, windowPort.model().reg(21));
        c.port.model().setReg(22, windowPort.model().reg(22));
        EXPECT_EQ(c.run(QStringList(row.args) << "-p" << "1"), kExitDone) << c.err.toStdString();
        ASSERT_EQ(c.port.writes.size(), windowPort.writes.size());
        for (size_t i = 0; i < c.port.writes.size(); ++i)
            EXPECT_EQ(c.port.writes[i].bytes.toHex(' '), windowPort.writes[i].bytes.toHex(' ')) << i;
    }
    // The switches written are read back as the window shows them.
    SimConsole c;
    c.port.model().setReg(21, windowPort.model().reg(21));
    c.port.model().setReg(22, windowPort.model().reg(22));
    EXPECT_EQ(c.run({"interrupteurs", "lire", "-p", "1"}), kExitDone);
    EXPECT_EQ(c.out, QStringLiteral("SW2 : %1\nSW3 : %2\n").arg(sw2, sw3));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(dumpWindow->SW2[size_t(i)]->value() == 0, sw2[i] == '1') << i;
}

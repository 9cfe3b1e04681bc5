#include "core/ConfigFile.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace kwf;

namespace {

const QDateTime kCreated(QDate(2026, 12, 5), QTime(9, 58, 49));

QList<QByteArray> linesOf(const QByteArray& bytes)
{
    QList<QByteArray> l = bytes.split('\n');
    if (!l.isEmpty() && l.last().isEmpty())
        l.removeLast();
    return l;
}

ConfigValues sample()
{
    ConfigValues v;
    v.selectors = {2, 1, 0, 1, 1, 1, 0, 1};
    for (int i = 0; i < 12; ++i) {
        v.relays[0].combos[size_t(i)] = (i * 7) % 24;
        v.relays[1].combos[size_t(i)] = (i * 5 + 3) % 24;
    }
    for (int d = 0; d < 28; ++d) {
        v.relays[0].days[size_t(d)] = d % 3 == 0;
        v.relays[1].days[size_t(d)] = d % 4 == 1;
    }
    v.relays[0].option1 = false;
    v.relays[0].option2 = true;
    return v;
}

} // namespace

TEST(ConfigFormat, DefaultsWriteTheWholeLayoutInWindows1252WithCrLf)
{
    const QByteArray bytes = writeConfig(ConfigValues{}, LinkSettings{}, kCreated);
    const QList<QByteArray> lines = linesOf(bytes);
    ASSERT_EQ(lines.size(), 115);
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_EQ(bytes.count('\n'), 115);
    EXPECT_EQ(bytes.count('\r'), 115);
    for (const QByteArray& l : lines)
        ASSERT_TRUE(l.endsWith('\r')) << l.constData();
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(lines[i], "0\r");
    for (int i = 8; i < 32; ++i)
        EXPECT_EQ(lines[i], "00\r");
    for (int i = 32; i < 88; ++i)
        EXPECT_EQ(lines[i], "0\r");
    EXPECT_EQ(lines[88], "1\r");   // Option1 selected in fresh windows
    EXPECT_EQ(lines[89], "0\r");
    EXPECT_EQ(lines[90], "1\r");
    EXPECT_EQ(lines[91], "0\r");

    const QByteArray dashes(33, '-'), blanks(33, ' ');
    const QList<QByteArray> summary = {
        "             Z O Z               ", dashes, "DEBUT DU FICHIER DE CONFIGURATION",
        "CARTE KWF             ZOL 04-2009", dashes, blanks,
        "Connect\xe9 sur Port COM1:", "INTERFACE Filaire ", "DIGIT 6 Digits HH:MM.SS", "Couleur Mono couleur",
        "DCF77 NON", "Relais 1 NON", "Relais 2 NON", "R\xe9ponse NON", blanks, dashes, blanks,
        "FIN DU FICHIER DE CONFIGURATION  ", blanks, "cr\xe9\x65 le: 05/12/2026", "\xe0 09:58", dashes, blanks};
    ASSERT_EQ(summary.size(), 23);
    for (int i = 0; i < 23; ++i)
        EXPECT_EQ(lines[92 + i], summary[i] + '\r') << "line " << 93 + i;
    EXPECT_EQ(fromWindows1252(lines[98]), QStringLiteral("Connecté sur Port COM1:\r"));
}

TEST(ConfigFormat, ValuesRoundTripIncludingTwoDigitRelayIndexes)
{
    ConfigValues v = sample();
    v.relays[0].combos[2] = 7;
    const QByteArray bytes = writeConfig(v, LinkSettings{}, kCreated);
    EXPECT_EQ(linesOf(bytes)[10], "07\r");   // Relais_1 Combo3
    const ConfigRead r = readConfig(bytes, ConfigValues{});
    EXPECT_TRUE(r.complete());
    EXPECT_EQ(r.values, v);
    EXPECT_EQ(r.values.relays[0].combos[2], 7);
    EXPECT_EQ(readConfig(writeConfig(ConfigValues{}, LinkSettings{}, kCreated), sample()).values, ConfigValues{});
}

TEST(ConfigFormat, ElevenAndTwelfthPortAndEmptyRelayListsKeepTheLinePositions)
{
    for (int port : {9, 10, 11}) {
        ConfigValues v = sample();
        v.selectors[0] = port;
        v.relays[1].combos[11] = -1;   // a duration box left empty by a read
        v.relays[0].combos[0] = 23;
        const QByteArray bytes = writeConfig(v, LinkSettings{}, kCreated);
        const QList<QByteArray> lines = linesOf(bytes);
        EXPECT_EQ(lines[0], QByteArray(1, "9AB"[port - 9]) + '\r');
        EXPECT_EQ(lines[31], "-1\r");
        EXPECT_EQ(bytes.size(), writeConfig(ConfigValues{}, LinkSettings{}, kCreated).size());
        const ConfigRead r = readConfig(bytes, ConfigValues{});
        EXPECT_TRUE(r.complete());
        EXPECT_EQ(r.values, v);
    }
}

TEST(ConfigFormat, ReadingStopsAtTheFirstBadFieldAndKeepsTheRest)
{
    const ConfigValues before = sample();
    ConfigValues wanted = before;
    wanted.selectors = {4, 0, 0, 0, 0, 0, 1, 0};
    wanted.relays[1].option1 = true;
    wanted.relays[1].option2 = false;
    const QByteArray good = writeConfig(wanted, LinkSettings{}, kCreated);

    struct Case { const char* what; int at; QByteArray put; int fieldsRead; };
    const Case cases[] = {
        {"letter in line 3", configFieldPosition(2), "x", 2},
        {"port letter C", configFieldPosition(0), "C", 0},
        {"interface index 2", configFieldPosition(1), "2", 1},
        {"digits index 1 (one-item list)", configFieldPosition(2), "1", 2},
        {"hour 24", configFieldPosition(8), "24", 8},
        {"minute 60", configFieldPosition(9), "60", 9},
        {"duration 59 (list of 59)", configFieldPosition(10), "59", 10},
        {"minus two", configFieldPosition(11), "-2", 11},
        {"lone minus", configFieldPosition(11), " -", 11},
        {"day box 2", configFieldPosition(40), "2", 40},
        {"option blank", configFieldPosition(91), " ", 91},
        {"accented letter", configFieldPosition(50), "\xe9", 50},
    };
    for (const Case& c : cases) {
        QByteArray bad = good;
        bad.replace(c.at - 1, c.put.size(), c.put);
        const ConfigRead r = readConfig(bad, before);
        EXPECT_EQ(r.fieldsRead, c.fieldsRead) << c.what;
        EXPECT_FALSE(r.complete()) << c.what;
        for (int i = 0; i < 92; ++i)
            ASSERT_EQ(r.values.field(i), (i < c.fieldsRead ? wanted : before).field(i)) << c.what << " field " << i;
    }
    // What the older program's number conversion took: blanks and a plus sign around two digits.
    QByteArray loose = good;
    loose.replace(configFieldPosition(8) - 1, 2, " 7");
    loose.replace(configFieldPosition(9) - 1, 2, "+9");
    const ConfigRead r = readConfig(loose, before);
    EXPECT_TRUE(r.complete());
    EXPECT_EQ(r.values.relays[0].combos[0], 7);
    EXPECT_EQ(r.values.relays[0].combos[1], 9);
}

TEST(ConfigFormat, ShortEmptyOlderAndLfOnlyFiles)
{
    const ConfigValues before = sample();
    const ConfigValues wanted{};
    const QByteArray good = writeConfig(wanted, LinkSettings{}, kCreated);

    EXPECT_EQ(readConfig(QByteArray(), before).fieldsRead, 0);
    EXPECT_EQ(readConfig(QByteArray(), before).values, before);
    // Cut inside the relay lists: the fields that are there are taken.
    const ConfigRead cut = readConfig(good.left(configFieldPosition(20)), before);
    EXPECT_EQ(cut.fieldsRead, 20);
    EXPECT_EQ(cut.values.relays[0].combos, wanted.relays[0].combos);
    EXPECT_EQ(cut.values.relays[1].combos[0], before.relays[1].combos[0]);
    // The last value without its line end is still complete; the summary is never needed.
    EXPECT_TRUE(readConfig(good.left(configFieldPosition(91)), before).complete());

    // A summary edited by hand, even removed, changes nothing.
    QByteArray edited = good.left(configFieldPosition(92) - 1) + "notes \xe0 la main\r\n\r\n";
    EXPECT_EQ(readConfig(edited, before).values, readConfig(good, before).values);

    // The same file with LF line ends reads the same values.
    QByteArray lf = good;
    lf.replace("\r\n", "\n");
    const ConfigRead r = readConfig(lf, before);
    EXPECT_TRUE(r.complete());
    EXPECT_EQ(r.values, wanted);

    // An older file with "10" for COM11: on line 1: index 1 taken, then stop at the shifted lines.
    QByteArray older = good;
    older.replace(0, 1, "10");
    const ConfigRead o = readConfig(older, before);
    EXPECT_EQ(o.fieldsRead, 1);
    EXPECT_EQ(o.values.selectors[0], 1);
    EXPECT_EQ(o.values.selectors[1], before.selectors[1]);
}

TEST(ConfigFormat, FieldPositionsMatchTheLines)
{
    EXPECT_EQ(configFieldPosition(0), 1);
    EXPECT_EQ(configFieldPosition(1), 4);
    EXPECT_EQ(configFieldPosition(8), 25);
    EXPECT_EQ(configFieldPosition(9), 29);
    EXPECT_EQ(configFieldPosition(32), 121);
    EXPECT_EQ(configFieldPosition(91), 298);
}

TEST(ConfigFormat, RandomAndMutatedFilesNeverCrashOrHang)
{
    QRandomGenerator rng(20261206);
    const QByteArray good = writeConfig(sample(), LinkSettings{}, kCreated);
    const QByteArray alphabet("0123456789AB-+ \r\n\xe9x\0", 21);
    int complete = 0;
    for (int n = 0; n < 4000; ++n) {
        QByteArray f;
        switch (n % 4) {
        case 0: {   // random bytes of random length
            f.resize(int(rng.bounded(600)));
            for (char& c : f)
                c = char(rng.bounded(256));
            break;
        }
        case 1: {   // a few flipped bytes
            f = good;
            for (int k = int(rng.bounded(1, 4)); k > 0; --k)
                f[int(rng.bounded(f.size()))] = alphabet[int(rng.bounded(alphabet.size()))];
            break;
        }
        case 2: {   // cut, or with bytes inserted or removed
            f = good.left(int(rng.bounded(good.size() + 1)));
            const int at = int(rng.bounded(f.size() + 1));
            if (rng.bounded(2))
                f.insert(at, alphabet.mid(int(rng.bounded(alphabet.size())), 1));
            else
                f.remove(at, int(rng.bounded(3)));
            break;
        }
        default: {  // text of the file's own alphabet
            f.resize(int(rng.bounded(400)));
            for (char& c : f)
                c = alphabet[int(rng.bounded(alphabet.size()))];
        }
        }
        const ConfigRead r = readConfig(f, sample());
        ASSERT_GE(r.fieldsRead, 0);
        ASSERT_LE(r.fieldsRead, 92);
        for (int i = 0; i < 92; ++i) {
            const ConfigField fd = configField(i);
            ASSERT_GE(r.values.field(i), fd.lowest);
            ASSERT_LE(r.values.field(i), fd.highest);
        }
        complete += r.complete();
    }
    EXPECT_GT(complete, 0);   // single flips in the summary leave the file whole
}

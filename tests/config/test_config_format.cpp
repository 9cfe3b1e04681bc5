#include "core/ConfigFile.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace kwf;

TEST(ConfigFormat, DefaultsWrite115CrLfLinesWithTheSummaryInWindows1252)
{
    const QByteArray bytes = writeConfig(ConfigValues{}, LinkSettings{}, QDateTime(QDate(2026, 12, 5), QTime(9, 58, 49)));
    ASSERT_EQ(bytes.count("\r\n"), 115);
    // Selectors, relay lists ("00"), day boxes, then Option1 selected in both relay windows.
    const QByteArray values = QByteArray("0\r\n").repeated(8) + QByteArray("00\r\n").repeated(24)
                              + QByteArray("0\r\n").repeated(56) + "1\r\n0\r\n1\r\n0\r\n";
    const QByteArray dashes(33, '-'), blanks(33, ' ');
    const QList<QByteArray> summary = {
        "             Z O Z               ", dashes, "DEBUT DU FICHIER DE CONFIGURATION",
        "CARTE KWF             ZOL 04-2009", dashes, blanks,
        "Connect\xe9 sur Port COM1:", "INTERFACE Filaire ", "DIGIT 6 Digits HH:MM.SS", "Couleur Mono couleur",
        "DCF77 NON", "Relais 1 NON", "Relais 2 NON", "R\xe9ponse NON", blanks, dashes, blanks,
        "FIN DU FICHIER DE CONFIGURATION  ", blanks, "cr\xe9\x65 le: 05/12/2026", "\xe0 09:58:49", dashes, blanks};
    EXPECT_EQ(bytes, values + summary.join("\r\n") + "\r\n");
}

TEST(ConfigFormat, RandomAndMutatedFilesKeepEveryValueInItsList)
{
    QRandomGenerator rng(20261206);
    ConfigValues current;
    current.selectors = {11, 1, 0, 1, 1, 1, 0, 1};   // COM12:
    current.relays[1].combos[11] = -1;
    const QByteArray good = writeConfig(current, LinkSettings{}, QDateTime(QDate(2026, 12, 5), QTime(9, 58)));
    const QByteArray alphabet("0123456789AB-+ \r\n\xe9x\0", 21);
    auto pick = [&] { return alphabet[int(rng.bounded(alphabet.size()))]; };
    int complete = 0;
    for (int n = 0; n < 4000; ++n) {
        // Random bytes, text of the file's own alphabet, or the file whole or cut with a few bytes
        // changed, inserted or removed.
        QByteArray f = n % 4 == 1 ? good : n % 4 == 3 ? good.left(int(rng.bounded(good.size() + 1))) : QByteArray();
        for (int k = n % 2 ? 0 : int(rng.bounded(500)); k > 0; --k)
            f += n % 4 ? pick() : char(rng.bounded(256));
        for (int k = n % 2 ? int(rng.bounded(1, 4)) : 0; k > 0 && !f.isEmpty(); --k) {
            const int at = int(rng.bounded(f.size())), how = int(rng.bounded(3));
            how == 0 ? void(f[at] = pick()) : how == 1 ? void(f.insert(at, pick())) : void(f.remove(at, 1));
        }
        const ConfigRead r = readConfig(f, current);
        ASSERT_TRUE(r.fieldsRead >= 0 && r.fieldsRead <= 92) << r.fieldsRead;
        for (int i = 0; i < 92; ++i) {
            const int v = r.values.field(i);
            ASSERT_TRUE(v >= configField(i).lowest && v <= configField(i).highest) << i << ": " << v;
            ASSERT_TRUE(i < r.fieldsRead || r.values.field(i) == current.field(i)) << i;   // the rest kept
        }
        complete += r.complete();
    }
    EXPECT_GT(complete, 0);   // changes in the summary leave the file whole
}

TEST(ConfigFormat, AValueOutsideItsListEndsTheReadingThere)
{
    const QByteArray good = writeConfig(ConfigValues{}, LinkSettings{}, QDateTime(QDate(2026, 12, 5), QTime(9, 58)));
    // Relay 1's first hour (field 8, hours 00..23), minute (field 9, 00..59), duration (field 10,
    // 01..59 as 00..58) and a selector (field 1, two items), each one past its list.
    const struct { int field; const char* text; } cases[] = {{8, "24"}, {8, "30"}, {9, "60"}, {10, "59"}, {1, "2"}};
    for (const auto& c : cases) {
        QByteArray f = good;
        f.replace(configFieldPosition(c.field) - 1, int(qstrlen(c.text)), c.text);
        const ConfigRead r = readConfig(f, ConfigValues{});
        EXPECT_EQ(r.fieldsRead, c.field) << c.field << " " << c.text;
        EXPECT_FALSE(r.complete());
    }
}

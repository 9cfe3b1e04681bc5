#include "core/ConfigFile.h"

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

TEST(ConfigFormat, AValueOutsideItsListEndsTheReadingThere)
{
    const QByteArray good = writeConfig(ConfigValues{}, LinkSettings{}, QDateTime(QDate(2026, 12, 5), QTime(9, 58)));
    // Relay 1's first hour (field 8, hours 00..23), minute (field 9, 00..59), duration (field 10,
    // 01..59 as 00..58) and a selector (field 1, two items), each one past its list.
    const struct { int field; const char* text; } cases[] = {{8, "24"}, {8, "30"}, {9, "60"}, {10, "59"}, {1, "2"}};
    // What the windows show before the reading: kept from the bad field on.
    ConfigValues current;
    current.selectors = {11, 1, 0, 1, 1, 1, 0, 1};
    current.relays[1].combos[11] = -1;
    for (const auto& c : cases) {
        QByteArray f = good;
        f.replace(configFieldPosition(c.field) - 1, int(qstrlen(c.text)), c.text);
        const ConfigRead r = readConfig(f, current);
        EXPECT_EQ(r.fieldsRead, c.field) << c.field << " " << c.text;
        EXPECT_FALSE(r.complete());
        for (int i = c.field; i < configfile::kFieldCount; ++i)
            ASSERT_EQ(r.values.field(i), current.field(i)) << c.field << ": field " << i;
    }
}

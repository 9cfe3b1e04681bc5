#include "core/ConfigFile.h"
#include "core/Dcf77Log.h"   // frenchShortTime
#include "core/TextFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace kwf {

namespace {

using namespace configfile;

// Field groups in file order.
constexpr int kSelectorsEnd = 8;                          // fields 0..7
constexpr int kCombosEnd = kSelectorsEnd + 2 * kRelayCombos;  // 8..31
constexpr int kDaysEnd = kCombosEnd + 2 * kRelayDays;         // 32..87
constexpr int kOptionsEnd = kDaysEnd + 4;                     // 88..91
static_assert(kOptionsEnd == kFieldCount, "92 value lines");

// Items in each selector list (settings window) and in the relay lists (hour, minute, duration).
constexpr int kSelectorItems[8] = {12, 2, 1, 2, 2, 2, 2, 2};
constexpr int kRelayItems[3] = {24, 60, 59};

const char kCrLf[] = "\r\n";

// One character of lines 1 to 8: the digits 0..9, and "A" / "B" for COM11: / COM12:, which a
// single character could not otherwise carry.
char selectorChar(int index)
{
    if (index >= 0 && index <= 9)
        return char('0' + index);
    if (index == 10 || index == 11)
        return char('A' + index - 10);
    // No item chosen cannot happen in the settings window; its first item stands in.
    return '0';
}

bool selectorValue(char c, int* out)
{
    if (c >= '0' && c <= '9') {
        *out = c - '0';
        return true;
    }
    if (c == 'A' || c == 'B') {
        *out = 10 + (c - 'A');
        return true;
    }
    return false;
}

// Two characters of lines 9 to 32: "00".."99", "-1" for a list with nothing chosen.
QByteArray comboText(int index)
{
    if (index < 0 || index > 99)
        return QByteArrayLiteral("-1");
    return QByteArray::number(index).rightJustified(2, '0');
}

// A two-character number: blanks around it allowed, an optional sign, then one or two digits;
// anything else is not a number.
bool comboValue(const QByteArray& text, int* out)
{
    int b = 0, e = int(text.size());
    while (b < e && text[b] == ' ')
        ++b;
    while (e > b && text[e - 1] == ' ')
        --e;
    bool negative = false;
    if (b < e && (text[b] == '-' || text[b] == '+')) {
        negative = text[b] == '-';
        ++b;
    }
    if (b >= e)
        return false;
    int v = 0;
    for (int i = b; i < e; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        v = v * 10 + (text[i] - '0');
    }
    *out = negative ? -v : v;
    return true;
}

QString repeated(char c) { return QString(33, QLatin1Char(c)); }

} // namespace

int ConfigValues::field(int i) const
{
    if (i < kSelectorsEnd)
        return selectors[size_t(i)];
    if (i < kCombosEnd) {
        const int j = i - kSelectorsEnd;
        return relays[size_t(j / kRelayCombos)].combos[size_t(j % kRelayCombos)];
    }
    if (i < kDaysEnd) {
        const int j = i - kCombosEnd;
        return relays[size_t(j / kRelayDays)].days[size_t(j % kRelayDays)] ? 1 : 0;
    }
    const int j = i - kDaysEnd;
    const RelayConfig& r = relays[size_t(j / 2)];
    return (j % 2 == 0 ? r.option1 : r.option2) ? 1 : 0;
}

void ConfigValues::setField(int i, int value)
{
    if (i < kSelectorsEnd) {
        selectors[size_t(i)] = value;
    } else if (i < kCombosEnd) {
        const int j = i - kSelectorsEnd;
        relays[size_t(j / kRelayCombos)].combos[size_t(j % kRelayCombos)] = value;
    } else if (i < kDaysEnd) {
        const int j = i - kCombosEnd;
        relays[size_t(j / kRelayDays)].days[size_t(j % kRelayDays)] = value != 0;
    } else {
        const int j = i - kDaysEnd;
        RelayConfig& r = relays[size_t(j / 2)];
        (j % 2 == 0 ? r.option1 : r.option2) = value != 0;
    }
}

std::array<bool, 2> optionButtonsAfterLine(std::array<bool, 2> buttons, int which, int value)
{
    const size_t self = which == 0 ? 0 : 1;
    buttons[self] = value != 0;
    if (value != 0)
        buttons[1 - self] = false;
    return buttons;
}

ConfigField configField(int i)
{
    if (i < kSelectorsEnd)
        return {1, 0, kSelectorItems[i] - 1};
    if (i < kCombosEnd)
        return {2, -1, kRelayItems[(i - kSelectorsEnd) % 3] - 1};
    return {1, 0, 1};
}

int configFieldPosition(int i)
{
    // Each line is its value and CR LF.
    int p = 1;
    for (int k = 0; k < i; ++k)
        p += configField(k).width + 2;
    return p;
}

QByteArray writeConfig(const ConfigValues& v, const LinkSettings& texts, const QDateTime& created)
{
    QByteArray out;
    out.reserve(1200);
    for (int i = 0; i < kFieldCount; ++i) {
        if (i < kSelectorsEnd)
            out += selectorChar(v.field(i));
        else if (i < kCombosEnd)
            out += comboText(v.field(i));
        else
            out += v.field(i) ? '1' : '0';
        out += kCrLf;
    }
    const QString dashes = repeated('-');
    const QString blanks = repeated(' ');
    const QLocale fr(QLocale::French, QLocale::France);
    const QStringList summary = {
        QStringLiteral("             Z O Z               "),
        dashes,
        QStringLiteral("DEBUT DU FICHIER DE CONFIGURATION"),
        QStringLiteral("CARTE KWF             ZOL 04-2009"),
        dashes,
        blanks,
        QStringLiteral("Connecté sur Port ") + texts.port,
        QStringLiteral("INTERFACE ") + texts.interface,
        QStringLiteral("DIGIT ") + texts.digits,
        QStringLiteral("Couleur ") + texts.colour,
        QStringLiteral("DCF77 ") + texts.dcf77,
        QStringLiteral("Relais 1 ") + texts.relay1,
        QStringLiteral("Relais 2 ") + texts.event,
        QStringLiteral("Réponse ") + texts.response,
        blanks,
        dashes,
        blanks,
        QStringLiteral("FIN DU FICHIER DE CONFIGURATION  "),
        blanks,
        QStringLiteral("crée le: ") + fr.toString(created.date(), QLocale::ShortFormat),
        // The time with its seconds ("14:05:09"), as the system's long time format writes it.
        QStringLiteral("à ") + frenchShortTime(created.time()),
        dashes,
        blanks,
    };
    static_assert(kLineCount - kFieldCount == 23, "23 summary lines");
    for (const QString& line : summary) {
        out += toWindows1252(line);
        out += kCrLf;
    }
    return out;
}

ConfigRead readConfig(const QByteArray& bytes, const ConfigValues& current)
{
    ConfigRead r;
    r.values = current;
    QByteArray content = bytes;
    // A file whose line ends lost their CR (converted by an editor or a transfer) keeps its values
    // at the same lines; put the CR back so that they fall at their positions again.
    if (!content.contains('\r'))
        content.replace('\n', QByteArrayLiteral("\r\n"));
    int p = 0;   // 0-based
    for (int i = 0; i < kFieldCount; ++i) {
        const ConfigField f = configField(i);
        if (p + f.width > content.size())
            return r;
        int value = 0;
        const bool converted = f.width == 1 ? selectorValue(content[p], &value)
                                            : comboValue(content.mid(p, 2), &value);
        if (!converted || value < f.lowest || value > f.highest)
            return r;
        if (i >= kDaysEnd) {
            // The option buttons as a relay window takes the line: "1" selects the button and
            // its twin goes off, "0" unselects it alone.
            RelayConfig& rc = r.values.relays[size_t((i - kDaysEnd) / 2)];
            const auto on = optionButtonsAfterLine({rc.option1, rc.option2}, (i - kDaysEnd) % 2, value);
            rc.option1 = on[0];
            rc.option2 = on[1];
        } else {
            r.values.setField(i, value);
        }
        r.fieldsRead = i + 1;
        p += f.width + 2;
    }
    return r;
}

QString defaultConfigPath(const QString& programDir)
{
    const QDir dir(programDir);
    const QString name = QString::fromLatin1(kDefaultName);
    if (QFileInfo::exists(dir.filePath(name)))
        return dir.filePath(name);
    const QStringList all = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& f : all)
        if (f.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(f);
    return dir.filePath(name);
}

} // namespace kwf

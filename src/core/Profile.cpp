#include "core/Profile.h"
#include "core/Bcd.h"
#include "core/DisplayOps.h"
#include "core/RegisterMap.h"
#include "core/RelayOps.h"

#include <QMap>
#include <QRegularExpression>
#include <QStringDecoder>
#include <functional>

namespace kwf::profile {

namespace {

constexpr int kFormat = 1;
constexpr int kRelayData1 = kRelay1First + 1;   // alarm 1 of relay 1
constexpr int kRelayData2 = kRelay2First;       // alarm 1 of relay 2
constexpr int kMaxCount = 0xFFFFFF;

const QStringList& dayNames()
{
    static const QStringList names = {QStringLiteral("lundi"),    QStringLiteral("mardi"),  QStringLiteral("mercredi"),
                                      QStringLiteral("jeudi"),    QStringLiteral("vendredi"), QStringLiteral("samedi"),
                                      QStringLiteral("dimanche")};
    return names;
}

QString hex2(int v)
{
    return QStringLiteral("%1").arg(v, 2, 16, QLatin1Char('0')).toUpper();
}

std::optional<int> bcd(const Registers& r, int reg, int lo, int hi)
{
    if (r[size_t(reg)] < 0)
        return std::nullopt;
    const std::optional<int> v = bcdToInt(quint8(r[size_t(reg)]));
    if (!v || *v < lo || *v > hi)
        return std::nullopt;
    return v;
}

int count24(const Registers& r, int first)
{
    return (r[size_t(first)] << 16) | (r[size_t(first + 1)] << 8) | r[size_t(first + 2)];
}

void setCount24(Registers& r, int first, int v)
{
    r[size_t(first)] = (v >> 16) & 0xFF;
    r[size_t(first + 1)] = (v >> 8) & 0xFF;
    r[size_t(first + 2)] = v & 0xFF;
}

// "HH:MM" with hours 0..23 and minutes 0..59.
bool parseTime(const QString& v, int* h, int* m)
{
    static const QRegularExpression re(QStringLiteral("^(\\d{2}):(\\d{2})$"));
    const QRegularExpressionMatch mt = re.match(v);
    if (!mt.hasMatch())
        return false;
    *h = mt.captured(1).toInt();
    *m = mt.captured(2).toInt();
    return *h <= 23 && *m <= 59;
}

bool parseNumber(const QString& v, int lo, int hi, int* out)
{
    static const QRegularExpression re(QStringLiteral("^\\d{1,8}$"));
    if (!re.match(v).hasMatch())
        return false;
    *out = v.toInt();
    return *out >= lo && *out <= hi;
}

// Colour letters of a mask byte: pairs in bits 7-6, 4-3 and 1-0, r v a.
const char kColourLetters[] = {'?', 'r', 'v', 'a'};

std::optional<QString> maskText(int byte, int pairs)
{
    if (byte < 0 || (byte & 0x24))
        return std::nullopt;
    QString s;
    const int shifts[] = {6, 3, 0};
    for (int k = 0; k < pairs; ++k) {
        const int code = (byte >> shifts[k]) & 3;
        if (code == 0)
            return std::nullopt;
        s += QLatin1Char(kColourLetters[code]);
    }
    return s;
}

int letterCode(QChar c)
{
    for (int code = 1; code <= 3; ++code)
        if (c == QLatin1Char(kColourLetters[code]))
            return code;
    return 0;
}

std::optional<int> maskByte(const QString& v)
{
    if (v.size() != 3)
        return std::nullopt;
    int byte = 0;
    const int shifts[] = {6, 3, 0};
    for (int k = 0; k < 3; ++k) {
        const int code = letterCode(v[k]);
        if (!code)
            return std::nullopt;
        byte |= code << shifts[k];
    }
    return byte;
}

// What a named field is for; fields of different uses of one block do not mix in a file.
enum class Use { Always, Relay2, Event, Brightness, ClockColours, CountdownColours, Relay1Alarm2 };

struct FieldDef {
    QString name;
    Block block;
    Use use;
    std::vector<int> regs;
    QString expected;   // what the value should look like, for messages
    std::function<std::optional<QString>(const Registers&)> get;
    std::function<bool(const QString&, Registers&)> set;
};

bool isCommand(const Registers& r) { return r[kCommandBlockFirst] >= kFunctionBase; }

bool brightnessCommand(const Registers& r)
{
    const int p1 = r[kCommandBlockFirst + 1], p3 = r[kCommandBlockFirst + 3];
    return r[kCommandBlockFirst] == kFunctionBase && r[kCommandBlockFirst + 4] == 0
        && (p1 == brightness::kModeAutoSensor || p1 == brightness::kModeForced20 || p1 == brightness::kModeForced100)
        && (p3 == brightness::kSensitivityFast || p3 == brightness::kSensitivitySlow)
        && r[kCommandBlockFirst + 2] >= brightness::kLevelMin && r[kCommandBlockFirst + 2] <= brightness::kLevelMax;
}

bool clockColours(const Registers& r)
{
    return r[kCommandBlockFirst] == kFunctionBase && r[kCommandBlockFirst + 3] == 0 && r[kCommandBlockFirst + 4] == 0;
}

bool countdownColours(const Registers& r)
{
    return r[kCommandBlockFirst] >= kFunctionBase + 1 && r[kCommandBlockFirst] <= kFunctionBase + 3;
}

void relayFields(std::vector<FieldDef>& out, int relay)
{
    const int data = relay == 1 ? kRelayData1 : kRelayData2;
    const Block block = relay == 1 ? Block::Relay1 : Block::Relay2;
    const Use use = relay == 1 ? Use::Always : Use::Relay2;
    const QString base = QStringLiteral("relais%1.").arg(relay);
    out.push_back({base + QStringLiteral("contact"), block, use, {data, data + 4, data + 8, data + 12},
                   QStringLiteral("ferme ou ouvre"),
                   [data](const Registers& r) -> std::optional<QString> {
                       return (r[size_t(data)] & kContactCloses) ? QStringLiteral("ferme") : QStringLiteral("ouvre");
                   },
                   [data](const QString& v, Registers& r) {
                       if (v != QLatin1String("ferme") && v != QLatin1String("ouvre"))
                           return false;
                       for (int k = 0; k < 4; ++k) {
                           int& mask = r[size_t(data + 4 * k)];
                           mask = v == QLatin1String("ferme") ? (mask | kContactCloses) : (mask & ~kContactCloses);
                       }
                       return true;
                   }});
    for (int k = 0; k < 4; ++k) {
        const int mask = data + 4 * k;
        // Relay 1's alarm 2 shares registers 20 to 22 with the switch image.
        const Use alarmUse = relay == 1 && k == 1 ? Use::Relay1Alarm2 : use;
        const QString alarm = base + QStringLiteral("alarme%1.").arg(k + 1);
        out.push_back({alarm + QStringLiteral("jours"), block, alarmUse, {mask},
                       QStringLiteral("des jours (lundi,mardi…) ou aucun"),
                       [mask](const Registers& r) -> std::optional<QString> {
                           QStringList days;
                           for (int d = 0; d < 7; ++d)
                               if (r[size_t(mask)] & (1 << d))
                                   days << dayNames()[d];
                           return days.isEmpty() ? QStringLiteral("aucun") : days.join(QLatin1Char(','));
                       },
                       [mask](const QString& v, Registers& r) {
                           int bits = 0;
                           if (v != QLatin1String("aucun")) {
                               for (const QString& d : v.split(QLatin1Char(','))) {
                                   const qsizetype i = dayNames().indexOf(d.trimmed().toLower());
                                   if (i < 0)
                                       return false;
                                   bits |= 1 << i;
                               }
                           }
                           r[size_t(mask)] = (r[size_t(mask)] & kContactCloses) | bits;
                           return true;
                       }});
        out.push_back({alarm + QStringLiteral("heure"), block, alarmUse, {mask + 1, mask + 2},
                       QStringLiteral("HH:MM, de 00:00 à 23:59"),
                       [mask](const Registers& r) -> std::optional<QString> {
                           const auto h = bcd(r, mask + 1, 0, 23), m = bcd(r, mask + 2, 0, 59);
                           if (!h || !m)
                               return std::nullopt;
                           return QStringLiteral("%1:%2").arg(*h, 2, 10, QLatin1Char('0')).arg(*m, 2, 10, QLatin1Char('0'));
                       },
                       [mask](const QString& v, Registers& r) {
                           int h = 0, m = 0;
                           if (!parseTime(v, &h, &m))
                               return false;
                           r[size_t(mask + 1)] = toBcd(h);
                           r[size_t(mask + 2)] = toBcd(m);
                           return true;
                       }});
        out.push_back({alarm + QStringLiteral("duree"), block, use, {mask + 3},
                       QStringLiteral("une durée de 0 à 59 secondes"),
                       [mask](const Registers& r) -> std::optional<QString> {
                           if (r[size_t(mask + 3)] > 59)
                               return std::nullopt;
                           return QString::number(r[size_t(mask + 3)]);
                       },
                       [mask](const QString& v, Registers& r) {
                           int s = 0;
                           if (!parseNumber(v, 0, 59, &s))
                               return false;
                           r[size_t(mask + 3)] = s;
                           return true;
                       }});
    }
}

void eventFields(std::vector<FieldDef>& out)
{
    const int f = kRelay2First;
    auto onlyEvent = [](std::function<std::optional<QString>(const Registers&)> g) {
        return [g](const Registers& r) -> std::optional<QString> {
            return holdsEvent(r) ? g(r) : std::nullopt;
        };
    };
    out.push_back({QStringLiteral("evenement.date"), Block::Relay2, Use::Event, {f + 3, f + 4, f + 5},
                   QStringLiteral("AAAA-MM-JJ, de 2000 à 2099"),
                   onlyEvent([f](const Registers& r) -> std::optional<QString> {
                       return QStringLiteral("20%1-%2-%3").arg(hex2(r[size_t(f + 5)]), hex2(r[size_t(f + 4)]), hex2(r[size_t(f + 3)]));
                   }),
                   [f](const QString& v, Registers& r) {
                       const QDate d = QDate::fromString(v, QStringLiteral("yyyy-MM-dd"));
                       if (!d.isValid() || d.year() < 2000 || d.year() > 2099)
                           return false;
                       r[size_t(f + 3)] = toBcd(d.day());
                       r[size_t(f + 4)] = toBcd(d.month());
                       r[size_t(f + 5)] = toBcd(d.year() % 100);
                       return true;
                   }});
    out.push_back({QStringLiteral("evenement.heure"), Block::Relay2, Use::Event, {f, f + 1, f + 2},
                   QStringLiteral("HH:MM, de 00:00 à 23:59"),
                   onlyEvent([f](const Registers& r) -> std::optional<QString> {
                       return QStringLiteral("%1:%2").arg(hex2(r[size_t(f)]), hex2(r[size_t(f + 1)]));
                   }),
                   [f](const QString& v, Registers& r) {
                       int h = 0, m = 0;
                       if (!parseTime(v, &h, &m))
                           return false;
                       r[size_t(f)] = toBcd(h);
                       r[size_t(f + 1)] = toBcd(m);
                       r[size_t(f + 2)] = 0;
                       return true;
                   }});
    out.push_back({QStringLiteral("evenement.contact"), Block::Relay2, Use::Event, {f + 15},
                   QStringLiteral("ferme ou ouvre"),
                   onlyEvent([f](const Registers& r) -> std::optional<QString> {
                       return r[size_t(f + 15)] ? QStringLiteral("ferme") : QStringLiteral("ouvre");
                   }),
                   [f](const QString& v, Registers& r) {
                       if (v != QLatin1String("ferme") && v != QLatin1String("ouvre"))
                           return false;
                       r[size_t(f + 15)] = v == QLatin1String("ferme") ? 0xFF : 0x00;
                       return true;
                   }});
    const struct { const char* name; int first; } counts[] = {
        {"evenement.jours", f + 6}, {"evenement.heures", f + 9}, {"evenement.minutes", f + 12}};
    for (const auto& c : counts) {
        const int first = c.first;
        out.push_back({QString::fromLatin1(c.name), Block::Relay2, Use::Event, {first, first + 1, first + 2},
                       QStringLiteral("un nombre de 0 à 16777215"),
                       onlyEvent([first](const Registers& r) -> std::optional<QString> {
                           return QString::number(count24(r, first));
                       }),
                       [first](const QString& v, Registers& r) {
                           int n = 0;
                           if (!parseNumber(v, 0, kMaxCount, &n))
                               return false;
                           setCount24(r, first, n);
                           return true;
                       }});
    }
}

void commandFields(std::vector<FieldDef>& out)
{
    const int c = kCommandBlockFirst;
    const std::vector<int> all = {c, c + 1, c + 2, c + 3, c + 4};
    // Any brightness field makes the block a brightness command, the window's defaults elsewhere.
    auto asBrightness = [c](Registers& r) {
        if (!brightnessCommand(r)) {
            r[size_t(c)] = kFunctionBase;
            r[size_t(c + 1)] = brightness::kModeForced100;
            r[size_t(c + 2)] = brightness::kLevelDefault;
            r[size_t(c + 3)] = brightness::kSensitivityFast;
            r[size_t(c + 4)] = 0;
        }
    };
    out.push_back({QStringLiteral("luminosite.mode"), Block::Command, Use::Brightness, all,
                   QStringLiteral("auto, 20 ou 100"),
                   [c](const Registers& r) -> std::optional<QString> {
                       if (!brightnessCommand(r))
                           return std::nullopt;
                       const int m = r[size_t(c + 1)];
                       return m == brightness::kModeAutoSensor ? QStringLiteral("auto")
                           : m == brightness::kModeForced20    ? QStringLiteral("20")
                                                               : QStringLiteral("100");
                   },
                   [c, asBrightness](const QString& v, Registers& r) {
                       const int m = v == QLatin1String("auto") ? brightness::kModeAutoSensor
                           : v == QLatin1String("20")           ? brightness::kModeForced20
                           : v == QLatin1String("100")          ? brightness::kModeForced100
                                                                : -1;
                       if (m < 0)
                           return false;
                       asBrightness(r);
                       r[size_t(c + 1)] = m;
                       return true;
                   }});
    out.push_back({QStringLiteral("luminosite.niveau"), Block::Command, Use::Brightness, all,
                   QStringLiteral("un niveau de 0 à 15"),
                   [c](const Registers& r) -> std::optional<QString> {
                       if (!brightnessCommand(r))
                           return std::nullopt;
                       return QString::number(r[size_t(c + 2)]);
                   },
                   [c, asBrightness](const QString& v, Registers& r) {
                       int n = 0;
                       if (!parseNumber(v, brightness::kLevelMin, brightness::kLevelMax, &n))
                           return false;
                       asBrightness(r);
                       r[size_t(c + 2)] = n;
                       return true;
                   }});
    out.push_back({QStringLiteral("luminosite.detection"), Block::Command, Use::Brightness, all,
                   QStringLiteral("rapide ou lente"),
                   [c](const Registers& r) -> std::optional<QString> {
                       if (!brightnessCommand(r))
                           return std::nullopt;
                       return r[size_t(c + 3)] == brightness::kSensitivityFast ? QStringLiteral("rapide") : QStringLiteral("lente");
                   },
                   [c, asBrightness](const QString& v, Registers& r) {
                       if (v != QLatin1String("rapide") && v != QLatin1String("lente"))
                           return false;
                       asBrightness(r);
                       r[size_t(c + 3)] = v == QLatin1String("rapide") ? brightness::kSensitivityFast : brightness::kSensitivitySlow;
                       return true;
                   }});
    // Colours: the time and date masks, or the four countdown masks and the end message.
    const struct { const char* name; int reg; Use use; } masks[] = {
        {"couleur.heure", c + 1, Use::ClockColours},   {"couleur.date", c + 2, Use::ClockColours},
        {"couleur.n", c + 1, Use::CountdownColours},   {"couleur.hm", c + 2, Use::CountdownColours},
        {"couleur.j", c + 3, Use::CountdownColours},   {"couleur.h", c + 4, Use::CountdownColours}};
    for (const auto& m : masks) {
        const int reg = m.reg;
        const bool clock = m.use == Use::ClockColours;
        out.push_back({QString::fromLatin1(m.name), Block::Command, m.use, all,
                       QStringLiteral("trois lettres r, v ou a"),
                       [reg, clock](const Registers& r) -> std::optional<QString> {
                           if (clock ? !clockColours(r) : !countdownColours(r))
                               return std::nullopt;
                           return maskText(r[size_t(reg)], 3);
                       },
                       [c, reg, clock](const QString& v, Registers& r) {
                           const std::optional<int> byte = maskByte(v);
                           if (!byte)
                               return false;
                           if (clock && !clockColours(r)) {
                               r[size_t(c)] = kFunctionBase;
                               r[size_t(c + 3)] = r[size_t(c + 4)] = 0;
                           } else if (!clock && !countdownColours(r)) {
                               r[size_t(c)] = kFunctionBase + 1;
                           }
                           r[size_t(reg)] = *byte;
                           return true;
                       }});
    }
    out.push_back({QStringLiteral("couleur.fin"), Block::Command, Use::CountdownColours, all,
                   QStringLiteral("une lettre r, v ou a"),
                   [c](const Registers& r) -> std::optional<QString> {
                       if (!countdownColours(r))
                           return std::nullopt;
                       return QString(QLatin1Char(kColourLetters[r[size_t(c)] - kFunctionBase]));
                   },
                   [c](const QString& v, Registers& r) {
                       const int code = v.size() == 1 ? letterCode(v[0]) : 0;
                       if (!code)
                           return false;
                       r[size_t(c)] = kFunctionBase + code;
                       return true;
                   }});
}

void switchFields(std::vector<FieldDef>& out)
{
    const struct { const char* name; int reg; } banks[] = {
        {"interrupteurs.sw2", switches::kBankSw2Register}, {"interrupteurs.sw3", switches::kBankSw3Register}};
    for (const auto& b : banks) {
        const int reg = b.reg;
        out.push_back({QString::fromLatin1(b.name), Block::Switches, Use::Always, {reg},
                       QStringLiteral("huit chiffres 0 (OFF) ou 1 (ON), interrupteur 1 en premier"),
                       [reg](const Registers& r) -> std::optional<QString> {
                           QString s;
                           for (int i = 0; i < 8; ++i)
                               s += (r[size_t(reg)] >> i) & 1 ? QLatin1Char('1') : QLatin1Char('0');
                           return s;
                       },
                       [reg](const QString& v, Registers& r) {
                           static const QRegularExpression re(QStringLiteral("^[01]{8}$"));
                           if (!re.match(v).hasMatch())
                               return false;
                           int byte = 0;
                           for (int i = 0; i < 8; ++i)
                               if (v[i] == QLatin1Char('1'))
                                   byte |= 1 << i;
                           r[size_t(reg)] = byte;
                           return true;
                       }});
    }
}

// Every named field, in the file's order.
const std::vector<FieldDef>& fieldDefs()
{
    static const std::vector<FieldDef> defs = [] {
        std::vector<FieldDef> d;
        switchFields(d);
        relayFields(d, 1);
        relayFields(d, 2);
        eventFields(d);
        commandFields(d);
        return d;
    }();
    return defs;
}

const FieldDef* findField(const QString& name)
{
    for (const FieldDef& f : fieldDefs())
        if (f.name == name)
            return &f;
    return nullptr;
}

// Whether a field is shown for these registers.
bool shown(const FieldDef& f, const Profile& p)
{
    if (!p.covers(f.block))
        return false;
    switch (f.use) {
    case Use::Always: return true;
    case Use::Relay1Alarm2: return !p.covers(Block::Switches);
    case Use::Relay2: return !holdsEvent(p.regs);
    case Use::Event: return holdsEvent(p.regs);
    case Use::Brightness: return p.colour == ColourType::Mono;
    case Use::ClockColours:
    case Use::CountdownColours: return p.colour == ColourType::Tri;
    }
    return false;
}

// What a block holds when a file gives its named fields but not its raw values.
void startBlock(Block b, Registers& r)
{
    const BlockSpan& s = spanOf(b);
    for (int i = s.first; i < s.first + s.size; ++i)
        if (r[size_t(i)] < 0)
            r[size_t(i)] = 0;
    switch (b) {
    case Block::Command: r[kCommandBlockFirst] = qMax(r[kCommandBlockFirst], int(kFunctionBase)); break;
    case Block::Relay1: r[kRelay1First] = kBlockMarker; break;
    case Block::Switches: r[switches::kMarkerRegister] = switches::kMarker; break;
    case Block::Relay2: r[kRelay2First + 16] = kBlockMarker; break;
    case Block::Brightness: r[kBrightnessBlockFirst] = kBlockMarker; break;
    }
}

QString lineError(int line, const QString& text)
{
    return QStringLiteral("Ligne %1 : %2").arg(line).arg(text);
}

// Text of a file line for a message: at most 60 characters, control characters as "?".
QString quoted(const QString& s)
{
    QString out;
    for (QChar c : s.left(60))
        out += c.isPrint() ? c : QLatin1Char('?');
    return s.size() > 60 ? out + QChar(0x2026) : out;
}

// The file's lines as text; false with the error at the first line that is no text (a NUL byte,
// bytes that are no UTF-8, control characters).
bool decodeLines(const QByteArray& bytes, QStringList* lines, QString* error)
{
    const QList<QByteArray> rawLines = bytes.split('\n');
    for (qsizetype i = 0; i < rawLines.size(); ++i) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        QString line = utf8(rawLines[i]);
        bool binary = utf8.hasError() || rawLines[i].contains('\0');
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        for (QChar c : line)
            binary = binary || (c.category() == QChar::Other_Control && c != QLatin1Char('\t'));
        if (binary) {
            *error = lineError(int(i + 1), QStringLiteral("ce fichier n'est pas un profil (contenu binaire)."));
            return false;
        }
        *lines << line;
    }
    return true;
}

// A line "registres.N = values" into the registers; the error when it is not a whole block with
// its marker, or gives a register twice. `rawLine` keeps the line that gave each register.
QString readRawLine(int n, const QString& name, const QString& value, Registers& regs, std::array<int, 64>& rawLine)
{
    bool ok = false;
    const int first = name.mid(10).toInt(&ok);
    if (ok && first >= kClockFirst && first < kClockFirst + kClockRegisters)
        return lineError(n, QStringLiteral("les registres 0 à 7 (l'horloge) ne font pas partie d'un profil."));
    const BlockSpan* span = nullptr;
    for (const BlockSpan& s : blockSpans())
        if (ok && s.first == first)
            span = &s;
    if (!span)
        return lineError(n, QStringLiteral("champ « %1 » inconnu.").arg(quoted(name)));
    const QString title = QString::fromUtf8(span->title);
    const QStringList values = value.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (values.size() < span->size)
        return lineError(n, QStringLiteral("ligne tronquée : %1 valeur(s) pour les %2 registres de %3.")
                                .arg(values.size()).arg(span->size).arg(title));
    if (values.size() > span->size)
        return lineError(n, QStringLiteral("%1 valeurs pour les %2 registres de %3.").arg(values.size()).arg(span->size).arg(title));
    static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]{1,2}$"));
    for (int k = 0; k < span->size; ++k) {
        const int reg = first + k;
        if (!hex.match(values[k]).hasMatch())
            return lineError(n, QStringLiteral("valeur « %1 » du registre %2 hors limites (00 à FF attendu).")
                                    .arg(quoted(values[k])).arg(reg));
        if (regs[size_t(reg)] >= 0)
            return lineError(n, QStringLiteral("le registre %1 est déjà donné ligne %2.").arg(reg).arg(rawLine[size_t(reg)]));
        regs[size_t(reg)] = values[k].toInt(nullptr, 16);
        rawLine[size_t(reg)] = n;
    }
    if (!blockValid(span->block, regs))
        return lineError(n, QStringLiteral("le registre %1 ne tient pas le repère de %2 (%3 attendu).")
                                .arg(span->block == Block::Relay2 ? first + 16 : first)
                                .arg(title)
                                .arg(span->block == Block::Command ? QStringLiteral("C0 à FF")
                                     : span->block == Block::Switches ? QStringLiteral("41") : QStringLiteral("CC")));
    return QString();
}

} // namespace

const std::vector<BlockSpan>& blockSpans()
{
    static const std::vector<BlockSpan> spans = {
        {Block::Relay1, kRelay1First, kRelayBlockSize, "relais 1"},
        {Block::Switches, switches::kMarkerRegister, 3, "interrupteurs"},
        {Block::Relay2, kRelay2First, kRelayBlockSize, "relais 2 / événement"},
        {Block::Command, kCommandBlockFirst, kCommandBlockSize, "bloc de commande (luminosité ou couleurs)"},
        {Block::Brightness, kBrightnessBlockFirst, kBrightnessBlockSize, "bloc de luminosité"},
    };
    return spans;
}

const BlockSpan& spanOf(Block b)
{
    for (const BlockSpan& s : blockSpans())
        if (s.block == b)
            return s;
    return blockSpans().front();
}

const BlockSpan* blockOfRegister(int reg)
{
    const BlockSpan& sw = spanOf(Block::Switches);
    if (reg >= sw.first && reg < sw.first + sw.size)
        return &sw;
    for (const BlockSpan& s : blockSpans())
        if (reg >= s.first && reg < s.first + s.size)
            return &s;
    return nullptr;
}

Registers noRegisters()
{
    Registers r;
    r.fill(-1);
    return r;
}

bool Profile::covers(Block b) const
{
    const BlockSpan& s = spanOf(b);
    for (int i = s.first; i < s.first + s.size; ++i)
        if (regs[size_t(i)] < 0)
            return false;
    return blockValid(b, regs);
}

std::vector<Block> Profile::blocks() const
{
    std::vector<Block> out;
    for (const BlockSpan& s : blockSpans())
        if (covers(s.block))
            out.push_back(s.block);
    return out;
}

bool blockValid(Block b, const Registers& r)
{
    switch (b) {
    case Block::Command: return isCommand(r);
    case Block::Relay1: return r[kRelay1First] == kBlockMarker;
    case Block::Switches: return r[switches::kMarkerRegister] == switches::kMarker;
    case Block::Relay2: return r[kRelay2First + 16] == kBlockMarker;
    case Block::Brightness: return r[kBrightnessBlockFirst] == kBlockMarker;
    }
    return false;
}

int switchDigits(const Registers& r)
{
    if (r[switches::kMarkerRegister] != switches::kMarker || r[switches::kBankSw3Register] < 0)
        return 0;
    return (r[switches::kBankSw3Register] & 0x02) ? 6 : 4;   // SW3 switch 2: ON = 6 digits
}

bool holdsEvent(const Registers& r)
{
    const int f = kRelay2First;
    for (int i = f; i < f + 16; ++i)
        if (r[size_t(i)] < 0)
            return false;
    const auto day = bcd(r, f + 3, 1, 31), month = bcd(r, f + 4, 1, 12), year = bcd(r, f + 5, 0, 99);
    if (!bcd(r, f, 0, 23) || !bcd(r, f + 1, 0, 59) || r[size_t(f + 2)] != 0 || !day || !month || !year)
        return false;
    if (!QDate(2000 + *year, *month, *day).isValid())
        return false;
    if (r[size_t(f + 15)] != 0x00 && r[size_t(f + 15)] != 0xFF)
        return false;
    const int d = count24(r, f + 6), h = count24(r, f + 9), m = count24(r, f + 12);
    return h == m / 60 && d == m / 1440;
}

QString colourName(ColourType c)
{
    return c == ColourType::Mono ? QStringLiteral("mono") : QStringLiteral("tri");
}

std::vector<NamedValue> namedFields(const Profile& p)
{
    std::vector<NamedValue> out;
    for (const FieldDef& f : fieldDefs()) {
        if (!shown(f, p))
            continue;
        if (const std::optional<QString> v = f.get(p.regs))
            out.push_back({f.name, *v, f.regs});
    }
    return out;
}

QByteArray writeProfile(const Profile& p)
{
    QStringList lines;
    lines << QStringLiteral("# Profil de panneau KWF TQV : un champ par ligne, « nom = valeur » ; « # » commence un commentaire.")
          << QStringLiteral("# Les champs nommés l'emportent sur les valeurs brutes (registres.N = valeurs hexadécimales à partir")
          << QStringLiteral("# du registre N) là où ils disent autre chose. L'horloge (registres 0 à 7) n'en fait jamais partie.")
          << QStringLiteral("profil = %1").arg(kFormat)
          << QStringLiteral("outil = %1").arg(p.tool)
          << QStringLiteral("date = %1").arg(p.date.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
          << QStringLiteral("panneau.digits = %1").arg(p.digits)
          << QStringLiteral("panneau.couleur = %1").arg(colourName(p.colour));
    const std::vector<NamedValue> fields = namedFields(p);
    for (const BlockSpan& s : blockSpans()) {
        if (!p.covers(s.block))
            continue;
        lines << QString() << QStringLiteral("# %1 (registres %2 à %3)").arg(QString::fromUtf8(s.title)).arg(s.first).arg(s.first + s.size - 1);
        if (s.block == Block::Relay1 && p.covers(Block::Switches))
            lines << QStringLiteral("# alarme 2 : ses jours, son heure et sa minute sont les registres des interrupteurs (20 à 22).");
        for (const NamedValue& v : fields)
            if (findField(v.name)->block == s.block)
                lines << QStringLiteral("%1 = %2").arg(v.name, v.value);
        // The switch registers are in the relay 1 line when there is one.
        if (s.block == Block::Switches && p.covers(Block::Relay1))
            continue;
        QStringList values;
        for (int i = s.first; i < s.first + s.size; ++i)
            values << hex2(p.regs[size_t(i)]);
        lines << QStringLiteral("registres.%1 = %2").arg(s.first).arg(values.join(QLatin1Char(' ')));
    }
    return (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
}

ParseOutcome parseProfile(const QByteArray& bytes)
{
    ParseOutcome out;
    QStringList lines;
    if (!decodeLines(bytes, &lines, &out.error))
        return out;

    Profile p;
    p.regs = noRegisters();
    QMap<QString, int> seen;   // field -> line
    struct Named { int line; const FieldDef* def; QString value; };
    std::vector<Named> named;
    std::array<int, 64> rawLine{};   // line that gave each register
    bool colourGiven = false, digitsGiven = false, formatGiven = false;
    int digitsLine = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int n = int(i + 1);
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) {
            out.error = lineError(n, QStringLiteral("ligne tronquée : « %1 » n'a pas de « = valeur ».").arg(quoted(line)));
            return out;
        }
        const QString name = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (seen.contains(name)) {
            out.error = lineError(n, QStringLiteral("le champ « %1 » est déjà donné ligne %2.").arg(quoted(name)).arg(seen.value(name)));
            return out;
        }
        seen.insert(name, n);
        if (value.isEmpty()) {
            out.error = lineError(n, QStringLiteral("ligne tronquée : le champ « %1 » n'a pas de valeur.").arg(quoted(name)));
            return out;
        }
        auto bad = [&](const QString& expected) {
            out.error = lineError(n, QStringLiteral("valeur « %1 » hors limites pour « %2 » (%3 attendu).")
                                         .arg(quoted(value), name, expected));
            return out;
        };
        if (name == QLatin1String("profil")) {
            if (value != QString::number(kFormat))
                return bad(QStringLiteral("%1").arg(kFormat));
            formatGiven = true;
        } else if (name == QLatin1String("outil")) {
            p.tool = value;
        } else if (name == QLatin1String("date")) {
            p.date = QDateTime::fromString(value, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            if (!p.date.isValid())
                return bad(QStringLiteral("AAAA-MM-JJ HH:MM:SS"));
        } else if (name == QLatin1String("panneau.digits")) {
            if (value != QLatin1String("4") && value != QLatin1String("6"))
                return bad(QStringLiteral("4 ou 6"));
            p.digits = value.toInt();
            digitsGiven = true;
            digitsLine = n;
        } else if (name == QLatin1String("panneau.couleur")) {
            if (value != QLatin1String("mono") && value != QLatin1String("tri"))
                return bad(QStringLiteral("mono ou tri"));
            p.colour = value == QLatin1String("mono") ? ColourType::Mono : ColourType::Tri;
            colourGiven = true;
        } else if (name.startsWith(QLatin1String("registres."))) {
            out.error = readRawLine(n, name, value, p.regs, rawLine);
            if (!out.error.isEmpty())
                return out;
        } else if (const FieldDef* f = findField(name)) {
            named.push_back({n, f, value});
        } else {
            out.error = lineError(n, QStringLiteral("champ « %1 » inconnu.").arg(quoted(name)));
            return out;
        }
    }
    const int last = int(lines.size());
    if (!formatGiven || !digitsGiven || !colourGiven) {
        out.error = lineError(last, QStringLiteral("profil incomplet : le champ « %1 » manque.")
                                        .arg(!formatGiven ? QStringLiteral("profil")
                                             : !digitsGiven ? QStringLiteral("panneau.digits") : QStringLiteral("panneau.couleur")));
        return out;
    }

    // Named fields: only those of the panel's colour type; one use per block.
    QMap<int, int> useLine;   // Use -> first line
    for (const Named& f : named) {
        const Use u = f.def->use;
        const bool mono = p.colour == ColourType::Mono;
        if ((u == Use::Brightness && !mono) || ((u == Use::ClockColours || u == Use::CountdownColours) && mono)) {
            out.error = lineError(f.line, QStringLiteral("le champ « %1 » ne va pas avec panneau.couleur = %2.")
                                              .arg(f.def->name, colourName(p.colour)));
            return out;
        }
        const Use rival = u == Use::Relay2 ? Use::Event : u == Use::Event ? Use::Relay2
            : u == Use::ClockColours ? Use::CountdownColours : u == Use::CountdownColours ? Use::ClockColours : u;
        if (rival != u && useLine.contains(int(rival))) {
            out.error = lineError(f.line, QStringLiteral("le champ « %1 » ne va pas avec le champ de la ligne %2 (même bloc, autre usage).")
                                              .arg(f.def->name).arg(useLine.value(int(rival))));
            return out;
        }
        if (!useLine.contains(int(u)))
            useLine.insert(int(u), f.line);
    }
    for (const Named& f : named) {
        if (f.def->use == Use::Relay1Alarm2 && (p.covers(Block::Switches) || seen.contains(QStringLiteral("interrupteurs.sw2"))
                                                || seen.contains(QStringLiteral("interrupteurs.sw3")))) {
            out.error = lineError(f.line, QStringLiteral("le champ « %1 » tient les registres 20 à 22, ceux des interrupteurs.")
                                              .arg(f.def->name));
            return out;
        }
    }
    for (const Named& f : named) {
        Registers trial = p.regs;
        startBlock(f.def->block, trial);
        if (!f.def->set(f.value, trial)) {
            out.error = lineError(f.line, QStringLiteral("valeur « %1 » hors limites pour « %2 » (%3 attendu).")
                                              .arg(quoted(f.value), f.def->name, f.def->expected));
            return out;
        }
        // A field that says what the raw values already say leaves them as they are.
        Registers before = p.regs;
        startBlock(f.def->block, before);
        if (!p.covers(f.def->block) || f.def->get(before) != f.def->get(trial))
            p.regs = trial;
    }
    const int sw = switchDigits(p.regs);
    if (sw && sw != p.digits) {
        out.error = lineError(digitsLine, QStringLiteral("panneau.digits = %1, mais l'interrupteur 2 de SW3 du profil dit %2 digits.")
                                              .arg(p.digits).arg(sw));
        return out;
    }
    if (p.blocks().empty()) {
        out.error = lineError(last, QStringLiteral("profil vide : aucun bloc de registres."));
        return out;
    }
    out.profile = p;
    return out;
}

QString Difference::text() const
{
    const QString f = fileValue.isEmpty() ? QStringLiteral("absent du fichier") : QStringLiteral("%1 dans le fichier").arg(fileValue);
    const QString pv = panelValue.isEmpty() ? QStringLiteral("absent du panneau") : QStringLiteral("%1 sur le panneau").arg(panelValue);
    return QStringLiteral("%1 : %2, %3").arg(field, f, pv);
}

std::vector<Difference> differences(const Profile& file, const Profile& panel)
{
    std::vector<Difference> out;
    if (file.digits != panel.digits)
        out.push_back({QStringLiteral("panneau.digits"), QString::number(file.digits), QString::number(panel.digits)});
    if (file.colour != panel.colour)
        out.push_back({QStringLiteral("panneau.couleur"), colourName(file.colour), colourName(panel.colour)});
    std::array<bool, 64> told{};
    for (const BlockSpan& s : blockSpans()) {
        if (file.covers(s.block) && !panel.covers(s.block)) {
            out.push_back({QString::fromUtf8(s.title), QStringLiteral("présent"), QString()});
            for (int i = s.first; i < s.first + s.size; ++i)
                told[size_t(i)] = true;
        }
    }
    // Field by field over the blocks the file covers.
    Profile seen = panel;
    seen.colour = file.colour;
    for (const BlockSpan& s : blockSpans())
        if (!file.covers(s.block))
            for (int i = s.first; i < s.first + s.size; ++i)
                if (!(s.block == Block::Relay1 && file.covers(Block::Switches) && i >= switches::kMarkerRegister
                      && i <= switches::kBankSw3Register))
                    seen.regs[size_t(i)] = -1;
    const std::vector<NamedValue> mine = namedFields(file), theirs = namedFields(seen);
    auto find = [](const std::vector<NamedValue>& list, const QString& name) -> const NamedValue* {
        for (const NamedValue& v : list)
            if (v.name == name)
                return &v;
        return nullptr;
    };
    auto mark = [&](const NamedValue& v) {
        for (int r : v.regs)
            told[size_t(r)] = true;
    };
    for (const NamedValue& v : mine) {
        const NamedValue* o = find(theirs, v.name);
        if (told[size_t(v.regs.front())] && !o)
            continue;
        if (!o || o->value != v.value) {
            out.push_back({v.name, v.value, o ? o->value : QString()});
            mark(v);
        }
    }
    for (const NamedValue& v : theirs) {
        if (!find(mine, v.name) && !told[size_t(v.regs.front())]) {
            out.push_back({v.name, QString(), v.value});
            mark(v);
        }
    }
    // What no field says: register by register.
    for (int r = 0; r < 64; ++r) {
        if (told[size_t(r)] || file.regs[size_t(r)] < 0 || seen.regs[size_t(r)] < 0 || file.regs[size_t(r)] == seen.regs[size_t(r)])
            continue;
        out.push_back({QStringLiteral("registre %1 (%2)").arg(r).arg(QString::fromUtf8(blockOfRegister(r)->title)),
                       hex2(file.regs[size_t(r)]), hex2(seen.regs[size_t(r)])});
    }
    return out;
}

QString Miss::text() const
{
    const BlockSpan* s = blockOfRegister(reg);
    const QString where = s ? QString::fromUtf8(s->title) : QString();
    if (read < 0)
        return QStringLiteral("registre %1 (%2) : %3 écrit, non relu").arg(reg).arg(where, hex2(written));
    return QStringLiteral("registre %1 (%2) : %3 écrit, %4 relu").arg(reg).arg(where, hex2(written), hex2(read));
}

std::vector<Miss> registersNotTaken(const Profile& written, const Profile& readBack)
{
    std::vector<Miss> out;
    for (int r = 0; r < 64; ++r)
        if (written.regs[size_t(r)] >= 0 && written.regs[size_t(r)] != readBack.regs[size_t(r)])
            out.push_back({r, written.regs[size_t(r)], readBack.regs[size_t(r)]});
    return out;
}

} // namespace kwf::profile

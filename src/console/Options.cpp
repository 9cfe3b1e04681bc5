#include "console/Options.h"
#include "console/Commands.h"

#include <QRegularExpression>

namespace kwf::console {

namespace {


// A colour letter: r (rouge) 1, v (vert) 2, a (ambre) 3; 0 for anything else.
int colourCode(QChar c)
{
    switch (c.toLower().unicode()) {
    case u'r': return 1;
    case u'v': return 2;
    case u'a': return 3;
    default: return 0;
    }
}

// The designed colours of a board, one letter per pair, the end message last.
QStringList designedColours(int board)
{
    return board == 4 ? QStringList{QStringLiteral("rva"), QStringLiteral("vra")}
                      : QStringList{QStringLiteral("vvv"), QStringLiteral("vra"), QStringLiteral("avr"),
                                    QStringLiteral("rav"), QStringLiteral("r")};
}

// Options that take a value, and the commands that accept each (empty: every command).
struct ValueOption {
    const char* name;
    QStringList commands;
};

const ValueOption kValueOptions[] = {
    {"--port", {}},
    {"--interface", {}},
    {"--controle", {}},
    {"--si-ecart", {QStringLiteral("heure-pc")}},
    {"--minutes", {QStringLiteral("dcf77")}},
    {"--analyser", {QStringLiteral("dcf77")}},
    {"--fichier", {QStringLiteral("dcf77"), QStringLiteral("registres")}},
    {"--ete", {QStringLiteral("evenement")}},
    {"--hiver", {QStringLiteral("evenement")}},
    {"--contact", {QStringLiteral("evenement")}},
    {"--sensibilite", {QStringLiteral("luminosite")}},
    {"--detection", {QStringLiteral("luminosite")}},
    {"--couleur", {QStringLiteral("profil")}},
};

bool toInt(const QString& text, int lo, int hi, int* out)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (!ok || v < lo || v > hi)
        return false;
    *out = v;
    return true;
}

QString badValue(const QString& option, const QString& value, const QString& expected)
{
    return QStringLiteral("Valeur « %1 » incorrecte pour %2 : %3 attendu.").arg(echoed(value), echoed(option), expected);
}

// A two-way option ("--contact ferme|ouvre"): absent, *out stays; `first` gives true, `second`
// false; anything else is refused with the error set.
bool twoWay(const QMap<QString, QString>& values, const QString& name, const char* first, const char* second,
            bool* out, QString* error)
{
    if (!values.contains(name))
        return true;
    const QString v = values.value(name);
    if (v != QLatin1String(first) && v != QLatin1String(second)) {
        *error = badValue(name, v, QStringLiteral("%1 ou %2").arg(QLatin1String(first), QLatin1String(second)));
        return false;
    }
    *out = v == QLatin1String(first);
    return true;
}

} // namespace

// --- Each command's own arguments -----------------------------------------------------------

bool CommandArgs::want(int n, const QString& usage)
{
    if (positional.size() == n)
        return true;
    error = positional.size() > n
        ? QStringLiteral("Argument « %1 » en trop. Usage : kwf-tqvctl %2").arg(echoed(positional.value(n)), usage)
        : QStringLiteral("Argument manquant. Usage : kwf-tqvctl %1").arg(usage);
    return false;
}

bool parseNoArguments(CommandArgs& a)
{
    return a.want(0, a.o.command);
}

bool parseHeurePc(CommandArgs& a)
{
    if (!a.want(0, QStringLiteral("heure-pc [--si-ecart S]")))
        return false;
    if (a.values.contains(QStringLiteral("--si-ecart"))) {
        bool ok = false;
        const double s = QString(a.values.value(QStringLiteral("--si-ecart"))).trimmed()
                             .replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
        if (!ok || !(s >= 0 && s <= 86400 * 366)) {
            a.error = badValue(QStringLiteral("--si-ecart"), a.values.value(QStringLiteral("--si-ecart")),
                               QStringLiteral("un nombre de secondes positif (0,5 ou 0.5 pour une demi-seconde)"));
            return false;
        }
        a.o.maxDrift = s;
    }
    return true;
}

bool parseHeure(CommandArgs& a)
{
    if (!a.want(1, QStringLiteral("heure \"AAAA-MM-JJ HH:MM:SS\"")))
        return false;
    if (!parseDateTime(a.positional[0], true, &a.o.date, &a.o.hour, &a.o.minute, &a.o.second, &a.error))
        return false;
    // The panel's clock holds two digits of the year.
    if (a.o.date.year() < 2000 || a.o.date.year() > 2099) {
        a.error = QStringLiteral("Année %1 hors de la plage de l'horloge (2000 à 2099).").arg(a.o.date.year());
        return false;
    }
    return true;
}

bool parseDcf77(CommandArgs& a)
{
    if (!a.want(0, QStringLiteral("dcf77 --minutes N [--fichier F] ou dcf77 --analyser F")))
        return false;
    a.o.analyse = a.values.value(QStringLiteral("--analyser"));
    if (!a.o.analyse.isEmpty() && (a.values.contains(QStringLiteral("--minutes")) || a.values.contains(QStringLiteral("--fichier")))) {
        a.error = QStringLiteral("dcf77 --analyser F ne prend ni --minutes ni --fichier.");
        return false;
    }
    if (a.o.analyse.isEmpty() && !toInt(a.values.value(QStringLiteral("--minutes")), 1, 24 * 60, &a.o.minutes)) {
        a.error = a.values.contains(QStringLiteral("--minutes"))
            ? badValue(QStringLiteral("--minutes"), a.values.value(QStringLiteral("--minutes")), QStringLiteral("1 à 1440"))
            : QStringLiteral("L'option --minutes N est obligatoire pour dcf77.");
        return false;
    }
    a.o.file = a.values.value(QStringLiteral("--fichier"));
    return true;
}

bool parseRelais(CommandArgs& a)
{
    const QString usage = QStringLiteral("relais lire 1|2 ou relais appliquer F.zol");
    if (!a.want(2, usage))
        return false;
    a.o.action = a.positional[0];
    if (a.o.action == QLatin1String("lire")) {
        if (!toInt(a.positional[1], 1, 2, &a.o.relay)) {
            a.error = QStringLiteral("Relais « %1 » inconnu : 1 ou 2 attendu.").arg(echoed(a.positional[1]));
            return false;
        }
    } else if (a.o.action == QLatin1String("appliquer")) {
        a.o.file = a.positional[1];
    } else {
        a.error = QStringLiteral("Action « %1 » inconnue. Usage : kwf-tqvctl %2").arg(echoed(a.o.action), usage);
        return false;
    }
    return true;
}

bool parseEvenement(CommandArgs& a)
{
    if (!a.want(1, QStringLiteral("evenement \"AAAA-MM-JJ HH:MM\" [--ete oui|non] [--hiver oui|non] [--contact ferme|ouvre]")))
        return false;
    if (!parseDateTime(a.positional[0], false, &a.o.date, &a.o.hour, &a.o.minute, &a.o.second, &a.error))
        return false;
    // The event block holds two digits of the year.
    if (a.o.date.year() < 2000 || a.o.date.year() > 2099) {
        a.error = QStringLiteral("Année %1 hors de la plage de l'afficheur (2000 à 2099).").arg(a.o.date.year());
        return false;
    }
    if (!twoWay(a.values, QStringLiteral("--ete"), "oui", "non", &a.o.summerChange, &a.error)
        || !twoWay(a.values, QStringLiteral("--hiver"), "oui", "non", &a.o.winterChange, &a.error)
        || !twoWay(a.values, QStringLiteral("--contact"), "ferme", "ouvre", &a.o.contactCloses, &a.error))
        return false;
    return true;
}

bool parseLuminosite(CommandArgs& a)
{
    const QString usage = QStringLiteral("luminosite lire | luminosite auto|20|100 [--sensibilite N] [--detection rapide|lente]");
    if (!a.want(1, usage))
        return false;
    a.o.action = a.positional[0];
    const QStringList actions = {QStringLiteral("lire"), QStringLiteral("auto"), QStringLiteral("20"), QStringLiteral("100")};
    if (!actions.contains(a.o.action)) {
        a.error = QStringLiteral("Réglage « %1 » inconnu. Usage : kwf-tqvctl %2").arg(echoed(a.o.action), usage);
        return false;
    }
    const bool reading = a.o.action == QLatin1String("lire");
    if (reading && (a.values.contains(QStringLiteral("--sensibilite")) || a.values.contains(QStringLiteral("--detection")))) {
        a.error = QStringLiteral("« luminosite lire » ne prend ni --sensibilite ni --detection.");
        return false;
    }
    if (a.values.contains(QStringLiteral("--sensibilite"))
        && !toInt(a.values.value(QStringLiteral("--sensibilite")), 0, 15, &a.o.level)) {
        a.error = badValue(QStringLiteral("--sensibilite"), a.values.value(QStringLiteral("--sensibilite")), QStringLiteral("0 à 15"));
        return false;
    }
    if (!twoWay(a.values, QStringLiteral("--detection"), "rapide", "lente", &a.o.fastDetection, &a.error))
        return false;
    return true;
}

bool parseRegistres(CommandArgs& a)
{
    const QString usage = QStringLiteral("registres lire [--fichier F] ou registres ecrire F [--avec-horloge]");
    if (a.positional.value(0) == QLatin1String("lire")) {
        if (!a.want(1, usage))
            return false;
        a.o.file = a.values.value(QStringLiteral("--fichier"));
    } else if (a.positional.value(0) == QLatin1String("ecrire")) {
        if (!a.want(2, usage))
            return false;
        if (a.values.contains(QStringLiteral("--fichier"))) {
            a.error = QStringLiteral("« registres ecrire » prend le fichier en argument, sans --fichier.");
            return false;
        }
        a.o.file = a.positional[1];
    } else {
        a.error = QStringLiteral("Usage : kwf-tqvctl %1").arg(usage);
        return false;
    }
    a.o.action = a.positional[0];
    return true;
}

bool parseProfil(CommandArgs& a)
{
    const QString usage = QStringLiteral("profil lire|comparer|ecrire F [--couleur mono|tri]");
    if (!a.want(2, usage))
        return false;
    a.o.action = a.positional[0];
    if (!QStringList{QStringLiteral("lire"), QStringLiteral("comparer"), QStringLiteral("ecrire")}.contains(a.o.action)) {
        a.error = QStringLiteral("Action « %1 » inconnue. Usage : kwf-tqvctl %2").arg(echoed(a.o.action), usage);
        return false;
    }
    a.o.file = a.positional[1];
    if (a.values.contains(QStringLiteral("--couleur"))) {
        bool mono = true;
        if (!twoWay(a.values, QStringLiteral("--couleur"), "mono", "tri", &mono, &a.error))
            return false;
        a.o.tri = !mono;
    }
    return true;
}

bool parseCouleur(CommandArgs& a)
{
    const QString usage = QStringLiteral("couleur 4 [HEURE DATE] ou couleur 6 [N HM J H FIN]");
    a.o.colourBoard = a.positional.value(0) == QLatin1String("4") ? 4 : a.positional.value(0) == QLatin1String("6") ? 6 : 0;
    if (a.o.colourBoard == 0) {
        a.error = QStringLiteral("Usage : kwf-tqvctl %1 (4 : heure et date, 6 : comptes à rebours).").arg(usage);
        return false;
    }
    QStringList masks = a.positional.mid(1);
    const QStringList designed = designedColours(a.o.colourBoard);
    if (masks.isEmpty())
        masks = designed;
    if (masks.size() != designed.size()) {
        a.error = QStringLiteral("couleur %1 prend %2 masques, ou aucun pour les couleurs d'origine. Usage : kwf-tqvctl %3")
                      .arg(a.o.colourBoard).arg(designed.size()).arg(usage);
        return false;
    }
    for (int m = 0; m < masks.size(); ++m) {
        const QString& mask = masks[m];
        bool good = mask.size() == designed[m].size();
        for (QChar ch : mask)
            good = good && colourCode(ch) != 0;
        if (!good) {
            a.error = QStringLiteral("Masque « %1 » incorrect : %2 lettre(s) parmi r (rouge), v (vert), a (ambre) attendue(s).")
                          .arg(echoed(mask)).arg(designed[m].size());
            return false;
        }
        for (QChar ch : mask)
            a.o.colourCodes.push_back(colourCode(ch));
    }
    return true;
}

bool parseInterrupteurs(CommandArgs& a)
{
    const QString usage = QStringLiteral("interrupteurs lire ou interrupteurs ecrire SW2 SW3");
    a.o.action = a.positional.value(0);
    if (a.o.action == QLatin1String("lire")) {
        if (!a.want(1, usage))
            return false;
    } else if (a.o.action == QLatin1String("ecrire")) {
        if (!a.want(3, usage))
            return false;
        for (int b = 0; b < 2; ++b) {
            const QString& bank = a.positional[1 + b];
            bool good = bank.size() == 8;
            for (QChar ch : bank)
                good = good && (ch == QLatin1Char('0') || ch == QLatin1Char('1'));
            if (!good) {
                a.error = QStringLiteral("Banc « %1 » incorrect : huit chiffres 0 (OFF) ou 1 (ON), interrupteur 1 en premier.")
                              .arg(echoed(bank));
                return false;
            }
            for (int i = 0; i < 8; ++i)
                a.o.switchesOn[size_t(8 * b + i)] = bank[i] == QLatin1Char('1');
        }
    } else {
        a.error = QStringLiteral("Usage : kwf-tqvctl %1").arg(usage);
        return false;
    }
    return true;
}

bool Options::needsPort() const
{
    const CommandEntry* c = findCommand(command);
    return c && c->panel && !(command == QLatin1String("dcf77") && !analyse.isEmpty());
}

bool Options::namesPort() const
{
    return needsPort() || command == QLatin1String("derive");
}

bool parseDateTime(const QString& text, bool withSeconds, QDate* date, int* hour, int* minute, int* second,
                   QString* error)
{
    static const QRegularExpression withSec(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2}) (\\d{2}):(\\d{2}):(\\d{2})$"));
    static const QRegularExpression noSec(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2}) (\\d{2}):(\\d{2})$"));
    const QRegularExpressionMatch m = (withSeconds ? withSec : noSec).match(text.trimmed());
    const QString shape = withSeconds ? QStringLiteral("AAAA-MM-JJ HH:MM:SS") : QStringLiteral("AAAA-MM-JJ HH:MM");
    if (!m.hasMatch()) {
        *error = QStringLiteral("Date « %1 » illisible : %2 attendu.").arg(echoed(text), shape);
        return false;
    }
    const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!d.isValid()) {
        *error = QStringLiteral("La date « %1 » n'existe pas.").arg(echoed(text));
        return false;
    }
    const int h = m.captured(4).toInt(), mi = m.captured(5).toInt();
    const int s = withSeconds ? m.captured(6).toInt() : 0;
    if (h > 23 || mi > 59 || s > 59) {
        *error = QStringLiteral("L'heure de « %1 » n'existe pas (heures 00 à 23, minutes et secondes 00 à 59).").arg(echoed(text));
        return false;
    }
    *date = d;
    *hour = h;
    *minute = mi;
    *second = s;
    return true;
}

ParseResult parseArguments(const QStringList& args)
{
    ParseResult r;
    Options& o = r.options;
    QStringList positional;
    QMap<QString, QString> values;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h") || a == QLatin1String("aide")) {
            o.help = true;
            continue;
        }
        if (a == QLatin1String("--json")) {
            o.json = true;
            continue;
        }
        if (a == QLatin1String("--journal")) {
            o.journal = true;
            continue;
        }
        if (a == QLatin1String("--avec-horloge")) {
            o.withClock = true;
            continue;
        }
        if (a == QLatin1String("--essai") || a == QLatin1String("--forcer")) {
            (a == QLatin1String("--essai") ? o.dryRun : o.force) = true;
            continue;
        }
        QString name = a, value;
        bool hasValue = false;
        if (a == QLatin1String("-p")) {
            name = QStringLiteral("--port");
        } else if (a.startsWith(QLatin1String("--")) && a.contains(QLatin1Char('='))) {
            name = a.section(QLatin1Char('='), 0, 0);
            value = a.section(QLatin1Char('='), 1);
            hasValue = true;
        }
        if (name.startsWith(QLatin1Char('-')) && name.size() > 1 && !name.at(1).isDigit()) {
            bool known = false;
            for (const ValueOption& v : kValueOptions)
                known = known || name == QLatin1String(v.name);
            if (!known) {
                r.error = QStringLiteral("Option « %1 » inconnue.").arg(echoed(a));
                return r;
            }
            if (!hasValue) {
                if (i + 1 >= args.size()) {
                    r.error = QStringLiteral("L'option %1 attend une valeur.").arg(echoed(name));
                    return r;
                }
                value = args[++i];
            }
            if (values.contains(name)) {
                r.error = QStringLiteral("L'option %1 est donnée deux fois.").arg(echoed(name));
                return r;
            }
            values.insert(name, value);
            continue;
        }
        positional << a;
    }
    if (o.help)
        return r;
    if (positional.isEmpty()) {
        r.error = QStringLiteral("Aucune commande. « kwf-tqvctl --help » donne la liste des commandes.");
        return r;
    }
    o.command = positional.takeFirst();
    if (!findCommand(o.command)) {
        r.error = QStringLiteral("Commande « %1 » inconnue. « kwf-tqvctl --help » donne la liste des commandes.")
                      .arg(echoed(o.command));
        return r;
    }
    for (const ValueOption& v : kValueOptions) {
        if (values.contains(QLatin1String(v.name)) && !v.commands.isEmpty() && !v.commands.contains(o.command)) {
            r.error = QStringLiteral("L'option %1 ne s'applique pas à la commande %2.")
                          .arg(QLatin1String(v.name), o.command);
            return r;
        }
    }

    // Link options.
    if (values.contains(QStringLiteral("--port"))) {
        const QString v = values.value(QStringLiteral("--port"));
        QString digits = v;
        if (digits.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
            digits = digits.mid(3);
        if (digits.endsWith(QLatin1Char(':')))
            digits.chop(1);
        if (!toInt(digits, kFirstPort, kLastPort, &o.port)) {
            r.error = badValue(QStringLiteral("--port"), v, QStringLiteral("COM1 à COM14 (ou 1 à 14)"));
            return r;
        }
    }
    if (!twoWay(values, QStringLiteral("--interface"), "filaire", "sans-fil", &o.wired, &r.error)
        || !twoWay(values, QStringLiteral("--controle"), "oui", "non", &o.control, &r.error))
        return r;

    // The command's own arguments.
    CommandArgs a{o, positional, values, r.error};
    if (!findCommand(o.command)->parse(a))
        return r;
    const QString& c = o.command;
    if (o.withClock && !(c == QLatin1String("registres") && o.action == QLatin1String("ecrire"))) {
        r.error = QStringLiteral("L'option --avec-horloge ne s'applique qu'à « registres ecrire ».");
        return r;
    }
    if ((o.dryRun || o.force) && !(c == QLatin1String("profil") && o.action == QLatin1String("ecrire"))) {
        r.error = QStringLiteral("Les options --essai et --forcer ne s'appliquent qu'à « profil ecrire ».");
        return r;
    }
    return r;
}

QString echoed(const QString& text)
{
    QString out;
    const qsizetype n = qMin<qsizetype>(text.size(), kEchoMax);
    out.reserve(n + 1);
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        out += c.isPrint() && !c.isSurrogate() ? c : QLatin1Char('?');
    }
    if (text.size() > kEchoMax)
        out += QChar(0x2026);
    return out;
}

QString helpText()
{
    // Usages in a column of 31 characters; a longer one puts its description on the next line.
    constexpr int kColumn = 33;
    QString text = QStringLiteral("Usage : kwf-tqvctl COMMANDE [OPTIONS]\n"
                                  "Règle un afficheur KWF/TQV par la ligne série, sans fenêtre.\n"
                                  "\n"
                                  "Commandes :\n");
    for (const CommandEntry& c : commandEntries()) {
        for (const auto& [usage, what] : c.help) {
            const QStringList usageLines = QString::fromUtf8(usage).split(QLatin1Char('\n'));
            const QStringList whatLines = QString::fromUtf8(what).split(QLatin1Char('\n'));
            for (int i = 0; i + 1 < usageLines.size(); ++i)
                text += QStringLiteral("  ") + usageLines[i] + QLatin1Char('\n');
            const QString last = QStringLiteral("  ") + usageLines.last();
            text += last.size() < kColumn - 1 ? last.leftJustified(kColumn) : last + QLatin1Char('\n') + QString(kColumn, QLatin1Char(' '));
            text += whatLines.join(QLatin1Char('\n') + QString(kColumn, QLatin1Char(' '))) + QLatin1Char('\n');
        }
    }
    text += QStringLiteral(
        "\n"
        "Options :\n"
        "  -p n, --port COMn              port COM de l'afficheur (1 à 14) ; par défaut celui\n"
        "                                 du fichier de configuration par défaut\n"
        "  --interface filaire|sans-fil   liaison (filaire par défaut)\n"
        "  --controle oui|non             contrôle des réponses (oui par défaut)\n"
        "  --json                         un objet JSON sur la sortie standard\n"
        "  --journal                      le journal des échanges sur la sortie d'erreur\n"
        "  -h, --help                     cette aide\n"
        "  --version                      la version du programme\n"
        "\n"
        "Codes de sortie : 0 fait ; 1 l'afficheur n'a pas répondu comme prévu ;\n"
        "2 mauvais usage (rien n'est envoyé) ; 3 le port ne s'ouvre pas.\n");
    return text;
}

} // namespace kwf::console

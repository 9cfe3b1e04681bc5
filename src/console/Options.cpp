#include "console/Options.h"

#include <QRegularExpression>

namespace kwf::console {

namespace {

const QStringList kCommands = {
    QStringLiteral("ports"), QStringLiteral("detecter"), QStringLiteral("lire-heure"),
    QStringLiteral("derniere-synchro"), QStringLiteral("heure-pc"), QStringLiteral("heure"),
    QStringLiteral("dcf77"), QStringLiteral("relais"), QStringLiteral("evenement"),
    QStringLiteral("luminosite"), QStringLiteral("registres"),
};

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
    return QStringLiteral("Valeur « %1 » incorrecte pour %2 : %3 attendu.").arg(value, option, expected);
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

bool Options::needsPort() const
{
    return command != QLatin1String("ports") && command != QLatin1String("detecter")
        && !(command == QLatin1String("dcf77") && !analyse.isEmpty());
}

bool parseDateTime(const QString& text, bool withSeconds, QDate* date, int* hour, int* minute, int* second,
                   QString* error)
{
    static const QRegularExpression withSec(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2}) (\\d{2}):(\\d{2}):(\\d{2})$"));
    static const QRegularExpression noSec(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2}) (\\d{2}):(\\d{2})$"));
    const QRegularExpressionMatch m = (withSeconds ? withSec : noSec).match(text.trimmed());
    const QString shape = withSeconds ? QStringLiteral("AAAA-MM-JJ HH:MM:SS") : QStringLiteral("AAAA-MM-JJ HH:MM");
    if (!m.hasMatch()) {
        *error = QStringLiteral("Date « %1 » illisible : %2 attendu.").arg(text, shape);
        return false;
    }
    const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!d.isValid()) {
        *error = QStringLiteral("La date « %1 » n'existe pas.").arg(text);
        return false;
    }
    const int h = m.captured(4).toInt(), mi = m.captured(5).toInt();
    const int s = withSeconds ? m.captured(6).toInt() : 0;
    if (h > 23 || mi > 59 || s > 59) {
        *error = QStringLiteral("L'heure de « %1 » n'existe pas (heures 00 à 23, minutes et secondes 00 à 59).").arg(text);
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
                r.error = QStringLiteral("Option « %1 » inconnue.").arg(a);
                return r;
            }
            if (!hasValue) {
                if (i + 1 >= args.size()) {
                    r.error = QStringLiteral("L'option %1 attend une valeur.").arg(name);
                    return r;
                }
                value = args[++i];
            }
            if (values.contains(name)) {
                r.error = QStringLiteral("L'option %1 est donnée deux fois.").arg(name);
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
    if (!kCommands.contains(o.command)) {
        r.error = QStringLiteral("Commande « %1 » inconnue. « kwf-tqvctl --help » donne la liste des commandes.")
                      .arg(o.command);
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
            r.error = badValue(QStringLiteral("--port"), v, QStringLiteral("COM1 à COM12 (ou 1 à 12)"));
            return r;
        }
    }
    if (!twoWay(values, QStringLiteral("--interface"), "filaire", "sans-fil", &o.wired, &r.error)
        || !twoWay(values, QStringLiteral("--controle"), "oui", "non", &o.control, &r.error))
        return r;

    // The command's own arguments.
    auto wantPositional = [&](int n, const QString& usage) {
        if (positional.size() == n)
            return true;
        r.error = positional.size() > n
            ? QStringLiteral("Argument « %1 » en trop. Usage : kwf-tqvctl %2").arg(positional.value(n), usage)
            : QStringLiteral("Argument manquant. Usage : kwf-tqvctl %1").arg(usage);
        return false;
    };
    const QString& c = o.command;
    if (c == QLatin1String("ports") || c == QLatin1String("detecter") || c == QLatin1String("lire-heure")
        || c == QLatin1String("derniere-synchro")) {
        if (!wantPositional(0, c))
            return r;
    } else if (c == QLatin1String("heure-pc")) {
        if (!wantPositional(0, QStringLiteral("heure-pc [--si-ecart S]")))
            return r;
        if (values.contains(QStringLiteral("--si-ecart"))) {
            int s = 0;
            if (!toInt(values.value(QStringLiteral("--si-ecart")), 0, 86400 * 366, &s)) {
                r.error = badValue(QStringLiteral("--si-ecart"), values.value(QStringLiteral("--si-ecart")),
                                   QStringLiteral("un nombre de secondes positif"));
                return r;
            }
            o.maxDrift = s;
        }
    } else if (c == QLatin1String("heure")) {
        if (!wantPositional(1, QStringLiteral("heure \"AAAA-MM-JJ HH:MM:SS\"")))
            return r;
        if (!parseDateTime(positional[0], true, &o.date, &o.hour, &o.minute, &o.second, &r.error))
            return r;
        // The panel's clock holds two digits of the year.
        if (o.date.year() < 2000 || o.date.year() > 2099) {
            r.error = QStringLiteral("Année %1 hors de la plage de l'horloge (2000 à 2099).").arg(o.date.year());
            return r;
        }
    } else if (c == QLatin1String("dcf77")) {
        if (!wantPositional(0, QStringLiteral("dcf77 --minutes N [--fichier F] ou dcf77 --analyser F")))
            return r;
        o.analyse = values.value(QStringLiteral("--analyser"));
        if (!o.analyse.isEmpty() && (values.contains(QStringLiteral("--minutes")) || values.contains(QStringLiteral("--fichier")))) {
            r.error = QStringLiteral("dcf77 --analyser F ne prend ni --minutes ni --fichier.");
            return r;
        }
        if (o.analyse.isEmpty() && !toInt(values.value(QStringLiteral("--minutes")), 1, 24 * 60, &o.minutes)) {
            r.error = values.contains(QStringLiteral("--minutes"))
                ? badValue(QStringLiteral("--minutes"), values.value(QStringLiteral("--minutes")), QStringLiteral("1 à 1440"))
                : QStringLiteral("L'option --minutes N est obligatoire pour dcf77.");
            return r;
        }
        o.file = values.value(QStringLiteral("--fichier"));
    } else if (c == QLatin1String("relais")) {
        const QString usage = QStringLiteral("relais lire 1|2 ou relais appliquer F.zol");
        if (!wantPositional(2, usage))
            return r;
        o.action = positional[0];
        if (o.action == QLatin1String("lire")) {
            if (!toInt(positional[1], 1, 2, &o.relay)) {
                r.error = QStringLiteral("Relais « %1 » inconnu : 1 ou 2 attendu.").arg(positional[1]);
                return r;
            }
        } else if (o.action == QLatin1String("appliquer")) {
            o.file = positional[1];
        } else {
            r.error = QStringLiteral("Action « %1 » inconnue. Usage : kwf-tqvctl %2").arg(o.action, usage);
            return r;
        }
    } else if (c == QLatin1String("evenement")) {
        if (!wantPositional(1, QStringLiteral("evenement \"AAAA-MM-JJ HH:MM\" [--ete oui|non] [--hiver oui|non] [--contact ferme|ouvre]")))
            return r;
        if (!parseDateTime(positional[0], false, &o.date, &o.hour, &o.minute, &o.second, &r.error))
            return r;
        // The event block holds two digits of the year.
        if (o.date.year() < 2000 || o.date.year() > 2099) {
            r.error = QStringLiteral("Année %1 hors de la plage de l'afficheur (2000 à 2099).").arg(o.date.year());
            return r;
        }
        if (!twoWay(values, QStringLiteral("--ete"), "oui", "non", &o.summerChange, &r.error)
            || !twoWay(values, QStringLiteral("--hiver"), "oui", "non", &o.winterChange, &r.error)
            || !twoWay(values, QStringLiteral("--contact"), "ferme", "ouvre", &o.contactCloses, &r.error))
            return r;
    } else if (c == QLatin1String("luminosite")) {
        const QString usage = QStringLiteral("luminosite lire | luminosite auto|20|100 [--sensibilite N] [--detection rapide|lente]");
        if (!wantPositional(1, usage))
            return r;
        o.action = positional[0];
        const QStringList actions = {QStringLiteral("lire"), QStringLiteral("auto"), QStringLiteral("20"), QStringLiteral("100")};
        if (!actions.contains(o.action)) {
            r.error = QStringLiteral("Réglage « %1 » inconnu. Usage : kwf-tqvctl %2").arg(o.action, usage);
            return r;
        }
        const bool reading = o.action == QLatin1String("lire");
        if (reading && (values.contains(QStringLiteral("--sensibilite")) || values.contains(QStringLiteral("--detection")))) {
            r.error = QStringLiteral("« luminosite lire » ne prend ni --sensibilite ni --detection.");
            return r;
        }
        if (values.contains(QStringLiteral("--sensibilite"))
            && !toInt(values.value(QStringLiteral("--sensibilite")), 0, 15, &o.level)) {
            r.error = badValue(QStringLiteral("--sensibilite"), values.value(QStringLiteral("--sensibilite")), QStringLiteral("0 à 15"));
            return r;
        }
        if (!twoWay(values, QStringLiteral("--detection"), "rapide", "lente", &o.fastDetection, &r.error))
            return r;
    } else if (c == QLatin1String("registres")) {
        const QString usage = QStringLiteral("registres lire [--fichier F] ou registres ecrire F");
        if (positional.value(0) == QLatin1String("lire")) {
            if (!wantPositional(1, usage))
                return r;
            o.file = values.value(QStringLiteral("--fichier"));
        } else if (positional.value(0) == QLatin1String("ecrire")) {
            if (!wantPositional(2, usage))
                return r;
            if (values.contains(QStringLiteral("--fichier"))) {
                r.error = QStringLiteral("« registres ecrire » prend le fichier en argument, sans --fichier.");
                return r;
            }
            o.file = positional[1];
        } else {
            r.error = QStringLiteral("Usage : kwf-tqvctl %1").arg(usage);
            return r;
        }
        o.action = positional[0];
    }
    if (o.needsPort() && o.port == 0) {
        r.error = QStringLiteral("Port manquant : --port COMn ou -p n (1 à 12).");
        return r;
    }
    return r;
}

QString helpText()
{
    return QStringLiteral(
        "Usage : kwf-tqvctl COMMANDE [OPTIONS]\n"
        "Règle un afficheur KWF/TQV par la ligne série, sans fenêtre.\n"
        "\n"
        "Commandes :\n"
        "  ports                          numéros COM, périphériques et adaptateurs connus\n"
        "  detecter                       cherche une horloge sur COM1 à COM14\n"
        "  lire-heure                     heure et date de l'afficheur, écart avec le PC\n"
        "  derniere-synchro               heure et date de la dernière remise à l'heure DCF77\n"
        "  heure-pc [--si-ecart S]        met l'afficheur à l'heure du PC (seulement si\n"
        "                                 l'écart dépasse S secondes avec --si-ecart)\n"
        "  heure \"AAAA-MM-JJ HH:MM:SS\"    envoie cette heure et cette date\n"
        "  dcf77 --minutes N [--fichier F]\n"
        "                                 écoute la réception DCF77 pendant N minutes\n"
        "  dcf77 --analyser F             analyse un journal de réception ou des échanges\n"
        "  relais lire 1|2                lit les quatre alarmes d'un relais\n"
        "  relais appliquer F.zol         programme les relais 1 et 2 d'après un fichier\n"
        "                                 de configuration\n"
        "  evenement \"AAAA-MM-JJ HH:MM\" [--ete oui|non] [--hiver oui|non]\n"
        "            [--contact ferme|ouvre]\n"
        "                                 programme le compte à rebours de l'événement\n"
        "  luminosite lire                lit le bloc de luminosité\n"
        "  luminosite auto|20|100 [--sensibilite N] [--detection rapide|lente]\n"
        "                                 jour/nuit par capteur, ou forcée à 20 % ou 100 % ;\n"
        "                                 N de 0 à 15 (5 par défaut)\n"
        "  registres lire [--fichier F]   les 64 registres en hexadécimal\n"
        "  registres ecrire F             écrit les 64 registres d'un fichier\n"
        "\n"
        "Options :\n"
        "  -p n, --port COMn              port COM de l'afficheur (1 à 12)\n"
        "  --interface filaire|sans-fil   liaison (filaire par défaut)\n"
        "  --controle oui|non             contrôle des réponses (oui par défaut)\n"
        "  --json                         un objet JSON sur la sortie standard\n"
        "  --journal                      le journal des échanges sur la sortie d'erreur\n"
        "  -h, --help                     cette aide\n"
        "  --version                      la version du programme\n"
        "\n"
        "Codes de sortie : 0 fait ; 1 l'afficheur n'a pas répondu comme prévu ;\n"
        "2 mauvais usage (rien n'est envoyé) ; 3 le port ne s'ouvre pas.\n");
}

} // namespace kwf::console

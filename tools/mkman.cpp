// Makes a program's manual page and its bash completion from the program's own --help, so that
// neither can say something the program does not.
//   mkman man  TEMPLATE PROGRAM OUTPUT VERSION DATE
//   mkman bash TEMPLATE PROGRAM OUTPUT
//
// The help is read in this layout: a first line "Usage : ...", description lines up to the first
// blank line, then sections headed by "Title :" (or a paragraph "Title : text"), holding entries
// "  term   description" whose description may go on over further indented lines.
//
// In the manual page's template, @VERSION@, @DATE@, @SYNOPSIS@, @DESCRIPTION@ and @SECTIONS@ are
// replaced. In the completion's template, @COMMANDS@, @OPTIONS@, @SUBCOMMANDS@, @ARGUMENTS@ and
// @VALUES@ are.
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <cstdio>

namespace {

struct Entry {
    QString term;
    QStringList description;
};

struct Section {
    QString title;
    QStringList paragraph;   // text under the title, before the entries
    QList<Entry> entries;
    QStringList trailer;     // text after the entries
};

struct Help {
    QString usage;
    QStringList description;
    QList<Section> sections;
};

int indentOf(const QString& line)
{
    int n = 0;
    while (n < line.size() && line.at(n) == QLatin1Char(' '))
        ++n;
    return n;
}

Help parseHelp(const QString& text)
{
    Help h;
    QStringList lines = text.split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    int i = 0;
    static const QRegularExpression usage(QStringLiteral("^Usage ?: ?(.*)$"));
    if (i < lines.size()) {
        const auto m = usage.match(lines[i]);
        if (m.hasMatch()) {
            h.usage = m.captured(1).trimmed();
            ++i;
        }
    }
    for (; i < lines.size() && !lines[i].trimmed().isEmpty(); ++i)
        h.description << lines[i].trimmed();

    // "Commandes :" or "Codes de sortie : 0 fait ; ..." (a short title, no digit, before " : ").
    static const QRegularExpression title(QStringLiteral("^([^\\s\\d:][^:\\d]{0,30}?) ?:(?: (.*))?$"));
    Section* section = nullptr;
    Entry* entry = nullptr;
    int descColumn = 0;
    for (; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.trimmed().isEmpty()) {
            entry = nullptr;
            continue;
        }
        const int indent = indentOf(line);
        const auto t = title.match(line);
        if (indent == 0 && t.hasMatch()) {
            h.sections.append(Section{t.captured(1).trimmed(), {}, {}, {}});
            section = &h.sections.last();
            entry = nullptr;
            if (!t.captured(2).isEmpty())
                section->paragraph << t.captured(2).trimmed();
            continue;
        }
        if (!section) {
            h.sections.append(Section{QString(), {}, {}, {}});
            section = &h.sections.last();
        }
        if (indent == 0) {
            (section->entries.isEmpty() ? section->paragraph : section->trailer) << line.trimmed();
            entry = nullptr;
            continue;
        }
        if (entry && indent > 2) {
            // Further description, or the term going on (less indented than the descriptions).
            if (descColumn > 0 && indent < descColumn - 4 && entry->description.isEmpty())
                entry->term += QLatin1Char(' ') + line.trimmed();
            else if (indent >= 16 || !entry->description.isEmpty())
                entry->description << line.trimmed();
            else
                entry->term += QLatin1Char(' ') + line.trimmed();
            continue;
        }
        // A new entry: the term, then two blanks or more, then its description.
        static const QRegularExpression gap(QStringLiteral("\\S( {2,})\\S"));
        const QString body = line.mid(indent);
        const auto g = gap.match(body);
        Entry e;
        if (g.hasMatch()) {
            e.term = body.left(g.capturedStart(1)).trimmed();
            e.description << body.mid(g.capturedEnd(1)).trimmed();
            descColumn = indent + g.capturedEnd(1);
        } else {
            e.term = body.trimmed();
        }
        section->entries.append(e);
        entry = &section->entries.last();
    }
    return h;
}

// Text for roff: no request can start a line, backslashes and minus signs are the characters typed.
QString roff(const QString& text)
{
    QString out;
    for (const QChar c : text) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\e");
        else if (c == QLatin1Char('-'))
            out += QStringLiteral("\\-");
        else
            out += c;
    }
    if (out.startsWith(QLatin1Char('.')) || out.startsWith(QLatin1Char('\'')))
        out.prepend(QStringLiteral("\\&"));
    return out;
}

QString manSections(const Help& h)
{
    QString out;
    for (const Section& s : h.sections) {
        out += QStringLiteral(".SH ") + roff(s.title.toUpper()) + QLatin1Char('\n');
        if (!s.paragraph.isEmpty())
            out += roff(s.paragraph.join(QLatin1Char(' '))) + QLatin1Char('\n');
        for (const Entry& e : s.entries) {
            out += QStringLiteral(".TP\n\\fB") + roff(e.term) + QStringLiteral("\\fR\n");
            if (!e.description.isEmpty())
                out += roff(e.description.join(QLatin1Char(' '))) + QLatin1Char('\n');
        }
        if (!s.trailer.isEmpty())
            out += QStringLiteral(".PP\n") + roff(s.trailer.join(QLatin1Char(' '))) + QLatin1Char('\n');
    }
    return out;
}

// The usage line, the program named by its file name (the parser gives the path it was run by).
QString synopsis(QString usage)
{
    const int space = usage.indexOf(QLatin1Char(' '));
    const int slash = usage.left(space < 0 ? usage.size() : space).lastIndexOf(QLatin1Char('/'));
    if (slash >= 0) {
        usage = usage.mid(slash + 1);
        return synopsis(usage);
    }
    if (space < 0)
        return QStringLiteral("\\fB") + roff(usage) + QStringLiteral("\\fR\n");
    return QStringLiteral("\\fB") + roff(usage.left(space)) + QStringLiteral("\\fR ") + roff(usage.mid(space + 1))
           + QLatin1Char('\n');
}

// --- Completion ------------------------------------------------------------------------------------

// The words of a term, the brackets and commas dropped; a quoted argument stays one word.
QStringList words(const QString& term)
{
    QStringList out;
    QString current;
    bool quoted = false;
    for (const QChar c : term) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        if (!quoted && (c == QLatin1Char(' ') || c == QLatin1Char('[') || c == QLatin1Char(']')
                        || c == QLatin1Char(','))) {
            if (!current.isEmpty())
                out << current;
            current.clear();
            continue;
        }
        current += c;
    }
    if (!current.isEmpty())
        out << current;
    return out;
}

bool isOption(const QString& w)
{
    return w.startsWith(QLatin1Char('-')) && w.size() > 1 && !w.at(1).isDigit();
}

// What completes a value written as `shown` in the help: a file, a port, fixed words or nothing.
QString valueKind(const QString& option, const QString& shown)
{
    if (shown.contains(QLatin1Char('|')))
        return shown.split(QLatin1Char('|')).join(QLatin1Char(' '));
    if (shown == QLatin1String("F") || shown.startsWith(QLatin1String("F.")))
        return QStringLiteral("@fichier");
    if (option == QLatin1String("--port"))
        return QStringLiteral("@port");
    if (option == QLatin1String("-p"))
        return QStringLiteral("@numero");
    return QStringLiteral("@libre");
}

QString quoteWords(const QStringList& list)
{
    return list.join(QLatin1Char(' '));
}

QString bashData(const Help& h, const QString& templ)
{
    QStringList commands, options;
    QMap<QString, QStringList> subcommands;
    QMap<QString, QString> arguments, values;
    auto addOptions = [&](const QStringList& w, int from) {
        for (int k = from; k < w.size(); ++k) {
            if (!isOption(w[k]))
                continue;
            const QString name = w[k];
            if (!options.contains(name))
                options << name;
            const bool hasValue = k + 1 < w.size() && !isOption(w[k + 1]);
            // "-p n, --port COMn": both take a value.
            if (hasValue)
                values[name] = valueKind(name, w[k + 1]);
            if (hasValue && k > 0 && isOption(w[k - 1]) && !values.contains(w[k - 1]))
                values[w[k - 1]] = valueKind(w[k - 1], w[k + 1]);
        }
    };
    for (const Section& s : h.sections) {
        for (const Entry& e : s.entries) {
            const QStringList w = words(e.term);
            if (w.isEmpty())
                continue;
            if (isOption(w.first())) {
                addOptions(w, 0);
                continue;
            }
            const QString command = w.first();
            if (!commands.contains(command))
                commands << command;
            addOptions(w, 1);
            if (w.size() < 2 || isOption(w[1]) || w[1].startsWith(QLatin1Char('"')))
                continue;
            const QString second = w[1];
            if (second.at(0).isLower() || second.at(0).isDigit()) {
                for (const QString& sub : second.split(QLatin1Char('|')))
                    if (!subcommands[command].contains(sub))
                        subcommands[command] << sub;
                if (w.size() > 2 && !isOption(w[2]) && !second.contains(QLatin1Char('|')))
                    arguments[command + QLatin1Char(' ') + second] = valueKind(QString(), w[2]);
            } else {
                arguments[command] = valueKind(QString(), second);
            }
        }
    }
    auto table = [](const QMap<QString, QString>& m) {
        QStringList arms;
        for (auto it = m.cbegin(); it != m.cend(); ++it)
            arms << QStringLiteral("    [\"%1\"]=\"%2\"").arg(it.key(), it.value());
        return arms.join(QLatin1Char('\n'));
    };
    QMap<QString, QString> subs;
    for (auto it = subcommands.cbegin(); it != subcommands.cend(); ++it)
        subs[it.key()] = quoteWords(it.value());
    QString out = templ;
    out.replace(QStringLiteral("@COMMANDS@"), quoteWords(commands));
    out.replace(QStringLiteral("@OPTIONS@"), quoteWords(options));
    out.replace(QStringLiteral("@SUBCOMMANDS@"), table(subs));
    out.replace(QStringLiteral("@ARGUMENTS@"), table(arguments));
    out.replace(QStringLiteral("@VALUES@"), table(values));
    return out;
}

bool readText(const QString& path, QString* text)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    *text = QString::fromUtf8(f.readAll());
    return true;
}

int fail(const QString& message)
{
    std::fprintf(stderr, "mkman: %s\n", message.toLocal8Bit().constData());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (!((mode == QLatin1String("man") && argc == 7) || (mode == QLatin1String("bash") && argc == 5))) {
        std::fprintf(stderr, "usage: mkman man TEMPLATE PROGRAM OUTPUT VERSION DATE\n"
                             "       mkman bash TEMPLATE PROGRAM OUTPUT\n");
        return 2;
    }
    const QString templatePath = QString::fromLocal8Bit(argv[2]);
    const QString program = QString::fromLocal8Bit(argv[3]);
    const QString output = QString::fromLocal8Bit(argv[4]);
    QString templ;
    if (!readText(templatePath, &templ))
        return fail(templatePath + QStringLiteral(": unreadable"));

    QProcess p;
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.start(program, {QStringLiteral("--help")});
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return fail(program + QStringLiteral(" --help failed: ") + QString::fromLocal8Bit(p.readAllStandardError()));
    const Help help = parseHelp(QString::fromUtf8(p.readAllStandardOutput()));
    if (help.usage.isEmpty() || help.sections.isEmpty())
        return fail(program + QStringLiteral(" --help: no usage line or no section"));

    QString out;
    if (mode == QLatin1String("man")) {
        out = templ;
        out.replace(QStringLiteral("@VERSION@"), QString::fromLocal8Bit(argv[5]));
        out.replace(QStringLiteral("@DATE@"), QString::fromLocal8Bit(argv[6]));
        out.replace(QStringLiteral("@SYNOPSIS@"), synopsis(help.usage).chopped(1));
        QStringList description;
        for (const QString& line : help.description)
            description << roff(line);
        out.replace(QStringLiteral("@DESCRIPTION@"), description.join(QLatin1Char('\n')));
        out.replace(QStringLiteral("@SECTIONS@"), manSections(help).chopped(1));
    } else {
        out = bashData(help, templ);
    }
    QFile f(output);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(out.toUtf8()) < 0)
        return fail(output + QStringLiteral(": cannot write"));
    return 0;
}

// Turns the user guide source (UTF-8 text: "= " title, "== " and "=== " headings, "- " items,
// other lines paragraphs) into an RTF document that word processors open.
// Usage: mkrtf SOURCE OUTPUT VERSION
#include <QFile>
#include <QString>
#include <QStringList>
#include <cstdio>

static QByteArray escape(const QString& text)
{
    QByteArray out;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += char(u);
        } else if (u < 0x80) {
            out += char(u);
        } else {
            // Unicode escape with '?' as the fallback character for old readers.
            out += "\\u" + QByteArray::number(qint16(u)) + '?';
        }
    }
    return out;
}

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: mkrtf SOURCE OUTPUT VERSION\n");
        return 2;
    }
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "mkrtf: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString version = QString::fromLocal8Bit(argv[3]);
    const QStringList lines = QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'));
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1"
                     "{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern Courier New;}}"
                     "\\viewkind4\\paperw11906\\paperh16838\\margl1134\\margr1134\\margt1134\\margb1134\n";
    for (QString line : lines) {
        line.replace(QStringLiteral("@VERSION@"), version);
        if (line.trimmed().isEmpty())
            continue;
        if (line.startsWith(QStringLiteral("=== ")))
            rtf += "\\pard\\sb200\\sa80\\keepn\\b\\fs24 " + escape(line.mid(4)) + "\\b0\\par\n";
        else if (line.startsWith(QStringLiteral("== ")))
            rtf += "\\pard\\sb320\\sa120\\keepn\\b\\fs30 " + escape(line.mid(3)) + "\\b0\\par\n";
        else if (line.startsWith(QStringLiteral("= ")))
            rtf += "\\pard\\qc\\sa240\\b\\fs40 " + escape(line.mid(2)) + "\\b0\\par\n";
        else if (line.startsWith(QStringLiteral("- ")))
            rtf += "\\pard\\fi-284\\li568\\sa60\\fs22 \\bullet\\tab " + escape(line.mid(2)) + "\\par\n";
        else
            rtf += "\\pard\\sa120\\fs22 " + escape(line) + "\\par\n";
    }
    rtf += "}\n";
    QFile out(QString::fromLocal8Bit(argv[2]));
    if (!out.open(QIODevice::WriteOnly) || out.write(rtf) != rtf.size()) {
        std::fprintf(stderr, "mkrtf: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}

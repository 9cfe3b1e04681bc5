#include "core/GuideText.h"

#include <QStringList>

namespace kwf {

QString guideHtml(const QString& text, const QString& version)
{
    QString html = QStringLiteral("<html><body>");
    bool inList = false;
    const auto closeList = [&] {
        if (inList)
            html += QStringLiteral("</ul>");
        inList = false;
    };
    for (QString line : QString(text).replace(QStringLiteral("@VERSION@"), version).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty()) {
            closeList();
            continue;
        }
        if (line.startsWith(QLatin1String("== "))) {
            closeList();
            html += QStringLiteral("<h2>%1</h2>").arg(line.mid(3).toHtmlEscaped());
        } else if (line.startsWith(QLatin1String("= "))) {
            closeList();
            html += QStringLiteral("<h1>%1</h1>").arg(line.mid(2).toHtmlEscaped());
        } else if (line.startsWith(QLatin1String("- "))) {
            if (!inList)
                html += QStringLiteral("<ul>");
            inList = true;
            html += QStringLiteral("<li>%1</li>").arg(line.mid(2).toHtmlEscaped());
        } else {
            closeList();
            html += QStringLiteral("<p>%1</p>").arg(line.toHtmlEscaped());
        }
    }
    closeList();
    return html + QStringLiteral("</body></html>");
}

} // namespace kwf

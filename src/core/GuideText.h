#pragma once
#include <QString>

namespace kwf {

// The user guide's plain text (docs/guide.txt: "= title", "== section", "- item", paragraphs)
// as HTML for the program's own guide window. @VERSION@ becomes the version.
QString guideHtml(const QString& text, const QString& version);

} // namespace kwf

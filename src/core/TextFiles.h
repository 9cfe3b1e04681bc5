#pragma once
#include <QByteArray>
#include <QString>

// The tool's text files (configuration, DCF77 log, exchange journal) are Windows-1252 with CR LF
// line ends, and every save replaces a file whole or not at all.
namespace kwf {

// Text in Windows-1252; a character it cannot hold is replaced by the substitute byte.
QByteArray toWindows1252(const QString& text);
// Text read back from Windows-1252.
QString fromWindows1252(const QByteArray& bytes);

// Reads at most maxBytes from the start of a regular file; false when it cannot be opened or read.
bool readFileStart(const QString& path, qint64 maxBytes, QByteArray* out);
// False when the path names something that is not a regular file (directory, device, pipe):
// such a target is never replaced by a file.
bool isReplaceableFile(const QString& path);
// Writes the whole file or nothing: the bytes go to a temporary file in the same folder, which
// then replaces the target once every byte is flushed. False (and the target untouched) on any
// error, or when the target is not a regular file.
bool writeFileWhole(const QString& path, const QByteArray& bytes);

} // namespace kwf

#include "core/TextFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace kwf {

QByteArray toWindows1252(const QString& text)
{
    QStringEncoder enc("windows-1252");
    if (!enc.isValid())
        enc = QStringEncoder(QStringConverter::Latin1);
    return enc.encode(text);
}

bool readFileStart(const QString& path, qint64 maxBytes, QByteArray* out)
{
    QFile f(path);
    // Only regular files: a directory cannot be read, and opening a pipe would wait for a
    // writer that may never come.
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly))
        return false;
    QByteArray data = f.read(maxBytes);
    if (f.error() != QFileDevice::NoError)
        return false;
    *out = data;
    return true;
}

bool isReplaceableFile(const QString& path)
{
    // A device, a pipe or a directory is not replaced by a file (QSaveFile would rename a
    // regular file over a device node and report success).
    const QFileInfo fi(path);
    return !fi.exists() || fi.isFile();
}

bool writeFileWhole(const QString& path, const QByteArray& bytes)
{
    if (!isReplaceableFile(path))
        return false;
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    // flush() reports a disk that filled up while the buffer went out; commit() alone would
    // put the truncated file in place of the old one and succeed.
    if (f.write(bytes) != bytes.size() || !f.flush()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

QString fromWindows1252(const QByteArray& bytes)
{
    QStringDecoder dec("windows-1252");
    if (!dec.isValid())   // no Windows-1252 codec: Latin-1 agrees on every letter the file writes
        dec = QStringDecoder(QStringConverter::Latin1);
    return dec.decode(bytes);
}

} // namespace kwf

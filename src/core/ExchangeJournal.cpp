#include "core/ExchangeJournal.h"
#include "core/Clock.h"
#include "core/Frames.h"
#include "core/TextFiles.h"

namespace kwf {

void ExchangeJournal::add(Entry e)
{
    e.at = m_clock.now();
    if (e.operation.isEmpty() && !m_operations.empty())
        e.operation = m_operations.back();
    if (m_entries.size() >= kMaxEntries)
        m_entries.erase(m_entries.begin(), m_entries.begin() + kMaxEntries / 10);
    m_entries.push_back(std::move(e));
}

void ExchangeJournal::operationStarted(const QString& name)
{
    m_operations.push_back(name);
}

void ExchangeJournal::operationFinished(const QString& name)
{
    if (!m_operations.empty() && m_operations.back() == name)
        m_operations.pop_back();
}

void ExchangeJournal::frameWritten(const QByteArray& frame, bool accepted)
{
    add({{}, accepted ? Kind::Write : Kind::Refused, {}, frame, 0, 0});
}

void ExchangeJournal::waited(double seconds, int bytesWaiting)
{
    add({{}, Kind::Wait, {}, {}, seconds, bytesWaiting});
}

void ExchangeJournal::byteRead(quint8 byte)
{
    add({{}, Kind::Read, {}, QByteArray(1, char(byte)), 0, 0});
}

void ExchangeJournal::outcome(const QString& text)
{
    Entry e{{}, Kind::Outcome, {}, text.toUtf8(), 0, 0};
    add(std::move(e));
}

QString ExchangeJournal::line(const Entry& e)
{
    QString what;
    switch (e.kind) {
    case Kind::Start: what = QStringLiteral("début"); break;
    case Kind::Write: what = QStringLiteral("→ ") + QString::fromLatin1(hexBytes(e.bytes)); break;
    case Kind::Refused:
        what = QStringLiteral("→ ") + QString::fromLatin1(hexBytes(e.bytes)) + QStringLiteral("  (écriture refusée : port fermé ou absent)");
        break;
    case Kind::Wait:
        what = QStringLiteral("attente %1 s : %2 octet(s) reçu(s)").arg(e.seconds, 0, 'f', 2).arg(e.count);
        break;
    case Kind::Read: what = QStringLiteral("← ") + QString::fromLatin1(hexBytes(e.bytes)); break;
    case Kind::Outcome: what = QStringLiteral("= ") + QString::fromUtf8(e.bytes); break;
    }
    return QStringLiteral("%1  %2  %3")
        .arg(e.at.toString(QStringLiteral("HH:mm:ss.zzz")), e.operation.isEmpty() ? QStringLiteral("-") : e.operation, what);
}

QByteArray journalFile(const QString& text)
{
    QString t = text;
    t.replace(QChar(0x2192), QStringLiteral("->")).replace(QChar(0x2190), QStringLiteral("<-"));
    t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return toWindows1252(t);
}

QString ExchangeJournal::text(size_t from) const
{
    QString out;
    for (size_t i = from; i < m_entries.size(); ++i) {
        out += line(m_entries[i]);
        out += QLatin1Char('\n');
    }
    return out;
}

} // namespace kwf

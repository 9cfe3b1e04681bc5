#pragma once
#include "core/Tqvbase.h"

#include <QDateTime>
#include <QString>
#include <vector>

namespace kwf {

class Clock;

// Records every exchange with the panel: frames written, waits with the bytes counted, bytes
// taken, outcomes. Recording only stores the raw facts; text is made when it is shown.
class ExchangeJournal : public ExchangeObserver {
public:
    explicit ExchangeJournal(const Clock& clock) : m_clock(clock) {}

    enum class Kind { Start, Write, Refused, Wait, Read, Outcome };
    struct Entry {
        QDateTime at;
        Kind kind;
        QString operation;
        QByteArray bytes;   // frame written, or the byte read
        double seconds = 0; // wait length
        int count = 0;      // bytes waiting after the wait
    };

    void operationStarted(const QString& name) override;
    void operationFinished(const QString& name) override;
    void frameWritten(const QByteArray& frame, bool accepted) override;
    void waited(double seconds, int bytesWaiting) override;
    void byteRead(quint8 byte) override;
    void outcome(const QString& text) override;

    const std::vector<Entry>& entries() const { return m_entries; }
    void clear() { m_entries.clear(); }
    // One line per entry, "hh:mm:ss.zzz  OPERATION  text", from entry `from` on.
    QString text(size_t from = 0) const;
    static QString line(const Entry& e);

    // Entries kept at most; the oldest go first.
    static constexpr size_t kMaxEntries = 100000;

private:
    void add(Entry e);
    const Clock& m_clock;
    std::vector<Entry> m_entries;
    std::vector<QString> m_operations;
};

// The journal's text as it is saved: Windows-1252 with CR LF line ends, the arrows written
// "->" and "<-" (the character set has none).
QByteArray journalFile(const QString& text);

} // namespace kwf

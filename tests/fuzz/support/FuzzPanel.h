#pragma once
// A panel whose every answer comes from the fuzzer's input, for driving the register operations
// and their decoders: each frame written takes the next answer (a length byte, then that many
// bytes; lengths above 24 are cut). Time is simulated; messages are dropped.
#include "core/Clock.h"
#include "core/LinkSettings.h"
#include "core/SerialPort.h"
#include "core/Tqvbase.h"
#include "core/UiServices.h"

#include <cstddef>
#include <cstdint>

namespace kwf::fuzz {

class ScriptedPort : public SerialPort {
public:
    ScriptedPort(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool open(const QString&, const LineSettings&) override { m_open = true; return true; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    bool clearInput() override { m_rx.clear(); return m_open; }
    bool setDtr(bool) override { return false; }
    bool write(const QByteArray&) override
    {
        if (!m_open)
            return false;
        if (m_pos >= m_size) {
            m_open = false;   // input used up: the adapter is pulled out
            return false;
        }
        const size_t n = m_data[m_pos++] % 25;
        for (size_t i = 0; i < n && m_pos < m_size; ++i)
            m_rx.append(char(m_data[m_pos++]));
        return true;
    }
    int bytesWaiting() override { return int(m_rx.size()); }
    int readByte() override
    {
        if (m_rx.isEmpty())
            return -1;
        const int b = quint8(m_rx[0]);
        m_rx.remove(0, 1);
        return b;
    }
    bool waitForInput(int) override { return m_open; }
    QString errorString() const override { return QString(); }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
    bool m_open = false;
    QByteArray m_rx;
};

class InstantClock : public Clock {
public:
    qint64 monotonicMs() const override { return m_ms; }
    QDateTime now() const override { return QDateTime(QDate(2026, 12, 5), QTime(9, 58, 49)).addMSecs(m_ms); }
    void waitUntil(qint64 deadlineMs, SerialPort*) override { if (deadlineMs > m_ms) m_ms = deadlineMs; }
private:
    qint64 m_ms = 0;
};

class SilentUi : public UiServices {
public:
    void message(const QString&, MsgIcon) override { ++messages; }
    QString getOpenFileName(const QString&, const QString&, const QString&) override { return QString(); }
    QString getSaveFileName(const QString&, const QString&, const QString&) override { return QString(); }
    bool openDocument(const QString&) override { return false; }
    bool setSystemDateTime(const QDateTime&, QString*) override { return false; }
    void clearClipboard() override {}
    int messages = 0;
};

// The transport over a scripted port, settings validated, response control "OUI", wired.
struct FuzzPanel {
    FuzzPanel(const uint8_t* data, size_t size) : port(data, size), tqv(port, clock, ui, link)
    {
        link.settings.response = QStringLiteral("OUI");
        link.settings.interface = QStringLiteral("Filaire ");
        link.portValide = true;
        port.open(QString(), LineSettings());
    }
    ScriptedPort port;
    InstantClock clock;
    SilentUi ui;
    LinkSettingsModel link;
    Tqvbase tqv;
};

} // namespace kwf::fuzz

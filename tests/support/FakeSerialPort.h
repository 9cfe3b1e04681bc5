#pragma once
#include "SimClock.h"
#include "core/SerialPort.h"

#include <QByteArray>
#include <QStringList>
#include <functional>
#include <vector>

namespace kwf::test {

// A port that records every call and answers each written frame through a script.
class FakeSerialPort : public SerialPort {
public:
    explicit FakeSerialPort(SimClock* clock = nullptr) : m_clock(clock) {}

    struct Write { qint64 atMs; QByteArray bytes; };
    std::vector<Write> writes;
    QStringList calls;                 // "open", "close", "clear", "dtr0", "write", ...
    QString openedDevice;
    LineSettings openedSettings;

    // Answer to a written frame (appended to the receive buffer); empty: no answer.
    std::function<QByteArray(const QByteArray& frame)> responder;
    bool failOpen = false;             // open() refuses
    bool failWrite = false;            // write() refuses
    QStringList absentDevices;         // open() of these names fails
    PortError refusal = PortError::Absent;   // the kind a refused open reports

    void feed(const QByteArray& bytes) { m_rx.append(bytes); }

    bool open(const QString& deviceName, const LineSettings& settings) override
    {
        calls << QStringLiteral("open ") + deviceName;
        if (failOpen || absentDevices.contains(deviceName)) {
            m_kind = absentDevices.contains(deviceName) ? PortError::Absent : refusal;
            m_error = deviceName + QStringLiteral(" : refusé");
            return false;
        }
        m_kind = PortError::None;
        m_error.clear();
        m_open = true;
        openedDevice = deviceName;
        openedSettings = settings;
        m_rx.clear();
        return true;
    }
    void close() override
    {
        calls << QStringLiteral("close");
        m_open = false;
        m_rx.clear();
    }
    bool isOpen() const override { return m_open; }
    bool clearInput() override
    {
        calls << QStringLiteral("clear");
        m_rx.clear();
        return m_open;
    }
    bool setDtr(bool on) override
    {
        calls << (on ? QStringLiteral("dtr1") : QStringLiteral("dtr0"));
        return false;   // like a pseudo-terminal
    }
    bool write(const QByteArray& bytes) override
    {
        calls << QStringLiteral("write");
        if (!m_open || failWrite)
            return false;
        writes.push_back({m_clock ? m_clock->monotonicMs() : 0, bytes});
        if (responder)
            m_rx.append(responder(bytes));
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
    QString errorString() const override { return m_error; }
    PortError errorKind() const override { return m_kind; }

private:
    SimClock* m_clock;
    bool m_open = false;
    QByteArray m_rx;
    QString m_error;
    PortError m_kind = PortError::None;
};

// Answers one byte per frame, as a panel acknowledges.
inline QByteArray ackOneByte(const QByteArray&) { return QByteArray(1, '\x06'); }

} // namespace kwf::test

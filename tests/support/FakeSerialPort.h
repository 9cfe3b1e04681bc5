#pragma once
#include "core/SerialPort.h"

#include <QByteArray>
#include <QStringList>
#include <functional>
#include <vector>

namespace kwf::test {

class SimClock;

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
    QByteArray pending() const { return m_rx; }

    bool open(const QString& deviceName, const LineSettings& settings) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    bool clearInput() override;
    bool setDtr(bool on) override;
    bool write(const QByteArray& bytes) override;
    int bytesWaiting() override { return int(m_rx.size()); }
    int readByte() override;
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
QByteArray ackOneByte(const QByteArray& frame);

} // namespace kwf::test

#pragma once
#include "core/SerialPort.h"

#include <QSerialPort>

namespace kwf {

// QSerialPort driven without an event loop: every count first pulls in what the system holds,
// a timed-out wait is not an error, and any other error closes the port so no wait can spin.
class QtSerialPort : public SerialPort {
public:
    QtSerialPort();
    ~QtSerialPort() override;
    bool open(const QString& deviceName, const LineSettings& settings) override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    bool clearInput() override;
    bool setDtr(bool on) override;
    bool write(const QByteArray& bytes) override;
    int bytesWaiting() override;
    int readByte() override;
    bool waitForInput(int msecs) override;
    QString errorString() const override { return m_error; }
    PortError errorKind() const override { return m_kind; }

private:
    bool checkError();   // false (and closed) after a real error
    QSerialPort m_port;
    QString m_error;
    PortError m_kind = PortError::None;
};

} // namespace kwf

#pragma once
#include "core/SerialPort.h"

#include <QLockFile>
#include <memory>

namespace kwf {

// termios backend: exact byte counts (FIONREAD), poll() waits that cost no CPU, flock, exclusive
// mode and a lock file in /var/lock so two programs never share a port. A lock file left by a
// program that no longer runs is taken over when the system lets us remove it. Closing puts the
// line's earlier settings back.
class PosixSerialPort : public SerialPort {
public:
    PosixSerialPort() = default;
    ~PosixSerialPort() override;
    bool open(const QString& deviceName, const LineSettings& settings) override;
    void close() override;
    bool isOpen() const override { return m_fd >= 0; }
    bool clearInput() override;
    bool setDtr(bool on) override;
    bool write(const QByteArray& bytes) override;
    int bytesWaiting() override;
    int readByte() override;
    bool waitForInput(int msecs) override;
    QString errorString() const override { return m_error; }
    PortError errorKind() const override { return m_kind; }

private:
    bool pull();           // takes in what the system holds; false when the device failed
    void fail(const QString& what);
    bool refuse(PortError kind, const QString& what);
    int m_fd = -1;
    bool m_haveSaved = false;
    QByteArray m_saved;    // the line's settings before we opened it (a termios), put back on close
    QByteArray m_rx;
    int m_rxPos = 0;
    QString m_error;
    PortError m_kind = PortError::None;
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace kwf

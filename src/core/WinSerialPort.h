#pragma once
#include "core/SerialPort.h"

namespace kwf {

// Win32 backend: "COMn" opened as \\.\COMn (the only form COM10 and above accept), exclusive as
// Windows opens ports; ClearCommError gives the exact count waiting, a wait is one ReadFile that
// returns at the first byte or at its deadline, so it costs no CPU. An adapter pulled out makes
// the next call fail: the port then closes, and every later call fails at once. Closing puts the
// line's earlier settings back.
class WinSerialPort : public SerialPort {
public:
    WinSerialPort() = default;
    ~WinSerialPort() override;
    bool open(const QString& deviceName, const LineSettings& settings) override;
    void close() override;
    bool isOpen() const override { return m_handle != nullptr; }
    bool clearInput() override;
    bool setDtr(bool on) override;
    bool write(const QByteArray& bytes) override;
    int bytesWaiting() override;
    int readByte() override;
    bool waitForInput(int msecs) override;
    QString errorString() const override { return m_error; }
    PortError errorKind() const override { return m_kind; }

    // "COM3" -> "\\.\COM3"; names already in that form are kept.
    static QString systemName(const QString& deviceName);

private:
    bool pull();                     // takes in what the system holds; false when the device failed
    bool readSome(int atMost);       // one ReadFile under the timeouts in force
    bool setTimeouts(int firstByteMs);
    void fail(const QString& what, unsigned long error);
    bool refuse(PortError kind, const QString& what);
    void append(const char* data, int n);
    void* m_handle = nullptr;
    bool m_haveSaved = false;
    QByteArray m_saved;              // the line's DCB before we opened it
    QByteArray m_rx;
    int m_rxPos = 0;
    QString m_error;
    PortError m_kind = PortError::None;
};

} // namespace kwf

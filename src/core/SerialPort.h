#pragma once
#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>
#include <optional>

namespace kwf {

// Line settings in their text form, e.g. "9600,N,8,2".
struct LineSettings {
    int baud = 9600;
    char parity = 'N';   // 'N', 'E', 'O', 'M', 'S'
    int dataBits = 8;
    int stopBits = 2;    // 1 or 2

    // Parses "9600,N,8,2" (case-insensitive parity, blanks tolerated). Empty on malformed text.
    static std::optional<LineSettings> parse(const QString& text);
    QString toString() const;
    bool operator==(const LineSettings& o) const
    { return baud == o.baud && parity == o.parity && dataBits == o.dataBits && stopBits == o.stopBits; }
};

inline const char* const kLinkLineSettings = "9600,N,8,2";
inline const char* const kScanLineSettings = "9600,N,8,1";

// Why a port call failed, so that callers choose their words without reading the text.
enum class PortError {
    None,
    Absent,       // no such device (or a link to nothing)
    Busy,         // held by another program (lock file, flock, exclusive mode)
    Permission,   // the device exists but this user may not open it
    Gone,         // the device went away while open (adapter unplugged)
    Io,           // any other failure of the system
};

// The one serial port of the program, as the exchanges use it. Implementations never throw and
// never block longer than asked; after the device has gone away every call fails fast.
class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Opens the named device with the given line settings, closing any earlier device first.
    // Real devices come out of it with DTR dropped where the line has modem control.
    virtual bool open(const QString& deviceName, const LineSettings& settings) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Discards every byte received and not yet read.
    virtual bool clearInput() = 0;
    // Drops (false) or raises DTR. Lines without modem control (pseudo-terminals) report failure;
    // callers treat that as harmless.
    virtual bool setDtr(bool on) = 0;
    // Writes the whole buffer; false when the port refused it.
    virtual bool write(const QByteArray& bytes) = 0;
    // Number of bytes received and not yet read (taking in what the system holds).
    virtual int bytesWaiting() = 0;
    // Takes one waiting byte; -1 when none is waiting.
    virtual int readByte() = 0;
    // Blocks at most msecs for incoming bytes, taking them in. Returns false at once when the
    // port is closed or failed (the caller then sleeps out its wait instead).
    virtual bool waitForInput(int msecs) = 0;
    // Last error in words, for diagnostics.
    virtual QString errorString() const = 0;
    // Kind of the last error; None after a successful open.
    virtual PortError errorKind() const { return errorString().isEmpty() ? PortError::None : PortError::Io; }

    // Held while an exchange waits on the line (the event loop may turn meanwhile) or a scan runs
    // over it: whatever else comes in then leaves the port alone. Counted, not exclusive.
    bool held() const { return m_held > 0; }
    void hold() { ++m_held; }
    void release() { --m_held; }

private:
    int m_held = 0;
};

// Opens real devices: by default the system's own backend (termios on Linux, Win32 on Windows).
// Empty when the backend asked for is not built for this system.
enum class SerialBackend { Default, Posix, Qt, Win32 };
std::unique_ptr<SerialPort> createSerialPort(SerialBackend backend = SerialBackend::Default);
bool serialBackendAvailable(SerialBackend backend);

} // namespace kwf

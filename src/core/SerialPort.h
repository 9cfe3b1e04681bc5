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

// Device name of port COMn. On Windows "COMn"; elsewhere "<programDir>/dosdevices/comn" when
// that link exists (the usual Wine layout), otherwise "/dev/ttyS<n-1>".
QString portDeviceName(int portNumber, const QString& programDir);

// The one serial port of the program, as the exchanges use it. Implementations never throw and
// never block longer than asked; after the device has gone away every call fails fast.
class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Opens the named device with the given line settings, closing any earlier device first.
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
};

// Opens real devices. On Linux the POSIX backend; the Qt backend everywhere.
enum class SerialBackend { Default, Posix, Qt };
std::unique_ptr<SerialPort> createSerialPort(SerialBackend backend = SerialBackend::Default);

// A serial adapter the system knows (USB adapters with their description and serial number).
struct SerialAdapter {
    QString portName;
    QString systemLocation;
    QString description;
    QString manufacturer;
    QString serialNumber;
};
// The adapters the system lists now (serial backends library).
std::vector<SerialAdapter> listSerialAdapters();

} // namespace kwf

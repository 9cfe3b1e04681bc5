#pragma once
#include "core/UserPlaces.h"

#include <QList>
#include <QString>
#include <functional>

namespace kwf {

// A USB serial adapter as the system shows it.
struct SerialAdapter {
    QString device;          // what opens it: "/dev/ttyUSB0"
    QString byIdName;        // its name in /dev/serial/by-id, when it has one
    quint16 vendorId = 0, productId = 0;
    QString serialNumber;
    QString description;     // "FT232R USB UART"
    // The COM number the system itself gives the port (Windows), 0 where the program numbers it.
    int systemNumber = 0;

    // The stable identity the COM number is kept under: "by-id:<name>", else
    // "usb:<vid>:<pid>:<serial>" (hex); empty when the adapter has neither.
    QString key() const;
    // "adaptateur USB-série FT232R USB UART, n° A1B2C3"
    QString words() const;
};

using AdapterLister = std::function<QList<SerialAdapter>()>;

// The serial ports plugged in now: on Linux the USB adapters (Qt's port list, matched with
// /dev/serial/by-id); on Windows every port the system lists, with the number it gave it.
QList<SerialAdapter> systemSerialAdapters();

// Who numbers the COM ports. Program: dosdevices links, the adapters' table, the built-in ports
// /dev/ttyS<n-1>. System: the system numbers its ports (Windows); COMn opens as "COMn" and the
// ports it lists carry their names.
enum class ComNumbering { Program, System };

// Built-in ports keep their numbers; adapters are numbered from here up to the last list item.
constexpr int kFirstAdapterCom = 3;
constexpr int kLastCom = 12;

// COM numbers given to adapters, kept across unplugging and restarts.
struct ComTableEntry {
    int number = 0;
    QString key;
    QString words;   // how the adapter was described when last seen
};

class ComTable {
public:
    // A missing or unreadable file is an empty table; malformed lines are skipped.
    static ComTable load(const QString& path);
    bool save(const QString& path) const;

    const QList<ComTableEntry>& entries() const { return m_entries; }
    int numberOf(const QString& key) const;              // 0 when none
    const ComTableEntry* entryFor(int number) const;     // nullptr when none
    // Gives each adapter not in the table yet the lowest number from kFirstAdapterCom that no
    // entry holds and that is not in `taken` (numbers a dosdevices link holds). True when changed.
    bool assign(const QList<SerialAdapter>& adapters, const QList<int>& taken);
    // Moves an adapter to another number; false with the reason in French when the number is out
    // of kFirstAdapterCom..kLastCom or held by another adapter.
    bool setNumber(const QString& key, int number, QString* why);
    // Forgets an adapter; false when it was not in the table.
    bool forget(const QString& key);

private:
    QList<ComTableEntry> m_entries;
};

// Where COMn leads.
struct ComPortTarget {
    enum class Source { Link, Adapter, BuiltIn, Unplugged, System, Unlisted };
    int number = 0;
    QString device;     // what to open (empty for an adapter that is unplugged)
    QString adapter;    // the adapter's words, when the port is one
    Source source = Source::BuiltIn;
    // "COM3: — /dev/ttyUSB0, adaptateur USB-série, n° A1B2C3"
    QString toolTip() const;
};

// The COM numbers of this machine.
class PortDirectory {
public:
    PortDirectory(const UserPlaces& places, AdapterLister lister, ComNumbering numbering = ComNumbering::Program);

    // Lists the adapters again, numbers the new ones and saves the table when it changed.
    void refresh();
    // Where COMn leads, as of the last refresh: a dosdevices/comn link (the user's, then the
    // program folder's) wins; then the adapter the table gives n; else the built-in port
    // /dev/ttyS<n-1>. Numbered by the system: "COMn", with the name of the port listed under n.
    ComPortTarget resolve(int number) const;
    ComNumbering numbering() const { return m_numbering; }
    const ComTable& table() const { return m_table; }
    const QList<SerialAdapter>& adapters() const { return m_adapters; }
    const UserPlaces& places() const { return m_places; }
    // Changes a number and saves the table.
    bool setNumber(const QString& key, int number, QString* why);
    bool forget(const QString& key);

private:
    QString linkFor(int number) const;
    QList<int> linkedNumbers() const;
    UserPlaces m_places;
    AdapterLister m_lister;
    ComNumbering m_numbering;
    QList<SerialAdapter> m_adapters;
    ComTable m_table;
};

// This machine's numbering, with its own port list.
PortDirectory systemPortDirectory(const UserPlaces& places);

// One call: refresh the numbering and tell where COMn leads (for the windows and the console).
ComPortTarget resolveComPort(int number, const UserPlaces& places, const AdapterLister& lister);

} // namespace kwf

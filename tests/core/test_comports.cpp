// COM numbers of USB adapters, the per-user folder, and the words for a refused port.
#include "core/ComPorts.h"
#include "core/LinkSettings.h"
#include "core/SerialPort.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kwf;

namespace {
SerialAdapter adapter(const QString& device, const QString& serial, bool byId = true)
{
    SerialAdapter a;
    a.device = device;
    a.vendorId = 0x0403;
    a.productId = 0x6001;
    a.serialNumber = serial;
    if (byId)
        a.byIdName = QStringLiteral("usb-FTDI_FT232R_USB_UART_%1-if00-port0").arg(serial);
    return a;
}

struct Machine {
    QTemporaryDir dir;
    QList<SerialAdapter> plugged;
    UserPlaces places() const { return choosePlaces(dir.path(), true, QString()); }
    // A program start: a fresh directory over the same folder.
    ComPortTarget com(int n) const { return resolveComPort(n, places(), [this] { return plugged; }); }
};
} // namespace

TEST(ComNumbers, AdaptersNumberedFromThreeKeptAcrossUnplugAndRestart)
{
    Machine m;
    m.plugged = {adapter("/dev/ttyUSB0", "A1B2C3")};
    // The device and the kind of port are both in the tool tip.
    EXPECT_EQ(m.com(3).toolTip(), QStringLiteral("COM3: — /dev/ttyUSB0, adaptateur USB-série, n° A1B2C3"));

    // A second adapter comes; the first is unplugged and its number stays reserved.
    m.plugged = {adapter("/dev/ttyUSB0", "Z9")};
    EXPECT_EQ(m.com(4).device, QStringLiteral("/dev/ttyUSB0"));
    const ComPortTarget t = m.com(3);
    EXPECT_EQ(t.source, ComPortTarget::Source::Unplugged);
    EXPECT_TRUE(t.device.isEmpty());   // never the other adapter, never /dev/ttyS2
    // Both back, the devices swapped: each keeps its number.
    m.plugged = {adapter("/dev/ttyUSB0", "Z9"), adapter("/dev/ttyUSB1", "A1B2C3")};
    EXPECT_EQ(m.com(3).device, QStringLiteral("/dev/ttyUSB1"));
    EXPECT_EQ(m.com(4).device, QStringLiteral("/dev/ttyUSB0"));
    // An adapter without a by-id name is known by vendor, product and serial number.
    m.plugged << adapter("/dev/ttyACM0", "S1", false);
    EXPECT_EQ(m.com(5).device, QStringLiteral("/dev/ttyACM0"));
    const ComTable table = ComTable::load(m.places().comTablePath());
    EXPECT_EQ(table.numberOf(QStringLiteral("usb:0403:6001:S1")), 5);
    EXPECT_EQ(table.entries().size(), 3);
}

TEST(ComNumbers, LinkWinsAndHoldsItsNumberAndTheUserMayRenumber)
{
    if (systemPortDirectory(UserPlaces{}).numbering() == ComNumbering::System)
        GTEST_SKIP() << "this system numbers its COM ports itself: no dosdevices links, no table of adapters";
    Machine m;
    QDir(m.dir.path()).mkpath(QStringLiteral("dosdevices"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), m.dir.filePath(QStringLiteral("dosdevices/com3"))));
    m.plugged = {adapter("/dev/ttyUSB0", "A1")};
    EXPECT_EQ(m.com(3).source, ComPortTarget::Source::Link);
    EXPECT_EQ(m.com(4).device, QStringLiteral("/dev/ttyUSB0"));   // 3 is the link's

    PortDirectory d(m.places(), [&] { return m.plugged; });
    d.refresh();
    const QString key = m.plugged[0].key();
    QString why;
    EXPECT_FALSE(d.setNumber(key, 2, &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_FALSE(d.setNumber(key, 13, &why));
    ASSERT_TRUE(d.setNumber(key, 7, &why)) << why.toStdString();
    EXPECT_EQ(m.com(7).device, QStringLiteral("/dev/ttyUSB0"));
    // A second adapter cannot take a number already given.
    m.plugged << adapter("/dev/ttyUSB1", "B2");
    d.refresh();
    EXPECT_EQ(d.table().numberOf(m.plugged[1].key()), 4);
    EXPECT_FALSE(d.setNumber(m.plugged[1].key(), 7, &why));
    // A link made later takes the number from the table.
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), m.dir.filePath(QStringLiteral("dosdevices/com7"))));
    EXPECT_EQ(m.com(7).device, m.dir.filePath(QStringLiteral("dosdevices/com7")));
}

TEST(ComNumbers, NumberedByTheSystemEachPortIsItsOwnComNameWithTheSystemsWords)
{
    Machine m;
    SerialAdapter usb = adapter("COM5", "A1B2C3", false);
    usb.systemNumber = 5;
    usb.description = QStringLiteral("USB Serial Port");
    SerialAdapter builtIn;
    builtIn.device = QStringLiteral("COM1");
    builtIn.systemNumber = 1;
    builtIn.description = QStringLiteral("Port de communication");
    m.plugged = {usb, builtIn};
    PortDirectory d(m.places(), [&] { return m.plugged; }, ComNumbering::System);
    d.refresh();
    EXPECT_EQ(d.resolve(5).device, QStringLiteral("COM5"));
    EXPECT_EQ(d.resolve(5).toolTip(), QStringLiteral("COM5: — adaptateur USB-série USB Serial Port, n° A1B2C3"));
    EXPECT_EQ(d.resolve(1).toolTip(), QStringLiteral("COM1: — Port de communication"));
    // A number the system does not list still opens as itself, and says it is not listed.
    const ComPortTarget unlisted = d.resolve(12);
    EXPECT_EQ(unlisted.device, QStringLiteral("COM12"));
    EXPECT_EQ(unlisted.source, ComPortTarget::Source::Unlisted);
    // The program's own numbering stays out of it: no table written, no link followed (where
    // the system makes links).
    QDir(m.dir.path()).mkpath(QStringLiteral("dosdevices"));
    QFile::link(QStringLiteral("/dev/null"), m.dir.filePath(QStringLiteral("dosdevices/com3")));
    d.refresh();
    EXPECT_EQ(d.resolve(3).device, QStringLiteral("COM3"));
    EXPECT_FALSE(QFile::exists(m.places().comTablePath()));
}

// The decision alone; the configuration file's place, the save and the start-up over it are in
// the configuration window tests, the links beside a writable program in the COM number tests.
TEST(UserFolder, WritableProgramFolderKeepsEverythingElseTheUsersFolder)
{
    const UserPlaces user = choosePlaces(QStringLiteral("/p"), false, QStringLiteral("/u"));
    EXPECT_EQ(user.dosdevicesDir(), QStringLiteral("/u/dosdevices"));
    EXPECT_EQ(user.siteDosdevicesDir(), QStringLiteral("/p/dosdevices"));
    EXPECT_EQ(user.comTablePath(), QStringLiteral("/u/ports-com.txt"));
}

TEST(PortRefusal, WordsChosenFromTheKind)
{
    const QString dev = QStringLiteral("/dev/ttyUSB0");
    const QString perm = portRefusalDetail(PortError::Permission, dev, QString());
    EXPECT_TRUE(perm.contains(QStringLiteral("sudo usermod -aG dialout $USER")) && perm.contains(QStringLiteral("fermez la session")));
    EXPECT_TRUE(portRefusalDetail(PortError::Busy, dev, QStringLiteral("port déjà utilisé"))
                    .contains(QStringLiteral("autre programme")));
    const QString stale = portRefusalDetail(
        PortError::Busy, dev,
        QStringLiteral("%1 : verrou /var/lock/LCK..ttyUSB0 laissé par un programme terminé, impossible à supprimer").arg(dev));
    EXPECT_TRUE(stale.endsWith(QStringLiteral("sudo rm /var/lock/LCK..ttyUSB0"))) << stale.toStdString();
    EXPECT_TRUE(portRefusalDetail(PortError::Absent, dev, QString()).isEmpty());
    EXPECT_TRUE(portRefusalDetail(PortError::Gone, dev, QString()).isEmpty());
}

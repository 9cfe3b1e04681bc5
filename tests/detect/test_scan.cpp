// The detection scan and its probe, on the recording port and simulated time.
#include "FakeSerialPort.h"
#include "SimClock.h"
#include "core/DetectOps.h"
#include "core/Frames.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

namespace {

QString ttyS(int port) { return QStringLiteral("/dev/ttyS%1").arg(port - 1); }

// Every port absent except the given ones (no dosdevices links: COMn is /dev/ttyS<n-1>).
QStringList absentExcept(std::initializer_list<int> present)
{
    QStringList absent;
    for (int n = 1; n <= 14; ++n)
        if (std::find(present.begin(), present.end(), n) == present.end())
            absent << ttyS(n);
    return absent;
}

std::vector<PortFinding> findings(const std::vector<PortProbe>& probes)
{
    std::vector<PortFinding> f;
    for (const auto& p : probes)
        f.push_back(p.finding);
    return f;
}

} // namespace

TEST(DetectProbe, WritesTheRegisterZeroFrameThreeTimesThenWaitsOnce)
{
    SimClock clock;
    FakeSerialPort port(&clock);
    port.open(QStringLiteral("/dev/ttyS2"), *LineSettings::parse(QStringLiteral("9600,N,8,1")));
    port.feed("stale");
    port.calls.clear();

    const CmdResult r = TEST_HORLOGE(port, clock);

    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.count, 0);   // the stale bytes were dropped before the probe
    ASSERT_EQ(port.writes.size(), 3u);
    for (const auto& w : port.writes) {
        EXPECT_EQ(hexBytes(w.bytes), QByteArray("02 02 31 20 20 20 20 20 20 03 03 03"));
        EXPECT_EQ(w.atMs, 0);   // back to back
    }
    EXPECT_EQ(port.calls.mid(0, 2), (QStringList{"clear", "dtr0"}));
    ASSERT_EQ(clock.waits.size(), 1u);
    EXPECT_EQ(clock.waits[0], std::make_pair(qint64(0), qint64(900)));
}

TEST(DetectProbe, OneAnswerOfThreeIsEnoughAndBytesAreLeftUnread)
{
    SimClock clock;
    FakeSerialPort port(&clock);
    port.open(QStringLiteral("/dev/ttyS0"), LineSettings());
    int frames = 0;
    port.responder = [&](const QByteArray&) { return ++frames == 2 ? QByteArray("\x15") : QByteArray(); };
    EXPECT_TRUE(TEST_HORLOGE(port, clock).ok);
    EXPECT_EQ(port.bytesWaiting(), 1);

    // Three answers are also a panel; so is any content.
    frames = 0;
    port.responder = ackOneByte;
    EXPECT_TRUE(TEST_HORLOGE(port, clock).ok);
    EXPECT_EQ(port.bytesWaiting(), 3);
}

TEST(DetectProbe, RefusedWriteEndsAtOnceWithoutWaiting)
{
    SimClock clock;
    FakeSerialPort port(&clock);
    port.open(QStringLiteral("/dev/ttyS0"), LineSettings());
    port.failWrite = true;
    const CmdResult r = TEST_HORLOGE(port, clock);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.count, -1);
    EXPECT_TRUE(clock.waits.empty());

    port.close();
    EXPECT_EQ(TEST_HORLOGE(port, clock).count, -1);
}

TEST(DetectScan, FindsPanelOnThirdPortOfTwoAndCostsTimeOnlyForPortsThatOpen)
{
    SimClock clock;
    FakeSerialPort port(&clock);
    port.absentDevices = absentExcept({1, 3});
    port.responder = [&](const QByteArray&) {
        return port.openedDevice == ttyS(3) ? QByteArray(1, '\x06') : QByteArray();
    };
    std::vector<int> tested;
    std::vector<PortProbe> reported;
    DetectHooks hooks;
    hooks.testing = [&](int n) { tested.push_back(n); };
    hooks.done = [&](const PortProbe& p) {
        EXPECT_EQ(p.port, tested.back());   // reported before the next port is tried
        reported.push_back(p);
    };

    const auto probes = scanPorts(port, clock, QString(), hooks);

    std::vector<PortFinding> expected(14, PortFinding::Absent);
    expected[0] = PortFinding::Free;
    expected[2] = PortFinding::Panel;
    EXPECT_EQ(findings(probes), expected);
    EXPECT_EQ(findings(reported), expected);
    ASSERT_EQ(tested.size(), 14u);
    for (int n = 1; n <= 14; ++n) {
        EXPECT_EQ(tested[n - 1], n);
        EXPECT_EQ(probes[n - 1].device, ttyS(n));
    }
    // Two ports opened: two waits of 0.9 s, nothing for the thirteen others.
    EXPECT_EQ(clock.monotonicMs(), 1800);
    EXPECT_EQ(clock.waits.size(), 2u);
    // Every open at the probe's line settings, one stop bit.
    EXPECT_EQ(port.openedSettings, *LineSettings::parse(QStringLiteral("9600,N,8,1")));
    EXPECT_EQ(port.writes.size(), 6u);
}

TEST(DetectScan, ClosesTheLinkFirstAndEachPortBeforeTheNext)
{
    SimClock clock;
    FakeSerialPort port(&clock);
    port.absentDevices = absentExcept({2, 14});
    port.open(QStringLiteral("/dev/link"), LineSettings());
    port.calls.clear();

    scanPorts(port, clock, QString());

    ASSERT_GE(port.calls.size(), 2);
    EXPECT_EQ(port.calls[0], QStringLiteral("close"));
    EXPECT_EQ(port.calls[1], QStringLiteral("open /dev/ttyS0"));
    // Port 2 was open when port 3 was tried: closed first.
    const int open3 = int(port.calls.indexOf(QStringLiteral("open /dev/ttyS2")));
    ASSERT_GT(open3, 0);
    EXPECT_EQ(port.calls[open3 - 1], QStringLiteral("close"));
    // The last port that opened is left open.
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(port.openedDevice, ttyS(14));
}

TEST(DetectScan, PortFailingWhileProbedCountsAsAbsent)
{
    SimClock clock;
    FakeSerialPort port(&clock);
    port.absentDevices = absentExcept({5});
    port.failWrite = true;
    const auto probes = scanPorts(port, clock, QString());
    EXPECT_EQ(probes[4].finding, PortFinding::Absent);
    EXPECT_EQ(clock.monotonicMs(), 0);
}

TEST(DetectScan, UsesTheDosdevicesLinksOfTheProgramFolder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("dosdevices")));
    const QString link = dir.filePath(QStringLiteral("dosdevices/com7"));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("nowhere")), link));
    SimClock clock;
    FakeSerialPort port(&clock);
    const auto probes = scanPorts(port, clock, dir.path());
    EXPECT_EQ(probes[6].device, link);
    EXPECT_EQ(probes[5].device, ttyS(6));
}

// The real port backends against pseudo-terminals, with real (short) waits.
#include "RecordingUi.h"
#include "core/Clock.h"
#include "core/Frames.h"
#include "core/LinkSettings.h"
#include "core/SerialPort.h"
#include "core/Tqvbase.h"

#include <QElapsedTimer>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/file.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace kwf;

namespace {

// A pseudo-terminal whose master side the test holds; optionally answers one byte per frame.
class Pty {
public:
    Pty()
    {
        char name[256] = {};
        if (openpty(&m_master, &m_slave, name, nullptr, nullptr) == 0) {
            termios t{};
            tcgetattr(m_slave, &t);
            cfmakeraw(&t);
            tcsetattr(m_slave, TCSANOW, &t);
            m_path = QString::fromLocal8Bit(name);
            fcntl(m_master, F_SETFL, O_NONBLOCK);
        }
    }
    ~Pty()
    {
        stop();
        closeMaster();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    QString path() const { return m_path; }
    int master() const { return m_master; }
    void closeMaster()
    {
        stop();
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }
    // Answers 0x06 for every frame end (the first 0x03 after a body) seen on the master.
    void answerFrames()
    {
        m_run = true;
        m_thread = std::thread([this] {
            bool inEnd = false;
            while (m_run) {
                pollfd p{m_master, POLLIN, 0};
                if (::poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN))
                    continue;
                char buf[256];
                const ssize_t n = ::read(m_master, buf, sizeof buf);
                for (ssize_t i = 0; i < n; ++i) {
                    received.push_back(buf[i]);
                    if (buf[i] == 0x03 && !inEnd) {
                        const char ack = 0x06;
                        (void)!::write(m_master, &ack, 1);
                    }
                    inEnd = buf[i] == 0x03;
                }
            }
        });
    }
    void stop()
    {
        m_run = false;
        if (m_thread.joinable())
            m_thread.join();
    }
    QByteArray drain()
    {
        QByteArray all;
        char buf[256];
        ssize_t n;
        while ((n = ::read(m_master, buf, sizeof buf)) > 0)
            all.append(buf, int(n));
        return all;
    }
    std::vector<char> received;

private:
    int m_master = -1, m_slave = -1;
    QString m_path;
    std::thread m_thread;
    std::atomic<bool> m_run{false};
};

const LineSettings kLine = *LineSettings::parse(QStringLiteral("9600,N,8,2"));

class Backend : public ::testing::TestWithParam<SerialBackend> {};

} // namespace

TEST_P(Backend, OpensCountsReadsAndClears)
{
    Pty pty;
    ASSERT_FALSE(pty.path().isEmpty());
    auto port = createSerialPort(GetParam());
    EXPECT_FALSE(port->open(QStringLiteral("/dev/kwf-no-such-port"), kLine));
    EXPECT_FALSE(port->isOpen());
    ASSERT_TRUE(port->open(pty.path(), kLine)) << port->errorString().toStdString();
    port->setDtr(false);   // may fail on a pty: harmless
    EXPECT_TRUE(port->write(QByteArray("\x02\x31\x03", 3)));
    QElapsedTimer t;
    t.start();
    while (pty.received.size() < 3 && t.elapsed() < 1000) {
        const QByteArray got = pty.drain();
        pty.received.insert(pty.received.end(), got.begin(), got.end());
        if (pty.received.size() < 3)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(QByteArray(pty.received.data(), int(pty.received.size())), QByteArray("\x02\x31\x03", 3));
    // Bytes the system holds are counted without any event loop.
    ASSERT_EQ(::write(pty.master(), "ABC", 3), 3);
    SystemClock clock;
    clock.waitUntil(clock.monotonicMs() + 50, port.get());
    EXPECT_EQ(port->bytesWaiting(), 3);
    EXPECT_EQ(port->readByte(), 'A');
    EXPECT_EQ(port->bytesWaiting(), 2);
    EXPECT_TRUE(port->clearInput());
    EXPECT_EQ(port->bytesWaiting(), 0);
    EXPECT_EQ(port->readByte(), -1);
    port->close();
    EXPECT_FALSE(port->isOpen());
    EXPECT_FALSE(port->write("x"));
}

TEST_P(Backend, UnpluggedDeviceFailsFastWithoutSpinning)
{
    Pty pty;
    auto port = createSerialPort(GetParam());
    ASSERT_TRUE(port->open(pty.path(), kLine));
    pty.closeMaster();
    SystemClock clock;
    const std::clock_t cpu0 = std::clock();
    QElapsedTimer t;
    t.start();
    clock.waitUntil(clock.monotonicMs() + 300, port.get());
    const qint64 wall = t.elapsed();
    const double cpuMs = 1000.0 * double(std::clock() - cpu0) / CLOCKS_PER_SEC;
    EXPECT_GE(wall, 295);
    EXPECT_LT(wall, 600);
    EXPECT_LT(cpuMs, 100.0) << "the wait spun";
    // Writes and counts fail quietly afterwards.
    port->write(QByteArray(16, '\x02'));
    EXPECT_EQ(port->bytesWaiting(), 0);
    EXPECT_EQ(port->readByte(), -1);
}

TEST_P(Backend, LinkTestRegisterWriteAndClosingOverARealLine)
{
    Pty pty;
    pty.answerFrames();
    auto port = createSerialPort(GetParam());
    ASSERT_TRUE(port->open(pty.path(), kLine));
    SystemClock clock;
    test::RecordingUi ui;
    LinkSettingsModel link;
    link.settings.response = QStringLiteral("OUI");
    link.portValide = true;
    Tqvbase tqv(*port, clock, ui, link);

    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(tqv.TEST_LIAISON());
    EXPECT_GE(t.elapsed(), 900);
    EXPECT_TRUE(tqv.ECRI_REG(20, 0x41).ok);
    tqv.COMPTE_RENDU(CmdResult::acknowledged(), QStringLiteral("Fait."));
    EXPECT_LT(t.elapsed(), 1600);
    pty.stop();
    QByteArray expected = linkTestFrame() + registerWriteFrame(20, 0x41, 1, 1) + closingFrame();
    EXPECT_EQ(QByteArray(pty.received.data(), int(pty.received.size())), expected);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Fait."));
}

TEST_P(Backend, PortHeldByAnotherProgramDoesNotOpen)
{
    Pty pty;
    auto first = createSerialPort(GetParam());
    ASSERT_TRUE(first->open(pty.path(), kLine));
    auto second = createSerialPort(GetParam());
    EXPECT_FALSE(second->open(pty.path(), kLine));
    first->close();
    EXPECT_TRUE(second->open(pty.path(), kLine));
}

INSTANTIATE_TEST_SUITE_P(Serial, Backend, ::testing::Values(SerialBackend::Posix, SerialBackend::Qt),
                         [](const auto& info) { return info.param == SerialBackend::Posix ? "Posix" : "Qt"; });

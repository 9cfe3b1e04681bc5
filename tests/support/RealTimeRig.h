#pragma once
// The one rig of the real-time tests: a raw pseudo-terminal whose master side the test holds,
// real-time waits, and the program as it runs for real (system clock, a real serial backend).
#include "RecordingUi.h"
#include "app/Principal.h"
#include "core/Clock.h"
#include "core/ComPorts.h"
#include "core/LinkSettings.h"
#include "core/SerialPort.h"
#include "core/Tqvbase.h"
#include "link/Configuration.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <ctime>
#include <memory>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace kwf::test {

// A raw pseudo-terminal. With answerFrames(), a thread collects what the port sends and, if
// asked, answers 0x06 for every frame end (the first 0x03 after a body).
struct Pty {
    int master = -1, slave = -1;
    QString path;
    std::vector<char> received;
    std::thread thread;
    std::atomic<bool> run{false};

    Pty()
    {
        char name[256] = {};
        termios raw{};
        ::cfmakeraw(&raw);
        if (::openpty(&master, &slave, name, &raw, nullptr) == 0)
            path = QString::fromLocal8Bit(name);
    }
    ~Pty()
    {
        closeMaster();
        if (slave >= 0)
            ::close(slave);
    }
    // The slave seen as COMn through the program folder's dosdevices links.
    bool linkAs(const QString& dir, int n)
    {
        return QDir(dir).mkpath(QStringLiteral("dosdevices")) &&
               QFile::link(path, dir + QStringLiteral("/dosdevices/com%1").arg(n));
    }
    void closeMaster()
    {
        stop();
        if (master >= 0)
            ::close(master);
        master = -1;
    }
    void answerFrames(bool ack = true)
    {
        run = true;
        thread = std::thread([this, ack] {
            bool inEnd = false;
            char buf[256];
            while (run) {
                pollfd p{master, POLLIN, 0};
                if (::poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN))
                    continue;
                for (ssize_t i = 0, n = ::read(master, buf, sizeof buf); i < n; ++i) {
                    received.push_back(buf[i]);
                    if (ack && buf[i] == 0x03 && !inEnd)
                        (void)!::write(master, "\x06", 1);
                    inEnd = buf[i] == 0x03;
                }
            }
        });
    }
    QByteArray stop()
    {
        run = false;
        if (thread.joinable())
            thread.join();
        return QByteArray(received.data(), int(received.size()));
    }
};

// Processor time of this process in milliseconds (to tell a wait from a spin).
inline double cpuMs() { return 1000.0 * double(std::clock()) / CLOCKS_PER_SEC; }

// True once `done` holds, false after `ms` (generous: the machine may be loaded).
template <class F> bool waitFor(F done, int ms = 10000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return done();
}

// The program as it runs for real: system clock, a real serial backend, the main window, its
// folder a temporary one (COM ports are pseudo-terminals linked there), optional port list.
struct RealTimeApp {
    explicit RealTimeApp(SerialBackend backend = SerialBackend::Default, PortDirectory* ports = nullptr)
        : port(createSerialPort(backend))
    {
        tqv = std::make_unique<Tqvbase>(*port, clock, ui, link);
        ctx = {port.get(), &clock, &ui, &link, tqv.get(), dir.path()};
        ctx.ports = ports;
        principal = std::make_unique<Principal>(ctx);
        principal->show();
    }
    // Validates the settings on COMn with the response control given.
    void validate(int n, const char* response = "OUI")
    {
        Configuration* c = principal->configuration();
        c->SEL_COM->setCurrentText(QStringLiteral("COM%1:").arg(n));
        c->SEL_REP->setCurrentText(QString::fromLatin1(response));
        c->OUVERTURE_DU_COM();
    }
    SystemClock clock;
    RecordingUi ui;
    LinkSettingsModel link;
    std::unique_ptr<SerialPort> port;
    std::unique_ptr<Tqvbase> tqv;
    QTemporaryDir dir;
    AppContext ctx;
    std::unique_ptr<Principal> principal;
};

} // namespace kwf::test

#pragma once
// Helpers for the fault tests: the program on real time over pseudo-terminals, a rack of
// emulated panels on simulated time (one per device name, so that a second port can be
// validated after the first one went away), and small file-system tricks.
#include "EmulatedApp.h"
#include "TestApp.h"
#include "app/Principal.h"
#include "core/AppContext.h"
#include "core/Clock.h"
#include "core/LinkSettings.h"
#include "core/SerialPort.h"
#include "core/Tqvbase.h"
#include "link/Configuration.h"
#include "model/EmulatedSerialPort.h"
#include "model/PtyPanel.h"

#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>

#include <ctime>
#include <map>
#include <memory>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace kwf::test {

// Processor time of this process in milliseconds (to tell a wait from a spin).
inline double cpuMs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

// One register read over a real line. Its 50 ms wait is short for a loaded machine (or a
// sanitizer build): a few tries before calling it unanswered.
inline int readRegisterOverRealLine(Tqvbase& t, int reg)
{
    int v = -1;
    for (int i = 0; i < 5 && v < 0; ++i)
        v = t.LIT_REG(reg);
    return v;
}

// The program as it runs for real: system clock, a real serial backend, the main window.
struct RealTimeApp {
    explicit RealTimeApp(SerialBackend backend = SerialBackend::Default)
        : port(createSerialPort(backend))
    {
        tqv = std::make_unique<Tqvbase>(*port, clock, ui, link);
        ctx.port = port.get();
        ctx.clock = &clock;
        ctx.ui = &ui;
        ctx.link = &link;
        ctx.tqv = tqv.get();
        ctx.programDir = dir.path();
        principal = std::make_unique<Principal>(ctx);
        principal->resize(1024, 768);
        principal->show();
    }
    ~RealTimeApp() { principal.reset(); }

    Configuration* config() { return principal->configuration(); }
    // Validates the settings on COMn, as the user does with "Valider".
    void validate(int n, const char* response = "OUI", const char* iface = "Filaire ")
    {
        config()->SEL_COM->setCurrentText(QStringLiteral("COM%1:").arg(n));
        config()->SEL_REP->setCurrentText(QString::fromLatin1(response));
        config()->SEL_INTER->setCurrentText(QString::fromLatin1(iface));
        config()->OUVERTURE_DU_COM();
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

// Several emulated panels behind one port object: opening a device name reaches that name's
// panel (made on first use). Each panel can be unplugged on its own; the others still open.
class PanelRack : public SerialPort {
public:
    explicit PanelRack(Clock& clock) : m_clock(clock) {}

    emu::EmulatedSerialPort& panel(const QString& deviceName)
    {
        auto& p = m_panels[deviceName];
        if (!p)
            p = std::make_unique<emu::EmulatedSerialPort>(m_clock);
        return *p;
    }
    emu::EmulatedSerialPort* current() { return m_current; }

    bool open(const QString& deviceName, const LineSettings& settings) override
    {
        close();
        m_current = &panel(deviceName);
        return m_current->open(deviceName, settings);
    }
    void close() override { if (m_current) m_current->close(); }
    bool isOpen() const override { return m_current && m_current->isOpen(); }
    bool clearInput() override { return m_current && m_current->clearInput(); }
    bool setDtr(bool on) override { return m_current && m_current->setDtr(on); }
    bool write(const QByteArray& bytes) override { return m_current && m_current->write(bytes); }
    int bytesWaiting() override { return m_current ? m_current->bytesWaiting() : 0; }
    int readByte() override { return m_current ? m_current->readByte() : -1; }
    bool waitForInput(int msecs) override { return m_current && m_current->waitForInput(msecs); }
    QString errorString() const override { return m_current ? m_current->errorString() : QString(); }

private:
    Clock& m_clock;
    std::map<QString, std::unique_ptr<emu::EmulatedSerialPort>> m_panels;
    emu::EmulatedSerialPort* m_current = nullptr;
};

inline std::unique_ptr<TestApp> makeRackApp()
{
    return std::make_unique<TestApp>(TestApp::PortFactory([](SimClock& clock) {
        return std::make_unique<PanelRack>(clock);
    }));
}
inline PanelRack& rack(TestApp& app) { return static_cast<PanelRack&>(*app.port); }
// The device name of COMn in an app's program folder (no dosdevices link: /dev/ttyS<n-1>;
// the rack never opens a real device).
inline QString comDevice(TestApp& app, int n) { return portDeviceName(n, app.dir.path()); }

inline void selectPort(TestApp& app, int n, const char* response = "OUI", const char* iface = "Filaire ")
{
    app.principal->configuration()->SEL_COM->setCurrentText(QStringLiteral("COM%1:").arg(n));
    app.principal->configuration()->SEL_REP->setCurrentText(QString::fromLatin1(response));
    app.principal->configuration()->SEL_INTER->setCurrentText(QString::fromLatin1(iface));
}

// A character device that behaves like /dev/full (every write: "no space left"), made inside
// a test folder so that no test ever writes near the machine's own /dev/full.
inline bool makeFullDevice(const QString& path)
{
    return ::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0666, makedev(1, 7)) == 0;
}
inline bool isCharDevice(const QString& path)
{
    struct stat st{};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISCHR(st.st_mode);
}

// While alive, files this process writes cannot grow beyond `bytes` (a disk that is full after
// that many bytes). Root is bound by it too.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = ::signal(SIGXFSZ, SIG_IGN);   // the write fails with EFBIG instead
        rlimit l = m_old;
        l.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &l);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        ::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = SIG_DFL;
};

} // namespace kwf::test

#pragma once
// Helpers for the fault tests: the program on an emulated panel (simulated time), small
// file-system tricks.
#include "EmulatedApp.h"
#include "RealTimeRig.h"
#include "clock/DCF77.h"
#include "panel/dump.h"

#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

namespace kwf::test {

// The emulated adapter opens as COMn only, and the settings window names COMn.
inline void chooseCom(TestApp& app, int n)
{
    emulatedPort(app).devices = {portDirectoryOf(app.ctx).resolve(n).device};
    app.principal->configuration()->SEL_COM->setCurrentText(QStringLiteral("COM%1:").arg(n));
}
// The program on an emulated panel, validated on COMn.
inline std::unique_ptr<TestApp> emulatedAppOn(int n, const char* iface = "Filaire ")
{
    auto app = makeEmulatedApp();
    chooseCom(*app, n);
    app->validateWith("OUI", iface);
    return app;
}
// The adapter that was pulled out is plugged in as COMn and the settings validated there.
inline void revalidateOn(TestApp& app, int n)
{
    emulatedPort(app).replug();
    chooseCom(app, n);
    app.ui.messages.clear();
    app.validate();
}
// `ticks` polls of the DCF77 monitor, 200 ms apart; `chars` arrive one per tick (fake port).
inline void pollMonitor(TestApp& app, DCF77* w, int ticks, const QByteArray& chars = {})
{
    for (int i = 0; i < ticks; ++i) {
        if (i < chars.size())
            app.fake->feed(chars.mid(i, 1));
        app.clock.advance(200);
        w->Timer3_Timer();
    }
}

#ifdef Q_OS_UNIX
// A character device that behaves like /dev/full (every write: "no space left"), made inside
// a test folder so that no test ever writes near the machine's own /dev/full.
inline bool makeFullDevice(const QString& path)
{
    return ::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0666, makedev(1, 7)) == 0;
}

// While alive, files this process writes cannot grow beyond `bytes` (a disk that is full after
// that many bytes; root is bound by it too). The write fails with EFBIG, not a signal.
struct FileSizeLimit {
    rlimit old{};
    void (*oldHandler)(int) = ::signal(SIGXFSZ, SIG_IGN);
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &old);
        const rlimit l{bytes, old.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &l);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &old), ::signal(SIGXFSZ, oldHandler); }
};
#endif

} // namespace kwf::test

// The DCF77 monitor with its reception picture, offscreen, against the emulated panel on a
// pseudo-terminal streaming at 60 times real speed, for ten seconds (ten minutes of stream):
//   - the window as it runs, its poll every 200 ms taking one character a tick;
//   - the window's poll called as often as the characters come (every one of the 600 taken),
//     with the picture hidden, then shown: the difference is the picture's own cost.
// Prints the characters and minutes taken, the processor share of one core used by the window's
// thread, and the longest handling of one character. Goal: CPU <= 1 % for the window as it runs
// with the picture shown; the picture's own share well under 1 % at the stream's pace.
#include "clock/DCF77.h"
#include "clock/Dcf77Picture.h"
#include "core/AppContext.h"
#include "core/Clock.h"
#include "core/LinkSettings.h"
#include "core/Tqvbase.h"
#include "BenchRig.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <ctime>

using namespace kwf;

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    constexpr int kRate = 60;
    constexpr qint64 kRunMs = 10 * 60 * 1000 / kRate;   // ten minutes of stream
    std::printf("%-34s %10s %8s %9s %8s %12s\n", "relève", "caractères", "minutes", "durée", "CPU", "max/caract.");
    enum Mode { AsItRuns, EveryCharacterHidden, EveryCharacterShown };
    for (const Mode mode : {AsItRuns, EveryCharacterHidden, EveryCharacterShown}) {
        const bool shown = mode != EveryCharacterHidden;
        emu::PtyPanel panel;
        {
            auto lock = panel.lock();
            panel.model().setDcfRate(kRate);
        }
        auto port = openOnEmulatedPanel(panel);
        if (!port)
            return 1;
        BenchTransport rig(*port);
        QTemporaryDir dir;
        AppContext ctx{port.get(), &rig.clock, &rig.ui, &rig.link, &rig.tqv, dir.path(), nullptr};
        DCF77 w(ctx);
        w.RECEPTION->setVisible(shown);
        w.resize(900, 700);
        w.show();
        w.Command2_Click();   // the stream starts
        w.Timer3->stop();     // its poll is made below, timed
        QCoreApplication::processEvents();

        // The window's poll, every 200 ms as its timer makes it, or as often as the characters come.
        QTimer poll;
        poll.setTimerType(Qt::PreciseTimer);
        poll.setInterval(mode == AsItRuns ? 200 : 1000 / kRate);
        qint64 longestNs = 0;
        QElapsedTimer one;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            one.start();
            w.Timer3_Timer();
            longestNs = std::max(longestNs, one.nsecsElapsed());
        });
        QElapsedTimer wall;
        const double cpu0 = threadCpuMs();
        wall.start();
        poll.start();
        QTimer::singleShot(int(kRunMs), &app, &QCoreApplication::quit);
        app.exec();
        poll.stop();
        const double cpuMs = threadCpuMs() - cpu0;
        const qint64 wallMs = wall.elapsed();
        qsizetype chars = w.reception().current().size();
        for (const Dcf77MinuteRecord& r : w.reception().records())
            chars += r.chars.size();
        std::printf("%-34s %10lld %8d %6lld ms %7.2f %% %9.2f ms\n", mode == AsItRuns ? "fenêtre, 200 ms, image affichée"
                    : shown ? "chaque caractère, image affichée" : "chaque caractère, image masquée",
                    static_cast<long long>(chars), w.reception().counters(0).minutes,
                    static_cast<long long>(wallMs), 100.0 * cpuMs / double(wallMs), double(longestNs) / 1e6);
        w.Command3_Click();
        port->close();
        panel.stop();
    }
    return 0;
}

// Real time, end to end: the program reads relay 2 from the emulated panel on a pseudo-terminal
// (about 10.4 s of waits) and the event loop keeps turning all along: a probe timer meant to
// fire every 10 ms never goes more than 100 ms without firing.
#include "RealTimeRig.h"
#include "model/PtyPanel.h"
#include "panel/Relais.h"

#include <QTimer>
#include <gtest/gtest.h>

using namespace kwf;
using namespace kwf::test;

TEST(EventLoopRealTime, TurnsThroughARelay2Read)
{
    KWF_SKIP_WITHOUT_PTY();
    emu::PtyPanel panel;
    ASSERT_TRUE(panel.start()) << panel.errorString().toStdString();
    RealTimeApp app;
    ASSERT_TRUE(panel.linkAs(app.dir.path(), 1));
    app.validate(1);
    ASSERT_TRUE(app.link.portValide) << app.ui.lastText().toStdString();
    auto* w = qobject_cast<Relais*>(app.principal->showWindow(QStringLiteral("Relais_2")));
    ASSERT_NE(w, nullptr);

    QElapsedTimer clock;
    qint64 last = -1, longest = 0;
    int ticks = 0;
    QTimer probe;
    probe.setInterval(10);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (last >= 0)
            longest = std::max(longest, now - last);
        last = now;
        ++ticks;
    });
    clock.start();
    probe.start();
    const double cpu0 = cpuMs();
    w->Command1_Click();
    const qint64 wall = clock.elapsed();
    const double cpu = cpuMs() - cpu0;
    probe.stop();
    longest = std::max(longest, wall - last);

    EXPECT_EQ(app.ui.lastText(), QStringLiteral("Lecture Relais 2 effectuée."));
    // 0.9 s link test, 17 frames each followed by 0.5 s, 0.9 s, 0.1 s closing: 10.4 s.
    EXPECT_GE(wall, 10400);
    EXPECT_LE(wall, 10400 + 25 * 20) << "the waits ran long";
    EXPECT_LE(longest, 100) << "the event loop stalled";
    EXPECT_GT(ticks, 500);
    EXPECT_LT(cpu, 0.1 * double(wall)) << "the wait spun";
}

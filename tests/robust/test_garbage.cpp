// A panel that answers garbage: answers after the wait, and a flood while the DCF77 monitor
// runs. Exchanges never take a stray byte for a value, and the windows stay usable.
#include "RobustSupport.h"
#include "core/Dcf77Log.h"

#include <atomic>
#ifdef Q_OS_UNIX
#include <fcntl.h>
#endif
#include <random>

using namespace kwf;
using namespace kwf::test;

// Answers that come after the wait: the link test fails with its message, and the late bytes
// never pass for the answer of a later exchange.
TEST(GarbageAnswers, LateAnswersFailAndNeverPassForALaterAnswer)
{
    auto app = emulatedAppOn(1);
    emu::PanelModel& panel = emulatedPort(*app).model();
    panel.setReg(30, 0x5A);
    panel.faults().answerDelayMs = 3000;   // later than all three attempts
    EXPECT_FALSE(app->tqv->TEST_LIAISON());
    EXPECT_EQ(app->ui.texts(), QStringList{QString::fromUtf8(msg::kLinkFailed)});
    panel.faults().answerDelayMs = 0;      // late acknowledgements still on their way
    for (int i = 0; i < 40; ++i) {
        const int v = app->tqv->LIT_REG(30);
        EXPECT_TRUE(v == 0x5A || v == -1) << "a late byte was read as the value: " << v;
        app->clock.advance(37);
    }
    EXPECT_EQ(app->tqv->LIT_REG(30), 0x5A);
    EXPECT_TRUE(app->tqv->TEST_LIAISON());
}

// Real time: 20 000 bytes arrive at once while the monitor polls: every character is taken, in
// order, one per tick, and the window stays usable. Then an endless flood: the program stops
// taking bytes at its limit (the rest stays with the system) and "Arrêter" brings the line back.
TEST(GarbageFloodRealTime, Dcf77MonitorTakesAFloodInOrderWithBoundedMemory)
{
#ifndef Q_OS_UNIX
    KWF_SKIP_WITHOUT_PTY();
#else
    Pty pty;
    RealTimeApp app(SerialBackend::Posix);
    ASSERT_TRUE(pty.linkAs(app.dir.path(), 1));
    app.validate(1, "NON");
    ASSERT_TRUE(app.link.portValide) << app.ui.lastText().toStdString();
    // Loaded but not shown during the flood (painting 20 000 characters one by one is what
    // would cost time here); shown again for the clicks. The test drives the poll.
    auto* w = qobject_cast<DCF77*>(app.principal->window(QStringLiteral("DCF77")));
    ASSERT_NE(w, nullptr);
    w->Timer3->stop();
    w->Timer1->stop();

    // Minutes of DCF77 characters with noise in between: every byte value occurs.
    QByteArray flood;
    std::mt19937 rng(77);
    while (flood.size() < 20000) {
        for (int s = 0; s < 58; ++s)
            flood.append((rng() % 9 == 0) ? char(rng() & 0xFF) : char('0' + (rng() & 1)));
        flood.append(rng() % 2 ? '2' : '3');
    }
    flood.truncate(20000);
    // The flood, then 'Z's without end: the program must stop taking them at its limit.
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        ::fcntl(pty.master, F_SETFL, ::fcntl(pty.master, F_GETFL) | O_NONBLOCK);
        for (QByteArray rest = flood; !stop;) {
            const ssize_t n = ::write(pty.master, rest.constData(), size_t(rest.size()));
            rest = n <= 0 ? rest : n < rest.size() ? rest.mid(n) : QByteArray(4096, 'Z');
            if (n <= 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    Dcf77Log expected;
    int taken = 0;
    while (taken < flood.size() && waitFor([&] { return app.port->bytesWaiting() > 0; })) {
        w->Timer3_Timer();
        expected.feed(flood[taken++]);
        if (taken % 997 == 0)
            QCoreApplication::processEvents();   // the window keeps answering
    }
    ASSERT_EQ(taken, flood.size());
    EXPECT_EQ(w->logText(), expected.text()) << "characters lost or out of order";
    constexpr int kLimit = 1 << 20;
    EXPECT_TRUE(waitFor([&] { return app.port->bytesWaiting() >= kLimit; }, 30000));
    for (int i = 0; i < 50; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_LE(app.port->bytesWaiting(), kLimit + 4096) << "the program took the whole flood";
    }
    stop = true;
    writer.join();

    app.principal->showWindow(QStringLiteral("DCF77"));
    QTest::mouseClick(w->Command1, Qt::LeftButton);   // "Éffacer"
    EXPECT_TRUE(w->logText().isEmpty());
    QTest::mouseClick(w->Command3, Qt::LeftButton);   // "Arrêter": the buffer is emptied
    EXPECT_EQ(app.port->bytesWaiting(), 0);
    QTest::mouseClick(w->Command2, Qt::LeftButton);   // "Démarrer"
    ASSERT_EQ(::write(pty.master, "1", 1), 1);
    ASSERT_TRUE(waitFor([&] { return app.port->bytesWaiting() == 1; }));
    w->Timer3_Timer();
    EXPECT_EQ(w->logText(), QStringLiteral("1"));
#endif
}

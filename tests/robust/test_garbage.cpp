// A panel that answers garbage: random bytes, too many bytes, answers after the wait, and a
// flood while the DCF77 monitor runs. Exchanges judge by the count, never take a stray byte
// for a value, and the windows stay usable.
#include "RobustSupport.h"
#include "clock/DCF77.h"
#include "core/Dcf77Log.h"
#include "core/Frames.h"
#include "core/SwitchOps.h"
#include "panel/dump.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <pty.h>
#include <random>
#include <thread>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace kwf;
using namespace kwf::test;

namespace {

const QStringList kKnownMessages = {QString::fromUtf8(msg::kLinkFailed), QString::fromUtf8(msg::kWiredFailure),
                                    QString::fromUtf8(msg::kWirelessFailure), QString::fromUtf8(msg::kNoReading)};

} // namespace

// Each frame gets 0 to 3 random bytes. A register shows its value only when exactly one byte
// came back, and that byte; otherwise "0". The switch reading and the link test judge likewise.
TEST(GarbageAnswers, RandomBytesAreJudgedByTheirCountOnly)
{
    TestApp app;
    app.principal->configuration()->SEL_REP->setCurrentText(QStringLiteral("OUI"));
    app.validate();
    app.ui.messages.clear();
    std::mt19937 rng(20261205);
    std::vector<QByteArray> answers;
    app.fake->responder = [&](const QByteArray&) {
        QByteArray a;
        const int n = int(rng() % 4);
        for (int i = 0; i < n; ++i)
            a.append(char(rng() & 0xFF));
        answers.push_back(a);
        return a;
    };
    auto* w = qobject_cast<dump*>(app.principal->showWindow(QStringLiteral("dump")));
    ASSERT_NE(w, nullptr);
    for (int round = 0; round < 5; ++round) {
        answers.clear();
        QTest::mouseClick(w->Command1, Qt::LeftButton);
        ASSERT_EQ(answers.size(), 64u);
        for (int r = 0; r < 64; ++r) {
            const QByteArray& a = answers[size_t(r)];
            EXPECT_EQ(w->Text1[r]->text(), a.size() == 1 ? gridText(quint8(a[0])) : QStringLiteral("0"))
                << "register " << r << " round " << round;
        }
    }
    for (int round = 0; round < 20; ++round) {
        answers.clear();
        const bool linked = app.tqv->TEST_LIAISON();
        int firstSingle = -1;
        for (size_t i = 0; i < answers.size() && i < 3; ++i)
            if (answers[i].size() == 1) {
                firstSingle = int(i);
                break;
            }
        EXPECT_EQ(linked, firstSingle >= 0) << "round " << round;
        if (linked) {
            EXPECT_EQ(answers.size(), size_t(firstSingle + 1)) << "no attempt after the link answered";
        }
    }
    for (int round = 0; round < 20; ++round)
        QTest::mouseClick(w->LIT_SW, Qt::LeftButton);
    for (const auto& m : app.ui.messages)
        EXPECT_TRUE(kKnownMessages.contains(m.text)) << m.text.toStdString();
}

// Too many bytes: every answer carries one more. The link test fails with its message, the
// grid shows "0" everywhere, a block write is not acknowledged.
TEST(GarbageAnswers, TooManyBytesAreFailures)
{
    auto app = makeEmulatedApp();
    app->principal->configuration()->SEL_REP->setCurrentText(QStringLiteral("OUI"));
    app->validate();
    app->ui.messages.clear();
    emulatedPort(*app).model().faults().extraByte = true;
    EXPECT_FALSE(app->tqv->TEST_LIAISON());
    ASSERT_EQ(app->ui.messages.size(), 1u);
    EXPECT_EQ(app->ui.messages[0].text, QString::fromUtf8(msg::kLinkFailed));
    EXPECT_EQ(app->tqv->LIT_REG(20), -1);
    EXPECT_FALSE(app->tqv->writeRegisters(15, QByteArray(17, '\x01'), 2, 3, 0.9).ok);
    auto* w = qobject_cast<dump*>(app->principal->showWindow(QStringLiteral("dump")));
    ASSERT_NE(w, nullptr);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    for (int r = 0; r < 64; ++r)
        EXPECT_EQ(w->Text1[r]->text(), QStringLiteral("0")) << r;
}

// Answers that come after the wait: the exchange fails, and the late bytes are never taken for
// the answer of a later exchange.
TEST(GarbageAnswers, LateAnswersFailAndNeverPassForALaterAnswer)
{
    auto app = makeEmulatedApp();
    app->principal->configuration()->SEL_REP->setCurrentText(QStringLiteral("OUI"));
    app->validate();
    app->ui.messages.clear();
    emu::PanelModel& panel = emulatedPort(*app).model();
    panel.setReg(30, 0x5A);
    panel.faults().answerDelayMs = 3000;   // later than all three attempts
    EXPECT_FALSE(app->tqv->TEST_LIAISON());
    EXPECT_EQ(app->ui.lastText(), QString::fromUtf8(msg::kLinkFailed));
    // Late acknowledgements (0x06) are still on their way; the panel is quick again.
    panel.faults().answerDelayMs = 0;
    for (int i = 0; i < 40; ++i) {
        const int v = app->tqv->LIT_REG(30);
        EXPECT_TRUE(v == 0x5A || v == -1) << "a late byte was read as the value: " << v;
        app->clock.advance(37);
    }
    EXPECT_EQ(app->tqv->LIT_REG(30), 0x5A);
    EXPECT_TRUE(app->tqv->TEST_LIAISON());
}

// ---- DCF77 monitor under a flood, over a real line ---------------------------------------------

namespace {

// A pseudo-terminal whose master side the test writes to directly.
struct RawPty {
    int master = -1;
    QString slave;
    RawPty()
    {
        int s = -1;
        char name[256] = {};
        if (::openpty(&master, &s, name, nullptr, nullptr) != 0)
            return;
        termios tio{};
        ::tcgetattr(s, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(s, TCSANOW, &tio);
        ::close(s);
        slave = QString::fromLocal8Bit(name);
    }
    ~RawPty()
    {
        if (master >= 0)
            ::close(master);
    }
};

} // namespace

// 20 000 bytes arrive at once while the monitor polls: every character is taken, in order, one
// per tick; what the program holds stays bounded; the window stays usable.
TEST(GarbageFlood, Dcf77MonitorTakesAFloodInOrderAndStaysUsable)
{
    RawPty pty;
    ASSERT_FALSE(pty.slave.isEmpty());
    RealTimeApp app;
    QDir(app.dir.path()).mkpath(QStringLiteral("dosdevices"));
    ASSERT_TRUE(QFile::link(pty.slave, app.dir.path() + QStringLiteral("/dosdevices/com1")));
    app.validate(1, "NON");
    ASSERT_TRUE(app.link.portValide) << app.ui.lastText().toStdString();
    // Loaded but not shown while the flood runs (painting 20 000 characters one by one is what
    // would cost time here, not the taking of bytes); shown again for the clicks.
    auto* w = qobject_cast<DCF77*>(app.principal->window(QStringLiteral("DCF77")));
    ASSERT_NE(w, nullptr);
    w->Timer3->stop();   // the test drives the poll, as fast as it can
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
    std::atomic<bool> writerDone{false};
    std::thread writer([&] {
        qsizetype done = 0;
        while (done < flood.size()) {
            const ssize_t n = ::write(pty.master, flood.constData() + done, size_t(flood.size() - done));
            if (n > 0)
                done += n;
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        writerDone = true;
    });
    Dcf77Log expected;
    int taken = 0, maxWaiting = 0;
    QElapsedTimer t;
    t.start();
    while (taken < flood.size() && t.elapsed() < 60000) {
        const int waiting = app.port->bytesWaiting();
        maxWaiting = qMax(maxWaiting, waiting);
        if (waiting == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        w->Timer3_Timer();
        expected.feed(flood[taken]);
        ++taken;
        if (taken % 997 == 0)
            QCoreApplication::processEvents();   // the window keeps answering
    }
    writer.join();
    ASSERT_EQ(taken, flood.size());
    EXPECT_EQ(w->logText(), expected.text()) << "characters lost or out of order";
    EXPECT_EQ(w->log().minutes(), expected.minutes());
    EXPECT_LE(maxWaiting, flood.size());
    EXPECT_EQ(app.port->bytesWaiting(), 0);

    // Still usable: clear, and stop/start exchange on the line.
    app.principal->showWindow(QStringLiteral("DCF77"));
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    EXPECT_TRUE(w->logText().isEmpty());
    ASSERT_EQ(::write(pty.master, "0101", 4), 4);
    QTest::mouseClick(w->Command3, Qt::LeftButton);   // "Arrêter": the buffer is emptied
    EXPECT_EQ(app.port->bytesWaiting(), 0);
    QTest::mouseClick(w->Command2, Qt::LeftButton);   // "Démarrer"
    ASSERT_EQ(::write(pty.master, "1", 1), 1);
    SystemClock c;
    c.waitUntil(c.monotonicMs() + 50, app.port.get());
    w->Timer3_Timer();
    EXPECT_EQ(w->logText(), QStringLiteral("1"));
}

// A flood far larger than anything a panel sends: the program stops taking bytes at its limit
// (the rest stays with the system), and emptying the buffer brings the line back.
TEST(GarbageFlood, ReceiveBufferIsBoundedUnderAnEndlessFlood)
{
    RawPty pty;
    ASSERT_FALSE(pty.slave.isEmpty());
    ::fcntl(pty.master, F_SETFL, ::fcntl(pty.master, F_GETFL) | O_NONBLOCK);
    auto port = createSerialPort(SerialBackend::Posix);
    ASSERT_TRUE(port->open(pty.slave, *LineSettings::parse(QStringLiteral("9600,N,8,2"))));
    const QByteArray chunk(4096, 'Z');
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        while (!stop) {
            if (::write(pty.master, chunk.constData(), size_t(chunk.size())) <= 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    QElapsedTimer t;
    t.start();
    int waiting = 0;
    while (t.elapsed() < 1500) {
        waiting = port->bytesWaiting();
        port->readByte();
        if (waiting >= (1 << 20))
            break;
    }
    stop = true;
    writer.join();
    EXPECT_LE(waiting, (1 << 20) + 4096);   // the limit, give or take one read
    EXPECT_TRUE(port->clearInput());
    EXPECT_EQ(port->bytesWaiting(), 0);
    ASSERT_EQ(::write(pty.master, "OK", 2), 2);
    SystemClock c;
    c.waitUntil(c.monotonicMs() + 30, port.get());
    EXPECT_EQ(port->bytesWaiting(), 2);
    EXPECT_EQ(port->readByte(), 'O');
    EXPECT_TRUE(port->isOpen());
}

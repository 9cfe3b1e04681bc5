// The window stays alive through long exchanges: runs a relay 2 read (link test, 17 reads each
// followed by 0.5 s, closing) and a 64-register grid write against the emulated panel on a
// pseudo-terminal, with a probe timer meant to fire every 10 ms, and prints for each: the wall
// time against the physical time of the exchange (its waits plus 11 bits per character written
// at 9600 baud), the processor share of one core taken by the program's thread, and the longest
// time the event loop went without turning. Goals: wall <= 1.02 x physical, CPU <= 2 %, stall
// <= 100 ms. (A pseudo-terminal has no line timing: the wall time holds only the waits.)
#include "core/Clock.h"
#include "core/LinkSettings.h"
#include "core/RelayOps.h"
#include "core/SerialPort.h"
#include "core/SwitchOps.h"
#include "core/Tqvbase.h"
#include "model/PtyPanel.h"
#include "BenchRig.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <functional>

using namespace kwf;

namespace {
// Counts the characters written and the waits asked for.
class Tally : public ExchangeObserver {
public:
    void frameWritten(const QByteArray& frame, bool) override { chars += frame.size(); }
    qint64 chars = 0;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    emu::PtyPanel panel;
    auto port = openOnEmulatedPanel(panel);
    if (!port)
        return 1;
    BenchTransport rig(*port);
    SystemClock& clock = rig.clock;
    Tqvbase& tqv = rig.tqv;
    Tally tally;
    tqv.addObserver(&tally);

    struct Case {
        const char* name;
        double waits;   // seconds
        std::function<bool()> run;
    };
    const Case cases[] = {
        {"lecture relais 2", 0.9 + 17 * 0.5 + 0.9 + 0.1, [&] {
             tqv.TEST_LIAISON();
             const bool ok = LIT_RELAIS2(tqv).result.ok;
             tqv.FIN_LIAISON();
             return ok;
         }},
        {"écriture grille 64", 64 * 0.05, [&] {
             std::array<quint8, grid::kRegisters> values{};
             for (int n = 0; n < grid::kRegisters; ++n)
                 values[size_t(n)] = quint8(n);
             writeRegisterGrid(tqv, values, {});
             return true;
         }},
    };
    std::printf("%-20s %10s %10s %7s %8s %9s %4s\n", "échange", "physique", "réel", "rapport", "CPU", "blocage", "ok");
    for (const Case& c : cases) {
        QElapsedTimer wall;
        qint64 last = 0, longest = 0;
        QTimer probe;
        probe.setInterval(10);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const qint64 now = wall.elapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
        tally.chars = 0;
        const double cpu0 = threadCpuMs();
        wall.start();
        probe.start();
        const bool ok = c.run();
        const qint64 wallMs = wall.elapsed();
        const double cpuMs = threadCpuMs() - cpu0;
        longest = std::max(longest, wallMs - last);
        const double physicalMs = c.waits * 1000.0 + double(tally.chars) * 11.0 * 1000.0 / 9600.0;
        std::printf("%-20s %7.0f ms %7lld ms %7.3f %7.2f %% %6lld ms %4s\n", c.name, physicalMs,
                    static_cast<long long>(wallMs), double(wallMs) / physicalMs, 100.0 * cpuMs / double(wallMs),
                    static_cast<long long>(longest), ok ? "oui" : "non");
    }
    port->close();
    panel.stop();
    return 0;
}

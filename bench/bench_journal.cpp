// An exchange costs the same with the exchange journal listening and without it: times single
// register writes and a 17-register block write against the emulated panel on a
// pseudo-terminal, both ways, and prints the figures.
#include "core/Clock.h"
#include "core/ExchangeJournal.h"
#include "core/LinkSettings.h"
#include "core/SerialPort.h"
#include "core/Tqvbase.h"
#include "model/PtyPanel.h"
#include "BenchRig.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

using namespace kwf;

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
    ExchangeJournal journal(clock);

    std::printf("%-10s %-24s %5s %12s %10s\n", "journal", "exchange", "runs", "mean", "acked");
    for (bool listening : {false, true, false, true}) {
        if (listening)
            tqv.addObserver(&journal);
        else
            tqv.removeObserver(&journal);
        struct Case { const char* name; int runs; std::function<bool()> run; };
        const Case cases[] = {
            {"ECRI_REG (0.05 s)", 20, [&] { return tqv.ECRI_REG(30, 0x5A).ok; }},
            {"17 registers (0.9 s)", 3, [&] { return tqv.writeRegisters(32, QByteArray(17, '\x11'), plan::kBlockWrite).ok; }},
        };
        for (const Case& c : cases) {
            int acked = 0;
            QElapsedTimer t;
            t.start();
            for (int i = 0; i < c.runs; ++i)
                acked += c.run() ? 1 : 0;
            std::printf("%-10s %-24s %5d %9.2f ms %7d/%d\n", listening ? "ouvert" : "fermé", c.name, c.runs,
                        double(t.nsecsElapsed()) / 1e6 / c.runs, acked, c.runs);
        }
    }
    std::printf("entrées du journal : %zu\n", journal.entries().size());
    port->close();
    panel.stop();
    return 0;
}

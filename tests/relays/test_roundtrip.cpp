#include "EmulatedApp.h"
#include "RelayTestApp.h"

// Every control of both relay windows sent to the emulated panel (response
// control on, wired link) and read back into a freshly opened window.
TEST(RelayRoundTrip, EveryControlComesBackFromThePanel)
{
    for (int n : {1, 2}) {
        std::unique_ptr<TestApp> app = makeEmulatedApp();
        app->validateWith();
        auto fresh = [&] {
            app->principal->unloadWindow(QStringLiteral("Relais_%1").arg(n));
            return qobject_cast<Relais*>(app->principal->showWindow(QStringLiteral("Relais_%1").arg(n)));
        };
        Relais* w = fresh();
        setVariedState(w, true);
        const std::string sent = stateOf(w);
        RelayTestApp::click(w->ENVOI);
        Relais* again = fresh();
        RelayTestApp::click(again->Command1);
        EXPECT_EQ(stateOf(again), sent) << n;
    }
}

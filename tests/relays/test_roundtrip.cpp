#include "EmulatedApp.h"
#include "RelayTestApp.h"

// Every control of both relay windows, with either contact, sent to the emulated panel (response
// control on, wired link) and read back into a freshly opened window.
TEST(RelayRoundTrip, EveryControlComesBackFromThePanel)
{
    for (int n : {1, 2})
        for (bool closes : {true, false}) {
            std::unique_ptr<TestApp> app = makeEmulatedApp();
            app->validateWith();
            auto fresh = [&] {
                app->principal->unloadWindow(QStringLiteral("Relais_%1").arg(n));
                return qobject_cast<Relais*>(app->principal->showWindow(QStringLiteral("Relais_%1").arg(n)));
            };
            Relais* w = fresh();
            setVariedState(w, closes);
            const std::string sent = stateOf(w);
            RelayTestApp::click(w->ENVOI);
            EXPECT_EQ(app->ui.lastText(), QStringLiteral("Programmation Relais %1 effectuée.").arg(n));
            Relais* again = fresh();
            RelayTestApp::click(again->Command1);
            EXPECT_EQ(app->ui.lastText(), QStringLiteral("Lecture Relais %1 effectuée.").arg(n));
            EXPECT_EQ(stateOf(again), sent) << n << closes;
            EXPECT_EQ(emulatedPort(*app).model().reg(n == 1 ? 15 : 48), 0xCC);
        }
}

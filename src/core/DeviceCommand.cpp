#include "core/DeviceCommand.h"

namespace kwf {

bool stopsAfterFailedLinkTest(LinkPolicy policy, bool wired)
{
    switch (policy) {
    case LinkPolicy::Stop:
        return true;
    case LinkPolicy::StopWhenWired:
        return wired;
    case LinkPolicy::GoOn:
        return false;
    }
    return true;
}

bool runDeviceCommand(Tqvbase& t, const DeviceCommand& command, const std::function<CmdResult()>& operation,
                      const QString& successText)
{
    if (!t.VERIF_PORT())
        return false;
    if (!t.TEST_LIAISON() && stopsAfterFailedLinkTest(command.policy, t.wired()))
        return false;
    t.COMPTE_RENDU(operation(), successText);
    return true;
}

} // namespace kwf

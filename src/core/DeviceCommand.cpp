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
    case LinkPolicy::None:
        return false;
    }
    return true;
}

bool commandOffered(const DeviceCommand& command, bool wired)
{
    return wired || !command.wiredOnly;
}

OutcomeKind judgeOutcome(const CommandOutcome& o, const CmdResult& r, bool reading)
{
    if (!r.sent)
        return OutcomeKind::Refusal;
    if (!o.checked && !reading)
        return OutcomeKind::Success;
    const bool linkFailed = o.linkTest == LinkTestResult::Failed;
    if (r.ok && !linkFailed && r.received <= r.expected)
        return OutcomeKind::Success;
    if (!r.ok && r.received == 0)
        return OutcomeKind::SilentPanel;
    return OutcomeKind::BadAnswer;
}

CommandOutcome runDeviceCommand(Tqvbase& t, const DeviceCommand& command, const std::function<CmdResult()>& operation,
                                const QString& successText, bool reading)
{
    CommandOutcome o;
    o.command = command;
    o.checked = !t.responseIgnored();
    t.clearShown();
    auto collect = [&] { o.messages = t.shown(); };
    if (!t.VERIF_PORT()) {
        collect();
        return o;   // a refusal
    }
    const bool linked = t.TEST_LIAISON();
    o.linkTestBytes = t.lastLinkTestBytes();
    o.linkTest = !o.checked && linked ? LinkTestResult::Unchecked
        : linked                      ? LinkTestResult::Passed
                                      : LinkTestResult::Failed;
    if (!linked && stopsAfterFailedLinkTest(command.policy, t.wired())) {
        collect();
        o.kind = o.linkTestBytes > 0 ? OutcomeKind::BadAnswer : OutcomeKind::SilentPanel;
        return o;
    }
    const CmdResult r = operation();
    o.operationRan = true;
    o.expected = r.expected;
    o.received = r.received;
    t.COMPTE_RENDU(r, successText);
    collect();
    o.successShown = r.ok && o.checked && !o.messages.empty();
    o.kind = judgeOutcome(o, r, reading);
    return o;
}

} // namespace kwf

#include "core/ProfileOps.h"
#include "core/Clock.h"
#include "core/DisplayOps.h"
#include "core/RegisterMap.h"
#include "core/RelayOps.h"
#include "core/SwitchOps.h"
#include "core/Tqvbase.h"

#include <QDateTime>

namespace kwf {

using namespace profile;

namespace {

QString title(Block b)
{
    return QString::fromUtf8(spanOf(b).title);
}

// The switch part of the display window as one command: its link test, its registers, its
// closing frame. `acks` and `wanted` are the single-register answers that came and were awaited.
CommandOutcome switchOutcome(Tqvbase& t, const DeviceCommand& command, bool linked, int acks, int wanted, bool reading)
{
    CommandOutcome c;
    c.command = command;
    c.checked = !t.responseIgnored();
    c.linkTestBytes = t.lastLinkTestBytes();
    c.linkTest = !c.checked && linked ? LinkTestResult::Unchecked : linked ? LinkTestResult::Passed : LinkTestResult::Failed;
    c.messages = t.shown();
    if (!linked) {
        c.kind = c.linkTestBytes > 0 ? OutcomeKind::BadAnswer : OutcomeKind::SilentPanel;
        return c;
    }
    c.operationRan = true;
    c.expected = wanted;
    c.received = acks;
    c.kind = judgeOutcome(c, CmdResult::counted(acks == wanted, wanted, acks), reading);
    return c;
}

// A block's read: false when it failed for another reason than a missing marker.
bool markerMissing(const CommandOutcome& o)
{
    return o.operationRan && o.received == o.expected && o.expected > 0;
}

std::array<quint8, 16> bytesOf(const Registers& r, int first)
{
    std::array<quint8, 16> b{};
    for (int i = 0; i < 16; ++i)
        b[size_t(i)] = quint8(r[size_t(first + i)]);
    return b;
}

// Writes one block of the profile with its window's command.
CommandOutcome writeBlock(Tqvbase& t, const Profile& p, Block b)
{
    const Registers& r = p.regs;
    switch (b) {
    case Block::Command: {
        const int fn = r[kCommandBlockFirst] - kFunctionBase;
        const DeviceCommand& c = p.colour == ColourType::Mono ? command::kBrightnessWrite
            : fn == 0                                         ? command::kClockColours
                                                              : command::kCountdownColours;
        return runDeviceCommand(t, c, [&] {
            return ECRI_BLOC(t, quint8(r[11]), quint8(r[12]), quint8(r[13]), quint8(r[14]), fn);
        }, QString::fromUtf8(p.colour == ColourType::Mono ? msg::kBrightnessDone : msg::kColourDone));
    }
    case Block::Relay1:
        return runDeviceCommand(t, command::kRelay1Write, [&] { return writeRelay1Bytes(t, bytesOf(r, kRelay1First + 1)); },
                                relayProgrammedText(1));
    case Block::Switches: {
        t.clearShown();
        if (!t.VERIF_PORT()) {
            CommandOutcome c;
            c.command = command::kSwitchWrite;
            c.messages = t.shown();
            return c;
        }
        SwitchImage image{bankFromByte(quint8(r[switches::kBankSw2Register])), bankFromByte(quint8(r[switches::kBankSw3Register]))};
        int acks = 0;
        const bool linked = writeSwitchImage(t, image, &acks);
        return switchOutcome(t, command::kSwitchWrite, linked, acks, 4, false);
    }
    case Block::Relay2:
        return runDeviceCommand(t, holdsEvent(r) ? command::kEventWrite : command::kRelay2Write,
                                [&] { return ECRI_RELAIS2(t, bytesOf(r, kRelay2First)); },
                                holdsEvent(r) ? QString::fromUtf8(msg::kEventDone) : relayProgrammedText(2));
    case Block::Brightness:
        return runDeviceCommand(t, command::kProfileRegisterWrite, [&] {
            Tqvbase::Operation op(t, QStringLiteral("ECRI_REG"));
            int acks = 0;
            for (int i = kBrightnessBlockFirst; i < kBrightnessBlockFirst + kBrightnessBlockSize; ++i)
                acks += t.ECRI_REG(i, quint8(r[size_t(i)])).ok;
            return CmdResult::counted(acks == kBrightnessBlockSize, kBrightnessBlockSize, acks);
        }, QStringLiteral("Bloc de luminosité écrit."));
    }
    return {};
}

} // namespace

ProfileReading readPanelProfile(Tqvbase& t, ColourType colour, const QString& tool)
{
    ProfileReading out;
    Profile p;
    p.tool = tool;
    p.colour = colour;
    p.date = t.clock().now();
    auto take = [&](int first, int size) {
        for (int i = first; i < first + size; ++i)
            p.regs[size_t(i)] = t.TAB_DS()[size_t(i)];
    };
    // Relay 1, then the switch image inside it, relay 2 or the event, the command block and the
    // brightness block.
    out.outcome = runDeviceCommand(t, command::kRelay1Read, [&] { return LIT_RELAIS1(t).result; }, relayReadText(1), true);
    if (out.outcome.success())
        take(kRelay1First, kRelayBlockSize);
    else if (!markerMissing(out.outcome))
        return out;

    t.clearShown();
    if (!t.VERIF_PORT()) {
        out.outcome = switchOutcome(t, command::kSwitchRead, false, 0, 3, true);
        out.outcome.linkTest = LinkTestResult::NotRun;
        out.outcome.kind = OutcomeKind::Refusal;
        return out;
    }
    const SwitchReading sw = readSwitchImage(t);
    out.outcome = switchOutcome(t, command::kSwitchRead, sw.linkOk, sw.marker >= 0 ? 1 + sw.banksRead : 0,
                                sw.markerOk ? 3 : 1, true);
    if (!sw.linkOk || sw.marker < 0 || (sw.markerOk && sw.banksRead < 2))
        return out;
    if (sw.markerOk) {
        p.regs[switches::kMarkerRegister] = switches::kMarker;
        p.regs[switches::kBankSw2Register] = bankByte(sw.image.sw2);
        p.regs[switches::kBankSw3Register] = bankByte(sw.image.sw3);
    }

    out.outcome = runDeviceCommand(t, command::kRelay2Read, [&] { return LIT_RELAIS2(t).result; }, relayReadText(2), true);
    if (out.outcome.success())
        take(kRelay2First, kRelayBlockSize);
    else if (!markerMissing(out.outcome))
        return out;

    std::array<int, kCommandBlockSize> command{};
    out.outcome = runDeviceCommand(t, command::kProfileRegisterRead, [&] {
        Tqvbase::Operation op(t, QStringLiteral("LIT_REG"));
        int answered = 0;
        for (int i = 0; i < kCommandBlockSize; ++i) {
            command[size_t(i)] = t.LIT_REG(kCommandBlockFirst + i);
            answered += command[size_t(i)] >= 0;
        }
        return CmdResult::counted(answered == kCommandBlockSize, kCommandBlockSize, answered);
    }, QString::fromUtf8(msg::kReadingDone), true);
    if (!out.outcome.success())
        return out;
    if (command[0] >= kFunctionBase)
        for (int i = 0; i < kCommandBlockSize; ++i)
            p.regs[size_t(kCommandBlockFirst + i)] = command[size_t(i)];

    out.outcome = runDeviceCommand(t, command::kBrightnessRead, [&] { return readBrightness(t).result; },
                                   QString::fromUtf8(msg::kReadingDone), true);
    if (out.outcome.success())
        take(kBrightnessBlockFirst, kBrightnessBlockSize);
    else if (!markerMissing(out.outcome))
        return out;

    const int digits = switchDigits(p.regs);
    p.digits = digits ? digits : 6;
    out.outcome.kind = OutcomeKind::Success;
    out.profile = p;
    return out;
}

QString panelMismatch(const Profile& file, const Profile& panel)
{
    QStringList why;
    if (file.digits != panel.digits)
        why << QStringLiteral("le profil est fait pour un panneau %1 digits, les interrupteurs du panneau disent %2 digits")
                   .arg(file.digits).arg(panel.digits);
    if (file.colour != panel.colour)
        why << QStringLiteral("le profil est fait pour un panneau %1 couleur, le panneau est %2 couleur")
                   .arg(colourName(file.colour), colourName(panel.colour));
    return why.join(QStringLiteral(" ; "));
}

ProfileComparison comparePanel(Tqvbase& t, const Profile& file, const QString& tool)
{
    Tqvbase::Quiet quiet(t);
    ProfileComparison c;
    c.reading = readPanelProfile(t, file.colour, tool);
    if (c.reading.profile)
        c.differences = differences(file, *c.reading.profile);
    return c;
}

ProfileWrite writePanelProfile(Tqvbase& t, const Profile& file, const QString& tool, const ProfileWriteOptions& options)
{
    Tqvbase::Quiet quiet(t);
    ProfileWrite w;
    w.before = comparePanel(t, file, tool);
    if (!w.before.reading.success()) {
        w.failure = w.before.reading.outcome;
        return w;
    }
    w.mismatch = panelMismatch(file, *w.before.reading.profile);
    if (!w.mismatch.isEmpty() && !options.force) {
        w.result = ProfileWriteResult::Mismatch;
        return w;
    }
    if (options.dryRun) {
        w.result = ProfileWriteResult::DryRun;
        return w;
    }
    // The blocks that differ, each with its window's command. Relay 1 holds the switch image.
    const Profile& panel = *w.before.reading.profile;
    std::vector<Block> toWrite;
    for (Block b : file.blocks()) {
        const BlockSpan& s = spanOf(b);
        bool same = true;
        for (int i = s.first; i < s.first + s.size; ++i)
            same = same && file.regs[size_t(i)] == panel.regs[size_t(i)];
        if (!same)
            toWrite.push_back(b);
    }
    if (toWrite.empty()) {
        w.result = ProfileWriteResult::NothingToDo;
        return w;
    }
    if (options.confirm && !options.confirm(w.before.differences)) {
        w.result = ProfileWriteResult::Cancelled;
        return w;
    }
    for (Block b : toWrite)
        w.notWritten << title(b);
    for (Block b : toWrite) {
        t.reportProgress(QStringLiteral("profil : %1").arg(title(b)));
        const CommandOutcome o = writeBlock(t, file, b);
        if (!o.success()) {
            w.result = ProfileWriteResult::WriteFailed;
            w.failure = o;
            w.failedBlock = title(b);
            return w;
        }
        w.notWritten.removeFirst();
        w.written << title(b);
    }
    // Everything read back: any register the panel did not keep is told.
    ProfileReading back = readPanelProfile(t, file.colour, tool);
    w.after = back.profile;
    if (!back.success()) {
        w.failure = back.outcome;
        w.result = ProfileWriteResult::NotTaken;
        return w;
    }
    w.notTaken = registersNotTaken(file, *back.profile);
    w.result = w.notTaken.empty() ? ProfileWriteResult::Written : ProfileWriteResult::NotTaken;
    return w;
}

QStringList ProfileWrite::reportLines() const
{
    QStringList lines;
    switch (result) {
    case ProfileWriteResult::Written:
        lines << QStringLiteral("Profil écrit et relu : %1 écrit(s), chaque registre relu comme écrit.").arg(written.join(QStringLiteral(", ")));
        break;
    case ProfileWriteResult::NothingToDo:
        lines << QStringLiteral("Le panneau a déjà ce profil : rien n'est écrit.");
        break;
    case ProfileWriteResult::DryRun:
        lines << (before.differences.empty() ? QStringLiteral("Essai : le panneau a déjà ce profil ; rien n'est écrit.")
                                             : QStringLiteral("Essai : %1 différence(s) ; rien n'est écrit.").arg(before.differences.size()));
        break;
    case ProfileWriteResult::Mismatch:
        lines << QStringLiteral("Profil refusé : %1. Rien n'est écrit (--forcer pour l'écrire quand même).").arg(mismatch);
        break;
    case ProfileWriteResult::Cancelled:
        lines << QStringLiteral("Programmation annulée : rien n'est écrit.");
        break;
    case ProfileWriteResult::ReadFailed:
        lines << QStringLiteral("Lecture du panneau impossible : rien n'est écrit.");
        break;
    case ProfileWriteResult::WriteFailed:
        lines << QStringLiteral("Écriture interrompue pendant %1.").arg(failedBlock)
              << QStringLiteral("Blocs écrits : %1.").arg(written.isEmpty() ? QStringLiteral("aucun") : written.join(QStringLiteral(", ")))
              << QStringLiteral("Blocs non écrits : %1.").arg(notWritten.join(QStringLiteral(", ")));
        break;
    case ProfileWriteResult::NotTaken:
        if (!after) {
            lines << QStringLiteral("Profil écrit (%1), mais la relecture a échoué : rien n'est vérifié.").arg(written.join(QStringLiteral(", ")));
            break;
        }
        lines << QStringLiteral("Profil écrit (%1), mais %2 registre(s) relu(s) autrement :").arg(written.join(QStringLiteral(", "))).arg(notTaken.size());
        for (const Miss& m : notTaken)
            lines << QStringLiteral("  ") + m.text();
        break;
    }
    return lines;
}

} // namespace kwf

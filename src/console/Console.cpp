#include "console/Console.h"
#include "console/Format.h"
#include "console/Options.h"
#include "core/Clock.h"
#include "core/ClockOps.h"
#include "core/ComPorts.h"
#include "core/ConfigFile.h"
#include "core/Dcf77Log.h"
#include "core/Dcf77Report.h"
#include "core/Dcf77Monitor.h"
#include "core/Dcf77Reception.h"
#include "core/DetectOps.h"
#include "core/DeviceCommand.h"
#include "core/DisplayOps.h"
#include "core/EventCountdown.h"
#include "core/ExchangeJournal.h"
#include "core/LinkSettings.h"
#include "core/RelayOps.h"
#include "core/SerialPort.h"
#include "core/SwitchOps.h"
#include "core/Tqvbase.h"
#include "core/UiServices.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

namespace kwf::console {

namespace {

// The COM numbers as the windows see them; without a directory, the program folder's links only.
PortDirectory portsOf(const ConsoleEnv& env)
{
    return env.ports ? env.ports() : PortDirectory(choosePlaces(env.programDir, true, QString()), {});
}

// Files larger than this are no configuration or register image.
constexpr qint64 kMaxInputFile = 1 << 20;

// The message boxes of the windows, kept instead of shown: the command decides from them.
class ConsoleUi : public UiServices {
public:
    struct Shown { QString text; MsgIcon icon; };
    std::vector<Shown> shown;
    void message(const QString& text, MsgIcon icon) override { shown.push_back({text, icon}); }
    QString getOpenFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString getSaveFileName(const QString&, const QString&, const QString&) override { return {}; }
    bool openDocument(const QString&) override { return false; }
    bool setSystemDateTime(const QDateTime&, QString* reason) override
    {
        if (reason)
            *reason = QStringLiteral("kwf-tqvctl ne change pas l'heure du PC.");
        return false;
    }
    void clearClipboard() override {}
};

// The progress line on a terminal: the operation under way.
class Progress : public ExchangeObserver {
public:
    Progress(ConsoleEnv& env, const QString& command) : m_env(env), m_command(command) {}
    ~Progress() override { clear(); }
    void operationStarted(const QString& name) override { show(name); }
    void show(const QString& text)
    {
        if (!m_env.terminal)
            return;
        *m_env.err << progressLine(QStringLiteral("%1 : %2…").arg(m_command, text));
        m_env.err->flush();
        m_shown = true;
    }
    void clear()
    {
        // Erased before anything else is printed, so no result lands on the progress line.
        if (m_shown) {
            *m_env.err << progressClear();
            m_env.err->flush();
        }
        m_shown = false;
    }
private:
    ConsoleEnv& m_env;
    QString m_command;
    bool m_shown = false;
};

QString oneLine(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// The PC's time in whole seconds, as the panel's clock counts them.
QDateTime wholeSeconds(const QDateTime& dt)
{
    return dt.addMSecs(-dt.time().msec());
}

QString portName(int n)
{
    return QStringLiteral("COM%1").arg(n);
}

// One command against the panel: the link, the transport, the outcome.
class Session {
public:
    Session(ConsoleEnv& env, const Options& o)
        : m_env(env), m_o(o), m_tqv(*env.port, *env.clock, m_ui, m_link), m_journal(*env.clock),
          m_progress(env, o.command)
    {
        m_link.settings.port = QStringLiteral("COM%1:").arg(o.port);
        m_link.settings.interface = lists::interfaces().at(o.wired ? 0 : 1);
        m_link.settings.response = lists::yesNo().at(o.control ? 1 : 0);
        m_tqv.addObserver(&m_progress);
        if (o.journal)
            m_tqv.addObserver(&m_journal);
    }

    Tqvbase& tqv() { return m_tqv; }
    ConsoleUi& ui() { return m_ui; }
    Progress& progress() { return m_progress; }

    // Opens the port as the settings window validates it: on a refusal, the window's message and
    // its explanation.
    PortOpening open() { return openLinkPort(*m_env.port, m_link, portsOf(m_env)); }
    void close()
    {
        m_progress.clear();
        if (m_o.journal)
            *m_env.err << m_journal.text();
        if (m_env.port->isOpen())
            m_env.port->close();
    }

    // The messages the windows would have shown, other than the given success texts.
    QStringList failures(const QStringList& successes) const
    {
        QStringList f;
        for (const ConsoleUi::Shown& s : m_ui.shown)
            if (!successes.contains(s.text))
                f << oneLine(s.text);
        return f;
    }

private:
    ConsoleEnv& m_env;
    const Options& m_o;
    ConsoleUi m_ui;
    LinkSettingsModel m_link;
    Tqvbase m_tqv;
    ExchangeJournal m_journal;
    Progress m_progress;
};

// The result of a command: status, text lines for standard output, JSON fields.
struct Outcome {
    int status = kExitDone;
    QStringList lines;
    QString message;   // the outcome in words (success or failure)
    QString detail;    // a refused port: what to do about it, as the settings window explains it
    QJsonObject json;
};

// The menu items the settings would enable for this link: a window the link cannot offer is not
// offered here either (the clock readings and the DCF77 monitor need the wired link).
MenuState offered(const Options& o)
{
    LinkSettings s;
    s.interface = lists::interfaces().at(o.wired ? 0 : 1);
    s.dcf77 = s.relay1 = s.event = QStringLiteral("OUI");
    return menuStateAfterValidation(s, MenuState());   // as at start
}

QString wiredOnly(const QString& command)
{
    return QStringLiteral("La commande %1 demande la liaison filaire (--interface filaire).").arg(command);
}

// Checks of files and of the link made before the port is opened; an empty text when all is well.
struct Prepared {
    ConfigValues config;
    std::array<quint8, grid::kRegisters> registers{};
};

QString prepare(const Options& o, Prepared* p)
{
    const MenuState menus = offered(o);
    if ((o.command == QLatin1String("lire-heure") && !menus.MENU_LECTURE)
        || (o.command == QLatin1String("derniere-synchro") && !menus.MENU_DERMISEH)
        || (o.command == QLatin1String("dcf77") && o.analyse.isEmpty() && !menus.MENU_DCF77)
        || (o.command == QLatin1String("relais") && o.action == QLatin1String("lire") && !o.wired)
        || (o.command == QLatin1String("heure-pc") && o.maxDrift && !menus.MENU_LECTURE))
        return wiredOnly(o.command);

    const bool reads = (o.command == QLatin1String("relais") && o.action == QLatin1String("appliquer"))
        || (o.command == QLatin1String("registres") && o.action == QLatin1String("ecrire"));
    if (reads) {
        QByteArray bytes;
        if (!QFileInfo(o.file).isFile() || !readFileStart(o.file, kMaxInputFile, &bytes))
            return QStringLiteral("Fichier « %1 » illisible.").arg(o.file);
        if (o.command == QLatin1String("relais")) {
            const ConfigRead r = readConfig(bytes, ConfigValues());
            if (!r.complete())
                return QStringLiteral("Fichier de configuration « %1 » incorrect : la valeur %2 (ligne %3) manque "
                                      "ou sort de sa liste.")
                    .arg(o.file).arg(r.fieldsRead + 1).arg(r.fieldsRead + 1);
            p->config = r.values;
        } else {
            QString why;
            if (!parseRegisterImage(QString::fromUtf8(bytes), &p->registers, &why))
                return QStringLiteral("Fichier « %1 » incorrect : %2").arg(o.file, why);
        }
    }
    if (!o.file.isEmpty() && !reads) {
        const QFileInfo fi(o.file);
        if (!fi.absoluteDir().exists() || (fi.exists() && !isReplaceableFile(o.file)))
            return QStringLiteral("Impossible d'écrire le fichier « %1 ».").arg(o.file);
    }
    return QString();
}

bool saveFile(const QString& path, const QByteArray& bytes, Outcome* out)
{
    if (writeFileWhole(path, bytes))
        return true;
    out->status = kExitPanel;
    out->message = QStringLiteral("Erreur lors de l'enregistrement de %1.").arg(path);
    return false;
}

// --- Commands that need no open port -------------------------------------------------------------

Outcome listPorts(ConsoleEnv& env)
{
    Outcome out;
    const PortDirectory directory = portsOf(env);
    QJsonArray ports;
    for (int n = kFirstPort; n <= kLastPort; ++n) {
        const ComPortTarget target = directory.resolve(n);
        out.lines << target.toolTip();
        QJsonObject p;
        p[QStringLiteral("port")] = portName(n);
        p[QStringLiteral("peripherique")] = target.device;
        p[QStringLiteral("adaptateur")] = target.adapter;
        ports.append(p);
    }
    out.json[QStringLiteral("ports")] = ports;
    return out;
}

// The reception picture's analysis of a saved monitor log or exchange journal.
Outcome analyseDcf77(const Options& o)
{
    Outcome out;
    QByteArray bytes;
    Dcf77Replay replay;
    if (QFileInfo(o.analyse).isFile() && readFileStart(o.analyse, kDcf77MaxFileBytes, &bytes))
        replay = replayDcf77File(bytes);
    else
        replay.error = QStringLiteral("illisible");
    if (!replay.ok) {
        out.status = kExitUsage;
        out.message = QStringLiteral("Fichier « %1 » : %2.").arg(o.analyse, replay.error);
        return out;
    }
    out.lines = replay.reception.reportLines(replay.endMs);
    out.json = replay.reception.toJson(replay.endMs);
    out.json[QStringLiteral("fichier")] = o.analyse;
    return out;
}

Outcome detect(ConsoleEnv& env)
{
    Outcome out;
    Progress progress(env, QStringLiteral("detecter"));
    DetectHooks hooks;
    hooks.testing = [&](int n) { progress.show(portName(n)); };
    const std::vector<PortProbe> found = scanPorts(*env.port, *env.clock, portsOf(env), hooks);
    progress.clear();
    if (env.port->isOpen())
        env.port->close();
    QJsonArray ports;
    for (const PortProbe& p : found) {
        const DetectRowLook look = detectRowLook(p.port, p.finding);
        const QString finding = p.finding == PortFinding::Panel ? look.panel : look.state;
        out.lines << QStringLiteral("%1 %2").arg(look.name, finding);
        QJsonObject o;
        o[QStringLiteral("port")] = portName(p.port);
        o[QStringLiteral("peripherique")] = p.device;
        o[QStringLiteral("etat")] = finding;
        ports.append(o);
    }
    out.json[QStringLiteral("ports")] = ports;
    return out;
}

// --- Commands on the panel ---------------------------------------------------------------------

// The outcome from what the windows would have shown.
void judge(Session& s, const QStringList& successes, Outcome* out)
{
    const QStringList failures = s.failures(successes);
    if (!failures.isEmpty()) {
        out->status = kExitPanel;
        out->message = failures.join(QLatin1Char('\n'));
    } else if (out->message.isEmpty()) {
        for (const ConsoleUi::Shown& m : s.ui().shown)
            out->message = oneLine(m.text);
    }
}

// A window's command run as its button runs it (the port guard, the link test with the window's
// policy, the operation, the outcome), judged from what the window would have shown. False when
// it ended before the operation.
bool runCommand(Session& s, const DeviceCommand& command, const std::function<CmdResult()>& operation,
                const QString& done, Outcome* out, const QStringList& successes = {})
{
    const bool ran = runDeviceCommand(s.tqv(), command, operation, done);
    judge(s, successes.isEmpty() ? QStringList{done} : successes, out);
    // Over the radio module a failed link test ends the command without a word: a window leaves
    // the technician to see that nothing happened, a script needs the failure in its status.
    if (!ran && out->status == kExitDone) {
        out->status = kExitPanel;
        out->message = oneLine(QString::fromUtf8(msg::kLinkFailed));
    }
    return ran;
}

void readClock(Session& s, const QString& command, Outcome* out)
{
    Tqvbase& t = s.tqv();
    const bool last = command == QLatin1String("derniere-synchro");
    const QString done = QString::fromUtf8(last ? msg::kLastSyncReadDone : msg::kClockReadDone);
    runCommand(s, last ? command::kLastSettingRead : command::kClockRead, [&] {
        const QDateTime pc = wholeSeconds(t.clock().now());
        const ClockReading r = last ? LIT_DER_MISEH(t) : LIT_HEURE_DS(t);
        if (r.image) {
            out->lines << r.image->timeText() << r.image->dateText();
            out->json[QStringLiteral("heure")] = r.image->timeText();
            out->json[QStringLiteral("date")] = r.image->dateText();
            const QDateTime panel = imageDateTime(*r.image);
            if (!last && panel.isValid()) {
                const qint64 drift = pc.secsTo(panel);
                out->lines << driftText(drift);
                out->json[QStringLiteral("ecart_s")] = drift;
            }
        }
        return r.result;
    }, done, out);
}

void setPcTime(Session& s, const Options& o, Outcome* out)
{
    Tqvbase& t = s.tqv();
    const QString done = QString::fromUtf8(msg::kTimeSetDone);
    const QString readDone = QString::fromUtf8(msg::kClockReadDone);
    if (o.maxDrift) {
        QDateTime pc, panel;
        runCommand(s, command::kClockRead, [&] {
            pc = wholeSeconds(t.clock().now());
            const ClockReading r = LIT_HEURE_DS(t);
            panel = r.image ? imageDateTime(*r.image) : QDateTime();
            return r.result;
        }, readDone, out);
        if (out->status != kExitDone)
            return;
        // A panel whose clock holds no valid date is set in any case.
        if (panel.isValid()) {
            const qint64 drift = pc.secsTo(panel);
            out->lines << driftText(drift);
            out->json[QStringLiteral("ecart_s")] = drift;
            if (qAbs(drift) <= *o.maxDrift) {
                out->json[QStringLiteral("envoi")] = false;
                out->message = QStringLiteral("Écart de %1 s, pas plus de %2 s : l'heure n'est pas envoyée.")
                                   .arg(qAbs(drift)).arg(*o.maxDrift);
                return;
            }
        }
        s.ui().shown.clear();
        out->message.clear();
    }
    // The PC's time at the moment of sending, before the link test.
    const ClockValues pc = clockValuesFromDateTime(t.clock().now());
    if (!runCommand(s, command::kClockAuto, [&] { return ENVOI_HEURE_PC(t, pc); }, done, out))
        return;
    out->json[QStringLiteral("envoi")] = true;
    if (out->status == kExitDone)
        out->lines << QStringLiteral("Heure du PC envoyée.");
}

void setManualTime(Session& s, const Options& o, Outcome* out)
{
    Tqvbase& t = s.tqv();
    const QString done = QString::fromUtf8(msg::kTimeSetDone);
    ClockValues v;
    v.seconds = o.second;
    v.minutes = o.minute;
    v.hours = o.hour;
    v.day = o.date.dayOfWeek();
    v.date = o.date.day();
    v.month = o.date.month();
    v.year = o.date.year() - 2000;
    v.control = 0;
    out->json[QStringLiteral("jour")] = clocknames::days().at(v.day - 1);
    runCommand(s, command::kClockManual, [&] { return ENVOI_HEURE_MAN(t, v); }, done, out);
}

void listenDcf77(Session& s, ConsoleEnv& env, const Options& o, Outcome* out)
{
    Tqvbase& t = s.tqv();
    SerialPort& port = *env.port;
    Clock& clock = *env.clock;
    // "Démarrer", then one character per poll and "Arrêter", as the monitor window does them.
    Dcf77Monitor monitor(t);
    if (!monitor.start()) {
        judge(s, {}, out);
        return;
    }
    Dcf77Log log;
    Dcf77Reception reception(clock.monotonicMs());
    int good = 0, bad = 0;
    qsizetype printed = 0;
    QJsonArray logLines, decoded;
    auto flushLines = [&](bool all) {
        // Whole lines of the log as they complete.
        const QString& text = log.text();
        for (;;) {
            const qsizetype end = text.indexOf(QStringLiteral("\r\n"), printed);
            if (end < 0)
                break;
            const QString line = text.mid(printed, end - printed);
            printed = end + 2;
            out->lines << line;
            logLines.append(line);
        }
        if (all && printed < text.size()) {
            out->lines << text.mid(printed);
            logLines.append(text.mid(printed));
            printed = text.size();
        }
    };
    const qint64 start = clock.monotonicMs();
    const qint64 end = start + qint64(o.minutes) * 60000;
    // Five polls a second, as the monitor's timer makes them.
    for (qint64 next = start + 200; next <= end; next += 200) {
        clock.waitUntil(next, &port);
        const Dcf77Monitor::PollResult poll = monitor.poll();
        if (poll.status == Dcf77Monitor::Poll::Gone)
            break;
        if (poll.status != Dcf77Monitor::Poll::Character)
            continue;
        const Dcf77Log::Step step = log.feed(poll.character);
        reception.feed(poll.character, clock.monotonicMs(), step.endOfMinute ? clock.now() : QDateTime());
        if (step.endOfMinute && step.complete) {
            const Dcf77MinuteReport r = describeDcf77Minute(step.minuteChars);
            (r.good ? good : bad) += 1;
            flushLines(false);
            out->lines << QStringLiteral("  => ") + r.line;
            QJsonObject m;
            m[QStringLiteral("bonne")] = r.good;
            m[QStringLiteral("texte")] = r.line;
            decoded.append(m);
        }
        s.progress().show(QStringLiteral("%1 s, minute %2, %3")
                              .arg((clock.monotonicMs() - start) / 1000)
                              .arg(log.minutes())
                              .arg(dcf77Tally(good, bad)));
    }
    flushLines(true);
    monitor.stop();
    out->lines << QStringLiteral("Secondes : %1   Minutes : %2").arg(log.seconds()).arg(log.minutes())
               << dcf77Tally(good, bad);
    out->json[QStringLiteral("journal")] = logLines;
    out->json[QStringLiteral("decodage")] = decoded;
    out->json[QStringLiteral("secondes")] = log.seconds();
    out->lines << reception.verdict(clock.monotonicMs());
    const QJsonObject analysis = reception.toJson(clock.monotonicMs());
    out->json[QStringLiteral("minutes")] = analysis[QStringLiteral("minutes")];
    out->json[QStringLiteral("compteurs")] = analysis[QStringLiteral("compteurs")];
    out->json[QStringLiteral("minutes_completes")] = log.minutes();
    out->json[QStringLiteral("bonnes")] = good;
    out->json[QStringLiteral("mauvaises")] = bad;
    if (!o.file.isEmpty() && !saveFile(o.file, dcf77LogFile(log.text(), clock.now()), out))
        return;
    judge(s, {}, out);
}

void relays(Session& s, const Options& o, const Prepared& p, Outcome* out)
{
    Tqvbase& t = s.tqv();
    if (o.action == QLatin1String("lire")) {
        runCommand(s, o.relay == 1 ? command::kRelay1Read : command::kRelay2Read, [&] {
            const RelayRead r = o.relay == 1 ? LIT_RELAIS1(t) : LIT_RELAIS2(t);
            if (r.block) {
                out->lines << relayLines(*r.block);
                out->json[QStringLiteral("relais")] = o.relay;
                const QJsonObject j = relayJson(*r.block);
                for (auto it = j.begin(); it != j.end(); ++it)
                    out->json[it.key()] = it.value();
            }
            return r.result;
        }, relayReadText(o.relay), out);
        return;
    }
    // As the relay windows send their controls after the file was loaded into them.
    QJsonArray programmed;
    for (int relay = 1; relay <= 2; ++relay) {
        const QString done = relayProgrammedText(relay);
        const auto alarms = relayAlarms(p.config.relays[size_t(relay - 1)]);
        runCommand(s, relay == 1 ? command::kRelay1Write : command::kRelay2Write, [&] {
            return relay == 1 ? ECRI_RELAIS1(t, alarms) : ECRI_RELAIS2(t, relayBlock(alarms));
        }, done, out, {relayProgrammedText(1), relayProgrammedText(2)});
        if (out->status != kExitDone)
            break;
        out->lines << done;
        programmed.append(relay);
    }
    out->json[QStringLiteral("relais")] = programmed;
}

void event(Session& s, const Options& o, Outcome* out)
{
    Tqvbase& t = s.tqv();
    const QString done = QString::fromUtf8(msg::kEventDone);
    const Countdown c = CALCUL(t.clock().now(), o.date, o.hour, o.minute, o.summerChange, o.winterChange);
    out->lines << QStringLiteral("%1 %2").arg(c.dayText).arg(c.days) << QStringLiteral("%1 %2").arg(c.hourText).arg(c.hours)
               << QStringLiteral("%1 %2").arg(c.minuteText).arg(c.minutes);
    out->json[QStringLiteral("jours")] = c.days;
    out->json[QStringLiteral("heures")] = c.hours;
    out->json[QStringLiteral("minutes")] = c.minutes;
    out->json[QStringLiteral("passe")] = c.past;
    runCommand(s, command::kEventWrite, [&] {
        return ECRI_RELAIS2(t, eventBlock(o.date, o.hour, o.minute, c, o.contactCloses));
    }, done, out);
}

void brightnessCmd(Session& s, const Options& o, Outcome* out)
{
    Tqvbase& t = s.tqv();
    if (o.action == QLatin1String("lire")) {
        runCommand(s, command::kBrightnessRead, [&] {
            if (!LIT_LUM(t))
                return CmdResult::failed(0);
            QStringList bytes;
            for (int r = kBrightnessBlockFirst; r < kBrightnessBlockFirst + 5; ++r)
                bytes << QStringLiteral("%1").arg(t.TAB_DS()[size_t(r)], 2, 16, QLatin1Char('0')).toUpper();
            out->lines << QStringLiteral("Bloc luminosité (registres 50 à 54) : %1").arg(bytes.join(QLatin1Char(' ')));
            out->json[QStringLiteral("bloc")] = QJsonArray::fromStringList(bytes);
            return CmdResult::acknowledged();
        }, QString::fromUtf8(msg::kReadingDone), out);
        return;
    }
    const QString done = QString::fromUtf8(msg::kBrightnessDone);
    // The window's buttons: one mode, one detection speed.
    const quint8 mode = brightness::modeByte(o.action == QLatin1String("auto"), o.action == QLatin1String("20"),
                                             o.action == QLatin1String("100"));
    const quint8 sensitivity = brightness::sensitivityByte(o.fastDetection, !o.fastDetection);
    runCommand(s, command::kBrightnessWrite, [&] {
        return ECRI_BLOC(t, mode, quint8(o.level), sensitivity, 0, 0);
    }, done, out);
    out->json[QStringLiteral("mode")] = o.action;
    out->json[QStringLiteral("sensibilite")] = o.level;
    out->json[QStringLiteral("detection")] = o.fastDetection ? QStringLiteral("rapide") : QStringLiteral("lente");
}

void registersCmd(Session& s, const Options& o, const Prepared& p, Outcome* out)
{
    Tqvbase& t = s.tqv();
    // The grid talks to the panel one register at a time. Its window sends no link test; here the
    // command starts one, since a panel left streaming DCF77 after an earlier command's closing
    // frame would slip a character into the single-byte answers. No closing frame follows.
    if (!t.TEST_LIAISON() && stopsAfterFailedLinkTest(LinkPolicy::StopWhenWired, t.wired())) {
        judge(s, {}, out);
        return;
    }
    if (o.action == QLatin1String("ecrire")) {
        writeRegisterGrid(t, p.registers, [&](int n) { s.progress().show(QStringLiteral("registre %1 / 64").arg(n + 1)); });
        out->message = QStringLiteral("64 registres écrits.");
        return;
    }
    const auto values = readRegisterGrid(t, [&](int n, int) { s.progress().show(QStringLiteral("registre %1 / 64").arg(n + 1)); });
    const QStringList rows = registerRows(values);
    out->lines << rows;
    QJsonArray regs;
    QStringList silent;
    for (int n = 0; n < grid::kRegisters; ++n) {
        regs.append(values[size_t(n)] < 0 ? QJsonValue(QJsonValue::Null) : QJsonValue(gridText(values[size_t(n)])));
        if (values[size_t(n)] < 0)
            silent << QString::number(n);
    }
    out->json[QStringLiteral("registres")] = regs;
    if (!silent.isEmpty()) {
        out->status = kExitPanel;
        out->message = QStringLiteral("Pas de réponse des registres %1.").arg(silent.join(QStringLiteral(", ")));
        return;
    }
    if (!o.file.isEmpty())
        saveFile(o.file, (rows.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8(), out);
}

void print(ConsoleEnv& env, const Options& o, const QString& command, Outcome& out)
{
    if (o.json) {
        QJsonObject j = out.json;
        j[QStringLiteral("commande")] = command;
        j[QStringLiteral("port")] = o.port && o.needsPort() ? QJsonValue(portName(o.port)) : QJsonValue(QJsonValue::Null);
        j[QStringLiteral("code")] = out.status;
        j[QStringLiteral("message")] = out.message;
        if (!out.detail.isEmpty())
            j[QStringLiteral("detail")] = out.detail;
        *env.out << QString::fromUtf8(jsonLine(j));
    } else {
        for (const QString& l : out.lines)
            *env.out << l << '\n';
        if (out.status == kExitDone && !out.message.isEmpty())
            *env.out << out.message << '\n';
    }
    if (out.status != kExitDone) {
        if (!out.detail.isEmpty())
            *env.err << "kwf-tqvctl : " << out.detail << '\n';
        *env.err << "kwf-tqvctl : " << out.message << '\n';
    }
    env.out->flush();
    env.err->flush();
}

} // namespace

int runConsole(const QStringList& args, ConsoleEnv& env)
{
    const ParseResult parsed = parseArguments(args);
    const Options& o = parsed.options;
    Outcome out;
    if (o.help) {
        *env.out << helpText();
        env.out->flush();
        return kExitDone;
    }
    Prepared prepared;
    if (parsed.ok())
        out.message = prepare(o, &prepared);
    else
        out.message = parsed.error;
    if (!out.message.isEmpty()) {
        out.status = kExitUsage;
        print(env, o, o.command, out);
        if (!o.json)
            *env.err << "kwf-tqvctl --help donne l'usage.\n";
        env.err->flush();
        return kExitUsage;
    }

    if (o.command == QLatin1String("ports")) {
        out = listPorts(env);
    } else if (o.command == QLatin1String("detecter")) {
        out = detect(env);
    } else if (!o.analyse.isEmpty()) {
        out = analyseDcf77(o);
    } else {
        Session s(env, o);
        const PortOpening opening = s.open();
        if (!opening.opened) {
            out.status = kExitPort;
            out.message = opening.message;
            out.detail = opening.detail;
            s.close();
        } else {
            const QString& c = o.command;
            if (c == QLatin1String("lire-heure") || c == QLatin1String("derniere-synchro"))
                readClock(s, c, &out);
            else if (c == QLatin1String("heure-pc"))
                setPcTime(s, o, &out);
            else if (c == QLatin1String("heure"))
                setManualTime(s, o, &out);
            else if (c == QLatin1String("dcf77"))
                listenDcf77(s, env, o, &out);
            else if (c == QLatin1String("relais"))
                relays(s, o, prepared, &out);
            else if (c == QLatin1String("evenement"))
                event(s, o, &out);
            else if (c == QLatin1String("luminosite"))
                brightnessCmd(s, o, &out);
            else if (c == QLatin1String("registres"))
                registersCmd(s, o, prepared, &out);
            s.close();
        }
    }
    print(env, o, o.command, out);
    return out.status;
}

} // namespace kwf::console

#include "console/Console.h"
#include "console/Commands.h"
#include "console/Format.h"
#include "console/Options.h"
#include "core/Clock.h"
#include "core/ClockOps.h"
#include "core/ClockSync.h"
#include "core/ComPorts.h"
#include "core/ConfigFile.h"
#include "core/Dcf77Log.h"
#include "core/Dcf77Report.h"
#include "core/Dcf77Monitor.h"
#include "core/Dcf77Reception.h"
#include "core/DetectOps.h"
#include "core/DigitColours.h"
#include "core/DeviceCommand.h"
#include "core/DisplayOps.h"
#include "core/ExchangeMonitor.h"
#include "core/EventCountdown.h"
#include "core/ExchangeJournal.h"
#include "core/LinkSettings.h"
#include "core/ProfileOps.h"
#include "core/RelayOps.h"
#include "core/SerialPort.h"
#include "core/SwitchOps.h"
#include "core/Tqvbase.h"
#include "core/UiServices.h"

#include "kwf_version.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include <cmath>

namespace kwf::console {

namespace {

// The COM numbers as the windows see them; without a directory, the program folder's links only.
PortDirectory portsOf(const ConsoleEnv& env)
{
    return env.ports ? env.ports() : PortDirectory(choosePlaces(env.programDir, true, QString()), {});
}

// Files larger than this are no configuration or register image.
constexpr qint64 kMaxInputFile = 1 << 20;

// The message boxes of the windows are not shown: the transport keeps them with each outcome.
class ConsoleUi : public UiServices {
public:
    void message(const QString&, MsgIcon) override {}
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

// The progress line on a terminal: the operation under way in the status bar's words, with its
// count ("Lecture relais 2 : 9/17").
class Progress : public ExchangeObserver {
public:
    explicit Progress(ConsoleEnv& env) : m_env(env) {}
    ~Progress() override { clear(); }
    void operationStarted(const QString& name) override
    {
        m_steps.started(name);
        show(m_steps.text());
    }
    void operationFinished(const QString&) override { m_steps.finished(); }
    void frameWritten(const QByteArray&, bool) override
    {
        m_steps.frameWritten();
        show(m_steps.text());
    }
    void progress(const QString& detail) override
    {
        m_steps.detail(detail);
        show(m_steps.text());
    }
    void show(const QString& text)
    {
        if (!m_env.terminal || (m_shown && text == m_text))
            return;
        *m_env.err << progressLine(text);
        m_env.err->flush();
        m_shown = true;
        m_text = text;
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
    ProgressSteps m_steps;
    QString m_text;
    bool m_shown = false;
};

QString oneLine(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
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
          m_progress(env)
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
    PortOpening open()
    {
        const PortDirectory ports = portsOf(m_env);
        PortOpening r = openLinkPort(*m_env.port, m_link, ports, m_o.port);
        if (!r.opened && r.detail.isEmpty())
            r.detail = portFailureReason(ports.resolve(m_o.port).device, m_env.port->errorKind(),
                                         m_env.port->errorString());
        return r;
    }
    void close()
    {
        m_progress.clear();
        if (m_o.journal)
            *m_env.err << m_journal.text();
        if (m_env.port->isOpen())
            m_env.port->close();
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

// The window command a console command runs, for its place in the command table; null for the
// commands outside it (the port list, the detection, the DCF77 monitor).
const DeviceCommand* tableCommand(const Options& o)
{
    const CommandEntry* entry = findCommand(o.command);
    return entry && entry->device ? entry->device(o) : nullptr;
}

// A command the link cannot offer is not offered here either: the table's wired-only commands,
// and the DCF77 monitor, which the menu offers with the clock readings.
bool offered(const Options& o)
{
    if (o.command == QLatin1String("dcf77"))
        return !o.analyse.isEmpty() || commandOffered(command::kClockRead, o.wired);
    const DeviceCommand* c = tableCommand(o);
    return !c || commandOffered(*c, o.wired);
}

QString wiredOnly(const QString& command)
{
    return QStringLiteral("La commande %1 demande la liaison filaire (--interface filaire).").arg(command);
}

// Checks of files and of the link made before the port is opened; an empty text when all is well.
struct Prepared {
    ConfigValues config;
    std::array<quint8, grid::kRegisters> registers{};
    std::optional<profile::Profile> profile;
};

QString prepare(const Options& o, Prepared* p)
{
    if (!offered(o))
        return wiredOnly(o.command);

    const bool reads = (o.command == QLatin1String("relais") && o.action == QLatin1String("appliquer"))
        || (o.command == QLatin1String("registres") && o.action == QLatin1String("ecrire"));
    if (reads) {
        QByteArray bytes;
        if (!QFileInfo(o.file).isFile() || !readFileStart(o.file, kMaxInputFile, &bytes))
            return QStringLiteral("Fichier « %1 » illisible.").arg(echoed(o.file));
        if (o.command == QLatin1String("relais")) {
            const ConfigRead r = readConfig(bytes, ConfigValues());
            if (!r.complete())
                return QStringLiteral("Fichier de configuration « %1 » incorrect : la valeur %2 (ligne %3) manque "
                                      "ou sort de sa liste.")
                    .arg(echoed(o.file)).arg(r.fieldsRead + 1).arg(r.fieldsRead + 1);
            p->config = r.values;
        } else {
            QString why;
            if (!parseRegisterImage(QString::fromUtf8(bytes), &p->registers, &why))
                return QStringLiteral("Fichier « %1 » incorrect : %2").arg(echoed(o.file), why);
        }
    }
    const bool profileIn = o.command == QLatin1String("profil") && o.action != QLatin1String("lire");
    if (profileIn) {
        QByteArray bytes;
        if (!QFileInfo(o.file).isFile() || !readFileStart(o.file, kMaxInputFile, &bytes))
            return QStringLiteral("Fichier « %1 » illisible.").arg(echoed(o.file));
        const profile::ParseOutcome r = profile::parseProfile(bytes);
        if (!r.profile)
            return QStringLiteral("Profil « %1 » incorrect : %2").arg(echoed(o.file), r.error);
        p->profile = r.profile;
    }
    if (!o.file.isEmpty() && !reads && !profileIn) {
        const QFileInfo fi(o.file);
        if (!fi.absoluteDir().exists() || (fi.exists() && !isReplaceableFile(o.file)))
            return QStringLiteral("Impossible d'écrire le fichier « %1 ».").arg(echoed(o.file));
    }
    return QString();
}

bool saveFile(const QString& path, const QByteArray& bytes, Outcome* out)
{
    if (writeFileWhole(path, bytes))
        return true;
    out->status = kExitPanel;
    out->message = QStringLiteral("Erreur lors de l'enregistrement de %1.").arg(echoed(path));
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
        out.message = QStringLiteral("Fichier « %1 » : %2.").arg(echoed(o.analyse), replay.error);
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
    Progress progress(env);
    DetectHooks hooks;
    hooks.testing = [&](int n) {
        progress.show(ExchangeMonitor::progressText(QStringLiteral("DETECTION"), 0, portName(n)));
    };
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

QString kindName(OutcomeKind k)
{
    switch (k) {
    case OutcomeKind::Success: return QStringLiteral("succes");
    case OutcomeKind::Refusal: return QStringLiteral("refus");
    case OutcomeKind::SilentPanel: return QStringLiteral("afficheur_muet");
    case OutcomeKind::BadAnswer: return QStringLiteral("reponse_incorrecte");
    }
    return {};
}

QString linkTestName(LinkTestResult r)
{
    switch (r) {
    case LinkTestResult::NotRun: return QStringLiteral("non_faite");
    case LinkTestResult::Passed: return QStringLiteral("reussie");
    case LinkTestResult::Failed: return QStringLiteral("echouee");
    case LinkTestResult::Unchecked: return QStringLiteral("non_controlee");
    }
    return {};
}

QString iconName(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Information: return QStringLiteral("information");
    case MsgIcon::Exclamation: return QStringLiteral("exclamation");
    case MsgIcon::Critical: return QStringLiteral("critique");
    case MsgIcon::None: break;
    }
    return QStringLiteral("aucune");
}

// The outcome in words, when the window's messages do not say it.
QString kindText(const CommandOutcome& c)
{
    switch (c.kind) {
    case OutcomeKind::Success:
        return c.checked ? QString() : QStringLiteral("Envoi fait ; réponses non contrôlées (--controle non).");
    case OutcomeKind::Refusal:
        return QStringLiteral("Commande refusée : rien n'a été envoyé.");
    case OutcomeKind::SilentPanel:
        return c.operationRan ? QStringLiteral("L'afficheur n'a pas répondu.") : oneLine(QString::fromUtf8(msg::kLinkFailed));
    case OutcomeKind::BadAnswer:
        if (c.linkTest == LinkTestResult::Failed)
            return QStringLiteral("Réponse incorrecte au test de liaison : %1 octet(s) reçu(s) pour 1 attendu.")
                .arg(qMax(c.linkTestBytes, 0));
        return QStringLiteral("Réponse incorrecte de l'afficheur : %1 octet(s) reçu(s) pour %2 attendu(s).")
            .arg(c.received).arg(c.expected);
    }
    return {};
}

// What one device command did, as the console reports it: the status, the message, and the
// JSON fields every panel command carries.
QJsonObject outcomeJson(const CommandOutcome& c)
{
    QJsonObject j;
    j[QStringLiteral("resultat")] = kindName(c.kind);
    j[QStringLiteral("liaison")] = linkTestName(c.linkTest);
    j[QStringLiteral("reponses_controlees")] = c.checked;
    if (c.operationRan) {
        j[QStringLiteral("octets_attendus")] = c.expected;
        j[QStringLiteral("octets_recus")] = c.received;
    }
    QJsonArray shown;
    for (const ShownMessage& m : c.messages) {
        QJsonObject o;
        o[QStringLiteral("texte")] = oneLine(m.text);
        o[QStringLiteral("icone")] = iconName(m.icon);
        shown.append(o);
    }
    j[QStringLiteral("fenetre")] = shown;
    return j;
}

// The message of an outcome: the success text its window shows (or, with nothing shown, the
// outcome in words); for a failure, the window's messages other than a success text shown
// before the verdict, then the reason.
QString outcomeMessage(const CommandOutcome& c)
{
    QStringList lines;
    for (size_t i = 0; i < c.messages.size(); ++i) {
        if (c.successShown && i + 1 == c.messages.size() && !c.success())
            continue;
        lines << oneLine(c.messages[i].text);
    }
    if (!c.success() || lines.isEmpty())
        lines << kindText(c);
    lines.removeAll(QString());
    lines.removeDuplicates();
    return lines.join(QLatin1Char('\n'));
}

void report(const CommandOutcome& c, Outcome* out)
{
    const QJsonObject j = outcomeJson(c);
    for (auto it = j.begin(); it != j.end(); ++it)
        out->json[it.key()] = it.value();
    out->message = outcomeMessage(c);
    if (!c.success())
        out->status = kExitPanel;
}

// Any message shown by commands outside the table (the DCF77 monitor): each is a failure.
void judgeShown(Session& s, Outcome* out)
{
    QStringList failures;
    for (const ShownMessage& m : s.tqv().shown())
        failures << oneLine(m.text);
    if (!failures.isEmpty()) {
        out->status = kExitPanel;
        out->message = failures.join(QLatin1Char('\n'));
    }
}

// The panel's drift record, when the state folder is known.
QString recordPath(const ConsoleEnv& env, const Options& o)
{
    return env.stateDir.isEmpty() ? QString() : driftRecordPath(env.stateDir, o.port);
}

void record(const ConsoleEnv& env, const Options& o, const DriftEvent& e)
{
    const QString path = recordPath(env, o);
    if (!path.isEmpty() && !appendDriftRecord(path, e))
        *env.err << "kwf-tqvctl : " << QStringLiteral("relevé de dérive non écrit : %1").arg(path) << '\n';
}

void offsetFields(double offset, Outcome* out)
{
    out->json[QStringLiteral("ecart_s")] = std::round(offset * 1000.0) / 1000.0;
}

// The clock reading followed by the offset measurement, as the clock-reading window runs them;
// its data only when every answer passed its checks.
CommandReading<OffsetMeasurement> measure(Tqvbase& t)
{
    return runReadingCommand<OffsetMeasurement>(t, command::kClockRead, [&] { return measureOffset(t); },
        [](const OffsetMeasurement& m) { return std::optional<OffsetMeasurement>(m); },
        QString::fromUtf8(msg::kClockReadDone));
}

const char* const kNoOffset = "L'horloge de l'afficheur ne donne pas d'écart : elle est arrêtée ou sans date valide.";

void readClock(Session& s, const ConsoleEnv& env, const Options& o, Outcome* out)
{
    Tqvbase& t = s.tqv();
    if (o.command == QLatin1String("derniere-synchro")) {
        const CommandReading<ClockImage> r = runReadingCommand<ClockImage>(t, command::kLastSettingRead,
            [&] { return LIT_DER_MISEH(t); }, [](const ClockReading& r) { return r.image; },
            QString::fromUtf8(msg::kLastSyncReadDone));
        report(r.outcome, out);
        if (r.data) {
            out->lines << r.data->timeText() << r.data->dateText();
            out->json[QStringLiteral("heure")] = r.data->timeText();
            out->json[QStringLiteral("date")] = r.data->dateText();
        }
        return;
    }
    const CommandReading<OffsetMeasurement> r = measure(t);
    report(r.outcome, out);
    if (!r.data)
        return;
    const bool timeShown = o.command == QLatin1String("lire-heure");
    if (timeShown) {
        out->lines << r.data->image->timeText() << r.data->image->dateText();
        out->json[QStringLiteral("heure")] = r.data->image->timeText();
        out->json[QStringLiteral("date")] = r.data->image->dateText();
    }
    // A clock whose seconds do not run (halted, no valid date) has no offset: ecart fails.
    if (!r.data->offsetS) {
        if (!timeShown) {
            out->status = kExitPanel;
            out->message = QString::fromUtf8(kNoOffset);
        }
        return;
    }
    out->lines << driftText(*r.data->offsetS);
    offsetFields(*r.data->offsetS, out);
    record(env, o, {r.data->at.toUTC(), r.data->offsetS});
}

void setPcTime(Session& s, const ConsoleEnv& env, const Options& o, Outcome* out)
{
    Tqvbase& t = s.tqv();
    const QString done = QString::fromUtf8(msg::kTimeSetDone);
    std::optional<double> found;
    if (o.maxDrift) {
        const CommandReading<OffsetMeasurement> r = measure(t);
        if (!r.data) {
            report(r.outcome, out);
            out->json[QStringLiteral("envoi")] = false;
            return;
        }
        // A panel whose clock does not run, or holds no valid date, is set in any case.
        found = r.data->offsetS;
        if (found) {
            offsetFields(*found, out);
            record(env, o, {r.data->at.toUTC(), found});
            if (std::fabs(*found) <= *o.maxDrift) {
                report(r.outcome, out);
                out->json[QStringLiteral("envoi")] = false;
                out->message = offsetLine(*found) + QStringLiteral(" ; pas plus de %1 s : l'heure n'est pas envoyée.")
                                                        .arg(QString::number(*o.maxDrift).replace(QLatin1Char('.'), QLatin1Char(',')));
                return;
            }
        }
    }
    // The PC's time is taken after the link test, for the second the panel is set on.
    QDateTime second;
    const CommandOutcome c = runDeviceCommand(t, command::kClockAuto, [&] { return sendPcTimeOnSecond(t, &second); }, done);
    report(c, out);
    // Sent: the time went out; acknowledged only when its answers were checked.
    out->json[QStringLiteral("envoi")] = c.operationRan;
    if (!c.success())
        return;
    record(env, o, {second.toUTC(), std::nullopt});
    const QString sent = c.checked ? QStringLiteral("heure du PC envoyée.") : QStringLiteral("heure du PC envoyée, sans contrôle de la réponse.");
    if (o.maxDrift)
        out->lines << (found ? offsetLine(*found) : QStringLiteral("Écart avec le PC inconnu")) + QStringLiteral(" ; ") + sent;
    else
        out->lines << sent.left(1).toUpper() + sent.mid(1);
}

void driftCmd(const ConsoleEnv& env, const Options& o, Outcome* out)
{
    const QString path = recordPath(env, o);
    const DriftFit fit = fitDrift(path.isEmpty() ? QList<DriftEvent>() : readDriftRecord(path), kMinDriftSpanS);
    const double days = double(fit.spanS) / 86400.0;
    const QString span = fit.spanS >= 86400 ? QStringLiteral("%1 jours").arg(QString::number(days, 'f', 1).replace('.', ','))
                                            : QStringLiteral("%1 h").arg(QString::number(fit.spanS / 3600.0, 'f', 1).replace('.', ','));
    out->json[QStringLiteral("points")] = fit.points;
    out->json[QStringLiteral("duree_s")] = fit.spanS;
    out->json[QStringLiteral("releve")] = path;
    if (!fit.enough) {
        out->status = kExitPanel;
        out->message = QStringLiteral("Relevé trop court : %1 point(s) sur %2 ; il faut au moins deux mesures "
                                      "à une heure d'écart entre deux mises à l'heure (kwf-tqvctl ecart, "
                                      "heure-pc --si-ecart).").arg(fit.points).arg(span);
        return;
    }
    const double perDay = std::round(fit.secondsPerDay * 100.0) / 100.0;
    out->json[QStringLiteral("derive_s_par_jour")] = perDay;
    out->lines << QStringLiteral("Dérive : %1 par jour (%2 points sur %3)")
                      .arg(offsetSeconds(perDay)).arg(fit.points).arg(span)
               << (perDay > 0 ? QStringLiteral("L'afficheur avance.") : perDay < 0 ? QStringLiteral("L'afficheur retarde.")
                                                                        : QStringLiteral("L'afficheur ne dérive pas."));
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
    report(runDeviceCommand(t, command::kClockManual, [&] { return ENVOI_HEURE_MAN(t, v); }, done), out);
}

void listenDcf77(Session& s, ConsoleEnv& env, const Options& o, Outcome* out)
{
    Tqvbase& t = s.tqv();
    SerialPort& port = *env.port;
    Clock& clock = *env.clock;
    // "Démarrer", then one character per poll and "Arrêter", as the monitor window does them.
    Dcf77Monitor monitor(t);
    if (!monitor.start()) {
        judgeShown(s, out);
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
    // Until N complete minutes have come: the first minute mark may be a minute away, and one
    // spoiled minute is given its replacement, past which the listening gives up.
    const qint64 end = start + qint64(o.minutes + 2) * 60000;
    // Five polls a second, as the monitor's timer makes them.
    for (qint64 next = start + 200; next <= end && good + bad < o.minutes; next += 200) {
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
    judgeShown(s, out);
    if (good + bad < o.minutes) {
        const qint64 listened = (clock.monotonicMs() - start) / 1000;
        QString why = log.seconds() == 0 && log.minutes() == 0 && logLines.isEmpty()
            ? QStringLiteral("aucun caractère de réception n'est venu de l'afficheur")
            : reception.verdict(clock.monotonicMs());
        out->status = kExitPanel;
        const QString text = QStringLiteral("%1 minute(s) complète(s) sur %2 en %3 s : %4")
                                 .arg(good + bad).arg(o.minutes).arg(listened).arg(why);
        out->message = out->message.isEmpty() ? text : out->message + QLatin1Char('\n') + text;
    }
}

void relays(Session& s, const Options& o, const Prepared& p, Outcome* out)
{
    Tqvbase& t = s.tqv();
    if (o.action == QLatin1String("lire")) {
        const CommandReading<DecodedRelay> r = runReadingCommand<DecodedRelay>(t,
            o.relay == 1 ? command::kRelay1Read : command::kRelay2Read,
            [&] { return o.relay == 1 ? LIT_RELAIS1(t) : LIT_RELAIS2(t); },
            [](const RelayRead& r) { return r.block; }, relayReadText(o.relay));
        report(r.outcome, out);
        out->json[QStringLiteral("relais")] = o.relay;
        if (!r.data)
            return;
        out->lines << relayLines(*r.data);
        const QJsonObject j = relayJson(*r.data);
        for (auto it = j.begin(); it != j.end(); ++it)
            out->json[it.key()] = it.value();
        return;
    }
    // As the relay windows send their controls after the file was loaded into them; relay 2 is
    // not sent when relay 1 failed.
    QJsonArray programmed, each, shown;
    QStringList messages;
    CommandOutcome last;
    for (int relay = 1; relay <= 2; ++relay) {
        const auto alarms = relayAlarms(p.config.relays[size_t(relay - 1)]);
        const CommandOutcome c = runDeviceCommand(t, relay == 1 ? command::kRelay1Write : command::kRelay2Write, [&] {
            return relay == 1 ? ECRI_RELAIS1(t, alarms) : ECRI_RELAIS2(t, relayBlock(alarms));
        }, relayProgrammedText(relay));
        QJsonObject j = outcomeJson(c);
        j[QStringLiteral("relais")] = relay;
        j[QStringLiteral("message")] = outcomeMessage(c);
        each.append(j);
        for (auto&& m : j.value(QStringLiteral("fenetre")).toArray())
            shown.append(m);
        messages << outcomeMessage(c);
        last = c;
        if (!c.success())
            break;
        programmed.append(relay);
    }
    // The verdict is the last relay's: the second is sent only when the first succeeded.
    report(last, out);
    out->message = messages.join(QLatin1Char('\n'));
    out->json[QStringLiteral("fenetre")] = shown;
    out->json[QStringLiteral("relais")] = programmed;
    out->json[QStringLiteral("resultats")] = each;
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
    report(runDeviceCommand(t, command::kEventWrite, [&] {
        return ECRI_RELAIS2(t, eventBlock(o.date, o.hour, o.minute, c, o.contactCloses));
    }, done), out);
}

void brightnessCmd(Session& s, const Options& o, Outcome* out)
{
    Tqvbase& t = s.tqv();
    if (o.action == QLatin1String("lire")) {
        using Block = std::array<quint8, kBrightnessBlockSize>;
        const CommandReading<Block> r = runReadingCommand<Block>(t, command::kBrightnessRead,
            [&] { return readBrightness(t); }, [](const BrightnessRead& r) { return r.block; },
            QString::fromUtf8(msg::kReadingDone));
        report(r.outcome, out);
        if (!r.data)
            return;
        QStringList bytes;
        for (quint8 b : *r.data)
            bytes << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
        out->lines << QStringLiteral("Bloc luminosité (registres 50 à 54) : %1").arg(bytes.join(QLatin1Char(' ')));
        out->json[QStringLiteral("bloc")] = QJsonArray::fromStringList(bytes);
        return;
    }
    const QString done = QString::fromUtf8(msg::kBrightnessDone);
    // The window's buttons: one mode, one detection speed.
    const quint8 mode = brightness::modeByte(o.action == QLatin1String("auto"), o.action == QLatin1String("20"),
                                             o.action == QLatin1String("100"));
    const quint8 sensitivity = brightness::sensitivityByte(o.fastDetection, !o.fastDetection);
    report(runDeviceCommand(t, command::kBrightnessWrite, [&] {
        return ECRI_BLOC(t, mode, quint8(o.level), sensitivity, 0, 0);
    }, done), out);
    out->json[QStringLiteral("mode")] = o.action;
    out->json[QStringLiteral("sensibilite")] = o.level;
    out->json[QStringLiteral("detection")] = o.fastDetection ? QStringLiteral("rapide") : QStringLiteral("lente");
}

// The colour windows' send button for the colours given, one code per pair.
void coloursCmd(Session& s, const Options& o, Outcome* out)
{
    Tqvbase& t = s.tqv();
    const colours::Board board = o.colourBoard == 4 ? colours::Board::Clock : colours::Board::Countdown;
    colours::Codes codes(size_t(colours::labelCount(board) + 1), 0);
    const int pairs = colours::labelCount(board) / 2;
    for (int k = 0; k < pairs; ++k) {
        // The end message is one colour for its six digits.
        const int code = o.colourCodes[size_t(qMin(k, int(o.colourCodes.size()) - 1))];
        codes[size_t(2 * k + 1)] = codes[size_t(2 * k + 2)] = code;
    }
    const colours::Block b = colours::blockOf(board, codes);
    report(runDeviceCommand(t, board == colours::Board::Clock ? command::kClockColours : command::kCountdownColours,
                            [&] { return ECRI_BLOC(t, b.p1, b.p2, b.p3, b.p4, b.subCode); },
                            QString::fromUtf8(msg::kColourDone)), out);
    QJsonArray block;
    for (int r = kCommandBlockFirst; r < kCommandBlockFirst + kCommandBlockSize; ++r)
        block.append(QStringLiteral("%1").arg(t.TAB_DS()[size_t(r)], 2, 16, QLatin1Char('0')).toUpper());
    out->json[QStringLiteral("bloc")] = block;
}

QString bankText(const SwitchBank& bank)
{
    QString text;
    for (bool on : bank)
        text += on ? QLatin1Char('1') : QLatin1Char('0');
    return text;
}

// The switch part of the display window: its link test, registers 20 to 22, its closing frame.
void switchesCmd(Session& s, const Options& o, Outcome* out)
{
    Tqvbase& t = s.tqv();
    CommandOutcome c;
    c.command = *tableCommand(o);
    c.checked = !t.responseIgnored();
    t.clearShown();
    SwitchReading read;
    int acknowledged = 0;
    SwitchImage image;
    for (int i = 0; i < 8; ++i) {
        image.sw2[size_t(i)] = o.switchesOn[size_t(i)];
        image.sw3[size_t(i)] = o.switchesOn[size_t(8 + i)];
    }
    const bool reading = o.action == QLatin1String("lire");
    const bool linked = reading ? (read = readSwitchImage(t)).linkOk : writeSwitchImage(t, image, &acknowledged);
    c.linkTestBytes = t.lastLinkTestBytes();
    c.linkTest = !c.checked && linked ? LinkTestResult::Unchecked : linked ? LinkTestResult::Passed : LinkTestResult::Failed;
    c.messages = t.shown();
    if (!linked) {
        c.kind = c.linkTestBytes > 0 ? OutcomeKind::BadAnswer : OutcomeKind::SilentPanel;
        report(c, out);
        return;
    }
    c.operationRan = true;
    if (reading) {
        // The marker, then both banks.
        c.expected = 3;
        c.received = read.marker >= 0 ? 1 + read.banksRead : 0;
        const CmdResult r = CmdResult::counted(read.markerOk && read.banksRead == 2, c.expected, c.received);
        c.kind = judgeOutcome(c, r, true);
        report(c, out);
        if (!c.success()) {
            if (read.marker >= 0 && !read.markerOk)
                out->message = QStringLiteral("Le registre 20 n'a pas donné le repère des interrupteurs.");
            return;
        }
        out->lines << QStringLiteral("SW2 : %1").arg(bankText(read.image.sw2))
                   << QStringLiteral("SW3 : %1").arg(bankText(read.image.sw3));
        out->json[QStringLiteral("sw2")] = bankText(read.image.sw2);
        out->json[QStringLiteral("sw3")] = bankText(read.image.sw3);
        out->message.clear();
        return;
    }
    c.expected = 4;
    c.received = acknowledged;
    c.kind = judgeOutcome(c, CmdResult::counted(acknowledged == 4, 4, acknowledged), false);
    report(c, out);
    out->json[QStringLiteral("sw2")] = bankText(image.sw2);
    out->json[QStringLiteral("sw3")] = bankText(image.sw3);
    if (c.success())
        out->message = QStringLiteral("Interrupteurs envoyés%1.")
                           .arg(c.checked ? QString() : QStringLiteral(", réponses non contrôlées"));
}

// The register grid, one register at a time. Its window sends no link test; here the command
// starts one, since a panel left streaming DCF77 after an earlier command's closing frame would
// slip a character into the single-byte answers. No closing frame follows. Registers 0 to 7 (the
// clock) are written only when asked: an image saved earlier would set the panel back to its time.
void registersCmd(Session& s, const Options& o, const Prepared& p, Outcome* out)
{
    Tqvbase& t = s.tqv();
    CommandOutcome c;
    c.command = *tableCommand(o);
    c.command.policy = LinkPolicy::StopWhenWired;   // the console's own link test, above
    c.checked = !t.responseIgnored();
    t.clearShown();
    const bool linked = t.TEST_LIAISON();
    c.linkTestBytes = t.lastLinkTestBytes();
    c.linkTest = !c.checked && linked ? LinkTestResult::Unchecked : linked ? LinkTestResult::Passed : LinkTestResult::Failed;
    c.messages = t.shown();
    if (!linked && stopsAfterFailedLinkTest(c.command.policy, t.wired())) {
        c.kind = c.linkTestBytes > 0 ? OutcomeKind::BadAnswer : OutcomeKind::SilentPanel;
        report(c, out);
        return;
    }
    c.operationRan = true;
    if (o.action == QLatin1String("ecrire")) {
        const int first = o.withClock ? 0 : kClockFirst + kClockRegisters;
        c.expected = grid::kRegisters - first;
        c.received = writeRegisterGrid(t, p.registers, {}, first);
        CmdResult r = CmdResult::counted(c.received == c.expected, c.expected, c.received);
        c.kind = judgeOutcome(c, r, false);
        report(c, out);
        out->json[QStringLiteral("premier_registre")] = first;
        if (c.success())
            out->message = QStringLiteral("%1 registres écrits (%2 à 63)%3.")
                               .arg(c.expected).arg(first)
                               .arg(c.checked ? QString() : QStringLiteral(", réponses non contrôlées"));
        return;
    }
    const auto values = readRegisterGrid(t, {});
    QStringList silent;
    for (int n = 0; n < grid::kRegisters; ++n)
        if (values[size_t(n)] < 0)
            silent << QString::number(n);
    c.expected = grid::kRegisters;
    c.received = grid::kRegisters - int(silent.size());
    const CmdResult r = CmdResult::counted(silent.isEmpty(), c.expected, c.received);
    c.kind = judgeOutcome(c, r, true);
    report(c, out);
    if (!silent.isEmpty()) {
        out->message = QStringLiteral("Pas de réponse des registres %1.").arg(silent.join(QStringLiteral(", ")));
        return;
    }
    if (!c.success())
        return;
    const QStringList rows = registerRows(values);
    out->lines << rows;
    QJsonArray regs;
    for (int n = 0; n < grid::kRegisters; ++n)
        regs.append(gridText(values[size_t(n)]));
    out->json[QStringLiteral("registres")] = regs;
    out->message.clear();
    if (!o.file.isEmpty())
        saveFile(o.file, (rows.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8(), out);
}

QJsonArray differencesJson(const std::vector<profile::Difference>& diffs)
{
    QJsonArray a;
    for (const profile::Difference& d : diffs) {
        QJsonObject j;
        j[QStringLiteral("champ")] = d.field;
        j[QStringLiteral("fichier")] = d.fileValue;
        j[QStringLiteral("panneau")] = d.panelValue;
        j[QStringLiteral("texte")] = d.text();
        a.append(j);
    }
    return a;
}

QString toolName()
{
    return QStringLiteral("kwf-tqv " KWF_VERSION_STRING);
}

// The panel's colour type: --couleur, else the default configuration's, else mono.
profile::ColourType panelColour(const ConsoleEnv& env, const Options& o)
{
    if (o.tri)
        return *o.tri ? profile::ColourType::Tri : profile::ColourType::Mono;
    const QString file = env.defaultConfig.isEmpty() ? defaultConfigPath(env.programDir) : env.defaultConfig;
    QByteArray bytes;
    if (QFileInfo(file).isFile() && readFileStart(file, kMaxInputFile, &bytes)) {
        const ConfigRead r = readConfig(bytes, ConfigValues());
        if (r.fieldsRead > 3 && r.values.selectors[3] == 1)
            return profile::ColourType::Tri;
    }
    return profile::ColourType::Mono;
}

// A panel's whole setup read into a file, compared with one, or written from one and read back.
void profileCmd(Session& s, const ConsoleEnv& env, const Options& o, const Prepared& p, Outcome* out)
{
    Tqvbase& t = s.tqv();
    if (o.action == QLatin1String("lire")) {
        const ProfileReading r = readPanelProfile(t, panelColour(env, o), toolName());
        report(r.outcome, out);
        if (!r.profile)
            return;
        QStringList blocks;
        for (profile::Block b : r.profile->blocks())
            blocks << QString::fromUtf8(profile::spanOf(b).title);
        QJsonObject fields;
        for (const profile::NamedValue& v : profile::namedFields(*r.profile)) {
            out->lines << QStringLiteral("%1 = %2").arg(v.name, v.value);
            fields[v.name] = v.value;
        }
        out->json[QStringLiteral("blocs")] = QJsonArray::fromStringList(blocks);
        out->json[QStringLiteral("champs")] = fields;
        out->json[QStringLiteral("fichier")] = o.file;
        out->message = QStringLiteral("Profil du panneau (%1) enregistré dans %2.").arg(blocks.join(QStringLiteral(", ")), echoed(o.file));
        saveFile(o.file, profile::writeProfile(*r.profile), out);
        return;
    }
    if (o.action == QLatin1String("comparer")) {
        const ProfileComparison c = comparePanel(t, *p.profile, toolName());
        report(c.reading.outcome, out);
        if (!c.reading.success())
            return;
        for (const profile::Difference& d : c.differences)
            out->lines << d.text();
        out->json[QStringLiteral("egal")] = c.equal();
        out->json[QStringLiteral("differences")] = differencesJson(c.differences);
        if (c.equal()) {
            out->message = QStringLiteral("Le panneau a ce profil.");
        } else {
            out->status = kExitPanel;
            out->message = QStringLiteral("%1 différence(s) entre le profil et le panneau.").arg(c.differences.size());
        }
        return;
    }
    ProfileWriteOptions options;
    options.dryRun = o.dryRun;
    options.force = o.force;
    // The differences are printed before anything is written; a script has no one to ask.
    options.confirm = [&](const std::vector<profile::Difference>& diffs) {
        s.progress().clear();
        if (!o.json) {
            for (const profile::Difference& d : diffs)
                *env.out << d.text() << '\n';
            env.out->flush();
        }
        return true;
    };
    const ProfileWrite w = writePanelProfile(t, *p.profile, toolName(), options);
    if (w.result == ProfileWriteResult::DryRun || w.result == ProfileWriteResult::Mismatch)
        for (const profile::Difference& d : w.before.differences)
            out->lines << d.text();
    if (w.failure.command.window[0])
        report(w.failure, out);
    else
        report(w.before.reading.outcome, out);
    out->json[QStringLiteral("differences")] = differencesJson(w.before.differences);
    out->json[QStringLiteral("essai")] = o.dryRun;
    out->json[QStringLiteral("ecrits")] = QJsonArray::fromStringList(w.written);
    out->json[QStringLiteral("non_ecrits")] = QJsonArray::fromStringList(w.notWritten);
    QJsonArray missed;
    for (const profile::Miss& m : w.notTaken) {
        QJsonObject j;
        j[QStringLiteral("registre")] = m.reg;
        j[QStringLiteral("ecrit")] = m.written;
        j[QStringLiteral("relu")] = m.read;
        missed.append(j);
    }
    out->json[QStringLiteral("non_pris")] = missed;
    const QString failure = out->message;
    out->message = w.reportLines().join(QLatin1Char('\n'));
    if (w.result == ProfileWriteResult::Mismatch) {
        out->status = kExitUsage;
        out->json[QStringLiteral("resultat")] = QStringLiteral("refus");
    } else if (!w.success()) {
        out->status = kExitPanel;
        // Every command answered, but the panel did not keep what it was sent.
        if (w.result == ProfileWriteResult::NotTaken && w.after)
            out->json[QStringLiteral("resultat")] = QStringLiteral("reponse_incorrecte");
        if (w.failure.command.window[0] && !w.failure.success())
            out->message += QLatin1Char('\n') + failure;
    } else {
        out->status = kExitDone;
    }
}

void print(ConsoleEnv& env, const Options& o, const QString& command, Outcome& out)
{
    if (o.json) {
        QJsonObject j = out.json;
        j[QStringLiteral("commande")] = command;
        j[QStringLiteral("port")] = o.port && o.namesPort() ? QJsonValue(portName(o.port)) : QJsonValue(QJsonValue::Null);
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

struct CommandRun {
    ConsoleEnv& env;
    const Options& o;
    const Prepared& prepared;
    Session* session;   // the open link, for the commands that talk to a panel
    Outcome& out;
};

const std::vector<CommandEntry>& commandEntries()
{
    static const std::vector<CommandEntry> entries = {
        {"ports", {{"ports", "numéros COM, périphériques et adaptateurs connus"}}, false, nullptr,
         parseNoArguments,
         [](CommandRun& r) { r.out = listPorts(r.env); }},
        {"detecter", {{"detecter", "cherche une horloge sur COM1 à COM14"}}, false, nullptr,
         parseNoArguments,
         [](CommandRun& r) { r.out = detect(r.env); }},
        {"lire-heure", {{"lire-heure", "heure et date de l'afficheur, écart avec le PC mesuré"}}, true,
         [](const Options&) { return &command::kClockRead; },
         parseNoArguments,
         [](CommandRun& r) { readClock(*r.session, r.env, r.o, &r.out); }},
        {"ecart", {{"ecart", "mesure l'écart de l'afficheur avec le PC au vingtième\nde seconde (afficheur − PC)"}}, true,
         [](const Options&) { return &command::kClockRead; },
         parseNoArguments,
         [](CommandRun& r) { readClock(*r.session, r.env, r.o, &r.out); }},
        {"derive", {{"derive", "dérive de l'horloge en secondes par jour, d'après\nle relevé des écarts (sans parler à l'afficheur)"}}, false,
         nullptr, parseNoArguments,
         [](CommandRun& r) { driftCmd(r.env, r.o, &r.out); }},
        {"derniere-synchro", {{"derniere-synchro", "heure et date de la dernière remise à l'heure DCF77"}}, true,
         [](const Options&) { return &command::kLastSettingRead; },
         parseNoArguments, [](CommandRun& r) { readClock(*r.session, r.env, r.o, &r.out); }},
        {"heure-pc",
         {{"heure-pc [--si-ecart S]", "met l'afficheur à l'heure du PC (seulement si\nl'écart mesuré dépasse S secondes avec --si-ecart)"}},
         true, [](const Options& o) { return o.maxDrift ? &command::kClockRead : &command::kClockAuto; },
         parseHeurePc, [](CommandRun& r) { setPcTime(*r.session, r.env, r.o, &r.out); }},
        {"heure", {{"heure \"AAAA-MM-JJ HH:MM:SS\"", "envoie cette heure et cette date"}}, true,
         [](const Options&) { return &command::kClockManual; },
         parseHeure,
         [](CommandRun& r) { setManualTime(*r.session, r.o, &r.out); }},
        {"dcf77",
         {{"dcf77 --minutes N [--fichier F]", "écoute la réception DCF77 jusqu'à N minutes complètes"},
          {"dcf77 --analyser F", "analyse un journal de réception ou des échanges"}},
         true, nullptr,
         parseDcf77,
         [](CommandRun& r) {
             if (!r.o.analyse.isEmpty())
                 r.out = analyseDcf77(r.o);
             else
                 listenDcf77(*r.session, r.env, r.o, &r.out);
         }},
        {"relais",
         {{"relais lire 1|2", "lit les quatre alarmes d'un relais"},
          {"relais appliquer F.zol", "programme les relais 1 et 2 d'après un fichier\nde configuration"}},
         true, [](const Options& o) {
             return o.action != QLatin1String("lire") ? &command::kRelay1Write
                 : o.relay == 1                       ? &command::kRelay1Read
                                                      : &command::kRelay2Read;
         },
         parseRelais, [](CommandRun& r) { relays(*r.session, r.o, r.prepared, &r.out); }},
        {"evenement",
         {{"evenement \"AAAA-MM-JJ HH:MM\" [--ete oui|non] [--hiver oui|non]\n          [--contact ferme|ouvre]",
           "programme le compte à rebours de l'événement"}},
         true, [](const Options&) { return &command::kEventWrite; },
         parseEvenement, [](CommandRun& r) { event(*r.session, r.o, &r.out); }},
        {"luminosite",
         {{"luminosite lire", "lit le bloc de luminosité"},
          {"luminosite auto|20|100 [--sensibilite N] [--detection rapide|lente]",
           "jour/nuit par capteur, ou forcée à 20 % ou 100 % ;\nN de 0 à 15 (5 par défaut)"}},
         true, [](const Options& o) { return o.action == QLatin1String("lire") ? &command::kBrightnessRead : &command::kBrightnessWrite; },
         parseLuminosite, [](CommandRun& r) { brightnessCmd(*r.session, r.o, &r.out); }},
        {"couleur",
         {{"couleur 4 [HEURE DATE]", "couleurs des masques heure et date ; chaque masque :\ntrois lettres r (rouge), "
                                     "v (vert), a (ambre), une\npar paire de digits (rva vra sans argument)"},
          {"couleur 6 [N HM J H FIN]", "couleurs des comptes à rebours N-, H-MM:SS, J-, H-\net du message de fin (une "
                                       "lettre) ; vvv vra avr rav r\nsans argument"}},
         true, [](const Options& o) { return o.colourBoard == 4 ? &command::kClockColours : &command::kCountdownColours; },
         parseCouleur, [](CommandRun& r) { coloursCmd(*r.session, r.o, &r.out); }},
        {"interrupteurs",
         {{"interrupteurs lire", "les bancs SW2 et SW3 (interrupteur 1 en premier)"},
          {"interrupteurs ecrire SW2 SW3", "chaque banc : huit chiffres 0 (OFF) ou 1 (ON)"}},
         true, [](const Options& o) { return o.action == QLatin1String("lire") ? &command::kSwitchRead : &command::kSwitchWrite; },
         parseInterrupteurs, [](CommandRun& r) { switchesCmd(*r.session, r.o, &r.out); }},
        {"registres",
         {{"registres lire [--fichier F]", "les 64 registres en hexadécimal"},
          {"registres ecrire F [--avec-horloge]",
           "écrit les registres 8 à 63 d'un fichier (0 à 63,\nl'horloge comprise, avec --avec-horloge)"}},
         true, [](const Options& o) { return o.action == QLatin1String("lire") ? &command::kGridRead : &command::kGridWrite; },
         parseRegistres, [](CommandRun& r) { registersCmd(*r.session, r.o, r.prepared, &r.out); }},
        {"profil",
         {{"profil lire F [--couleur mono|tri]",
           "enregistre dans F le profil du panneau (relais,\névénement, luminosité, couleurs, interrupteurs) ;\n"
           "--couleur : son type de couleurs (par défaut\ncelui du fichier de configuration par défaut)"},
          {"profil comparer F [--couleur mono|tri]", "les différences entre F et le panneau (code 0 :\naucune, 1 : des différences)"},
          {"profil ecrire F [--essai] [--forcer]\n          [--couleur mono|tri]",
           "écrit F sur le panneau après ses différences, puis\nrelit tout ; --essai ne fait que lire ; --forcer\n"
           "écrit sur un panneau d'autres digits ou couleurs"}},
         true, [](const Options&) { return &command::kRelay1Read; },
         parseProfil, [](CommandRun& r) { profileCmd(*r.session, r.env, r.o, r.prepared, &r.out); }},
    };
    return entries;
}

const CommandEntry* findCommand(const QString& name)
{
    for (const CommandEntry& c : commandEntries())
        if (name == QLatin1String(c.name))
            return &c;
    return nullptr;
}

// The port of the default configuration file (its first line), 0 when there is none.
static int defaultPort(const ConsoleEnv& env, QString* file)
{
    *file = env.defaultConfig.isEmpty() ? defaultConfigPath(env.programDir) : env.defaultConfig;
    QByteArray bytes;
    if (!QFileInfo(*file).isFile() || !readFileStart(*file, kMaxInputFile, &bytes))
        return 0;
    const ConfigRead r = readConfig(bytes, ConfigValues());
    return r.fieldsRead > 0 ? r.values.selectors[0] + 1 : 0;
}

int runConsole(const QStringList& args, ConsoleEnv& env)
{
    ParseResult parsed = parseArguments(args);
    if (parsed.ok() && parsed.options.namesPort() && parsed.options.port == 0 && !parsed.options.help) {
        QString file;
        parsed.options.port = defaultPort(env, &file);
        if (parsed.options.port == 0)
            parsed.error = QStringLiteral("Port manquant : --port COMn ou -p n (1 à 14), ou un fichier de configuration "
                                          "par défaut lisible (%1).").arg(echoed(file));
    }
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

    const CommandEntry* entry = findCommand(o.command);
    if (!o.needsPort()) {
        CommandRun run{env, o, prepared, nullptr, out};
        entry->run(run);
    } else {
        Session s(env, o);
        const PortOpening opening = s.open();
        if (!opening.opened) {
            out.status = kExitPort;
            out.message = opening.message;
            out.detail = opening.detail;
        } else {
            CommandRun run{env, o, prepared, &s, out};
            entry->run(run);
        }
        s.close();
    }
    print(env, o, o.command, out);
    return out.status;
}

} // namespace kwf::console

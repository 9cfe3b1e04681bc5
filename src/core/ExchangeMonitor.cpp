#include "core/ExchangeMonitor.h"
#include "core/Clock.h"

namespace kwf {

namespace {

struct Label {
    const char* operation;
    const char* text;
    int total;   // frames the operation writes, 0 when it does not count them
};

// What every operation is called in the status bar, and how many frames make it.
constexpr Label kLabels[] = {
    {"TEST_LIAISON", "Test de liaison", 3},
    {"FIN_LIAISON", "Fin de liaison", 0},
    {"LIT_RELAIS1", "Lecture relais 1", 17},
    {"LIT_RELAIS2", "Lecture relais 2", 17},
    {"ECRI_RELAIS1", "Écriture relais 1", 17},
    {"ECRI_RELAIS2", "Écriture relais 2", 17},
    {"LIRE_GRILLE", "Lecture des registres", 64},
    {"ENVOI_GRILLE", "Écriture des registres", 64},
    {"LIT_REG", "Lecture d'un registre", 1},
    {"ECRI_REG", "Écriture d'un registre", 1},
    {"ECRI_BLOC", "Écriture du bloc de commande", 5},
    {"LIT_LUM", "Lecture luminosité", 5},
    {"LIT_SW", "Lecture des interrupteurs", 0},
    {"ENVOI_SW", "Écriture des interrupteurs", 0},
    {"ENVOI_HEURE_PC", "Mise à l'heure", 8},
    {"ENVOI_HEURE_MAN", "Mise à l'heure", 8},
    {"LIT_HEURE_DS", "Lecture horloge", 8},
    {"LIT_DER_MISEH", "Lecture dernière mise à l'heure", 8},
    {"LIT_SECONDES", "Mesure de l'écart", 0},
    {"DETECTION", "Détection", 0},
};

const Label* labelOf(const QString& operation)
{
    for (const Label& l : kLabels) {
        if (operation == QLatin1String(l.operation))
            return &l;
    }
    return nullptr;
}

bool isSingleRegister(const QString& name)
{
    return name == QLatin1String("LIT_REG") || name == QLatin1String("ECRI_REG");
}

} // namespace

ExchangeMonitor::ExchangeMonitor(Tqvbase& t, Clock& clock, QObject* parent)
    : QObject(parent), m_t(t), m_clock(clock)
{
    m_showTimer.setSingleShot(true);
    m_showTimer.setInterval(int(kShowAfterMs));
    connect(&m_showTimer, &QTimer::timeout, this, [this] { emit changed(); });
    m_t.addObserver(this);
}

ExchangeMonitor::~ExchangeMonitor()
{
    m_t.removeObserver(this);
}

QString ExchangeMonitor::progressText(const QString& operation, int step, const QString& detail)
{
    const Label* l = labelOf(operation);
    const QString label = l ? QString::fromUtf8(l->text) : operation;
    if (!detail.isEmpty())
        return QStringLiteral("%1 : %2").arg(label, detail);
    if (l && l->total > 0)
        return QStringLiteral("%1 : %2/%3").arg(label).arg(qMin(step, l->total)).arg(l->total);
    return label;
}

ProgressSteps::Step* ProgressSteps::current()
{
    for (auto it = m_stack.rbegin(); it != m_stack.rend(); ++it) {
        if (it->counted)
            return &*it;
    }
    return nullptr;
}

void ProgressSteps::keep()
{
    if (Step* s = current())
        m_last = *s;
}

void ProgressSteps::started(const QString& name)
{
    Step s;
    s.name = name;
    s.counted = !(isSingleRegister(name) && !m_stack.empty());
    m_stack.push_back(s);
    keep();
}

void ProgressSteps::finished()
{
    if (!m_stack.empty())
        m_stack.pop_back();
}

void ProgressSteps::frameWritten()
{
    if (Step* s = current())
        ++s->frames;
    keep();
}

void ProgressSteps::detail(const QString& detail)
{
    if (Step* s = current())
        s->detail = detail;
    keep();
}

QString ProgressSteps::text() const
{
    return m_last.name.isEmpty() ? QString() : ExchangeMonitor::progressText(m_last.name, m_last.frames, m_last.detail);
}

QString ExchangeMonitor::text() const
{
    if (!m_active || m_clock.monotonicMs() - m_startMs < kShowAfterMs)
        return {};
    return m_steps.text();
}

void ExchangeMonitor::touch()
{
    if (!m_active) {
        m_active = true;
        m_startMs = m_clock.monotonicMs();
        m_showTimer.start();
        postCheck();   // a command that never waits (its port refused the first frame) ends too
    }
    emit changed();
}

void ExchangeMonitor::operationStarted(const QString& name)
{
    m_steps.started(name);
    touch();
}

void ExchangeMonitor::operationFinished(const QString&)
{
    m_steps.finished();
}

void ExchangeMonitor::frameWritten(const QByteArray&, bool)
{
    m_steps.frameWritten();
    touch();
}

void ExchangeMonitor::progress(const QString& detail)
{
    m_steps.detail(detail);
    touch();
}

void ExchangeMonitor::waitStarted()
{
    if (!m_active)
        touch();
}

void ExchangeMonitor::waitEnded()
{
    postCheck();
}

void ExchangeMonitor::postCheck()
{
    // Once per wait: if the next turn of the event loop is a wait of the same command, the line
    // is held again and nothing happens; the end of that wait looks again.
    if (m_checkPosted)
        return;
    m_checkPosted = true;
    QMetaObject::invokeMethod(this, [this] {
        m_checkPosted = false;
        checkIdle();
    }, Qt::QueuedConnection);
}

void ExchangeMonitor::checkIdle()
{
    // The event loop turns outside any wait: the exchange is over, or it has stopped for a
    // message box, which is the user's turn.
    if (!m_active || m_t.busy())
        return;
    m_active = false;
    m_steps.clearLast();
    m_showTimer.stop();
    emit changed();
}

} // namespace kwf

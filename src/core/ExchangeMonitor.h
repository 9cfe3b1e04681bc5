#pragma once
#include "core/Tqvbase.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <vector>

namespace kwf {

class Clock;

// Where the operations under way have got to, from the transport's notices: the innermost
// operation that counts (a single register inside a grid counts for the grid), its frames
// written and its detail. The status bar and the console's progress line both show its text.
class ProgressSteps {
public:
    void started(const QString& name);
    void finished();
    void frameWritten();
    void detail(const QString& detail);
    void clearLast() { m_last = Step{}; }
    // The last step seen, still there in the gaps between operations; empty before any.
    QString text() const;

private:
    struct Step {
        QString name;
        int frames = 0;
        QString detail;
        bool counted = true;
    };
    Step* current();
    void keep();
    std::vector<Step> m_stack;
    Step m_last;
};

// Follows the device command under way, for the status bar: whether one is running (from its
// first frame until control is back with the event loop, the line released), and once it has
// lasted a second, what it is doing and how far it has got: "Lecture relais 2 : 9/17",
// "Écriture des registres : 40/64", "Détection : COM5". The window only shows what it says.
class ExchangeMonitor : public QObject, public ExchangeObserver {
    Q_OBJECT
public:
    // Listens to the transport for as long as it lives.
    ExchangeMonitor(Tqvbase& t, Clock& clock, QObject* parent = nullptr);
    ~ExchangeMonitor() override;

    // How long a command runs before its progress is shown.
    static constexpr qint64 kShowAfterMs = 1000;

    bool active() const { return m_active; }
    // Progress text; empty while no command runs or before it has lasted kShowAfterMs.
    QString text() const;
    // Progress text of an operation: its label, then the step ("9/17") or the detail ("COM5").
    static QString progressText(const QString& operation, int step, const QString& detail = {});

    // Looks whether the command is over (the line released, nothing holding it); the
    // monitor does so by itself once every wait has ended and the event loop is back.
    void checkIdle();

signals:
    // A command started or ended, or its progress text changed.
    void changed();

    // ExchangeObserver
public:
    void operationStarted(const QString& name) override;
    void operationFinished(const QString& name) override;
    void frameWritten(const QByteArray& frame, bool accepted) override;
    void waitStarted() override;
    void waitEnded() override;
    void progress(const QString& detail) override;

private:
    void touch();
    void postCheck();

    Tqvbase& m_t;
    Clock& m_clock;
    bool m_active = false;
    qint64 m_startMs = 0;
    ProgressSteps m_steps;
    QTimer m_showTimer;
    bool m_checkPosted = false;
};

} // namespace kwf

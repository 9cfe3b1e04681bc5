#include "clock/DCF77.h"
#include "clock/Dcf77Picture.h"
#include "core/ConfigFile.h"
#include "core/AppContext.h"
#include "core/Dcf77Monitor.h"
#include "core/TextFiles.h"
#include "core/Clock.h"
#include "core/Dcf77Report.h"
#include "core/LinkSettings.h"
#include "core/SerialPort.h"
#include "core/Tqvbase.h"
#include "core/UiServices.h"

#include <QColor>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

namespace kwf {

namespace {

QLabel* makeShape(QWidget* parent, const char* name)
{
    auto* s = new QLabel(parent);
    s->setObjectName(QString::fromLatin1(name));
    s->setFixedSize(22, 22);
    return s;
}

void paintShape(QLabel* s, Dcf77Colour c)
{
    const QColor colour = QColor::fromRgb(QRgb(dcf77Rgb(c)));
    if (s->property("fillColor").value<QColor>() == colour && !s->styleSheet().isEmpty())
        return;
    s->setProperty("fillColor", colour);
    s->setStyleSheet(QStringLiteral("QLabel { background-color: %1; border: 1px solid #404040; border-radius: 11px; }")
                         .arg(colour.name()));
}

QLabel* makeLabel(QWidget* parent, const char* name, const char* caption)
{
    auto* l = new QLabel(QString::fromUtf8(caption), parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

QFont courier()
{
    QFont f(QStringLiteral("Courier"));
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    f.setPointSize(10);
    return f;
}

} // namespace

DCF77::DCF77(const AppContext& ctx)
    : QWidget(nullptr), m_ctx(ctx)
{
    setObjectName(QStringLiteral("DCF77"));
    setWindowTitle(QStringLiteral("Chronogramme DCF 77."));

    auto* outer = new QVBoxLayout(this);
    Frame4 = new QGroupBox(this);
    Frame4->setObjectName(QStringLiteral("Frame4"));
    outer->addWidget(Frame4);
    auto* frame = new QVBoxLayout(Frame4);

    auto* buttons = new QHBoxLayout;
    Command2 = new QPushButton(QStringLiteral("Démarrer"), Frame4);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command3 = new QPushButton(QStringLiteral("Arrêter"), Frame4);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command1 = new QPushButton(QStringLiteral("Éffacer"), Frame4);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command6 = new QPushButton(QStringLiteral("Enregistrer le journal de réception DCF77"), Frame4);
    Command6->setObjectName(QStringLiteral("Command6"));
    for (QPushButton* b : {Command2, Command3, Command1})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(Command6);
    ANALYSER = new QPushButton(QStringLiteral("Analyser un journal…"), Frame4);
    ANALYSER->setObjectName(QStringLiteral("ANALYSER"));
    buttons->addWidget(ANALYSER);
    frame->addLayout(buttons);

    auto* lights = new QHBoxLayout;
    Shape1 = makeShape(Frame4, "Shape1");
    Shape2 = makeShape(Frame4, "Shape2");
    Shape3 = makeShape(Frame4, "Shape3");
    Shape4 = makeShape(Frame4, "Shape4");
    lights->addWidget(Shape1);
    lights->addWidget(makeLabel(Frame4, "Label8", "Départ"));
    lights->addSpacing(12);
    lights->addWidget(Shape2);
    lights->addWidget(makeLabel(Frame4, "Label10", "0"));
    lights->addSpacing(12);
    lights->addWidget(Shape3);
    lights->addWidget(makeLabel(Frame4, "Label9", "1"));
    lights->addSpacing(12);
    lights->addWidget(Shape4);
    lights->addWidget(makeLabel(Frame4, "Label14", "Seconde"));
    lights->addStretch(1);
    lights->addWidget(makeLabel(Frame4, "Label11", "Seconde en cours"));
    cnt = makeLabel(Frame4, "cnt", "0");
    cnt->setMinimumWidth(28);
    lights->addWidget(cnt);
    lights->addSpacing(12);
    lights->addWidget(makeLabel(Frame4, "Label12", " Tame Ok 59s"));
    tra = makeLabel(Frame4, "tra", "0");
    tra->setMinimumWidth(28);
    lights->addWidget(tra);
    frame->addLayout(lights);

    Text1 = new QPlainTextEdit(Frame4);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setFont(courier());
    // The log is what was received: it can be selected and copied, not edited.
    Text1->setReadOnly(true);
    Text1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text1->setMinimumSize(QFontMetrics(Text1->font()).horizontalAdvance(QString(68, QLatin1Char('0'))) + 30, 200);
    frame->addWidget(Text1, 3);
    RECEPTION = new Dcf77Picture(Frame4);
    frame->addWidget(RECEPTION);

    auto* decodedHead = new QHBoxLayout;
    decodedHead->addWidget(makeLabel(Frame4, "Label15", "Minutes complètes décodées (heure annoncée pour la minute suivante) :"));
    decodedHead->addStretch(1);
    BILAN = makeLabel(Frame4, "BILAN", "");
    decodedHead->addWidget(BILAN);
    frame->addLayout(decodedHead);
    DECODAGE = new QPlainTextEdit(Frame4);
    DECODAGE->setObjectName(QStringLiteral("DECODAGE"));
    DECODAGE->setFont(courier());
    DECODAGE->setReadOnly(true);
    DECODAGE->setLineWrapMode(QPlainTextEdit::NoWrap);
    DECODAGE->setMinimumHeight(110);
    frame->addWidget(DECODAGE, 2);

    Timer3 = new QTimer(this);
    Timer3->setObjectName(QStringLiteral("Timer3"));
    Timer3->setInterval(200);
    connect(Timer3, &QTimer::timeout, this, [this] { Timer3_Timer(); });
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command6, &QPushButton::clicked, this, [this] { Command6_Click(); });
    connect(ANALYSER, &QPushButton::clicked, this, [this] { ANALYSER_Click(); });
    m_reception.clear(m_ctx.clock->monotonicMs());

    showIndicators();
    showCounters();
    showBilan();
    // The window listens from the moment it is loaded.
    Timer3->start();
    Timer1->start();
}

DCF77::~DCF77() = default;

void DCF77::showIndicators()
{
    const Dcf77Indicators& ind = m_log.indicators();
    paintShape(Shape1, ind.depart);
    paintShape(Shape2, ind.bit0);
    paintShape(Shape3, ind.bit1);
    paintShape(Shape4, ind.seconde);
}

void DCF77::showCounters()
{
    cnt->setText(QString::number(m_log.seconds()));
    tra->setText(QString::number(m_log.minutes()));
}

void DCF77::showBilan()
{
    BILAN->setText(dcf77Tally(m_good, m_bad));
}

void DCF77::appendToView(const QString& chunk)
{
    // The view shows line breaks as its own; the log keeps CR LF.
    QString shown = chunk;
    shown.remove(QLatin1Char('\r'));
    QTextCursor c = Text1->textCursor();
    c.movePosition(QTextCursor::End);
    c.insertText(shown);
    // The newest characters stay in view.
    Text1->setTextCursor(c);
    Text1->ensureCursorVisible();
}

void DCF77::addDecoded(const QByteArray& minuteChars)
{
    const Dcf77MinuteReport r = describeDcf77Minute(minuteChars);
    (r.good ? m_good : m_bad) += 1;
    DECODAGE->appendPlainText(r.line);
    DECODAGE->verticalScrollBar()->setValue(DECODAGE->verticalScrollBar()->maximum());
    showBilan();
}

// Clear: log, counters and indicators start again; monitoring goes on if it was running.
void DCF77::Command1_Click()
{
    m_ctx.ui->clearClipboard();
    m_log.clear();
    Text1->clear();
    m_good = m_bad = 0;
    DECODAGE->clear();
    m_reception.clear(m_ctx.clock->monotonicMs());
    RECEPTION->showAll(m_reception, m_ctx.clock->monotonicMs());
    showCounters();
    showIndicators();
    showBilan();
}

// Start: closing frame to re-synchronise the panel, receive buffer emptied, poll on.
void DCF77::Command2_Click()
{
    if (!Dcf77Monitor(*m_ctx.tqv).start())
        return;
    Timer3->start();
}

// Stop: the link test frame tells the panel to stop sending; the poll goes off.
void DCF77::Command3_Click()
{
    if (!Dcf77Monitor(*m_ctx.tqv).stop())
        return;   // the monitor goes on: the stop frame could not go out
    Timer3->stop();
}

void DCF77::listen()
{
    Timer3->start();
}

// Poll: one character per tick.
void DCF77::Timer3_Timer()
{
    const Dcf77Monitor::PollResult p = Dcf77Monitor(*m_ctx.tqv).poll();
    if (p.status == Dcf77Monitor::Poll::Gone) {
        // The port was validated and has gone since (adapter removed): stop listening until
        // the next validation.
        Timer3->stop();
        return;
    }
    const qint64 nowMs = m_ctx.clock->monotonicMs();
    if (p.status != Dcf77Monitor::Poll::Character) {
        RECEPTION->showCounters(m_reception, nowMs);   // the time since the last good minute
        return;
    }
    // The PC's time matters at the end of a minute only (reading it costs a look at the time zone).
    const bool end = p.character == '2' || p.character == '3';
    const Dcf77MinuteRecord* ended = m_reception.feed(p.character, nowMs, end ? m_ctx.clock->now() : QDateTime());
    RECEPTION->characterAdded(m_reception, ended, nowMs);
    const qsizetype oldLength = m_log.text().size();
    const Dcf77Log::Step step = m_log.feed(p.character);
    // A clear never happens inside feed(), so the log only grew.
    appendToView(m_log.text().mid(oldLength));
    showCounters();
    showIndicators();
    if (!Timer1->isActive())
        Timer1->start();
    if (step.endOfMinute && step.complete)
        addDecoded(step.minuteChars);
}

void DCF77::Timer1_Timer()
{
    m_log.flashEnd();
    showIndicators();
    Timer1->stop();
}

// Save the log as a text file.
void DCF77::Command6_Click()
{
    const QString name = m_ctx.ui->getSaveFileName(
        QStringLiteral("Enregistrer un fichier de réception DCF77"),
        QStringLiteral("Fichiers réception DCF77 (*.txt *.TXT);;Tous les fichiers (*)"),
        QStringLiteral("Fichiers réception DCF77"));
    if (name.isEmpty())
        return;   // cancelled: nothing written
    const QString failure = QStringLiteral("Erreur lors de l'enregistrement du journal dans %1.")
                                .arg(QFileInfo(name).fileName());
    if (!isReplaceableFile(name)) {
        m_ctx.ui->message(failure, MsgIcon::Exclamation);
        return;
    }
    emit settingsWindowWanted();
    // A failed save leaves the previous file as it was, never a truncated one.
    if (!writeFileWhole(name, dcf77LogFile(m_log.text(), m_ctx.clock->now())))
        m_ctx.ui->message(failure, MsgIcon::Exclamation);
}

// Analyse a saved file: the monitor's log or the exchange journal.
void DCF77::ANALYSER_Click()
{
    const QString name = m_ctx.ui->getOpenFileName(
        QStringLiteral("Analyser un journal de réception DCF77"),
        QStringLiteral("Journaux (*.txt *.TXT *.log);;Tous les fichiers (*)"), QString());
    if (name.isEmpty())
        return;
    QByteArray content;
    const QString file = QFileInfo(name).fileName();
    if (!readFileStart(name, kDcf77MaxFileBytes, &content)) {
        m_ctx.ui->message(QStringLiteral("Lecture impossible de %1.").arg(file), MsgIcon::Exclamation);
        return;
    }
    const Dcf77Replay replay = replayDcf77File(content);
    if (!replay.ok) {
        m_ctx.ui->message(QStringLiteral("%1 : %2.").arg(file, replay.error), MsgIcon::Exclamation);
        return;
    }
    delete ANALYSE;
    ANALYSE = new Dcf77Analysis(file, replay, this);
    ANALYSE->show();
}

} // namespace kwf

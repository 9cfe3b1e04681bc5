#include "clock/MiseaH.h"
#include "core/AppContext.h"
#include "core/Clock.h"
#include "core/ClockSync.h"
#include "core/UiServices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace kwf {

namespace {
const char* const kSuccess = msg::kTimeSetDone;
const char* const kDateTip = "Bouton de réglage de la date.";
const char* const kTimeTip = "Bouton de réglage de l'heure.";

QFont courier()
{
    QFont f(QStringLiteral("Courier"));
    f.setStyleHint(QFont::TypeWriter);
    f.setPointSize(11);
    f.setBold(true);
    return f;
}

QLabel* courierLabel(QWidget* parent, const char* name, const QString& caption, const QString& widest)
{
    auto* l = new QLabel(caption, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFont(courier());
    l->setAlignment(Qt::AlignCenter);
    l->setMinimumWidth(QFontMetrics(l->font()).horizontalAdvance(widest) + 6);
    return l;
}

QComboBox* list(QWidget* parent, const char* name, const QStringList& items)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->addItems(items);
    return c;
}

QStringList numbers(int from, int to)
{
    QStringList l;
    for (int i = from; i <= to; ++i)
        l << QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
    return l;
}

QPushButton* sendButton(QWidget* parent, const char* name, const char* tip)
{
    auto* b = new QPushButton(QStringLiteral("Envoi"), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(QString::fromUtf8(tip));
    return b;
}
} // namespace

MiseaH::MiseaH(const AppContext& ctx) : QWidget(nullptr), m_ctx(ctx)
{
    setWindowTitle(QStringLiteral("Mise à l'heure."));
    // The manual values start where their labels do: Lundi 1 Janvier (20)01, 00:00:00.
    m_manual.seconds = 0;
    m_manual.minutes = 0;
    m_manual.hours = 0;
    m_manual.day = 1;
    m_manual.date = 1;
    m_manual.month = 1;
    m_manual.year = 1;
    m_manual.control = 0;

    auto* top = new QVBoxLayout(this);

    // PC clock.
    Frame1 = new QGroupBox(QStringLiteral("Heure et date du PC"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setToolTip(QStringLiteral("Heure & date système"));
    auto* f1 = new QHBoxLayout(Frame1);
    Label3 = courierLabel(Frame1, "Label3", QString(), QStringLiteral("Mercredi 30 Septembre 2026"));
    Label3->setToolTip(QStringLiteral("Date système."));
    Label4 = courierLabel(Frame1, "Label4", QString(), QStringLiteral("00:00:00"));
    Label4->setToolTip(QStringLiteral("Heure système."));
    ECRI_AUTO_DS = sendButton(Frame1, "ECRI_AUTO_DS",
                              "Envoi de l'information heure date système à l'horloge du paneau.");
    f1->addWidget(Label3);
    f1->addWidget(Label4);
    f1->addStretch(1);
    f1->addWidget(ECRI_AUTO_DS);
    top->addWidget(Frame1);

    // Stepping buttons.
    Frame2 = new QGroupBox(this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    auto* g = new QGridLayout(Frame2);
    Etiquette8 = courierLabel(Frame2, "Etiquette8", QStringLiteral("Lundi"), QStringLiteral("Mercredi"));
    Etiquette10 = courierLabel(Frame2, "Etiquette10", QStringLiteral(" 1"), QStringLiteral(" 31"));
    Etiquette11 = courierLabel(Frame2, "Etiquette11", QStringLiteral("Janvier"), QStringLiteral("Septembre"));
    Label5 = courierLabel(Frame2, "Label5", QStringLiteral("20"), QStringLiteral("20"));
    Etiquette12 = courierLabel(Frame2, "Etiquette12", QStringLiteral("01"), QStringLiteral("00"));
    Etiquette13 = courierLabel(Frame2, "Etiquette13", QStringLiteral("00:"), QStringLiteral("00 :"));
    Etiquette14 = courierLabel(Frame2, "Etiquette14", QStringLiteral("00:"), QStringLiteral("00 :"));
    Etiquette15 = courierLabel(Frame2, "Etiquette15", QStringLiteral("00"), QStringLiteral("00"));
    Label5->setMinimumWidth(0);
    Label5->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Etiquette12->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    struct Column { QLabel* label; const char* plus; const char* minus; const char* tip;
                    int ClockValues::*field; int lo, hi; QString (*format)(int); };
    const Column columns[] = {
        {Etiquette8, "Command5", "Command14", kDateTip, &ClockValues::day, 1, 7, &dayLabel},
        {Etiquette10, "Command8", "Command15", kDateTip, &ClockValues::date, 1, 31, &dateLabel},
        {Etiquette11, "Command9", "Command16", kDateTip, &ClockValues::month, 1, 12, &monthLabel},
        {Etiquette12, "Command10", "Command17", kDateTip, &ClockValues::year, 0, 99, &yearLabel},
        {Etiquette13, "Command11", "Command18", kTimeTip, &ClockValues::hours, 0, 23, &hourMinuteLabel},
        {Etiquette14, "Command12", "Command19", kTimeTip, &ClockValues::minutes, 0, 59, &hourMinuteLabel},
        {Etiquette15, "Command13", "Command20", kTimeTip, &ClockValues::seconds, 0, 59, &secondsLabel},
    };
    int col = 0;
    for (const Column& c : columns) {
        if (c.label == Etiquette12) {
            g->addWidget(Label5, 1, col++);
        }
        g->addWidget(addStepper(c.plus, "+", c.tip, +1, c.field, c.lo, c.hi, c.label, c.format), 0, col,
                     Qt::AlignHCenter);
        g->addWidget(c.label, 1, col);
        g->addWidget(addStepper(c.minus, "-", c.tip, -1, c.field, c.lo, c.hi, c.label, c.format), 2, col,
                     Qt::AlignHCenter);
        ++col;
    }
    g->setHorizontalSpacing(2);
    Check1 = new QCheckBox(QStringLiteral("Remise à l'heure du PC"), Frame2);
    Check1->setObjectName(QStringLiteral("Check1"));
    ECRI_MAN_DS = sendButton(Frame2, "ECRI_MAN_DS", "Envoi de l'information heure date à l'horloge du paneau.");
    g->addWidget(Check1, 3, 0, 1, 4);
    g->addWidget(ECRI_MAN_DS, 3, col - 2, 1, 2);
    top->addWidget(Frame2);

    // Lists.
    Frame3 = new QGroupBox(QStringLiteral("Heure et date manuelle"), this);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    Frame3->setToolTip(QStringLiteral("Heure & date système"));
    Combo1 = list(Frame3, "Combo1", clocknames::days());
    Combo2 = list(Frame3, "Combo2", numbers(1, 31));
    Combo3 = list(Frame3, "Combo3", clocknames::listMonths());
    Combo4 = list(Frame3, "Combo4", {QStringLiteral("20"), QStringLiteral("21")});
    Combo5 = list(Frame3, "Combo5", numbers(0, 99));
    Combo6 = list(Frame3, "Combo6", numbers(0, 23));
    Combo7 = list(Frame3, "Combo7", numbers(0, 59));
    Combo8 = list(Frame3, "Combo8", numbers(0, 59));
    Label1 = new QLabel(QStringLiteral(":"), Frame3);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(QStringLiteral(":"), Frame3);
    Label2->setObjectName(QStringLiteral("Label2"));
    ECRI_MAN_DS_COMBO = sendButton(Frame3, "ECRI_MAN_DS_COMBO",
                                   "Envoi de l'information heure date à l'horloge du paneau.");
    auto* f3 = new QVBoxLayout(Frame3);
    auto* dateRow = new QHBoxLayout;
    for (QComboBox* c : {Combo1, Combo2, Combo3, Combo4, Combo5})
        dateRow->addWidget(c);
    dateRow->setSpacing(2);
    dateRow->addStretch(1);
    auto* timeRow = new QHBoxLayout;
    timeRow->addWidget(Combo6);
    timeRow->addWidget(Label1);
    timeRow->addWidget(Combo7);
    timeRow->addWidget(Label2);
    timeRow->addWidget(Combo8);
    timeRow->addStretch(1);
    timeRow->addWidget(ECRI_MAN_DS_COMBO);
    f3->addLayout(dateRow);
    f3->addLayout(timeRow);
    top->addWidget(Frame3);

    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(1000);
    connect(Timer2, &QTimer::timeout, this, [this] { Timer2_Timer(); });

    connect(ECRI_AUTO_DS, &QPushButton::clicked, this, [this] { ECRI_AUTO_DS_Click(); });
    connect(ECRI_MAN_DS, &QPushButton::clicked, this, [this] { ECRI_MAN_DS_Click(); });
    connect(ECRI_MAN_DS_COMBO, &QPushButton::clicked, this, [this] { ECRI_MAN_DS_COMBO_Click(); });

    Form_Load();
}

QPushButton* MiseaH::addStepper(const char* name, const char* caption, const char* tip, int delta,
                                int ClockValues::*field, int lo, int hi, QLabel* label,
                                QString (*format)(int))
{
    auto* b = new QPushButton(QString::fromLatin1(caption), Frame2);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(QString::fromUtf8(tip));
    b->setFixedWidth(28);
    connect(b, &QPushButton::clicked, this, [this, delta, field, lo, hi, label, format] {
        m_manual.*field = stepWrapped(m_manual.*field, delta, lo, hi);
        label->setText(format(m_manual.*field));
    });
    return b;
}

void MiseaH::Form_Load()
{
    for (QComboBox* c : {Combo1, Combo2, Combo3, Combo4, Combo5, Combo6, Combo7, Combo8})
        c->setCurrentIndex(0);
    Timer2->start();
}

void MiseaH::Timer2_Timer()
{
    const QDateTime now = m_ctx.clock->now();
    Label3->setText(pcDateText(now.date()));
    Label4->setText(pcTimeText(now.time()));
}

void MiseaH::ECRI_AUTO_DS_Click()
{
    Tqvbase& t = *m_ctx.tqv;
    // The PC's time is taken after the link test, and the panel set on a PC second.
    QDateTime second;
    const CommandOutcome o = runDeviceCommand(t, command::kClockAuto, [&] { return sendPcTimeOnSecond(t, &second); },
                                              QString::fromUtf8(kSuccess));
    if (!o.operationRan)
        return;
    if (o.success())
        recordDrift(m_ctx, {second.toUTC(), std::nullopt});
    if (!t.responseIgnored())
        ACTU_TIME_PC();
}

void MiseaH::ECRI_MAN_DS_Click()
{
    sendManual(command::kClockManual);
}

void MiseaH::ECRI_MAN_DS_COMBO_Click()
{
    if (!m_ctx.tqv->VERIF_PORT())
        return;
    // The lists overwrite the manual values; the stepping labels keep their texts. The century
    // list is shown only: the two digits of the year list go out.
    m_manual.day = Combo1->currentIndex() + 1;
    m_manual.date = Combo2->currentText().toInt();
    m_manual.month = Combo3->currentIndex() + 1;
    m_manual.seconds = Combo8->currentText().toInt();
    m_manual.minutes = Combo7->currentText().toInt();
    m_manual.hours = Combo6->currentText().toInt();
    m_manual.year = Combo5->currentText().toInt();
    sendManual(command::kClockLists);
}

void MiseaH::sendManual(const DeviceCommand& command)
{
    Tqvbase& t = *m_ctx.tqv;
    const auto send = [&] {
        m_manual.control = 0;
        return ENVOI_HEURE_MAN(t, m_manual);
    };
    if (!runDeviceCommand(t, command, send, QString::fromUtf8(kSuccess)).operationRan)
        return;
    if (!t.responseIgnored())
        ACTU_TIME_PC();
}

void MiseaH::ACTU_TIME_PC()
{
    if (!Check1->isChecked())
        return;
    const QDateTime dt = manualDateTime(m_manual);
    if (!dt.isValid()) {
        m_ctx.ui->message(QStringLiteral("La date %1/%2/20%3 n'existe pas : l'heure du PC n'a pas été changée.")
                              .arg(m_manual.date, 2, 10, QLatin1Char('0'))
                              .arg(m_manual.month, 2, 10, QLatin1Char('0'))
                              .arg(m_manual.year, 2, 10, QLatin1Char('0')),
                          MsgIcon::Exclamation);
        return;
    }
    QString reason;
    if (!m_ctx.ui->setSystemDateTime(dt, &reason)) {
        QString text = QStringLiteral("L'heure du PC n'a pas été changée.");
        if (!reason.isEmpty())
            text += QStringLiteral("\r\n") + reason;
        m_ctx.ui->message(text, MsgIcon::Exclamation);
    }
}

} // namespace kwf

#include "panel/Relais.h"
#include "core/AppContext.h"
#include "core/DeviceCommand.h"
#include "core/LinkSettings.h"
#include "core/RelayOps.h"
#include "core/Tqvbase.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kwf {

namespace {
const char* const kDays[7] = {"Lundi", "Mardi", "Mercredi", "Jeudi", "Vendredi", "Samedi", "Dimanche"};

QStringList twoDigits(int from, int to)
{
    QStringList l;
    for (int i = from; i <= to; ++i)
        l << QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
    return l;
}
} // namespace

Relais::Relais(const AppContext& ctx, int relayNumber)
    : QWidget(nullptr), m_ctx(ctx), m_relay(relayNumber)
{
    const QString n = QString::number(m_relay);
    setObjectName(QStringLiteral("Relais_") + n);
    setWindowTitle(QStringLiteral("Relais ") + n + QLatin1Char('.'));

    auto* top = new QVBoxLayout(this);
    auto* alarms = new QGridLayout;
    top->addLayout(alarms);
    for (int k = 1; k <= 4; ++k) {
        auto* frame = new QGroupBox(QStringLiteral("ALARME %1").arg(k), this);
        frame->setObjectName(QStringLiteral("Frame%1").arg(k));
        Frame[size_t(k - 1)] = frame;
        auto* g = new QGridLayout(frame);

        auto label = [&](int index, const QString& text) {
            auto* l = new QLabel(text, frame);
            l->setObjectName(QStringLiteral("Label%1").arg(index));
            Label[size_t(index - 1)] = l;
            return l;
        };
        auto box = [&](int index) {
            auto* c = new QComboBox(frame);
            c->setObjectName(QStringLiteral("Combo%1").arg(index));
            Combo[size_t(index - 1)] = c;
            return c;
        };
        const int first = 3 * (k - 1) + 1;
        g->addWidget(label(first, QStringLiteral("   HH         :     MM")), 0, 0, 1, 2);
        g->addWidget(box(first), 1, 0);
        g->addWidget(box(first + 1), 1, 1);
        auto* duration = new QHBoxLayout;
        duration->addWidget(label(first + 1, QStringLiteral("Durée")));
        duration->addWidget(box(first + 2));
        duration->addWidget(label(first + 2, QStringLiteral("Seconde")));
        duration->addStretch();
        g->addLayout(duration, 2, 0, 1, 2);
        for (int d = 0; d < 7; ++d) {
            const int index = 7 * (k - 1) + d;
            auto* c = new QCheckBox(QString::fromUtf8(kDays[d]), frame);
            c->setObjectName(QStringLiteral("Check1_%1").arg(index));
            Check1[size_t(index)] = c;
            g->addWidget(c, 3 + d, 0, 1, 2);
        }
        alarms->addWidget(frame, 0, k - 1);
    }

    auto* bottom = new QHBoxLayout;
    top->addLayout(bottom);
    auto* sense = new QVBoxLayout;
    Option1 = new QRadioButton(QStringLiteral("Le contact se ferme"), this);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option2 = new QRadioButton(QStringLiteral("Le contact s'ouvre"), this);
    Option2->setObjectName(QStringLiteral("Option2"));
    sense->addWidget(Option1);
    sense->addWidget(Option2);
    bottom->addLayout(sense);
    bottom->addStretch();
    ENVOI = new QPushButton(QStringLiteral("Envoi"), this);
    ENVOI->setObjectName(QStringLiteral("ENVOI_REL") + n);
    ENVOI->setToolTip(QStringLiteral("Programmation des informations heure, jour, durée du relais %1 au panneau.").arg(m_relay));
    Command1 = new QPushButton(QStringLiteral("Lecture"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setToolTip(QStringLiteral("Lecture des informations heure, jour, durée du relais %1 au panneau.").arg(m_relay));
    bottom->addWidget(ENVOI);
    bottom->addWidget(Command1);

    Form_Load();
    connect(ENVOI, &QPushButton::clicked, this, [this] { ENVOI_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
}

void Relais::Form_Load()
{
    for (int k = 1; k <= 4; ++k) {
        hourBox(k)->addItems(twoDigits(0, 23));
        minuteBox(k)->addItems(twoDigits(0, 59));
        durationBox(k)->addItems(twoDigits(1, 59));
    }
    for (QComboBox* c : Combo)
        c->setCurrentIndex(0);
    Option1->setChecked(true);
    // Reading back is offered on a wired link only; the settings validation keeps this in step.
    Command1->setEnabled(m_ctx.link
                         && commandOffered(m_relay == 1 ? command::kRelay1Read : command::kRelay2Read,
                                           m_ctx.link->settings.wired()));
}

RelayConfig Relais::relayValues() const
{
    RelayConfig values;
    for (int n = 0; n < configfile::kRelayCombos; ++n)
        values.combos[size_t(n)] = Combo[size_t(n)]->currentIndex();
    for (int d = 0; d < configfile::kRelayDays; ++d)
        values.days[size_t(d)] = Check1[size_t(d)]->isChecked();
    values.option1 = Option1->isChecked();
    values.option2 = Option2->isChecked();
    return values;
}

void Relais::setRelayValues(const RelayConfig& values)
{
    for (int n = 0; n < configfile::kRelayCombos; ++n)
        Combo[size_t(n)]->setCurrentIndex(values.combos[size_t(n)]);
    for (int d = 0; d < configfile::kRelayDays; ++d)
        Check1[size_t(d)]->setChecked(values.days[size_t(d)]);
    const bool on[2] = {values.option1, values.option2};
    QRadioButton* buttons[2] = {Option1, Option2};
    for (size_t k = 0; k < 2; ++k) {
        // An option button that is on cannot be turned off while it is exclusive.
        buttons[k]->setAutoExclusive(false);
        buttons[k]->setChecked(on[k]);
        buttons[k]->setAutoExclusive(true);
    }
}

void Relais::setReadingOffered(bool offered)
{
    Command1->setEnabled(offered);
}

void Relais::ENVOI_Click()
{
    Tqvbase& t = *m_ctx.tqv;
    const std::array<RelayAlarmSetting, 4> alarms = relayAlarms(relayValues());
    runDeviceCommand(t, m_relay == 1 ? command::kRelay1Write : command::kRelay2Write, [&] {
        return m_relay == 1 ? ECRI_RELAIS1(t, alarms) : ECRI_RELAIS2(t, relayBlock(alarms));
    }, relayProgrammedText(m_relay));
}

void Relais::Command1_Click()
{
    Tqvbase& t = *m_ctx.tqv;
    runDeviceCommand(t, m_relay == 1 ? command::kRelay1Read : command::kRelay2Read, [&] {
        const RelayRead read = m_relay == 1 ? LIT_RELAIS1(t) : LIT_RELAIS2(t);
        if (read.block)
            fill(*read.block);
        return read.result;
    }, relayReadText(m_relay));
}

void Relais::fill(const DecodedRelay& block)
{
    for (int k = 1; k <= 4; ++k) {
        const DecodedAlarm& a = block.alarms[size_t(k - 1)];
        for (int d = 0; d < 7; ++d)
            Check1[size_t(7 * (k - 1) + d)]->setChecked(a.days[size_t(d)]);
        if (k == 1)
            (block.contactCloses ? Option1 : Option2)->setChecked(true);
        // A byte outside its range leaves its box as it was.
        if (a.hourIndex)
            hourBox(k)->setCurrentIndex(*a.hourIndex);
        if (a.minuteIndex)
            minuteBox(k)->setCurrentIndex(*a.minuteIndex);
        if (a.durationIndex)
            durationBox(k)->setCurrentIndex(*a.durationIndex);
    }
}

} // namespace kwf

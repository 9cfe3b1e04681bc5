#include "panel/Mise_even.h"
#include "core/AppContext.h"
#include "core/DeviceCommand.h"
#include "core/AppContext.h"
#include "core/DeviceCommand.h"
#include "core/Clock.h"
#include "core/RelayOps.h"
#include "core/Tqvbase.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kwf {

namespace {
QStringList twoDigits(int from, int to)
{
    QStringList l;
    for (int i = from; i <= to; ++i)
        l << QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
    return l;
}

template <class W>
W* named(W* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QLabel* wrapped(QLabel* l)
{
    l->setWordWrap(true);
    return l;
}
} // namespace

Mise_even::Mise_even(const AppContext& ctx)
    : QWidget(nullptr), m_ctx(ctx)
{
    setObjectName(QStringLiteral("Mise_even"));
    setWindowTitle(QStringLiteral(" Programmation de l'événement"));

    auto* top = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    top->addLayout(left);
    top->addLayout(right);

    MonthView1 = named(new QCalendarWidget(this), "MonthView1");
    MonthView1->setGridVisible(true);
    MonthView1->setFirstDayOfWeek(Qt::Monday);
    MonthView1->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    // Month and day names in French whatever the desktop's language.
    MonthView1->setLocale(QLocale(QLocale::French, QLocale::France));
    left->addWidget(MonthView1);

    Frame2 = named(new QGroupBox(this), "Frame2");
    auto* fg = new QGridLayout(Frame2);
    Label2 = named(new QLabel(QStringLiteral("Heure           Minute           Seconde"), Frame2), "Label2");
    fg->addWidget(Label2, 0, 0, 1, 5);
    Combo6 = named(new QComboBox(Frame2), "Combo6");
    Label1 = named(new QLabel(QStringLiteral(":"), Frame2), "Label1");
    Combo7 = named(new QComboBox(Frame2), "Combo7");
    Label3 = named(new QLabel(QStringLiteral(":"), Frame2), "Label3");
    Combo1 = named(new QComboBox(Frame2), "Combo1");
    fg->addWidget(Combo6, 1, 0);
    fg->addWidget(Label1, 1, 1);
    fg->addWidget(Combo7, 1, 2);
    fg->addWidget(Label3, 1, 3);
    fg->addWidget(Combo1, 1, 4);
    left->addWidget(Frame2);

    Label7 = named(wrapped(new QLabel(QStringLiteral(
        "Sélectionner la date de l'événement en pointant avec la souris sur le jour.  Les mois penvent "
        "défiler à l'aide des petites flèches. Sélectionner ensuite l'heure. La programmation se fait "
        "avec le bouton ENVOI."), this)), "Label7");
    left->addWidget(Label7);

    auto pair = [this](QVBoxLayout* into, int first) {
        auto* row = new QHBoxLayout;
        for (int i = first; i < first + 2; ++i) {
            auto* c = new QCheckBox(i % 2 == 0 ? QStringLiteral("OUI") : QStringLiteral("NON"), this);
            c->setObjectName(QStringLiteral("Check1_%1").arg(i));
            Check1[size_t(i)] = c;
            row->addWidget(c);
        }
        row->addStretch();
        into->addLayout(row);
    };
    Label8 = named(wrapped(new QLabel(QStringLiteral(
        "Entre aujourd'hui et l'événement, y a t-il un passage en heure d'été? Le dernier dimanche de "
        "MARS à 2H il sera 3H."), this)), "Label8");
    right->addWidget(Label8);
    pair(right, 0);
    Label9 = named(wrapped(new QLabel(QStringLiteral(
        "Entre aujourd'hui et l'événement, y a t-il un passage en heure d'hiver? Le dernier Dimanche "
        "d'OCTOBRE à 3H il sera 2H."), this)), "Label9");
    right->addWidget(Label9);
    pair(right, 2);

    auto* counts = new QGridLayout;
    auto count = [&](int row, QLabel*& label, const char* labelName, const char* caption, QLineEdit*& text,
                     const char* textName) {
        label = named(new QLabel(QString::fromUtf8(caption), this), labelName);
        text = named(new QLineEdit(this), textName);
        text->setReadOnly(true);
        label->setBuddy(text);
        counts->addWidget(label, row, 0);
        counts->addWidget(text, row, 1);
    };
    count(0, Label5, "Label5", "Jour-", Text13, "Text13");
    count(1, Label6, "Label6", "Heure -", Text14, "Text14");
    count(2, Label11, "Label11", "Minute -", Text15, "Text15");
    right->addLayout(counts);

    Option1 = named(new QRadioButton(QStringLiteral("Le contact se ferme"), this), "Option1");
    Option2 = named(new QRadioButton(QStringLiteral("Le contact s'ouvre"), this), "Option2");
    right->addWidget(Option1);
    right->addWidget(Option2);
    ECRI_MAN_DS_COMBO = named(new QPushButton(QStringLiteral("Envoi"), this), "ECRI_MAN_DS_COMBO");
    ECRI_MAN_DS_COMBO->setToolTip(QStringLiteral("Envoi de l'information heure date à l'horloge du paneau."));
    right->addWidget(ECRI_MAN_DS_COMBO);
    right->addStretch();

    // Every change of the selected date recomputes, by mouse or keyboard, and so does a click on
    // the date already selected; turning the months without changing the date does not.
    connect(MonthView1, &QCalendarWidget::clicked, this, [this] { CALCUL(); });
    connect(MonthView1, &QCalendarWidget::selectionChanged, this, [this] { CALCUL(); });
    connect(Combo6, &QComboBox::currentIndexChanged, this, [this] { CALCUL(); });
    connect(Combo7, &QComboBox::currentIndexChanged, this, [this] { CALCUL(); });
    for (int i = 0; i < 4; ++i)
        connect(Check1[size_t(i)], &QCheckBox::clicked, this, [this, i] { Check1_Click(i); });
    connect(ECRI_MAN_DS_COMBO, &QPushButton::clicked, this, [this] { ECRI_MAN_DS_COMBO_Click(); });

    Form_Load();
}

void Mise_even::Form_Load()
{
    Combo1->addItem(QStringLiteral("00"));
    Combo6->addItems(twoDigits(0, 23));
    Combo7->addItems(twoDigits(0, 59));
    Combo6->setCurrentIndex(12);
    Combo7->setCurrentIndex(0);
    Combo1->setCurrentIndex(0);
    Option1->setChecked(true);
    const QDateTime now = m_ctx.clock->now();
    MonthView1->setSelectedDate(now.date());
    // Setting the hour and minute recomputes: the window opens on the current minute, 0 0 0.
    Combo6->setCurrentIndex(now.time().hour());
    Combo7->setCurrentIndex(now.time().minute());
    CALCUL();
}

void Mise_even::CALCUL()
{
    const QDateTime now = m_ctx.clock->now();
    if (Combo7->currentIndex() < 0)
        Combo7->setCurrentIndex(0);
    m_countdown = kwf::CALCUL(now, MonthView1->selectedDate(), Combo6->currentText().toInt(),
                              Combo7->currentText().toInt(), Check1[0]->isChecked(), Check1[2]->isChecked());
    Text13->setText(m_countdown.dayText);
    Text14->setText(m_countdown.hourText);
    Text15->setText(m_countdown.minuteText);
}

void Mise_even::Check1_Click(int index)
{
    // At most one answer per question: ticking one unticks its partner (0 with 1, 2 with 3).
    if (Check1[size_t(index)]->isChecked())
        Check1[size_t(index ^ 1)]->setChecked(false);
    CALCUL();
}

void Mise_even::ECRI_MAN_DS_COMBO_Click()
{
    Tqvbase& t = *m_ctx.tqv;
    runDeviceCommand(t, command::kEventWrite, [&] {
        // The counts of the last recomputation are sent as they stand.
        const std::array<quint8, 16> block =
            eventBlock(MonthView1->selectedDate(), Combo6->currentText().toInt(), Combo7->currentText().toInt(),
                       m_countdown, Option1->isChecked());
        return ECRI_RELAIS2(t, block);
    }, QString::fromUtf8(msg::kEventDone));
}

} // namespace kwf

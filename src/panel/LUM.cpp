#include "panel/LUM.h"
#include "core/AppContext.h"
#include "core/DeviceCommand.h"
#include "core/DisplayOps.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

namespace kwf {

static QRadioButton* radio(QWidget* parent, const char* name, const char* text)
{
    auto* b = new QRadioButton(QString::fromUtf8(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

LUM::LUM(const AppContext& ctx) : m_tqv(*ctx.tqv)
{
    setWindowTitle(QStringLiteral("Luminosité"));

    Text1 = new QLineEdit(QStringLiteral("Commutation JOUR/NUIT"), this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    Text1->setAlignment(Qt::AlignCenter);
    QFont f = Text1->font();
    f.setBold(true);
    Text1->setFont(f);

    Option1_6 = radio(this, "Option1_6", "Jour Nuit automatique par capteur");
    Option1_2 = radio(this, "Option1_2", "Force la luminosité à 20%");
    Option1_1 = radio(this, "Option1_1", "Force la luminosité à 100%");
    auto* modes = new QButtonGroup(this);
    for (QRadioButton* b : {Option1_6, Option1_2, Option1_1})
        modes->addButton(b);
    Option1_1->setChecked(true);

    Frame1 = new QGroupBox(QStringLiteral("Sensibilité de détection"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Option2_0 = radio(Frame1, "Option2_0", "Rapide");
    Option2_1 = radio(Frame1, "Option2_1", "Lente");
    Option2_0->setChecked(true);
    auto* frameLayout = new QVBoxLayout(Frame1);
    frameLayout->addWidget(Option2_0);
    frameLayout->addWidget(Option2_1);

    Slider2 = new QSlider(Qt::Horizontal, this);
    Slider2->setObjectName(QStringLiteral("Slider2"));
    Slider2->setRange(brightness::kLevelMin, brightness::kLevelMax);
    Slider2->setValue(brightness::kLevelDefault);
    Slider2->setPageStep(1);
    Slider2->setTickPosition(QSlider::TicksBelow);
    Slider2->setTickInterval(1);
    Slider2->setToolTip(QStringLiteral("5 par défaut"));
    Slider2Value = new QLabel(QString::number(Slider2->value()), this);
    Slider2Value->setObjectName(QStringLiteral("Slider2Value"));
    Slider2Value->setMinimumWidth(Slider2Value->fontMetrics().horizontalAdvance(QStringLiteral("000")));
    Slider2Value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(Slider2, &QSlider::valueChanged, Slider2Value, [this](int v) { Slider2Value->setNum(v); });

    ENVOI_LUM = new QPushButton(QStringLiteral("Envoi"), this);
    ENVOI_LUM->setObjectName(QStringLiteral("ENVOI_LUM"));
    ENVOI_LUM->setToolTip(QStringLiteral("Programmation Luminosité."));
    Command1 = new QPushButton(QStringLiteral("Lecture"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    connect(ENVOI_LUM, &QPushButton::clicked, this, [this] { ENVOI_LUM_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });

    auto* sliderRow = new QHBoxLayout;
    sliderRow->addWidget(Slider2, 1);
    sliderRow->addWidget(Slider2Value);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ENVOI_LUM);
    buttons->addWidget(Command1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Text1);
    layout->addWidget(Option1_6);
    layout->addWidget(Option1_2);
    layout->addWidget(Option1_1);
    layout->addWidget(Frame1);
    layout->addLayout(sliderRow);
    layout->addLayout(buttons);
}

quint8 LUM::modeByte() const
{
    return brightness::modeByte(Option1_6->isChecked(), Option1_2->isChecked(), Option1_1->isChecked());
}

quint8 LUM::sensitivityByte() const
{
    return brightness::sensitivityByte(Option2_0->isChecked(), Option2_1->isChecked());
}

void LUM::ENVOI_LUM_Click()
{
    runDeviceCommand(m_tqv, command::kBrightnessWrite, [this] {
        return ECRI_BLOC(m_tqv, modeByte(), quint8(Slider2->value()), sensitivityByte(), 0, 0);
    }, QString::fromUtf8(msg::kBrightnessDone));
}

void LUM::Command1_Click()
{
    runDeviceCommand(m_tqv, command::kBrightnessRead, [this] {
        return readBrightness(m_tqv).result;
    }, QString::fromUtf8(msg::kReadingDone));
}

} // namespace kwf

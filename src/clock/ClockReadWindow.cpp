#include "clock/ClockReadWindow.h"
#include "core/AppContext.h"
#include "core/ClockSync.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kwf {

static QLabel* courierLabel(QWidget* parent, const char* name, const char* tip)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    QFont f(QStringLiteral("Courier"));
    f.setStyleHint(QFont::TypeWriter);
    f.setPointSize(11);
    f.setBold(true);
    l->setFont(f);
    l->setToolTip(QString::fromUtf8(tip));
    l->setAlignment(Qt::AlignCenter);
    l->setMinimumWidth(QFontMetrics(f).horizontalAdvance(QStringLiteral("00 / 00 / 00")) + 8);
    return l;
}

ClockReadWindow::ClockReadWindow(const AppContext& ctx, const Names& names)
    : QWidget(nullptr), m_ctx(ctx), m_names(names)
{
    setWindowTitle(QString::fromUtf8(names.caption));
    auto* top = new QVBoxLayout(this);
    m_frame = new QGroupBox(this);
    m_frame->setObjectName(QString::fromLatin1(names.frame));
    m_frame->setToolTip(QStringLiteral("Heure & date système"));
    top->addWidget(m_frame);

    m_button = new QPushButton(QStringLiteral("Lecture"), m_frame);
    m_button->setObjectName(QString::fromLatin1(names.button));
    m_button->setToolTip(QString::fromUtf8(names.buttonTip));
    m_time = courierLabel(m_frame, names.timeLabel, "Heure système.");
    m_date = courierLabel(m_frame, names.dateLabel, "Date système.");

    auto* row = new QHBoxLayout(m_frame);
    auto* labels = new QVBoxLayout;
    labels->addWidget(m_time);
    if (names.measuresOffset) {
        m_offset = new QLabel(m_frame);
        m_offset->setObjectName(QStringLiteral("LabelEcart"));
        m_offset->setToolTip(QStringLiteral("Afficheur moins PC : positif quand l'afficheur avance."));
        m_offset->setAlignment(Qt::AlignCenter);
        labels->addWidget(m_offset);
    }
    labels->addWidget(m_date);
    row->addLayout(labels);
    row->addWidget(m_button);

    connect(m_button, &QPushButton::clicked, this, [this] { read(); });
}

void ClockReadWindow::read()
{
    // A reading starts from empty labels, so a failure never leaves an older result behind.
    m_date->clear();
    m_time->clear();
    if (m_offset)
        m_offset->clear();
    Tqvbase& t = *m_ctx.tqv;
    std::optional<OffsetMeasurement> measured;
    const CommandOutcome o = runDeviceCommand(t, *m_names.command, [&] {
        ClockReading r;
        if (m_offset) {
            measured = measureOffset(t);
            r = {measured->result, measured->image};
        } else {
            r = m_names.read(t);
        }
        if (r.image) {
            m_time->setText(r.image->timeText());
            m_date->setText(r.image->dateText());
        }
        return r.result;
    }, QString::fromUtf8(m_names.successText));
    // The offset only once every answer has passed its checks.
    if (measured && measured->offsetS && o.success()) {
        m_offset->setText(offsetLine(*measured->offsetS));
        recordDrift(m_ctx, {measured->at.toUTC(), measured->offsetS});
    }
}

} // namespace kwf

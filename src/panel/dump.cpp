#include "panel/dump.h"
#include "core/AppContext.h"
#include "core/SwitchOps.h"
#include "core/Tqvbase.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace kwf {

namespace {

const QColor kOnColour(0, 255, 0);
const QColor kOffColour(255, 255, 255);
// A grid box whose text is not a plain one-byte hexadecimal number, marked before it is sent.
const QColor kSuspectColour(255, 176, 64);

// What each switch selects, switch 1 first; an empty line for a switch without a use.
const char* const kSw2Descriptions[8] = {
    "1 ON=Luminosité sauvée // OFF par DIP", "", "", "", "",
    "6 ON= +2 secondes d'alternace", "7 ON= +4 secondes d'alternace", "8 ON= +8 secondes d'alternace"};
const char* const kSw3Descriptions[8] = {
    "  1 ON TEST USINE ", "  2 ON=6Digits // OFF=4Digits", "  3 ON H-20.59 Nbr d'heure minute à rebours",
    "  4 ON H-3960 Nbr d'heure à rebours", "  5 ON J-165 Nbr de jour à rebours", "  6 ON DATE",
    "  7 ON HEURE", "  8 ON=DCF //  OFF=PC"};

constexpr int kOn = 0;
constexpr int kOff = 1;

void setBase(QLineEdit* box, const QColor& c)
{
    QPalette p = box->palette();
    p.setColor(QPalette::Base, c);
    box->setPalette(p);
}

QLabel* centred(const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

} // namespace

dump::dump(const AppContext& ctx) : QWidget(nullptr), m_tqv(*ctx.tqv)
{
    setWindowTitle(QStringLiteral(" Configuration d'affichage."));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->setSpacing(4);

    // Switch part: bank "SW2" on the left, bank "SW3" on the right, each with its descriptions
    // under it, switch 8 at the top.
    auto* banks = new QHBoxLayout;
    banks->setSpacing(10);
    auto column = [this](QGroupBox* frame, QPushButton* button, std::array<QLineEdit*, 8>& boxes,
                         const char* boxName, const char* const* texts) {
        auto* col = new QVBoxLayout;
        col->setSpacing(0);
        auto* top = new QHBoxLayout;
        top->addWidget(frame);
        top->addStretch(1);
        top->addWidget(button, 0, Qt::AlignBottom);
        col->addLayout(top);
        col->addSpacing(2);
        for (int i = 0; i < 8; ++i) {
            auto* box = new QLineEdit(QString::fromUtf8(texts[i]), this);
            box->setObjectName(QStringLiteral("%1_%2").arg(QLatin1String(boxName)).arg(i));
            box->setReadOnly(true);
            box->setFocusPolicy(Qt::NoFocus);
            box->setCursor(Qt::PointingHandCursor);
            box->setFixedHeight(18);
            box->setMinimumWidth(300);
            box->installEventFilter(this);
            setBase(box, kOffColour);
            boxes[i] = box;
        }
        for (int i = 7; i >= 0; --i)
            col->addWidget(boxes[i]);
        return col;
    };
    Frame2 = buildBank(QStringLiteral("SW2"), SW2, "SW2");
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Frame1 = buildBank(QStringLiteral("SW3"), SW1, "SW1");
    Frame1->setObjectName(QStringLiteral("Frame1"));
    LIT_SW = new QPushButton(QStringLiteral("Lire la position des microswitches"), this);
    LIT_SW->setObjectName(QStringLiteral("LIT_SW"));
    LIT_SW->setToolTip(QStringLiteral("Lecture."));
    ENVOI_SW = new QPushButton(QStringLiteral("Envoi la position des microswitches"), this);
    ENVOI_SW->setObjectName(QStringLiteral("ENVOI_SW"));
    ENVOI_SW->setToolTip(QStringLiteral("Programmation."));
    banks->addLayout(column(Frame2, LIT_SW, Text2, "Text2", kSw2Descriptions));
    banks->addLayout(column(Frame1, ENVOI_SW, Text3, "Text3", kSw3Descriptions));
    outer->addLayout(banks);

    // Register grid, hidden until the "SW3" frame is double-clicked.
    gridPart = new QWidget(this);
    gridPart->setObjectName(QStringLiteral("gridPart"));
    auto* gl = new QVBoxLayout(gridPart);
    gl->setContentsMargins(0, 6, 0, 0);
    gl->setSpacing(4);
    gl->addWidget(new QLabel(QStringLiteral(" Image des 64 Rrgistres du DS1307 embarqué."), gridPart));
    auto* cells = new QGridLayout;
    cells->setHorizontalSpacing(2);
    cells->setVerticalSpacing(2);
    for (int c = 0; c < 16; ++c)
        cells->addWidget(centred(QString::number(c, 16).toUpper(), gridPart), 0, c + 1);
    for (int r = 0; r < 4; ++r)
        cells->addWidget(new QLabel(QStringLiteral("%1xh").arg(r), gridPart), r + 1, 0);
    for (int n = 0; n < 65; ++n) {
        auto* box = new QLineEdit(gridPart);
        box->setObjectName(QStringLiteral("Text1_%1").arg(n));
        box->setAlignment(Qt::AlignCenter);
        box->setFixedSize(34, 20);
        // A suspect value loses its mark as soon as the box changes.
        connect(box, &QLineEdit::textChanged, this, [box] { box->setPalette(QPalette()); });
        Text1[n] = box;
        if (n < 64)
            cells->addWidget(box, n / 16 + 1, n % 16 + 1);
    }
    Text1[64]->setText(QStringLiteral("0"));
    cells->setColumnStretch(17, 1);
    gl->addLayout(cells);

    Command1 = new QPushButton(QStringLiteral("Lire "), gridPart);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setToolTip(QStringLiteral("Lecture EEPROM du panneau."));
    Command2 = new QPushButton(QStringLiteral("Remplissage  "), gridPart);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command3 = new QPushButton(QStringLiteral("FILL "), gridPart);
    Command3->setObjectName(QStringLiteral("Command3"));
    ENVOI_4DIGITCOUL = new QPushButton(QStringLiteral("Envoi"), gridPart);
    ENVOI_4DIGITCOUL->setObjectName(QStringLiteral("ENVOI_4DIGITCOUL"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Command1);
    buttons->addSpacing(12);
    buttons->addWidget(Text1[64]);
    buttons->addWidget(Command2);
    buttons->addSpacing(12);
    buttons->addWidget(Command3);
    buttons->addStretch(1);
    buttons->addWidget(ENVOI_4DIGITCOUL);
    gl->addLayout(buttons);

    ProgressBar1 = new QProgressBar(gridPart);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, grid::kRegisters - 1);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFixedHeight(16);
    gl->addWidget(ProgressBar1);
    outer->addWidget(gridPart);
    outer->addStretch(1);

    for (int i = 0; i < 8; ++i) {
        connect(SW1[i], &QScrollBar::valueChanged, this, [this, i] { SW1_Change(i); });
        connect(SW2[i], &QScrollBar::valueChanged, this, [this, i] { SW2_Change(i); });
    }
    Frame1->installEventFilter(this);
    Frame2->installEventFilter(this);
    connect(LIT_SW, &QPushButton::clicked, this, [this] { LIT_SW_Click(); });
    connect(ENVOI_SW, &QPushButton::clicked, this, [this] { ENVOI_SW_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(ENVOI_4DIGITCOUL, &QPushButton::clicked, this, [this] { ENVOI_4DIGITCOUL_Click(); });
    Form_Load();
}

QGroupBox* dump::buildBank(const QString& caption, std::array<QScrollBar*, 8>& bars, const char* barName)
{
    auto* frame = new QGroupBox(caption, this);
    auto* g = new QGridLayout(frame);
    g->setContentsMargins(6, 4, 6, 2);
    g->setHorizontalSpacing(4);
    g->setVerticalSpacing(0);
    g->addWidget(new QLabel(QStringLiteral("ON"), frame), 0, 0, Qt::AlignTop);
    for (int i = 0; i < 8; ++i) {
        auto* bar = new QScrollBar(Qt::Vertical, frame);
        bar->setObjectName(QStringLiteral("%1_%2").arg(QLatin1String(barName)).arg(i));
        bar->setRange(0, 1);
        bar->setSingleStep(1);
        bar->setPageStep(1);
        bar->setValue(kOff);
        bar->setFixedSize(16, 60);
        bars[i] = bar;
        g->addWidget(bar, 0, i + 1, Qt::AlignHCenter);
        g->addWidget(centred(QString::number(i + 1), frame), 1, i + 1);
    }
    return frame;
}

void dump::Form_Load()
{
    // Every switch OFF with a white description, the grid empty and hidden.
    for (int i = 0; i < 8; ++i) {
        SW1[i]->setValue(kOff);
        SW2[i]->setValue(kOff);
        paintSwitch(Text2[i], m_sw2On[size_t(i)], false);
        paintSwitch(Text3[i], m_sw3On[size_t(i)], false);
    }
    showGrid(false);
}

int dump::heightPixels() const
{
    const int twips = m_gridShown ? kHeightWithGrid : kHeightSwitches;
    return qRound(twips * logicalDpiY() / 1440.0);
}

QSize dump::sizeHint() const
{
    // The frame around the window takes its share of the height set in twips.
    const QWidget* sub = parentWidget();
    const int decoration = sub && sub->isVisible() ? sub->height() - height() : 0;
    return {QWidget::sizeHint().width(), heightPixels() - decoration};
}

void dump::applyHeight()
{
    QWidget* target = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (!target)
        target = this;
    target->resize(target->width(), heightPixels());
}

void dump::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    applyHeight();
}

void dump::showGrid(bool shown)
{
    m_gridShown = shown;
    gridPart->setVisible(shown);
    applyHeight();
}

void dump::Frame1_DblClick()
{
    showGrid(true);
}

void dump::Frame2_DblClick()
{
    showGrid(false);
}

bool dump::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonDblClick && (watched == Frame1 || watched == Frame2)) {
        if (watched == Frame1)
            Frame1_DblClick();
        else
            Frame2_DblClick();
        return true;
    }
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick
        || type == QEvent::MouseButtonRelease) {
        for (int i = 0; i < 8; ++i) {
            if (watched != Text2[i] && watched != Text3[i])
                continue;
            // A click toggles on release; the second half of a double click does not toggle again.
            if (type == QEvent::MouseButtonPress) {
                m_releaseAfterDblClick = nullptr;
                return true;
            }
            if (type == QEvent::MouseButtonDblClick) {
                m_releaseAfterDblClick = watched;
                return true;
            }
            if (m_releaseAfterDblClick == watched) {
                m_releaseAfterDblClick = nullptr;
                return true;
            }
            const auto* me = static_cast<QMouseEvent*>(event);
            auto* box = static_cast<QWidget*>(watched);
            if (me->button() == Qt::LeftButton && box->rect().contains(me->position().toPoint())) {
                if (watched == Text2[i])
                    Text2_Click(i);
                else
                    Text3_Click(i);
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void dump::paintSwitch(QLineEdit* box, bool& on, bool value)
{
    on = value;
    setBase(box, value ? kOnColour : kOffColour);
}

void dump::SW1_Change(int index)
{
    paintSwitch(Text3[index], m_sw3On[size_t(index)], SW1[index]->value() == kOn);
}

void dump::SW2_Change(int index)
{
    paintSwitch(Text2[index], m_sw2On[size_t(index)], SW2[index]->value() == kOn);
}

void dump::toggleFromDescription(QLineEdit* box, QScrollBar* bar, bool& on)
{
    paintSwitch(box, on, !on);
    bar->setValue(on ? kOn : kOff);
}

void dump::Text2_Click(int index)
{
    toggleFromDescription(Text2[index], SW2[index], m_sw2On[size_t(index)]);
}

void dump::Text3_Click(int index)
{
    toggleFromDescription(Text3[index], SW1[index], m_sw3On[size_t(index)]);
}

void dump::LIT_SW_Click()
{
    if (!m_tqv.VERIF_PORT())
        return;
    const SwitchReading r = readSwitchImage(m_tqv);
    if (!r.linkOk)
        return;
    for (int i = 0; i < 8; ++i) {
        SW1[i]->setValue(kOff);
        SW2[i]->setValue(kOff);
    }
    for (int i = 0; i < 8; ++i) {
        if (r.image.sw2[i])
            SW2[i]->setValue(kOn);
        if (r.image.sw3[i])
            SW1[i]->setValue(kOn);
    }
}

void dump::ENVOI_SW_Click()
{
    if (!m_tqv.VERIF_PORT())
        return;
    SwitchImage image;
    for (int i = 0; i < 8; ++i) {
        image.sw2[i] = SW2[i]->value() == kOn;
        image.sw3[i] = SW1[i]->value() == kOn;
    }
    writeSwitchImage(m_tqv, image);
}

void dump::setGridProgress(int n)
{
    ProgressBar1->setValue(n);
    // The exchange holds the event loop: paint now so the progress is seen.
    if (ProgressBar1->isVisible())
        ProgressBar1->repaint();
}

void dump::Command1_Click()
{
    // The grid talks to the panel like the switch buttons: only over a validated port.
    if (!m_tqv.VERIF_PORT())
        return;
    for (int n = 0; n < grid::kRegisters; ++n) {
        Text1[n]->clear();
        if (Text1[n]->isVisible())
            Text1[n]->repaint();
    }
    readRegisterGrid(m_tqv, [this](int n, int value) {
        Text1[n]->setText(gridText(value < 0 ? 0 : value));
        if (Text1[n]->isVisible())
            Text1[n]->repaint();
        setGridProgress(n);
    });
}

void dump::Command2_Click()
{
    const QString fill = Text1[64]->text();
    for (int n = 0; n < grid::kRegisters; ++n) {
        Text1[n]->setText(fill);
        ProgressBar1->setValue(n);
    }
}

void dump::Command3_Click()
{
    for (int n = 0; n < grid::kRegisters; ++n) {
        Text1[n]->setText(gridText(n));
        ProgressBar1->setValue(n);
    }
}

void dump::ENVOI_4DIGITCOUL_Click()
{
    if (!m_tqv.VERIF_PORT())
        return;
    // Every box is sent; one that is not a plain byte is marked first so the slip shows.
    std::array<quint8, grid::kRegisters> values{};
    for (int n = 0; n < grid::kRegisters; ++n) {
        const GridValue g = parseGridText(Text1[n]->text());
        values[n] = g.value;
        if (g.clean)
            Text1[n]->setPalette(QPalette());
        else
            setBase(Text1[n], kSuspectColour);
        if (Text1[n]->isVisible())
            Text1[n]->repaint();
    }
    writeRegisterGrid(m_tqv, values, [this](int n) { setGridProgress(n); });
}

} // namespace kwf

#include "panel/ColourWindow.h"
#include "core/AppContext.h"
#include "core/DeviceCommand.h"
#include "core/DisplayOps.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace kwf {

// ---- ColourDigit ----

ColourDigit* ColourDigit::s_lastClicked = nullptr;

// The sample digits' font. Where Comic Sans MS is missing, a plain sans serif stands in rather
// than whatever script face the system would substitute for it.
static QFont digitFont()
{
    QFont f(QStringLiteral("Comic Sans MS"));
    f.setFamilies({QStringLiteral("Comic Sans MS"), QStringLiteral("DejaVu Sans"), QStringLiteral("Arial"),
                   QStringLiteral("Liberation Sans")});
    f.setStyleHint(QFont::SansSerif);
    f.setPointSize(24);
    f.setBold(true);
    return f;
}

static QColor rgbColor(quint32 rgb)
{
    return QColor(int((rgb >> 16) & 0xFF), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
}

ColourDigit::ColourDigit(const QString& caption, QWidget* parent) : QLabel(caption, parent)
{
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, rgbColor(colours::kBackgroundRgb));
    setPalette(p);
    const QFont f = digitFont();
    setFont(f);
    setAlignment(Qt::AlignCenter);
    // Every digit gets a full slot, blanks included.
    const QFontMetrics fm(f);
    setMinimumSize(fm.horizontalAdvance(QStringLiteral("8.")) + 6, fm.height() + 8);
}

ColourDigit::~ColourDigit()
{
    if (s_lastClicked == this)
        s_lastClicked = nullptr;
}

quint32 ColourDigit::textRgb() const
{
    return palette().color(QPalette::WindowText).rgb() & 0xFFFFFF;
}

void ColourDigit::setTextRgb(quint32 rgb)
{
    QPalette p = palette();
    p.setColor(QPalette::WindowText, rgbColor(rgb));
    setPalette(p);
}

void ColourDigit::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        QLabel::mousePressEvent(e);
        return;
    }
    m_pressed = true;
    if (s_lastClicked != this)
        s_lastClicked = nullptr;
    e->accept();
}

void ColourDigit::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || !m_pressed) {
        // Also the release that ends a double click: it is not a click of its own.
        m_pressed = false;
        e->accept();
        return;
    }
    m_pressed = false;
    e->accept();
    if (!rect().contains(e->position().toPoint()))
        return;
    s_lastClicked = this;
    emit clicked();
}

void ColourDigit::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        QLabel::mouseDoubleClickEvent(e);
        return;
    }
    e->accept();
    m_pressed = false;
    const bool followsClick = s_lastClicked == this;
    s_lastClicked = nullptr;
    if (!followsClick)
        emit clickBeforeDoubleClickMissing();
    emit doubleClicked();
}

// ---- ColourWindow ----

ColourWindow::ColourWindow(const AppContext& ctx, colours::Board board, const QString& title,
                           const QString& instruction, const std::vector<Row>& rows)
    : m_tqv(*ctx.tqv), m_board(board)
{
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);

    auto* label1 = new QLabel(instruction, this);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setWordWrap(true);
    layout->addWidget(label1);

    const colours::Codes designed = colours::designedCodes(board);
    m_digits.assign(size_t(colours::labelCount(board)) + 1, nullptr);
    m_codes.assign(m_digits.size(), colours::kOther);
    int digitIndex = 0;
    int separatorIndex = 0;
    int rowIndex = 0;
    for (const Row& row : rows) {
        ++rowIndex;
        auto* shape = new QFrame(this);
        shape->setObjectName(QStringLiteral("Shape1_%1").arg(rowIndex));
        shape->setFrameShape(QFrame::Box);
        shape->setLineWidth(2);
        shape->setAutoFillBackground(true);
        QPalette sp = shape->palette();
        sp.setColor(QPalette::Window, rgbColor(colours::kBackgroundRgb));
        sp.setColor(QPalette::WindowText, QColor(0, 0, 0));
        shape->setPalette(sp);
        auto* rowLayout = new QHBoxLayout(shape);
        rowLayout->setContentsMargins(6, 4, 6, 4);
        rowLayout->setSpacing(0);
        for (size_t i = 0; i < row.captions.size(); ++i) {
            if (i > 0 && i % 2 == 0 && i / 2 - 1 < row.separators.size()) {
                const QString text = QString::fromUtf8(row.separators[i / 2 - 1]);
                auto* sep = new QLabel(text, shape);
                sep->setObjectName(QStringLiteral("Label3_%1").arg(++separatorIndex));
                sep->setAutoFillBackground(true);
                QPalette p = sep->palette();
                p.setColor(QPalette::Window, rgbColor(colours::kBackgroundRgb));
                p.setColor(QPalette::WindowText, QColor(224, 224, 224));
                sep->setPalette(p);
                sep->setFont(digitFont());
                sep->setAlignment(Qt::AlignCenter);
                sep->setMinimumWidth(12);
                rowLayout->addWidget(sep);
            }
            auto* d = new ColourDigit(QString::fromUtf8(row.captions[i]), shape);
            const int index = ++digitIndex;
            d->setObjectName(QStringLiteral("Label2_%1").arg(index));
            d->setTextRgb(colours::rgbOfCode(designed[size_t(index)]));
            m_digits[size_t(index)] = d;
            m_codes[size_t(index)] = designed[size_t(index)];
            connect(d, &ColourDigit::clicked, this, [this, index] { Label2_Click(index); });
            connect(d, &ColourDigit::clickBeforeDoubleClickMissing, this, [this, index] { Label2_Click(index); });
            connect(d, &ColourDigit::doubleClicked, this, [this, index] { Label2_DblClick(index); });
            rowLayout->addWidget(d);
        }
        auto* centred = new QHBoxLayout;
        centred->addStretch(1);
        centred->addWidget(shape);
        centred->addStretch(1);
        layout->addLayout(centred);
    }

    auto* label4 = new QLabel(QStringLiteral("Le masque 23:59.46 est le même que J-109"), this);
    label4->setObjectName(QStringLiteral("Label4"));
    auto* label5 = new QLabel(QStringLiteral("Le masque 24.12.08 est le même que H-2616"), this);
    label5->setObjectName(QStringLiteral("Label5"));
    layout->addWidget(label4);
    layout->addWidget(label5);

    ENVOI_6DIGITCOUL = new QPushButton(QStringLiteral("Envoi"), this);
    ENVOI_6DIGITCOUL->setObjectName(QStringLiteral("ENVOI_6DIGITCOUL"));
    ENVOI_6DIGITCOUL->setToolTip(QStringLiteral("Envoi des paramètres couleur au panneau."));
    connect(ENVOI_6DIGITCOUL, &QPushButton::clicked, this, [this] { ENVOI_6DIGITCOUL_Click(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ENVOI_6DIGITCOUL);
    layout->addLayout(buttons);
}

void ColourWindow::applyCodes(const colours::Codes& next)
{
    // A code with no colour of its own leaves the digit (and its code) as it was.
    for (size_t i = 1; i < m_digits.size() && i < next.size(); ++i) {
        if (!m_digits[i] || next[i] == m_codes[i] || colours::rgbOfCode(next[i]) == 0)
            continue;
        m_codes[i] = next[i];
        m_digits[i]->setTextRgb(colours::rgbOfCode(next[i]));
    }
}

void ColourWindow::Label2_Click(int index)
{
    colours::Codes c = codes();
    colours::click(m_board, c, index);
    applyCodes(c);
}

void ColourWindow::Label2_DblClick(int index)
{
    // The click before it has made the first step; this is the second.
    Label2_Click(index);
}

void ColourWindow::ENVOI_6DIGITCOUL_Click()
{
    const colours::Block b = colours::blockOf(m_board, codes());
    // The block goes out whatever the link test says (it may have shown its own message).
    runDeviceCommand(m_tqv, m_board == colours::Board::Clock ? command::kClockColours : command::kCountdownColours,
                     [&] { return ECRI_BLOC(m_tqv, b.p1, b.p2, b.p3, b.p4, b.subCode); },
                     QString::fromUtf8(msg::kColourDone));
}

} // namespace kwf

#include "link/DETECT.h"
#include "core/AppContext.h"
#include "core/DetectOps.h"
#include "core/LinkSettings.h"
#include "core/SerialPort.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace kwf {

namespace {
constexpr int kRows = kDetectLastPort - kDetectFirstPort + 1;
const QColor kGreen(0, 255, 0);
const QColor kWhite(255, 255, 255);

void setBackground(QLabel* label, bool green)
{
    QPalette p = label->palette();
    p.setColor(QPalette::Window, green ? kGreen : kWhite);
    p.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(p);
}
} // namespace

DETECT::DETECT(const AppContext& ctx)
    : QWidget(nullptr), m_ctx(ctx)
{
    setObjectName(QStringLiteral("DETECT"));
    setWindowTitle(QStringLiteral("Détection."));
    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    for (int index = 1; index <= 3 * kRows; ++index) {
        const int row = (index - 1) % kRows;
        const int column = (index - 1) / kRows;
        auto* l = new QLabel(this);
        l->setObjectName(QStringLiteral("Label1_%1").arg(index));
        l->setAutoFillBackground(true);
        l->setFrameShape(QFrame::Box);
        l->setMinimumWidth(column == 0 ? 70 : 90);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        l->setText(column == 0 ? QStringLiteral("COM%1:").arg(row + 1) : QStringLiteral(" "));
        setBackground(l, false);
        grid->addWidget(l, row, column);
        m_labels[index] = l;
    }
    Command1 = new QPushButton(QStringLiteral("Détection"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setToolTip(QStringLiteral("Recherche des ports COMs disponibles et d'une horloge connectée."));
    grid->addWidget(Command1, kRows, 0, 1, 3);
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    refreshToolTips();
}

QLabel* DETECT::Label1(int index) const
{
    return index >= 1 && index <= 3 * kRows ? m_labels[index] : nullptr;
}

void DETECT::showRow(int port, const DetectRowLook& look)
{
    QLabel* name = Label1(port);
    QLabel* state = Label1(port + kRows);
    QLabel* panel = Label1(port + 2 * kRows);
    name->setText(look.name);
    state->setText(look.state);
    panel->setText(look.panel);
    setBackground(name, look.nameGreen);
    setBackground(state, look.stateGreen);
    setBackground(panel, look.panelGreen);
    // The scan holds the event loop: paint the row now so that the table fills in as it goes.
    for (QLabel* l : {name, state, panel})
        l->repaint();
}

void DETECT::refreshToolTips()
{
    // Which device and adapter are behind each port name (adapters and links may have changed).
    const PortDirectory ports = refreshedPorts(m_ctx);
    for (int n = kDetectFirstPort; n <= kDetectLastPort; ++n)
        Label1(n)->setToolTip(ports.resolve(n).toolTip());
}

void DETECT::Command1_Click()
{
    if (m_ctx.tqv->busy())
        return;   // an exchange holds the port
    refreshToolTips();
    const PortDirectory ports = portDirectoryOf(m_ctx);
    for (int n = kDetectFirstPort; n <= kDetectLastPort; ++n)
        showRow(n, detectRowReset(n));
    DetectHooks hooks;
    hooks.testing = [this](int n) { showRow(n, detectRowLook(n, PortFinding::Testing)); };
    hooks.opened = [this](int n) { showRow(n, detectRowLook(n, PortFinding::Probing)); };
    hooks.done = [this](const PortProbe& p) { showRow(p.port, detectRowLook(p.port, p.finding)); };
    scanPorts(*m_ctx.tqv, ports, hooks);
    // The link was dropped: every device function refuses until the settings are validated again.
    m_ctx.link->portValide = false;
}

} // namespace kwf

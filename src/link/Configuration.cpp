#include "link/Configuration.h"
#include "ui/Shell.h"
#include "core/AppContext.h"
#include "core/LinkSettings.h"
#include "core/SerialPort.h"
#include "core/Tqvbase.h"
#include "core/UiServices.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>

namespace kwf {

namespace {
QComboBox* addSelector(QGridLayout* grid, QWidget* parent, int row, const char* name, const char* label)
{
    auto* l = new QLabel(QString::fromUtf8(label), parent);
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setAccessibleName(l->text().trimmed());
    l->setBuddy(c);
    grid->addWidget(l, row, 0);
    grid->addWidget(c, row, 1);
    return c;
}
} // namespace

Configuration::Configuration(const AppContext& ctx, Shell& shell)
    : QWidget(nullptr), m_shell(shell), m_ctx(ctx)
{
    setObjectName(QStringLiteral("CONFIGURATION"));
    setWindowTitle(QStringLiteral("Configuration."));
    auto* grid = new QGridLayout(this);
    SEL_COM = addSelector(grid, this, 0, "SEL_COM", " Port");
    SEL_INTER = addSelector(grid, this, 1, "SEL_INTER", " Interface");
    SEL_NBR_DIGI = addSelector(grid, this, 2, "SEL_NBR_DIGI", "Nombre de digits");
    SEL_COUL = addSelector(grid, this, 3, "SEL_COUL", "Couleur des digits");
    SEL_DCF77 = addSelector(grid, this, 4, "SEL_DCF77", "Option DCF77");
    SEL_REL1 = addSelector(grid, this, 5, "SEL_REL1", "Option Relais 1");
    SEL_REL2 = addSelector(grid, this, 6, "SEL_REL2", "Événement");
    SEL_REP = addSelector(grid, this, 7, "SEL_REP", "Controle réponses");
    BOUTON_VALIDE = new QPushButton(QStringLiteral("Valider la configuration"), this);
    BOUTON_VALIDE->setObjectName(QStringLiteral("BOUTON_VALIDE"));
    grid->addWidget(BOUTON_VALIDE, 8, 0, 1, 2);
    Label1 = new QLabel(QStringLiteral("Label1"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->installEventFilter(this);
    grid->addWidget(Label1, 9, 0, 1, 2);
    Form_Load();
    showPortToolTips(refreshedPorts(m_ctx));
    for (QComboBox* c : {SEL_COM, SEL_INTER, SEL_NBR_DIGI, SEL_COUL, SEL_DCF77, SEL_REL1, SEL_REL2, SEL_REP})
        connect(c, &QComboBox::currentIndexChanged, this, [this] { syncModel(); });
    connect(BOUTON_VALIDE, &QPushButton::clicked, this, [this] { OUVERTURE_DU_COM(); });
}

Configuration::~Configuration()
{
    // The port goes with the settings window; every setting is back at its default.
    if (m_ctx.port && m_ctx.port->isOpen())
        m_ctx.port->close();
    if (m_ctx.link)
        m_ctx.link->reset();
}

void Configuration::Form_Load()
{
    SEL_COM->addItems(lists::ports());
    SEL_INTER->addItems(lists::interfaces());
    SEL_NBR_DIGI->addItems(lists::digits());
    SEL_COUL->addItems(lists::colours());
    for (QComboBox* c : {SEL_DCF77, SEL_REL1, SEL_REL2, SEL_REP})
        c->addItems(lists::yesNo());
    for (QComboBox* c : {SEL_COM, SEL_INTER, SEL_NBR_DIGI, SEL_COUL, SEL_DCF77, SEL_REL1, SEL_REL2, SEL_REP})
        c->setCurrentIndex(0);
    m_ctx.link->reset();
    syncModel();
}

void Configuration::showPortToolTips(const PortDirectory& ports)
{
    for (int i = 0; i < SEL_COM->count(); ++i)
        SEL_COM->setItemData(i, ports.resolve(portNumberFromText(SEL_COM->itemText(i))).toolTip(), Qt::ToolTipRole);
}

void Configuration::syncModel()
{
    LinkSettings& s = m_ctx.link->settings;
    s.port = SEL_COM->currentText();
    s.interface = SEL_INTER->currentText();
    s.digits = SEL_NBR_DIGI->currentText();
    s.colour = SEL_COUL->currentText();
    s.dcf77 = SEL_DCF77->currentText();
    s.relay1 = SEL_REL1->currentText();
    s.event = SEL_REL2->currentText();
    s.response = SEL_REP->currentText();
}

void Configuration::OUVERTURE_DU_COM()
{
    if (m_ctx.tqv && m_ctx.tqv->busy())
        return;   // the port stays with the exchange that holds it
    syncModel();
    const PortDirectory ports = refreshedPorts(m_ctx);
    showPortToolTips(ports);
    const PortOpening r = openLinkPort(*m_ctx.port, *m_ctx.link, ports);
    if (!r.opened) {
        // Nothing else changes: menus, windows and this window stay as they are.
        m_shell.updatePortStatus();
        // What to do about it (rights, another program) first; then the refusal itself.
        if (!r.detail.isEmpty())
            m_ctx.ui->message(r.detail, MsgIcon::Exclamation);
        m_ctx.ui->message(r.message, MsgIcon::Critical);
        return;
    }
    // The status bar names the open port while its message is up.
    m_shell.updatePortStatus();
    m_ctx.ui->message(r.message, MsgIcon::Information);
    for (const char* name : {"COUL6", "COUL66", "LecturH", "DER_MiseH", "LUM"})
        m_shell.unloadWindow(QString::fromLatin1(name));
    const MenuState menus = menuStateAfterValidation(m_ctx.link->settings, m_shell.menuState());
    m_shell.applyMenuState(menus);
    for (int relay = 1; relay <= 2; ++relay)
        if (RelayValues* w = m_shell.relayValues(relay))
            w->setReadingOffered(menus.relayRead);
    emit portValidated();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        sub->showMinimized();
    else
        showMinimized();
}

bool Configuration::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label1 && event->type() == QEvent::MouseButtonRelease)
        Label1->clear();
    return QWidget::eventFilter(watched, event);
}

std::array<QComboBox*, 8> Configuration::selectors() const
{
    return {SEL_COM, SEL_INTER, SEL_NBR_DIGI, SEL_COUL, SEL_DCF77, SEL_REL1, SEL_REL2, SEL_REP};
}

std::array<int, 8> Configuration::selectorIndexes() const
{
    std::array<int, 8> indexes{};
    const auto sel = selectors();
    for (size_t i = 0; i < sel.size(); ++i)
        indexes[i] = sel[i]->currentIndex();
    return indexes;
}

void Configuration::setSelectorIndexes(const std::array<int, 8>& indexes)
{
    const auto sel = selectors();
    for (size_t i = 0; i < sel.size(); ++i)
        sel[i]->setCurrentIndex(indexes[i]);
}

LinkSettings Configuration::selectorTexts() const
{
    LinkSettings texts;
    texts.port = SEL_COM->currentText();
    texts.interface = SEL_INTER->currentText();
    texts.digits = SEL_NBR_DIGI->currentText();
    texts.colour = SEL_COUL->currentText();
    texts.dcf77 = SEL_DCF77->currentText();
    texts.relay1 = SEL_REL1->currentText();
    texts.event = SEL_REL2->currentText();
    texts.response = SEL_REP->currentText();
    return texts;
}

} // namespace kwf

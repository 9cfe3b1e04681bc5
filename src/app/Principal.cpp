#include "app/Principal.h"
#include "core/SerialPort.h"
#include "core/UiServices.h"
#include "app/JournalWindow.h"
#include "core/Clock.h"
#include "core/Frames.h"
#include "core/Tqvbase.h"
#include "link/Configuration.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>
#include <QCloseEvent>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>

namespace kwf {

// Shows in the status bar what an exchange sends, with a busy cursor until the handler that
// runs it returns to the event loop.
class Principal::StatusObserver : public ExchangeObserver {
public:
    explicit StatusObserver(Principal& p) : m_p(p) {}
    void operationStarted(const QString& name) override { m_operation = name; busy(); }
    void frameWritten(const QByteArray& frame, bool) override
    {
        busy();
        QString op = m_operation.isEmpty() ? QString() : m_operation + QStringLiteral(" : ");
        m_p.m_statusLabel->setText(QStringLiteral("Envoi %1%2").arg(op, QString::fromLatin1(hexBytes(frame))));
        m_p.m_statusLabel->repaint();
    }
    void operationFinished(const QString&) override { m_operation.clear(); }

private:
    void busy()
    {
        if (m_busy)
            return;
        m_busy = true;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        // Runs once the handler that started the exchange gives control back.
        QTimer::singleShot(0, &m_p, [this] {
            m_busy = false;
            QApplication::restoreOverrideCursor();
            m_p.updatePortStatus();
        });
    }
    Principal& m_p;
    QString m_operation;
    bool m_busy = false;
};

Principal::Principal(const AppContext& ctx, QWidget* parent) : QMainWindow(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("PRINCIPAL"));
    setWindowTitle(QStringLiteral(" AFFICHEURS ELECTRONIQUE Z.O.Z   TQ ÉVÉNEMENT."));
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("MDIClient"));
    m_mdi->setBackground(QColor(128, 128, 128));
    setCentralWidget(m_mdi);
    buildMenus();
    registerWindow(QStringLiteral("CONFIGURATION"), [this]() -> QWidget* { return new Configuration(m_ctx, *this); });
    registerWindow(QStringLiteral("JOURNAL"), [this]() -> QWidget* { return new JournalWindow(m_ctx); });
    registerAllWindows(*this);
    setupStatusBar();
}

Principal::~Principal()
{
    if (m_ctx.tqv)
        m_ctx.tqv->removeObserver(m_status.get());
    // Child windows go first, the settings window (which releases the port) with them.
    const auto subs = m_mdi->subWindowList();
    for (QMdiSubWindow* s : subs)
        delete s;
}

void Principal::buildMenus()
{
    struct Item { const char* name; const char* caption; bool on; };
    struct Menu { const char* name; const char* caption; std::vector<Item> items; };
    const std::vector<Menu> menus = {
        {"MENU_FICHIER", "&Fichier", {
            {"MENU_NOUVELLE", "&Nouvelle configuration", true},
            {"MENU_OUVRIR", "&Ouvrir une configuration", true},
            {"MENU_ENREGISTRER", "&Enregistrer une configuration", true},
            {"MENU_QUITTER", "&Quitter", true}}},
        {"MENU_CONFIGURER2", "&Configuration", {
            {"MENU_CONFIGURER", "Configuration", true},
            {"MENU_DETECT", "Détection port COM", true},
            {"MENU_JOURNAL", "Journal des échanges", true}}},
        {"MENU_FENETRE", "&Fenêtre", {
            {"MENU_MISEALH", "&Mise à l'heure", false},
            {"MENU_EVEN", "&Mise à l'heure de l'événement", false},
            {"MENU_LECTURE", "&Lecture de l'heure", false},
            {"MENU_DERMISEH", "Lecture de la dernière mise à l'heure", false},
            {"MENU_DCF77", "Moniteur DCF77", false},
            {"MENU_4COUL", "&Option couleur HEURE / DATE", false},
            {"MENU_6COUL", "&Option couleur J- ,H-, N-", false},
            {"MENU_LUM", "&Luminosité", false},
            {"MENURELAIS1", "Option Relais 1", false},
            {"MENURELAIS2", "Option Relais 2", false},
            {"MENU_DUMP", "& Configuration d'affichage.", true}}},
        {"MENU_Aide_generale", "&?", {
            {"MENU_Aide", "Aide", true}}},
    };
    for (const Menu& m : menus) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(m.caption));
        menu->setObjectName(QString::fromLatin1(m.name));
        menu->menuAction()->setObjectName(QString::fromLatin1(m.name));
        m_actions.insert(QString::fromLatin1(m.name), menu->menuAction());
        for (const Item& it : m.items) {
            QAction* a = menu->addAction(QString::fromUtf8(it.caption));
            a->setObjectName(QString::fromLatin1(it.name));
            a->setEnabled(it.on);
            m_actions.insert(a->objectName(), a);
        }
    }
    auto on = [this](const char* name, std::function<void()> f) {
        connect(m_actions.value(QString::fromLatin1(name)), &QAction::triggered, this, std::move(f));
    };
    on("MENU_NOUVELLE", [this] { MENU_NOUVELLE_Click(); });
    on("MENU_OUVRIR", [this] { if (onOpenConfig) onOpenConfig(); });
    on("MENU_ENREGISTRER", [this] { if (onSaveConfig) onSaveConfig(); });
    on("MENU_QUITTER", [this] { MENU_QUITTER_Click(); });
    on("MENU_CONFIGURER", [this] { MENU_CONFIGURER_Click(); });
    on("MENU_DETECT", [this] { MENU_DETECT_Click(); });
    on("MENU_Aide", [this] { MENU_Aide_Click(); });
    on("MENU_JOURNAL", [this] { showWindow(QStringLiteral("JOURNAL")); });
    const std::vector<std::pair<const char*, const char*>> windows = {
        {"MENU_MISEALH", "MiseaH"}, {"MENU_EVEN", "Mise_even"}, {"MENU_LECTURE", "LecturH"},
        {"MENU_DERMISEH", "DER_MiseH"}, {"MENU_DCF77", "DCF77"}, {"MENU_4COUL", "COUL6"},
        {"MENU_6COUL", "COUL66"}, {"MENU_LUM", "LUM"}, {"MENURELAIS1", "Relais_1"},
        {"MENURELAIS2", "Relais_2"}, {"MENU_DUMP", "dump"}};
    for (const auto& [action, window] : windows) {
        const QString w = QString::fromLatin1(window);
        on(action, [this, w] { showWindow(w); });
    }
}

QAction* Principal::menuAction(const QString& objectName) const
{
    return m_actions.value(objectName);
}

MenuState Principal::menuState() const
{
    MenuState s;
    auto en = [this](const char* n) { QAction* a = menuAction(QString::fromLatin1(n)); return a && a->isEnabled(); };
    s.MENU_4COUL = en("MENU_4COUL");
    s.MENU_6COUL = en("MENU_6COUL");
    s.MENU_LUM = en("MENU_LUM");
    s.MENU_MISEALH = en("MENU_MISEALH");
    s.MENU_LECTURE = en("MENU_LECTURE");
    s.MENU_DERMISEH = en("MENU_DERMISEH");
    s.MENU_DCF77 = en("MENU_DCF77");
    s.MENURELAIS1 = en("MENURELAIS1");
    s.MENURELAIS2 = en("MENURELAIS2");
    s.MENU_EVEN = en("MENU_EVEN");
    s.MENU_FENETRE = en("MENU_FENETRE");
    return s;
}

void Principal::applyMenuState(const MenuState& s)
{
    auto set = [this](const char* n, bool v) {
        if (QAction* a = menuAction(QString::fromLatin1(n)))
            a->setEnabled(v);
    };
    set("MENU_4COUL", s.MENU_4COUL);
    set("MENU_6COUL", s.MENU_6COUL);
    set("MENU_LUM", s.MENU_LUM);
    set("MENU_MISEALH", s.MENU_MISEALH);
    set("MENU_LECTURE", s.MENU_LECTURE);
    set("MENU_DERMISEH", s.MENU_DERMISEH);
    set("MENU_DCF77", s.MENU_DCF77);
    set("MENURELAIS1", s.MENURELAIS1);
    set("MENURELAIS2", s.MENURELAIS2);
    set("MENU_EVEN", s.MENU_EVEN);
    set("MENU_FENETRE", s.MENU_FENETRE);
}

void Principal::registerWindow(const QString& name, Factory factory)
{
    m_factories.insert(name, std::move(factory));
}

QMdiSubWindow* Principal::subWindowOf(QWidget* w) const
{
    return w ? qobject_cast<QMdiSubWindow*>(w->parentWidget()) : nullptr;
}

QWidget* Principal::existingWindow(const QString& name) const
{
    return m_windows.value(name).data();
}

QWidget* Principal::window(const QString& name)
{
    if (QWidget* w = existingWindow(name))
        return w;
    const auto f = m_factories.find(name);
    if (f == m_factories.end())
        return nullptr;
    QWidget* w = (*f)();
    if (!w)
        return nullptr;
    w->setObjectName(name);
    QMdiSubWindow* sub = m_mdi->addSubWindow(w);
    sub->setObjectName(name + QStringLiteral("_frame"));
    // Closing the settings window only hides it: the port stays open with it.
    sub->setAttribute(Qt::WA_DeleteOnClose, name != QLatin1String("CONFIGURATION"));
    sub->setWindowTitle(w->windowTitle());
    sub->hide();
    m_windows.insert(name, w);
    return w;
}

QWidget* Principal::showWindow(const QString& name)
{
    QWidget* w = window(name);
    if (!w)
        return nullptr;
    QMdiSubWindow* sub = subWindowOf(w);
    if (sub) {
        sub->adjustSize();
        sub->showNormal();
        sub->raise();
        m_mdi->setActiveSubWindow(sub);
    }
    w->show();
    return w;
}

void Principal::unloadWindow(const QString& name)
{
    QWidget* w = existingWindow(name);
    if (!w)
        return;
    m_windows.remove(name);
    if (QMdiSubWindow* sub = subWindowOf(w)) {
        m_mdi->removeSubWindow(sub);
        delete sub;
    } else {
        delete w;
    }
}

Configuration* Principal::configuration()
{
    return qobject_cast<Configuration*>(window(QStringLiteral("CONFIGURATION")));
}

void Principal::start()
{
    // Fill the screen even where no window manager honours the maximized state.
    if (QScreen* sc = screen())
        setGeometry(sc->availableGeometry());
    showMaximized();
    if (onStartup)
        onStartup();
    else
        MENU_CONFIGURER_Click();
}

void Principal::MENU_CONFIGURER_Click()
{
    showWindow(QStringLiteral("CONFIGURATION"));
    unloadWindow(QStringLiteral("DETECT"));
}

void Principal::MENU_DETECT_Click()
{
    showWindow(QStringLiteral("DETECT"));
}

void Principal::MENU_NOUVELLE_Click()
{
    // The settings window takes the port and the validated flag with it.
    unloadWindow(QStringLiteral("CONFIGURATION"));
    showWindow(QStringLiteral("CONFIGURATION"));
    updatePortStatus();
}

void Principal::MENU_Aide_Click()
{
    // A missing document or no program to open it: nothing to say.
    m_ctx.ui->openDocument(QDir(m_ctx.programDir).filePath(QStringLiteral("KWF_TQV.doc")));
}

void Principal::MENU_QUITTER_Click()
{
    close();
}

void Principal::closeEvent(QCloseEvent* e)
{
    // End at once, without a question; the port is released with the settings window.
    unloadWindow(QStringLiteral("CONFIGURATION"));
    if (m_ctx.port && m_ctx.port->isOpen())
        m_ctx.port->close();
    e->accept();
    if (onQuit)
        onQuit();
}

} // namespace kwf

namespace kwf {

void Principal::setupStatusBar()
{
    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("STATUS_PORT"));
    statusBar()->addWidget(m_statusLabel, 1);
    m_status = std::make_unique<StatusObserver>(*this);
    if (m_ctx.tqv)
        m_ctx.tqv->addObserver(m_status.get());
    auto* t = new QTimer(this);
    t->setInterval(1000);
    connect(t, &QTimer::timeout, this, [this] { updatePortStatus(); });
    t->start();
    updatePortStatus();
}

QString Principal::portStatusText() const
{
    if (m_ctx.link && m_ctx.port && m_ctx.link->portValide && m_ctx.port->isOpen())
        return QStringLiteral("%1 ouvert %2").arg(m_ctx.link->settings.port, QString::fromLatin1(kLinkLineSettings));
    return QStringLiteral("aucun port validé");
}

void Principal::updatePortStatus()
{
    if (m_statusLabel)
        m_statusLabel->setText(portStatusText());
}

} // namespace kwf

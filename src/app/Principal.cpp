#include "app/Principal.h"
#include "clock/DCF77.h"
#include "core/SerialPort.h"
#include "core/UiServices.h"
#include "app/GuideWindow.h"
#include "app/JournalWindow.h"
#include "core/Clock.h"
#include "core/ExchangeMonitor.h"
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
#include <QThread>

namespace kwf {

// Shows in the status bar each frame an exchange sends; once a command has lasted a second, what
// it is doing and how far it has got. The busy cursor stays while the command runs.
class Principal::StatusObserver : public ExchangeObserver {
public:
    explicit StatusObserver(Principal& p) : m_p(p) {}
    void operationStarted(const QString& name) override { m_operation = name; }
    void frameWritten(const QByteArray& frame, bool) override
    {
        QString op = m_operation.isEmpty() ? QString() : m_operation + QStringLiteral(" : ");
        m_frameText = QStringLiteral("Envoi %1%2").arg(op, QString::fromLatin1(hexBytes(frame)));
        m_p.showExchange();
    }
    void operationFinished(const QString&) override { m_operation.clear(); }
    QString frameText() const { return m_frameText; }

private:
    Principal& m_p;
    QString m_operation;
    QString m_frameText;
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
    registerWindow(QStringLiteral("CONFIGURATION"), [this]() -> QWidget* {
        auto* w = new Configuration(m_ctx, *this);
        // An open DCF77 monitor listens to the port a validation opened.
        connect(w, &Configuration::portValidated, this, [this] {
            if (auto* monitor = qobject_cast<DCF77*>(existingWindow(QStringLiteral("DCF77"))))
                monitor->listen();
        });
        return w;
    });
    registerWindow(QStringLiteral("JOURNAL"), [this]() -> QWidget* { return new JournalWindow(m_ctx); });
    registerAllWindows(*this);
    setupStatusBar();
}

Principal::~Principal()
{
    if (m_ctx.tqv)
        m_ctx.tqv->removeObserver(m_status.get());
    if (m_busyCursor)
        QApplication::restoreOverrideCursor();
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
            {"MENU_SAUVER_PANNEAU", "Sauvegarder le panneau…", true},
            {"MENU_COMPARER_PANNEAU", "Comparer avec le panneau…", true},
            {"MENU_PROGRAMMER_PANNEAU", "Programmer le panneau…", true},
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
    // A menu item triggered while an exchange holds the line (an accessibility action: clicks
    // wait in their queue) does nothing, "Quitter" aside, which ends the program after it.
    auto on = [this](const char* name, std::function<void()> f) {
        const bool quit = qstrcmp(name, "MENU_QUITTER") == 0;
        connect(m_actions.value(QString::fromLatin1(name)), &QAction::triggered, this, [this, quit, f = std::move(f)] {
            if (quit || !exchangeRunning())
                f();
        });
    };
    on("MENU_NOUVELLE", [this] { MENU_NOUVELLE_Click(); });
    on("MENU_OUVRIR", [this] { if (onOpenConfig) onOpenConfig(); });
    on("MENU_ENREGISTRER", [this] { if (onSaveConfig) onSaveConfig(); });
    on("MENU_SAUVER_PANNEAU", [this] { if (onSavePanel) onSavePanel(); });
    on("MENU_COMPARER_PANNEAU", [this] { if (onComparePanel) onComparePanel(); });
    on("MENU_PROGRAMMER_PANNEAU", [this] { if (onProgramPanel) onProgramPanel(); });
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
    sub->installEventFilter(this);
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

bool Principal::eventFilter(QObject* watched, QEvent* e)
{
    // A child window stays while an exchange runs: its own handler may be the one waiting.
    if (e->type() == QEvent::Close && exchangeRunning()) {
        e->ignore();
        return true;
    }
    return QMainWindow::eventFilter(watched, e);
}

bool Principal::exchangeRunning() const
{
    return m_ctx.tqv && m_ctx.tqv->busy();
}

void Principal::MENU_CONFIGURER_Click()
{
    if (exchangeRunning())
        return;   // the detection window may be the one scanning
    showWindow(QStringLiteral("CONFIGURATION"));
    unloadWindow(QStringLiteral("DETECT"));
}

void Principal::MENU_DETECT_Click()
{
    showWindow(QStringLiteral("DETECT"));
}

void Principal::MENU_NOUVELLE_Click()
{
    if (exchangeRunning())
        return;   // the port stays with the exchange that holds it
    // The settings window takes the port and the validated flag with it.
    unloadWindow(QStringLiteral("CONFIGURATION"));
    showWindow(QStringLiteral("CONFIGURATION"));
    updatePortStatus();
}

void Principal::MENU_Aide_Click()
{
    // The program's folder becomes the current folder: the file dialogs open there afterwards.
    QDir::setCurrent(m_ctx.programDir);
    // The desktop's viewer when there is one; otherwise the same guide inside the program.
    const QString guide = m_ctx.guidePath.isEmpty()
        ? QDir(m_ctx.programDir).filePath(QStringLiteral("KWF_TQV.doc")) : m_ctx.guidePath;
    if (!m_ctx.ui->openDocument(guide))
        showGuideWindow(this);
}

void Principal::MENU_QUITTER_Click()
{
    close();
}

void Principal::closeEvent(QCloseEvent* e)
{
    // During an exchange the program ends once it is over, never between two of its frames.
    if (exchangeRunning()) {
        e->ignore();
        if (!m_closePending) {
            m_closePending = true;
            m_closeLevel = QThread::currentThread()->loopLevel();
            m_closeRetry->start();
        }
        return;
    }
    m_closePending = false;
    m_closeRetry->stop();
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
    if (m_ctx.tqv && m_ctx.clock) {
        m_ctx.tqv->addObserver(m_status.get());
        m_monitor = new ExchangeMonitor(*m_ctx.tqv, *m_ctx.clock, this);
        connect(m_monitor, &ExchangeMonitor::changed, this, [this] { showExchange(); });
    }
    auto* t = new QTimer(this);
    t->setInterval(1000);
    connect(t, &QTimer::timeout, this, [this] {
        if (!m_monitor || !m_monitor->active())
            updatePortStatus();
    });
    t->start();
    // A close asked for during an exchange that ended on a message box: once the box is gone.
    m_closeRetry = new QTimer(this);
    m_closeRetry->setInterval(100);
    connect(m_closeRetry, &QTimer::timeout, this, [this] { closeIfPending(); });
    updatePortStatus();
}

void Principal::showExchange()
{
    const bool active = m_monitor && m_monitor->active();
    if (active != m_busyCursor) {
        m_busyCursor = active;
        if (active)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    }
    if (!active) {
        updatePortStatus();
        closeIfPending();
        return;
    }
    QString text = m_monitor->text();
    if (text.isEmpty())
        text = m_status->frameText();
    if (text.isEmpty())
        text = portStatusText();
    m_statusLabel->setText(text);
}

void Principal::closeIfPending()
{
    // Not from inside a message box that ends the exchange: the handler under it has to return.
    if (m_closePending && !exchangeRunning() && QThread::currentThread()->loopLevel() <= m_closeLevel)
        close();
}

QString Principal::portStatusText() const
{
    if (!m_ctx.link || !m_ctx.port)
        return QStringLiteral("aucun port validé");
    return kwf::portStatusText(*m_ctx.link, m_ctx.port->isOpen());
}

RelayValues* Principal::relayValues(int relay)
{
    return dynamic_cast<RelayValues*>(window(QStringLiteral("Relais_%1").arg(relay)));
}

SettingsSelectors* Principal::settingsSelectors()
{
    return dynamic_cast<SettingsSelectors*>(window(QStringLiteral("CONFIGURATION")));
}

void Principal::updatePortStatus()
{
    if (m_statusLabel)
        m_statusLabel->setText(portStatusText());
}

} // namespace kwf

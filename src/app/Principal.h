#pragma once
#include "ui/Shell.h"
#include "core/AppContext.h"
#include "core/LinkSettings.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QTimer;

namespace kwf {

class Configuration;
class ExchangeMonitor;

// The main window: an MDI frame with the menu bar; every other window lives inside it.
class Principal : public QMainWindow, public Shell {
    Q_OBJECT
public:
    using Factory = std::function<QWidget*()>;

    explicit Principal(const AppContext& ctx, QWidget* parent = nullptr);
    ~Principal() override;

    const AppContext& context() const { return m_ctx; }

    // Runs the start-up: maximize, then load the default configuration.
    void start();

    // Child windows by name ("MiseaH", "Relais_1", ...). window() creates a registered window
    // hidden when it does not exist yet; existingWindow() never creates.
    QWidget* window(const QString& name) override;
    QWidget* existingWindow(const QString& name) const;
    // Creates if needed, shows in normal size, in front.
    QWidget* showWindow(const QString& name) override;
    // Closes and destroys a window if it exists.
    void unloadWindow(const QString& name) override;
    void registerWindow(const QString& name, Factory factory);

    // The settings window (created hidden if needed).
    Configuration* configuration();

    QAction* menuAction(const QString& objectName) const;
    MenuState menuState() const override;
    void applyMenuState(const MenuState& state) override;

    // Hook for the start-up loading of the configuration file and the File menu.
    std::function<void()> onStartup;
    std::function<void()> onOpenConfig;
    std::function<void()> onSaveConfig;
    // The panel profile items of the File menu.
    std::function<void()> onSavePanel, onComparePanel, onProgramPanel;
    // Ends the program (the application's quit in the program, nothing in tests).
    std::function<void()> onQuit;

    // Menu actions.
    void MENU_CONFIGURER_Click();
    void MENU_DETECT_Click();
    void MENU_NOUVELLE_Click();
    void MENU_Aide_Click();
    void MENU_QUITTER_Click();

    // "COM3: ouvert 9600,N,8,2" or "aucun port validé".
    QString portStatusText() const;
    void updatePortStatus() override;
    RelayValues* relayValues(int relay) override;
    SettingsSelectors* settingsSelectors() override;
    // An exchange holds the line (the event loop turns inside its waits).
    bool exchangeRunning() const;
    // The command under way, for the status bar; null without a transport.
    ExchangeMonitor* exchangeMonitor() const { return m_monitor; }

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildMenus();
    void setupStatusBar();
    class StatusObserver;
    std::unique_ptr<StatusObserver> m_status;
    QLabel* m_statusLabel = nullptr;
    ExchangeMonitor* m_monitor = nullptr;
    bool m_busyCursor = false;
    void showExchange();
    void closeIfPending();
    bool m_closePending = false;
    int m_closeLevel = 0;
    QTimer* m_closeRetry = nullptr;
    QMdiSubWindow* subWindowOf(QWidget* w) const;
    AppContext m_ctx;
    QMdiArea* m_mdi = nullptr;
    QHash<QString, Factory> m_factories;
    QHash<QString, QPointer<QWidget>> m_windows;
    QHash<QString, QAction*> m_actions;
};

// Registers every window of the program with the main window.
void registerAllWindows(Principal& principal);

} // namespace kwf

#pragma once
#include "core/LinkSettings.h"
#include "ui/WindowValues.h"

#include <QString>

class QWidget;

namespace kwf {

// What the settings window and the configuration file module may ask of the main window: its
// child windows by name, its menu state and its status bar. The main window implements it;
// windows never see the main window itself.
class Shell {
public:
    virtual ~Shell() = default;
    // The window of that name, created hidden when it does not exist yet (null if unknown).
    virtual QWidget* window(const QString& name) = 0;
    // Creates if needed, shows in normal size, in front.
    virtual QWidget* showWindow(const QString& name) = 0;
    // Closes and destroys a window if it exists.
    virtual void unloadWindow(const QString& name) = 0;
    virtual MenuState menuState() const = 0;
    virtual void applyMenuState(const MenuState& state) = 0;
    virtual void updatePortStatus() = 0;
    // The relay window 1 or 2 and the settings window, created hidden when needed (null if
    // they cannot be).
    virtual RelayValues* relayValues(int relay) = 0;
    virtual SettingsSelectors* settingsSelectors() = 0;
};

} // namespace kwf

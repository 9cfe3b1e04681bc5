#pragma once
#include "ui/WindowValues.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;

namespace kwf {

class PortDirectory;
class Shell;
struct AppContext;

// The settings window: the eight selectors, the validation, and the port's ownership (the
// port is closed and the validated flag dropped when this window goes).
class Configuration : public QWidget, public SettingsSelectors {
    Q_OBJECT
public:
    Configuration(const AppContext& ctx, Shell& shell);
    ~Configuration() override;

    QComboBox* SEL_COM = nullptr;
    QComboBox* SEL_INTER = nullptr;
    QComboBox* SEL_NBR_DIGI = nullptr;
    QComboBox* SEL_COUL = nullptr;
    QComboBox* SEL_DCF77 = nullptr;
    QComboBox* SEL_REL1 = nullptr;
    QComboBox* SEL_REL2 = nullptr;
    QComboBox* SEL_REP = nullptr;
    QPushButton* BOUTON_VALIDE = nullptr;
    QLabel* Label1 = nullptr;

    // Opens the port with the chosen settings and applies them to the main window.
    void OUVERTURE_DU_COM();

    // SettingsSelectors
    std::array<int, 8> selectorIndexes() const override;
    void setSelectorIndexes(const std::array<int, 8>& indexes) override;
    LinkSettings selectorTexts() const override;
    void validateSettings() override { OUVERTURE_DU_COM(); }

signals:
    // A validation opened the port (an open DCF77 monitor listens to it again).
    void portValidated();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::array<QComboBox*, 8> selectors() const;
    void Form_Load();
    void syncModel();
    // Each port item's tool tip names the device and the adapter behind it.
    void showPortToolTips(const PortDirectory& ports);
    Shell& m_shell;
    const AppContext& m_ctx;
};

} // namespace kwf

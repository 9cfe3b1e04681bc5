#pragma once
#include "ui/WindowValues.h"

#include <QWidget>
#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace kwf {

struct AppContext;
struct DecodedRelay;

// Relais_1 and Relais_2: the four weekly alarms of one relay, sent to and read from the panel.
// The two windows are twins; only the block, the send button's name and the texts differ.
class Relais : public QWidget, public RelayValues {
    Q_OBJECT
public:
    Relais(const AppContext& ctx, int relayNumber);

    int relayNumber() const { return m_relay; }

    // Controls.
    std::array<QGroupBox*, 4> Frame{};        // Frame1 .. Frame4
    std::array<QComboBox*, 12> Combo{};       // Combo1 .. Combo12 (Combo[0] is Combo1)
    std::array<QLabel*, 12> Label{};          // Label1 .. Label12
    std::array<QCheckBox*, 28> Check1{};      // alarm k, day d: element 7(k-1) + d
    QRadioButton* Option1 = nullptr;          // "Le contact se ferme"
    QRadioButton* Option2 = nullptr;          // "Le contact s'ouvre"
    QPushButton* ENVOI = nullptr;             // ENVOI_REL1 or ENVOI_REL2
    QPushButton* Command1 = nullptr;          // "Lecture"

    // Combo box n (1..12).
    QComboBox* combo(int n) const { return Combo[size_t(n - 1)]; }
    QComboBox* hourBox(int alarm) const { return combo(3 * (alarm - 1) + 1); }
    QComboBox* minuteBox(int alarm) const { return combo(3 * (alarm - 1) + 2); }
    QComboBox* durationBox(int alarm) const { return combo(3 * (alarm - 1) + 3); }

    void ENVOI_Click();
    void Command1_Click();

    // RelayValues
    RelayConfig relayValues() const override;
    void setRelayValues(const RelayConfig& values) override;
    void setReadingOffered(bool offered) override;

private:
    void Form_Load();
    void fill(const DecodedRelay& block);
    const AppContext& m_ctx;
    int m_relay;
};

} // namespace kwf

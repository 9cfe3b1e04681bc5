#pragma once
#include "core/EventCountdown.h"

#include <QWidget>
#include <array>

class QCalendarWidget;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kwf {

struct AppContext;

// Mise_even: the event the panel counts down to, its distance in days, hours and minutes, and
// its sending into the relay 2 block.
class Mise_even : public QWidget {
    Q_OBJECT
public:
    explicit Mise_even(const AppContext& ctx);

    QCalendarWidget* MonthView1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QComboBox* Combo6 = nullptr;   // hour
    QComboBox* Combo7 = nullptr;   // minute
    QComboBox* Combo1 = nullptr;   // second, always "00"
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label11 = nullptr;
    std::array<QCheckBox*, 4> Check1{};   // summer OUI/NON, winter OUI/NON
    QLineEdit* Text13 = nullptr;          // days
    QLineEdit* Text14 = nullptr;          // hours
    QLineEdit* Text15 = nullptr;          // minutes beyond the whole hours
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QPushButton* ECRI_MAN_DS_COMBO = nullptr;

    // The counts as the last recomputation left them; the send uses them as they stand.
    const Countdown& countdown() const { return m_countdown; }

    void CALCUL();
    void Check1_Click(int index);
    void ECRI_MAN_DS_COMBO_Click();

private:
    void Form_Load();
    const AppContext& m_ctx;
    Countdown m_countdown;
};

} // namespace kwf

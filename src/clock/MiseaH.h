#pragma once
#include "core/AppContext.h"
#include "core/DeviceCommand.h"
#include "core/ClockOps.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;

namespace kwf {


// Setting the panel's clock: from the PC's own time, from seven stepped values, or from the
// lists. Optionally the PC's clock follows the manual values.
class MiseaH : public QWidget {
    Q_OBJECT
public:
    explicit MiseaH(const AppContext& ctx);

    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QLabel* Label3 = nullptr;   // live PC date
    QLabel* Label4 = nullptr;   // live PC time
    QLabel* Label5 = nullptr;   // fixed century "20"
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Etiquette8 = nullptr;
    QLabel* Etiquette10 = nullptr;
    QLabel* Etiquette11 = nullptr;
    QLabel* Etiquette12 = nullptr;
    QLabel* Etiquette13 = nullptr;
    QLabel* Etiquette14 = nullptr;
    QLabel* Etiquette15 = nullptr;
    QPushButton* ECRI_AUTO_DS = nullptr;
    QPushButton* ECRI_MAN_DS = nullptr;
    QPushButton* ECRI_MAN_DS_COMBO = nullptr;
    QCheckBox* Check1 = nullptr;
    QComboBox* Combo1 = nullptr;
    QComboBox* Combo2 = nullptr;
    QComboBox* Combo3 = nullptr;
    QComboBox* Combo4 = nullptr;
    QComboBox* Combo5 = nullptr;
    QComboBox* Combo6 = nullptr;
    QComboBox* Combo7 = nullptr;
    QComboBox* Combo8 = nullptr;
    QTimer* Timer2 = nullptr;

    // The seven manual values (control byte 0). They start at what their labels show.
    const ClockValues& manualValues() const { return m_manual; }

    void Timer2_Timer();
    void ECRI_AUTO_DS_Click();
    void ECRI_MAN_DS_Click();
    void ECRI_MAN_DS_COMBO_Click();
    // Sets the PC's clock from the manual values when Check1 is ticked.
    void ACTU_TIME_PC();

private:
    void Form_Load();
    QPushButton* addStepper(const char* name, const char* caption, const char* tip, int delta,
                            int ClockValues::*field, int lo, int hi, QLabel* label,
                            QString (*format)(int));
    void sendManual(const DeviceCommand& command);

    const AppContext& m_ctx;
    ClockValues m_manual;
};

} // namespace kwf

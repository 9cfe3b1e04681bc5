#pragma once
#include <QWidget>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;

namespace kwf {

struct AppContext;

class Tqvbase;

// Brightness: day/night by the light sensor or forced to 20 % or 100 %, the sensor's
// sensitivity and a level; sends them in the command block and reads back the brightness block.
class LUM : public QWidget {
    Q_OBJECT
public:
    explicit LUM(const AppContext& ctx);

    QLineEdit* Text1 = nullptr;
    QRadioButton* Option1_6 = nullptr;   // automatic by the light sensor
    QRadioButton* Option1_2 = nullptr;   // forced to 20 %
    QRadioButton* Option1_1 = nullptr;   // forced to 100 %
    QGroupBox* Frame1 = nullptr;
    QRadioButton* Option2_0 = nullptr;   // fast
    QRadioButton* Option2_1 = nullptr;   // slow
    QSlider* Slider2 = nullptr;
    QLabel* Slider2Value = nullptr;
    QPushButton* ENVOI_LUM = nullptr;
    QPushButton* Command1 = nullptr;

    void ENVOI_LUM_Click();
    void Command1_Click();

    // The mode and sensitivity bytes as the buttons stand.
    quint8 modeByte() const;
    quint8 sensitivityByte() const;

private:
    Tqvbase& m_tqv;
};

} // namespace kwf

#pragma once
#include <QWidget>
#include <array>

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QScrollBar;

namespace kwf {

struct AppContext;

class Tqvbase;

// Display configuration: the panel's two banks of configuration switches, read and written as
// its switch image, and, uncovered by a double click on the "SW3" frame, the grid of the 64
// registers of the clock chip.
class dump : public QWidget {
    Q_OBJECT
public:
    explicit dump(const AppContext& ctx);

    // Switch part. SW2 is bank "SW2", SW1 is bank "SW3"; position 0 (thumb up) is ON.
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame1 = nullptr;
    std::array<QScrollBar*, 8> SW2{};
    std::array<QScrollBar*, 8> SW1{};
    std::array<QLineEdit*, 8> Text2{};
    std::array<QLineEdit*, 8> Text3{};
    QPushButton* LIT_SW = nullptr;
    QPushButton* ENVOI_SW = nullptr;

    // Register grid: Text1 0 to 63 are the registers, 64 the fill value.
    QWidget* gridPart = nullptr;
    std::array<QLineEdit*, 65> Text1{};
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* ENVOI_4DIGITCOUL = nullptr;
    QProgressBar* ProgressBar1 = nullptr;

    // Handlers.
    void Frame1_DblClick();
    void Frame2_DblClick();
    void LIT_SW_Click();
    void ENVOI_SW_Click();
    void SW1_Change(int index);
    void SW2_Change(int index);
    void Text2_Click(int index);
    void Text3_Click(int index);
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void ENVOI_4DIGITCOUL_Click();

    // Window heights, in twips: switches only, and with the register grid.
    static constexpr int kHeightSwitches = 4500;
    static constexpr int kHeightWithGrid = 7400;
    bool gridShown() const { return m_gridShown; }

    QSize sizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load();
    QGroupBox* buildBank(const QString& caption, std::array<QScrollBar*, 8>& bars, const char* barName);
    // The switch image shown: `on` is the model, the description box and the bar paint it.
    void paintSwitch(QLineEdit* box, bool& on, bool value);
    void toggleFromDescription(QLineEdit* box, QScrollBar* bar, bool& on);
    void showGrid(bool shown);
    void applyHeight();
    int heightPixels() const;
    void setGridProgress(int n);

    Tqvbase& m_tqv;
    bool m_gridShown = false;
    std::array<bool, 8> m_sw2On{};   // bank "SW2" (SW2 bars, Text2 boxes)
    std::array<bool, 8> m_sw3On{};   // bank "SW3" (SW1 bars, Text3 boxes)
    QObject* m_releaseAfterDblClick = nullptr;
};

} // namespace kwf

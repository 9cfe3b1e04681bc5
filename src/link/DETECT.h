#pragma once
#include <QWidget>

class QLabel;
class QPushButton;

namespace kwf {

struct AppContext;
struct DetectRowLook;

// The port detection window: one button scans COM1 to COM14 and a table of 14 rows shows, for
// each port, whether it opened and whether a panel answered.
class DETECT : public QWidget {
    Q_OBJECT
public:
    explicit DETECT(const AppContext& ctx);

    QPushButton* Command1 = nullptr;
    // Label1(1..42): row n is Label1(n) port name, Label1(n + 14) port state, Label1(n + 28) panel.
    QLabel* Label1(int index) const;

    void Command1_Click();

private:
    void showRow(int port, const DetectRowLook& look);
    void refreshToolTips();
    const AppContext& m_ctx;
    QLabel* m_labels[43] = {};
};

} // namespace kwf

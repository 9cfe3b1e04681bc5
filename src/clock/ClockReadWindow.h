#pragma once
#include "core/AppContext.h"
#include "core/DeviceCommand.h"
#include "core/ClockOps.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;

namespace kwf {


// A small window that reads eight clock bytes from the panel and shows them as a time and a
// date. The clock reading and the last-DCF-setting reading differ only in names and registers.
class ClockReadWindow : public QWidget {
    Q_OBJECT
public:
    struct Names {
        const char* caption;
        const char* frame;
        const char* button;
        const char* buttonTip;
        const char* timeLabel;
        const char* dateLabel;
        const char* successText;
        ClockReading (*read)(Tqvbase&);
        const DeviceCommand* command;
    };
    ClockReadWindow(const AppContext& ctx, const Names& names);

    QGroupBox* frame() const { return m_frame; }
    QPushButton* button() const { return m_button; }
    QLabel* timeLabel() const { return m_time; }
    QLabel* dateLabel() const { return m_date; }

    // The read button's handler.
    void read();

private:
    const AppContext& m_ctx;
    Names m_names;
    QGroupBox* m_frame = nullptr;
    QPushButton* m_button = nullptr;
    QLabel* m_time = nullptr;
    QLabel* m_date = nullptr;
};

} // namespace kwf

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
        // The reading also measures the offset with the PC, shown under the time.
        bool measuresOffset = false;
    };
    ClockReadWindow(const AppContext& ctx, const Names& names);

    QGroupBox* frame() const { return m_frame; }
    QPushButton* button() const { return m_button; }
    QLabel* timeLabel() const { return m_time; }
    QLabel* dateLabel() const { return m_date; }
    // « Écart avec le PC : +0,35 s » after a successful measurement; null when not measured.
    QLabel* offsetLabel() const { return m_offset; }

    // The read button's handler.
    void read();

private:
    const AppContext& m_ctx;
    Names m_names;
    QGroupBox* m_frame = nullptr;
    QPushButton* m_button = nullptr;
    QLabel* m_time = nullptr;
    QLabel* m_date = nullptr;
    QLabel* m_offset = nullptr;
};

} // namespace kwf

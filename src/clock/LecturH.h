#pragma once
#include "clock/ClockReadWindow.h"

namespace kwf {

// Reads the panel's current time and date (clock registers 0 to 7).
class LecturH : public ClockReadWindow {
    Q_OBJECT
public:
    explicit LecturH(const AppContext& ctx)
        : ClockReadWindow(ctx,
                          {"Lecture de l'heure.", "Frame3", "LIT_DS",
                           "Lit l'information heure date système du panneau.", "Label2", "Label1",
                           msg::kClockReadDone, &LIT_HEURE_DS, &command::kClockRead, true})
    {
    }
    void LIT_DS_Click() { read(); }
};

} // namespace kwf

#pragma once
#include "clock/ClockReadWindow.h"

namespace kwf {

// Reads the time and date at which the panel last set its clock from DCF77 (RAM 56 to 63).
class DER_MiseH : public ClockReadWindow {
    Q_OBJECT
public:
    explicit DER_MiseH(const AppContext& ctx)
        : ClockReadWindow(ctx,
                          {"Dernière remise à l'heure.", "Frame5", "DER_MiseH",
                           "Lit l' heure et la date de la dernière remise à l'heure DCF.", "Label7",
                           "Label6",
                           msg::kLastSyncReadDone, &LIT_DER_MISEH, &command::kLastSettingRead})
    {
    }
    void DER_MiseH_Click() { read(); }
};

} // namespace kwf

#pragma once
#include "panel/ColourWindow.h"

namespace kwf {

// Colours of the clock display: the time mask and the date mask.
class COUL6 : public ColourWindow {
    Q_OBJECT
public:
    explicit COUL6(const AppContext& ctx);
};

} // namespace kwf

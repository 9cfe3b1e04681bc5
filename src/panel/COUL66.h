#pragma once
#include "panel/ColourWindow.h"

namespace kwf {

// Colours of the countdown display: N-, hours and minutes, day, hour and the end message.
class COUL66 : public ColourWindow {
    Q_OBJECT
public:
    explicit COUL66(const AppContext& ctx);
};

} // namespace kwf

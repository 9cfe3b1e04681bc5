#pragma once

class QWidget;

namespace kwf {

// Shows the user guide in a window of the program (object name "GUIDE"), raising the one already
// open; for a desktop with no program that opens the guide document.
void showGuideWindow(QWidget* parent);

} // namespace kwf

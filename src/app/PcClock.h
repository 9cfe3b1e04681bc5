#pragma once
#include <QDateTime>
#include <QString>

namespace kwf {

// Sets the PC's date and time. Empty when done, otherwise why not, in French.
QString setPcClock(const QDateTime& dt);

} // namespace kwf

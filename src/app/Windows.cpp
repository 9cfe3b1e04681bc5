#include "app/Principal.h"

namespace kwf {

// One line per window of the program: its name and how it is built.
void registerAllWindows(Principal& principal)
{
    Q_UNUSED(principal);
}

} // namespace kwf

#include "panel/COUL6.h"
#include "panel/COUL66.h"

namespace kwf {

static const char* const kInstruction =
    "Un clic sur un digit modifie la couleur. Programmer des nouveaux masques";

COUL6::COUL6(const AppContext& ctx)
    : ColourWindow(ctx, colours::Board::Clock, QStringLiteral("Couleur Heures/Date."),
                   QString::fromUtf8(kInstruction),
                   {{{"2", "3", "5", "9.", "4", "6"}, {":", ""}},       // time
                    {{"2", "4.", "1", "2.", "0", "8"}, {"", ""}}})      // date
{
}

COUL66::COUL66(const AppContext& ctx)
    : ColourWindow(ctx, colours::Board::Countdown, QStringLiteral("Couleur 6 Digits."),
                   QString::fromUtf8(kInstruction) + QLatin1Char(' '),
                   {{{"|\u00AF|", "-", "0", "9.", "5", "6"}, {"", ""}},  // N- countdown
                    {{"H", "-", "2", "0", "5", "9"}, {"", ":"}},         // hours and minutes
                    {{"J", "-", "1", "0", "9", " "}, {"", ""}},          // days
                    {{"H", "-", "2", "6", "1", "6"}, {"", ""}},          // hours
                    {{" ", "S", "t", "o", "p", " "}, {}}})               // end message
{
}

} // namespace kwf

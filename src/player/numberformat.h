#pragma once

#include <QString>

namespace orv::player {

// Numbers in the Player's dialogs, written and read the Spanish way whatever
// the system's locale: the interface is Spanish and its messages ask for a
// decimal comma, so the dialogs must keep to that.
//
// Written: a comma as decimal mark, no digit grouping, as few decimals as the
// value needs (1,5 and 100, never 1.5e+02).
QString spanishNumber(double value);

// Read: an optional sign, digits and at most one decimal mark, a comma or a
// point, with digits on at least one side of it; spaces around are ignored.
// Anything else is not a number (false), and so is a text whose meaning
// depends on the reader's convention: more than one mark ("1.000,5",
// "1.000.000"), or a point followed by exactly three digits after a whole
// part other than zero ("1.000", "2.500"), which a Spanish reader takes for
// a thousands separator and anyone else for a decimal point. Such a text is
// refused rather than guessed. "1,000" reads as 1 and "0.250" as 0,25.
bool readSpanishNumber(const QString& text, double& value);

} // namespace orv::player

#pragma once

#include <QString>

namespace orv::player {

// Numbers as the user reads and types them: the system's number format
// (QLocale's default), decimal comma on a Spanish system, no digit grouping,
// as few decimals as the value needs (1,5 and 100, never 1.5e+02).
QString numeroLocal(double valor);

// Reads a number typed in that format; false when the text is not one (or
// is not finite).
bool leeNumeroLocal(const QString& texto, double& valor);

} // namespace orv::player

#pragma once

#include <QString>

namespace orv::tools {

// Writes `source` as the single deflated member of a new ZIP archive at
// `zipPath`, named after the archive itself, the way compressed movies hold
// their movie. Used by the demo and benchmark generators.
bool writeSingleMemberZip(const QString& source, const QString& zipPath);

} // namespace orv::tools

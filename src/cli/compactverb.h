#pragma once

#include "cli.h"

namespace orv::cli {

// `orv compact [--mode auto|compress|decompress|analyze] [--no-force] FILE...`:
// the Compactor's engine for terminals and scripts.
int compactVerb(const QStringList& args, Io& io);

} // namespace orv::cli

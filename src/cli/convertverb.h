#pragma once

#include "cli.h"

namespace orv::cli {

// `orv convert`: text pictures to a movie, with the Converter's engine.
int convertVerb(const QStringList& args, Io& io);

} // namespace orv::cli

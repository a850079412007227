#pragma once

#include "cli.h"

#include <span>

namespace orv::cli {

// Every verb the tool knows, in the order `orv --help` lists them.
std::span<const Verb> verbs();

int infoVerb(const QStringList& args, Io& io);
int frameVerb(const QStringList& args, Io& io);
int createVerb(const QStringList& args, Io& io);

} // namespace orv::cli

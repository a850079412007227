#pragma once

#include "cli.h"

#include <span>

class QCommandLineParser;

namespace orv::cli {

// Every verb the tool knows, in the order `orv --help` lists them.
std::span<const Verb> verbs();

// Parses a verb's command line. Answers -1 to go on, or the exit status when
// the verb is done already (help shown, or bad usage reported).
int parseVerb(QCommandLineParser& parser, const QStringList& args, int positionals, const char* usage, Io& io);

int infoVerb(const QStringList& args, Io& io);
int frameVerb(const QStringList& args, Io& io);
int exportVerb(const QStringList& args, Io& io);
int playVerb(const QStringList& args, Io& io);
int createVerb(const QStringList& args, Io& io);

} // namespace orv::cli

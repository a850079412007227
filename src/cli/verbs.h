#pragma once

#include "cli.h"

#include <QString>
#include <span>

class QCommandLineParser;

namespace orv::cli {

// Every verb the tool knows, in the order `orv --help` lists them.
std::span<const Verb> verbs();

// A verb that takes any number of files.
constexpr int kAnyNumber = -1;

// Parses a verb's command line (adding -h/--help): `positionals` files, or
// any number with kAnyNumber. Answers -1 to go on, or the exit status when
// the verb is done already (help shown, or bad usage reported). `usage` is
// the line after "Uso: orv ".
int parseVerb(QCommandLineParser& parser, const QStringList& args, int positionals,
              const char* usage, Io& io);

// Reports bad usage: "orv: " and the reason (when there is one), then the
// usage line; answers kUsage.
int usageError(Io& io, const QString& why, const char* usage);

int infoVerb(const QStringList& args, Io& io);
int frameVerb(const QStringList& args, Io& io);
int exportVerb(const QStringList& args, Io& io);
int playVerb(const QStringList& args, Io& io);
int createVerb(const QStringList& args, Io& io);

} // namespace orv::cli

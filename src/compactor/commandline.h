#pragma once

#include "compactor.h"

#include <QStringList>
#include <optional>

namespace orv::compactor {

// The movie path of a command-line start, or std::nullopt for a start with
// the window. The arguments are joined with single spaces; a text longer than
// one character names the movie by the part before its first double quote
// (all of it when it holds none), so a path with spaces arrives whole. A
// file's name may hold a double quote here: when the whole text names an
// existing file, it is taken whole.
std::optional<QString> commandLinePath(const QStringList& arguments);

// Handles the one file of a command-line start in "Automático" with brute
// force (the stored settings are not applied) and says how it went in one
// message box: success only when the file was compressed or decompressed,
// otherwise its history lines. A failed archive build shows "Error" instead.
void processCommandLine(const FileName& path, Compactor::StepFault fail = {});

} // namespace orv::compactor

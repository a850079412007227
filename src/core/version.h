#pragma once

#include <QString>

namespace orv {

// The suite's version, as the build declares it (the project's version).
QString suiteVersion();

// What `--version` prints for `program`: "orv (Orvane ASCII) 1.0.0".
QString versionLine(const QString& program);

// Whether a program's command line asks for its version: `--version` as its
// one argument, when no file of that name stands in the working folder (the
// Creator, the Converter and the Compactor take a file name there).
bool asksForVersion(int argc, char** argv);

// Writes the version line to standard output; answers the exit status, 0.
int printVersion(const QString& program);

} // namespace orv

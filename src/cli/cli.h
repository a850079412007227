#pragma once

#include <QStringList>
#include <QTextStream>

namespace orv::cli {

// Exit statuses of every verb.
constexpr int kOk = 0;
constexpr int kFailed = 1; // the work could not be done (an unreadable movie, ...)
constexpr int kUsage = 2;  // the command line was wrong

struct Io
{
    QTextStream& out;
    QTextStream& err;
};

// One verb of the tool: `orv <name> ...`. `args` starts with the verb.
struct Verb
{
    const char* name;
    const char* summary;
    int (*run)(const QStringList& args, Io& io);
};

// Runs the tool on its arguments (the program name first) and answers the
// exit status.
int runCli(const QStringList& arguments, Io& io);

} // namespace orv::cli

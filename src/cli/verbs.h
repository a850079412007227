#pragma once

#include "cli.h"
#include "exporting.h"
#include "filename.h"

#include <QString>
#include <optional>
#include <span>

class QCommandLineParser;

namespace orv {
struct Movie;
} // namespace orv

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

// A name as main() gave it (bytes that are not UTF-8 escaped) to the name
// itself; the verbs take their files' names through here.
FileName nameArgument(const QString& argument);

// An output no verb may write, said on standard error before any work: one
// that is not a regular file (status kFailed), or one of the verb's own
// inputs under whatever name (kUsage). Nothing when it may be written.
std::optional<int> refuseOutput(const FileName& output, const QList<FileName>& inputs, Io& io);

// Loads a movie, or says why not on standard error.
bool loadMovie(const FileName& name, Movie& movie, Io& io);
// Says on standard error why a movie did not load.
void reportUnreadable(const FileName& name, Io& io);

// The verbs, one file each.
int infoVerb(const QStringList& args, Io& io);    // header, form, size and name
int frameVerb(const QStringList& args, Io& io);   // one frame as the Player shows it
int compactVerb(const QStringList& args, Io& io); // the Compactor's engine
int convertVerb(const QStringList& args, Io& io); // text pictures to a movie
int exportVerb(const QStringList& args, Io& io);  // GIF, page, asciicast, MP4, WebM
int playVerb(const QStringList& args, Io& io);    // a movie in the terminal
int editVerb(const QStringList& args, Io& io);    // frames picked, joined, resized; the header

// The exports that draw pictures with fonts, as `export` has checked them.
struct DrawnExport
{
    enum Kind { Gif, Mp4, WebM } kind;
    FileName input;
    FileName target;
    ExportOptions options;
    // No --audio-from: the sound starts where the movie started in its clip.
    bool soundFromMovie = false;
};

// The drawing verbs. `create` and the drawn exports need Qt's GUI module,
// the picture decoders and FFmpeg: loading those would cost `orv info` more
// than reading the movie does. So the tool comes in two programs: orv-draw
// links them (createverb.cpp, drawnexport.cpp); orv hands these command lines to orv-draw whole
// (handover.cpp), and links nothing that draws.
int createVerb(const QStringList& args, Io& io);
int drawnExportVerb(const QStringList& args, const DrawnExport& job, Io& io);

} // namespace orv::cli

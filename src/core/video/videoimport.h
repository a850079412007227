#pragma once

#include "filename.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace orv::video {

// Turning a clip into a movie: frames sampled at a steady rate, each scaled
// to the movie's width in characters (two pixel rows to a character row, as
// the Creator samples pictures), made grey, cut to 16 levels and drawn with
// the Creator's ramp, one fixed character per level for the whole movie.

enum class Dither { None, Ordered };

struct VideoOptions
{
    int columns = 160;
    double fps = 0;       // 0: the clip's own rate, at most kMaxFps
    double from = 0;      // seconds
    double to = -1;       // seconds; below 0, the clip's end
    bool reverse = false; // light text on dark: white is '#', black the space
    Dither dither = Dither::None;
    // The tones before they are cut to 16 levels, as clips are rarely
    // exposed for text: a grey v (0 to 1) becomes
    // ((v ^ (1 / gamma)) - 0.5) × contrast + 0.5 + brightness.
    double gamma = 1;      // 0.1 to 10; above 1 lightens the middle greys
    double contrast = 1;   // 0 to 10
    double brightness = 0; // -1 to 1
    QString pausa; // empty: 1000 / fps
    QString creador;
};

constexpr double kMaxFps = 30;
constexpr double kMinGamma = 0.1, kMaxGamma = 10, kMaxContrast = 10;
// The slowest rate asked for: a frame every 1,000,000,000 ms. A slower one
// would write a pause the programs cannot play (one of 300 digits, say).
constexpr double kMinFps = 0.000001;
constexpr int kMaxFrames = 32766;
constexpr int kMinSide = 12, kMaxSide = 400;

// The grid a clip shown at `visible` pixels becomes at `columns` characters
// wide: rows keep the picture's shape with two pixel rows to each. A clip
// too tall for 400 rows is narrowed to fit. Nothing when it cannot fit in 12
// to 400 columns and rows.
std::optional<QSize> grid(int columns, QSize visible);

// The frames of the clip a movie shows: for each sample time from + k / fps
// before `to`, the index of the last frame shown at that time (the first
// one when none is shown yet). `times` are the frames' times in order;
// `end` is when the last frame stops showing.
std::vector<int> plan(const std::vector<double>& times, double end, double from, double to,
                      double fps);

// A frame line from grey pixels, one per cell, row after row: 16 levels,
// white the space and black '#' (or the other way round), with a 4 × 4
// ordered dither when asked.
QByteArray greyLine(const QByteArray& grey, QSize cells, bool reverse, Dither dither);

// The options' gamma, contrast and brightness as a table from grey to grey,
// made once for a whole import; empty when they change nothing.
std::vector<uchar> toneTable(const VideoOptions& options);
// The grey pixels through that table (the same bytes for an empty one).
QByteArray toned(const QByteArray& grey, const std::vector<uchar>& table);

// The pause written for `fps` frames a second: milliseconds, up to three
// decimals.
QString pauseFor(double fps);


enum class VideoState {
    Created,
    NotVideo,     // no clip the libraries read
    NoVideo,      // no video stream
    InvalidWidth, // columns outside 12..400, or a grid that cannot fit
    InvalidFps,
    InvalidTone,  // gamma, contrast or brightness out of range
    InvalidRange, // the range is empty or starts past the clip's end
    NoFrames,     // no frame falls in the range
    InvalidData,  // the pause or the author
    WriteError,
    TooLarge,     // the movie would be larger than the programs open
    Cancelled,
};

struct VideoResult
{
    VideoState state = VideoState::Created;
    int cuadros = 0;
    bool cut = false; // more than kMaxFrames: cut there
    QSize cells;
    QString detail; // the write error's text, the invalid datum's message
    qint64 bytes = 0; // TooLarge: what the movie would take
    qint64 decoded = 0; // frames decoded, a seek's gain included
    double endsAt = -1; // the clip's frames stop here, before its container's end: the movie ends here too
};

// "el video termina en m:ss, antes de lo que indica su cabecera", for a clip
// cut short.
QString shortClipMessage(double seconds);

// Follows the work: (frames done, total); false cancels.
using VideoProgress = std::function<bool(int, int)>;

// Writes the movie at `path` (the final name) through the safe writer:
// decoding runs on a helper thread (from the key frame before `from`) while
// the frame before is drawn and written. Any end but Created leaves no file
// and an existing one untouched. A clip whose frames stop before its
// container says is made up to there (`endsAt`); `shortened` is that second
// making.
VideoResult importVideo(const FileName& clip, const FileName& path, const VideoOptions& options,
                        const VideoProgress& progress = {}, bool shortened = false);

// The first frame the movie would show, as its rows joined by LF, for a
// preview; `cells` receives the grid. Nothing (with `state` set) when the
// movie could not be made.
std::optional<QByteArray> firstFrame(const FileName& clip, const VideoOptions& options, QSize& cells,
                                     VideoState& state);

// The Spanish message for a failed import; `path` is the clip.
QString videoMessage(const VideoResult& r, const FileName& path);

} // namespace orv::video

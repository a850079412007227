#pragma once

#include "filename.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace orv {

// What the Converter's window (or `orv convert`) hands to a conversion: the
// texts of its boxes as typed and the state of its options.
struct ConversionParameters
{
    QString ancho;     // frame width in characters
    QString alto;      // picture rows after each picture's first line
    QString velocidad; // pause per frame in milliseconds
    QString creador;   // author
    bool leeinicio = true; // each picture's first line is a control line
    bool repeat = true;    // with leeinicio: the control line is a repeat count (else skipped)
};

// Why the parameters cannot make a movie, in the order they are checked.
enum class ParameterFault {
    None,
    WidthOrHeight, // width or height below 2
    TooLarge,      // width above 32767 or height above 32766: the header could not hold them
    Pause,         // the pause is not a positive number
    Author,        // the author holds a comma or a line end
};

ParameterFault checkParameters(const ConversionParameters& p);

// The message and title for a failed check (the first one is the
// conversion's long-standing message 1).
QString parameterFaultMessage(ParameterFault failure, const QString& creador = {});
QString parameterFaultTitle();

// The width and height the conversion actually uses: the leading number of
// each text rounded half to even.
std::int64_t widthUsed(const ConversionParameters& p);
std::int64_t heightUsed(const ConversionParameters& p);

// Whether the file can be opened for reading (and is closed again at once);
// a folder cannot.
bool puedeabrir(const FileName& path);

// The highest frame count a movie holds.
constexpr int kMaxFrames = 32766;

// The whole movie being assembled. Every distinct picture is held once, in
// large blocks, followed by its CR LF, so that pictures stored one after
// another are also the movie's lines one after another; a frame is only the
// number of its picture, so a picture repeated a thousand times costs a
// thousand integers.
class ConvertedMovie
{
public:
    explicit ConvertedMovie(qsizetype frameLength);

    // Room for the next picture's `frameLength` bytes, valid until the next
    // call; what is written there counts only once confirm() stores it.
    char* reserve();

    // Stores the reserved picture `copies` times (at least once), up to the
    // frame limit. Answers false when the limit cut the copies short or left
    // the picture out.
    bool confirm(std::int64_t copies);

    // Copies the picture in and stores it, as above.
    bool add(QByteArrayView frame, std::int64_t copies);

    int numCuadros() const { return static_cast<int>(m_cuadros.size()); }
    int imageCount() const { return static_cast<int>(m_images.size()); }
    qsizetype frameLength() const { return m_length; }
    QByteArrayView frame(int i) const;
    // Frame i and as many following frames as lie right after it in memory,
    // each with its CR LF; `count` receives how many.
    QByteArrayView span(int i, int& count) const;
    bool full() const { return m_cuadros.size() >= kMaxFrames; }
    // Whether some copies were left out for the limit.
    bool cut() const { return m_cut; }

private:
    qsizetype m_length;
    qsizetype m_blockSize;
    struct Free
    {
        void operator()(char* p) const { std::free(p); }
    };
    std::vector<std::unique_ptr<char, Free>> m_blocks;
    qsizetype m_usedInBlock = 0;
    std::vector<const char*> m_images;
    std::vector<std::int32_t> m_cuadros;
    bool m_cut = false;
};

// Reads one source into the movie. With leeinicio each picture is a control
// line and `alto` rows; without it, `alto` + 1 rows. Rows are fitted to
// `ancho` bytes (padded with spaces or cut). A picture cut short by the end
// of the file is dropped. A repeat count that does not fit 16 bits is a
// failure of the file: the frames before it stay, the rest is skipped.
// `progress`, when set, is called now and then with the bytes consumed so
// far and answers false to stop. Answers false when the file could not be
// opened or read to its end (or reading was stopped).
bool readSource(const FileName& path, const ConversionParameters& p, ConvertedMovie& movie,
                const std::function<bool(qint64)>& progress = {});

// The header line the conversion writes for `numCuadros` frames.
QByteArray conversionHeader(const ConversionParameters& p, int numCuadros);

enum class ConversionState {
    Written,    // the movie is on disk
    NoFrames,   // no source gave a frame: nothing was written
    Cancelled,  // stopped by the caller: nothing was written
    WriteError, // the output could not be created or written: nothing was written
    TooLarge,   // the movie would be larger than the programs open: nothing was written
};

struct ConversionResult
{
    ConversionState state = ConversionState::NoFrames;
    int numCuadros = 0;
    int failedSources = 0;     // sources unreadable or stopped by a bad count
    bool limitReached = false; // frames beyond the limit were left out
    int codeError = 0;         // WriteError: the file error's number
    QString errorDescription;  // WriteError: its description
    qint64 bytes = 0;          // what the movie takes, or would take
};

// Called with work done and total work (bytes of sources, then frames
// written counted as bytes); answers false to cancel.
using ConversionProgress = std::function<bool(qint64 done, qint64 total)>;

// The whole conversion: reads every source in order, then writes the movie
// to `output` (already under the ".ovt" rule) through a temporary file that
// replaces it only when complete. The parameters must pass
// checkParameters.
ConversionResult convert(const FileNames& sources, const ConversionParameters& p,
                         const FileName& output, const ConversionProgress& progress = {});
// The same conversion into a writer of the caller's (one writing into
// memory for a preview, say), committed only when complete.
ConversionResult convert(const FileNames& sources, const ConversionParameters& p,
                         class MovieWriter& writer, const ConversionProgress& progress = {});

// The message for a failed write, with its title.
QString writeErrorMessage(int code, const QString& description);
QString writeErrorTitle();

// The message when no source gave a frame, with its title.
// Why no movie was made; `failedSources` as the result counts them.
QString noFramesMessage(int failedSources = 0);
QString noFramesTitle();

// The success message and its title.
QString successMessage();
QString successTitle();

} // namespace orv

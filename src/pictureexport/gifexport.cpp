#include "gifexport.h"

#include "fixedfont.h"
#include "gifencoder.h"
#include "numeric.h"
#include "safefile.h"

#include <algorithm>
#include <gif_lib.h>
#include <memory>

namespace orv::render {
namespace {

using namespace gif;

constexpr int kMaxDelay = 65535; // the GIF delay field is 16 bits
constexpr int kMaxSide = 65535;  // so are the screen's width and height

int write(GifFileType* gif, const GifByteType* data, int length)
{
    auto* file = static_cast<SafeFile*>(gif->UserData);
    return file->write(QByteArrayView(reinterpret_cast<const char*>(data), length)) ? length : 0;
}

// Writes one encoded image: only the part that changed since the image
// before; the rest of the screen stays as that image left it.
bool setImage(GifFileType* gif, const GifImage& image)
{
    GraphicsControlBlock control{DISPOSE_DO_NOT, false, image.delay, NO_TRANSPARENT_COLOR};
    GifByteType extension[4];
    const auto length = static_cast<int>(EGifGCBToExtension(&control, extension));
    const QRect& area = image.area;
    if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, length, extension) != GIF_OK ||
        EGifPutImageDesc(gif, area.left(), area.top(), area.width(), area.height(), false,
                         nullptr) != GIF_OK)
        return false;
    for (size_t p = 0; p < image.blocks.size(); p += image.blocks[p] + 1u) {
        if (EGifPutCodeNext(gif, image.blocks.data() + p) != GIF_OK)
            return false;
    }
    return EGifPutCodeNext(gif, nullptr) == GIF_OK;
}

bool setRepeat(GifFileType* gif)
{
    static const GifByteType netscape[] = "NETSCAPE2.0";
    static const GifByteType always[] = {1, 0, 0};
    return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
           EGifPutExtensionBlock(gif, 11, netscape) == GIF_OK &&
           EGifPutExtensionBlock(gif, 3, always) == GIF_OK &&
           EGifPutExtensionTrailer(gif) == GIF_OK;
}

// Turns frames into images: a run of frames that look the same becomes one
// image shown for the whole run (split where the delay field would
// overflow), and each image after the first keeps only what changed since
// the one before. Images go to the encoder as their runs end.
class Distributor
{
public:
    Distributor(Encoder& encoder, Encoder::Write write, const GifGlyphs& glyphs, QSize cells,
                int ms)
        : m_encoder(encoder), m_write(std::move(write)), m_glyphs(glyphs), m_cells(cells), m_ms(ms),
          // Frames shown longer than the delay field holds are split.
          m_perImage(std::max(1, kMaxDelay * 10 / std::max(ms, 1)))
    {
    }

    // Takes the next frame; false once writing failed.
    bool add(GifFrame frame)
    {
        QRect area(0, 0, m_cells.width() * m_glyphs.width(), m_cells.height() * m_glyphs.height());
        if (m_repeated > 0) {
            area = change(m_pending->frame, frame, m_cells.width(), m_cells.height(), m_glyphs);
            if (area.isEmpty() && m_repeated < m_perImage) {
                ++m_repeated;
                return true;
            }
            if (!deliver())
                return false;
            // GIF has no empty image: a run split in two repeats one pixel.
            if (area.isEmpty())
                area = QRect(0, 0, 1, 1);
        }
        m_pending->frame = std::move(frame);
        m_pending->area = area;
        m_repeated = 1;
        return true;
    }

    // Hands over the last run and writes every image still waiting.
    bool finish() { return (m_repeated == 0 || deliver()) && m_encoder.empty(m_write); }

private:
    bool deliver()
    {
        m_pending->delay = gifDelay(m_repeated, m_ms);
        m_repeated = 0;
        const bool ok = m_encoder.deliver(std::move(m_pending), m_write);
        m_pending = std::make_unique<GifImage>();
        return ok;
    }

    Encoder& m_encoder;
    const Encoder::Write m_write;
    const GifGlyphs& m_glyphs;
    const QSize m_cells;
    const int m_ms;
    const int m_perImage;
    std::unique_ptr<GifImage> m_pending = std::make_unique<GifImage>();
    int m_repeated = 0; // frames the pending image stands for
};

} // namespace

QFont gifFont(double points)
{
    QFont font = fixedFont(points > 0 ? points : 8);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

int gifDelay(int cuadros, int ms)
{
    const auto hundredths = roundHalfEven(static_cast<double>(cuadros) * ms / 10.0);
    return static_cast<int>(std::clamp<std::int64_t>(hundredths, 2, kMaxDelay));
}

ExportResult exportGif(const Movie& movie, const FileName& path, const QFont& font,
                       const ExportOptions& options, QString* error)
{
    QFont unsmoothed = font;
    unsmoothed.setStyleStrategy(QFont::NoAntialias);
    const GifGlyphs glyphs(unsmoothed, options);
    const QSize cells(std::max<int>(movie.ancho, 1), std::max<int>(movie.alto, 1));
    const QSize screenSize(cells.width() * glyphs.width(), cells.height() * glyphs.height());
    if (screenSize.width() > kMaxSide || screenSize.height() > kMaxSide) {
        if (error)
            *error = QStringLiteral("La película no cabe en un GIF: %1 × %2 píxeles, y un GIF "
                                    "admite hasta %3 × %3. Elija una letra más pequeña.")
                         .arg(screenSize.width())
                         .arg(screenSize.height())
                         .arg(kMaxSide);
        return ExportResult::Fault;
    }

    SafeFile file(path);
    int code = 0;
    GifFileType* gif = file.open() ? EGifOpen(&file, &write, &code) : nullptr;
    bool ok = gif != nullptr;
    if (ok) {
        EGifSetGifVersion(gif, true);
        ColorMapObject* colours = palette(options);
        ok = EGifPutScreenDesc(gif, screenSize.width(), screenSize.height(), 1, 0, colours) ==
                 GIF_OK &&
             setRepeat(gif);
        GifFreeMapObject(colours);
    }
    bool cancelled = false, outOfMemory = false;
    {
        Encoder encoder(glyphs, options);
        Distributor split(
            encoder, [gif](const GifImage& image) { return setImage(gif, image); }, glyphs, cells,
            exportPause(movie));
        for (int i = 0; ok && i < movie.numCuadros; ++i) {
            ok = split.add(GifFrame(visibleFrame(movie, i)));
            if (ok && options.progress && !options.progress(i + 1, movie.numCuadros))
                cancelled = true;
            if (cancelled)
                break;
        }
        ok = ok && !cancelled && split.finish();
        outOfMemory = encoder.outOfMemory();
    }
    if (gif && EGifCloseFile(gif, &code) != GIF_OK)
        ok = false;
    if (cancelled) {
        file.cancel();
        return ExportResult::Cancelled;
    }
    if (ok && file.finish())
        return ExportResult::Done;
    if (error) {
        if (outOfMemory)
            *error = outOfMemoryError();
        else
            *error = gif || code == 0 ? file.error() : QString::fromUtf8(GifErrorString(code));
    }
    file.cancel();
    return ExportResult::Fault;
}

} // namespace orv::render

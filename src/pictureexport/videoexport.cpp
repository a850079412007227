#include "videoexport.h"

#include "gifframes.h"
#include "filename.h"
#include "safefile.h"
#include "soundtrack.h"

#include <QLocale>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <vector>

namespace orv::render {
namespace {

using gif::GifFrame;
using gif::GifGlyphs;

// H.264 and VP9 encoders take pictures up to these sides.
constexpr int kMaxSide = 8192;
constexpr qint64 kLeanPixels = 4'000'000; // pictures larger than this are encoded holding few frames
// The largest pictures each encoder takes within 300 MB. Measured, whole
// process: x264 290 MB at 13.4 million pixels (490 MB at 29 million),
// libvpx 290 MB at 3.2 million (2.1 GB at 29 million), whatever their
// settings.
constexpr qint64 kMp4Pixels = 14'000'000;
constexpr qint64 kWebMPixels = 3'200'000;

// A colour as the video stores it: BT.601, limited range (what players
// assume of yuv420p when nothing else is said).
struct Yuv
{
    int y, u, v;
};

Yuv aYuv(std::uint32_t rgb)
{
    const double r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    const auto a8 = [](double x) { return std::clamp(int(std::lround(x)), 0, 255); };
    return {a8(16 + (65.481 * r + 128.553 * g + 24.966 * b) / 255),
            a8(128 + (-37.797 * r - 74.203 * g + 112.0 * b) / 255),
            a8(128 + (112.0 * r - 93.786 * g - 18.214 * b) / 255)};
}

QString errorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromLocal8Bit(text);
}

class Encoding
{
public:
    ~Encoding()
    {
        av_packet_free(&m_packet);
        av_frame_free(&m_frame);
        avcodec_free_context(&m_codec);
        if (m_output) {
            if (m_output->pb)
                avio_closep(&m_output->pb);
            avformat_free_context(m_output);
        }
    }

    // Sets everything up for a picture of `size` pixels; false with
    // `error` set when it cannot be.
    bool open(const FileName& scratch, VideoFormat format, QSize size, int fps, Soundtrack* sound,
              const ExportOptions& options, qint64 lengthMs, QString& error)
    {
        const QByteArray url = "file:" + scratch.bytes();
        const char* container = format == VideoFormat::Mp4 ? "mp4" : "webm";
        const char* codecName = format == VideoFormat::Mp4 ? "libx264" : "libvpx-vp9";
        const AVCodec* codec = avcodec_find_encoder_by_name(codecName);
        if (!codec) {
            error = QStringLiteral("el codificador %1 no está disponible")
                        .arg(QLatin1String(codecName));
            return false;
        }
        int r = avformat_alloc_output_context2(&m_output, nullptr, container, url.constData());
        if (r < 0 || !m_output)
            return fail(r, error);
        m_stream = avformat_new_stream(m_output, nullptr);
        m_codec = avcodec_alloc_context3(codec);
        m_packet = av_packet_alloc();
        m_frame = av_frame_alloc();
        if (!m_stream || !m_codec || !m_packet || !m_frame)
            return fail(AVERROR(ENOMEM), error);
        m_codec->width = size.width();
        m_codec->height = size.height();
        m_codec->pix_fmt = AV_PIX_FMT_YUV420P;
        m_codec->time_base = {1, 1000};
        m_codec->framerate = {std::max(fps, 1), 1};
        m_codec->color_range = AVCOL_RANGE_MPEG;
        m_codec->colorspace = AVCOL_SPC_BT470BG;
        m_codec->color_primaries = AVCOL_PRI_BT470BG;
        m_codec->color_trc = AVCOL_TRC_SMPTE170M;
        m_codec->gop_size = 250;
        m_codec->thread_count = 0;
        // The encoder holds a picture for each thread, each frame it looks
        // ahead, each reference: on big pictures (a 400 × 400 movie at 12 pt
        // is 30 million pixels) that is gigabytes. Past a few megapixels it
        // holds as few as it can, to stay within a few hundred megabytes.
        const bool big = qint64(size.width()) * size.height() > kLeanPixels;
        if (big)
            m_codec->thread_count = 1;
        if (format == VideoFormat::Mp4) {
            // A movie's pictures are letters copied whole from a set of at
            // most 256: what a cell shows now is mostly shown by some cell
            // nearby in the picture before, a whole number of cells away.
            // A wide motion search (umh over 24 pixels, on 8 × 8 blocks)
            // finds those copies, and is what makes the file small; what
            // the fast preset leaves out (sub-pixel search, B-frames,
            // look-ahead, the deblocking filter) gains nothing on letters.
            // Tuned for PSNR (no bits moved to where eyes look) and the
            // quantiser capped, so that every picture keeps at least 30 dB
            // PSNR against the drawing, a small one where all changes too.
            av_opt_set(m_codec->priv_data, "preset", "ultrafast", 0);
            av_opt_set(m_codec->priv_data, "tune", "psnr", 0);
            av_opt_set(m_codec->priv_data, "crf", "28", 0);
            av_opt_set(m_codec->priv_data, "x264-params", "cabac=1:partitions=p8x8:me=umh:merange=24:chroma-me=0:qpmax=30", 0);
        } else {
            // libvpx's good mode ran at a third of real time on movies from
            // clips; its realtime mode at its fastest, told that the
            // pictures are screen content (text, flat colours), runs several
            // times faster than real time in files near the GIF's size.
            av_opt_set(m_codec->priv_data, "deadline", "realtime", 0);
            av_opt_set(m_codec->priv_data, "cpu-used", "8", 0);
            av_opt_set(m_codec->priv_data, "tune-content", "screen", 0);
            av_opt_set_int(m_codec->priv_data, "row-mt", 1, 0);
            av_opt_set(m_codec->priv_data, "tile-columns", "2", 0);
            av_opt_set(m_codec->priv_data, "crf", "34", 0);
            av_opt_set_int(m_codec->priv_data, "lag-in-frames", 0, 0);
            m_codec->bit_rate = 0;
        }
        if (m_output->oformat->flags & AVFMT_GLOBALHEADER)
            m_codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if ((r = avcodec_open2(m_codec, codec, nullptr)) < 0)
            return fail(r, error);
        if ((r = avcodec_parameters_from_context(m_stream->codecpar, m_codec)) < 0)
            return fail(r, error);
        m_stream->time_base = {1, 1000};
        if (sound && !sound->open(options.sound, options.soundFrom, lengthMs, m_output, format == VideoFormat::WebM, error))
            return false;
        if ((r = avio_open(&m_output->pb, url.constData(), AVIO_FLAG_WRITE)) < 0)
            return fail(r, error);
        AVDictionary* settings = nullptr;
        if (format == VideoFormat::Mp4)
            av_dict_set(&settings, "movflags", "+faststart", 0);
        r = avformat_write_header(m_output, &settings);
        av_dict_free(&settings);
        if (r < 0)
            return fail(r, error);
        m_frame->format = AV_PIX_FMT_YUV420P;
        m_frame->width = size.width();
        m_frame->height = size.height();
        if ((r = av_frame_get_buffer(m_frame, 0)) < 0)
            return fail(r, error);
        return true;
    }

    // The picture to fill before send().
    AVFrame* frame()
    {
        av_frame_make_writable(m_frame);
        return m_frame;
    }

    // Encodes the picture shown from `from` for `lasts` milliseconds.
    bool send(qint64 from, qint64 lasts, QString& error)
    {
        m_frame->pts = from;
        m_durations[from] = lasts;
        const int r = avcodec_send_frame(m_codec, m_frame);
        return r >= 0 ? writePackets(error) : fail(r, error);
    }

    bool finish(QString& error)
    {
        int r = avcodec_send_frame(m_codec, nullptr);
        if (r < 0 || !writePackets(error))
            return r < 0 ? fail(r, error) : false;
        if ((r = av_write_trailer(m_output)) < 0)
            return fail(r, error);
        if ((r = avio_closep(&m_output->pb)) < 0)
            return fail(r, error);
        return true;
    }

private:
    bool writePackets(QString& error)
    {
        for (;;) {
            int r = avcodec_receive_packet(m_codec, m_packet);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
                return true;
            if (r < 0)
                return fail(r, error);
            // Every picture lasts what its frames last, the last one too.
            if (const auto d = m_durations.find(m_packet->pts); d != m_durations.end()) {
                m_packet->duration = d->second;
                m_durations.erase(d);
            }
            av_packet_rescale_ts(m_packet, m_codec->time_base, m_stream->time_base);
            m_packet->stream_index = m_stream->index;
            r = av_interleaved_write_frame(m_output, m_packet);
            if (r < 0)
                return fail(r, error);
        }
    }

    static bool fail(int code, QString& error)
    {
        error = errorText(code);
        return false;
    }

    AVFormatContext* m_output = nullptr;
    AVStream* m_stream = nullptr;
    AVCodecContext* m_codec = nullptr;
    AVPacket* m_packet = nullptr;
    AVFrame* m_frame = nullptr;
    std::map<qint64, qint64> m_durations;
};

// Draws a frame into the picture: luma straight from each pixel's colour,
// chroma from the share of letter pixels in each 2 × 2 block. The picture
// keeps what it showed last, so only the cells that look different are
// drawn again: on a movie where little moves, most of a frame is not
// touched at all.
class Painter
{
public:
    Painter(const GifGlyphs& glyphs, QSize cells, QSize size, const ExportOptions& o)
        : m_glyphs(glyphs), m_cells(cells), m_size(size),
          m_indices(size_t(size.width()) * size_t(size.height()) + GifGlyphs::kSlack),
          m_shown(size_t(cells.width()) * size_t(cells.height()))
    {
        const Yuv background = aYuv(o.background), letters = aYuv(o.letters);
        m_y[0] = uint8_t(background.y);
        m_y[1] = uint8_t(letters.y);
        for (int n = 0; n <= 4; ++n) {
            m_u[n] = uint8_t((background.u * (4 - n) + letters.u * n + 2) / 4);
            m_v[n] = uint8_t((background.v * (4 - n) + letters.v * n + 2) / 4);
        }
    }

    void paint(const GifFrame& frame, AVFrame* f)
    {
        const int cw = m_glyphs.width(), ch = m_glyphs.height(), w = m_size.width();
        const bool block = cw <= int(GifGlyphs::kSlack);
        for (int r = 0; r < m_cells.height(); ++r) {
            int length = 0;
            const unsigned char* text = frame.row(r, length);
            unsigned char* shown = m_shown.data() + size_t(r) * size_t(m_cells.width());
            int first = m_cells.width(), last = -1;
            for (int c = 0; c < m_cells.width(); ++c) {
                const unsigned char form = m_glyphs.form(c < length ? text[c] : ' ');
                if (m_painted && shown[c] == form)
                    continue;
                shown[c] = form;
                first = std::min(first, c);
                last = c;
            }
            if (last < 0)
                continue;
            for (int y = r * ch; y < (r + 1) * ch; ++y) {
                const int inside = (y % ch) * cw;
                unsigned char* d = m_indices.data() + size_t(y) * size_t(w) + size_t(first) * size_t(cw);
                for (int c = first; c <= last; ++c, d += cw) {
                    const unsigned char* from = m_glyphs.cellOf(c < length ? text[c] : ' ') + inside;
                    // A whole block spills into the next cell, drawn after
                    // it; the last cell drawn must not spill.
                    if (block && c < last)
                        std::memcpy(d, from, GifGlyphs::kSlack);
                    else
                        std::memcpy(d, from, size_t(cw));
                }
            }
            // The 2 × 2 blocks the band touches, even pixel bounds.
            const int x0 = (first * cw) & ~1, x1 = std::min(w, ((last + 1) * cw + 1) & ~1);
            const int y0 = (r * ch) & ~1, y1 = std::min(m_size.height(), ((r + 1) * ch + 1) & ~1);
            m_bands.push_back({x0, y0, x1, y1});
        }
        // Luma and chroma once every cell's pixels are in place: a band's
        // blocks may take pixels from the band below.
        for (const Band& band : m_bands) {
            for (int y = band.y0; y < band.y1; ++y) {
                const unsigned char* i = m_indices.data() + size_t(y) * size_t(w);
                uint8_t* luma = f->data[0] + size_t(y) * size_t(f->linesize[0]);
                for (int x = band.x0; x < band.x1; ++x)
                    luma[x] = m_y[i[x]];
            }
            for (int y = band.y0 / 2; y < band.y1 / 2; ++y) {
                const unsigned char* a = m_indices.data() + size_t(2 * y) * size_t(w);
                const unsigned char* b = a + w;
                uint8_t* u = f->data[1] + size_t(y) * size_t(f->linesize[1]);
                uint8_t* v = f->data[2] + size_t(y) * size_t(f->linesize[2]);
                for (int x = band.x0 / 2; x < band.x1 / 2; ++x) {
                    const int n = a[2 * x] + a[2 * x + 1] + b[2 * x] + b[2 * x + 1];
                    u[x] = m_u[n];
                    v[x] = m_v[n];
                }
            }
        }
        m_bands.clear();
        m_painted = true;
    }

private:
    struct Band
    {
        int x0, y0, x1, y1;
    };

    const GifGlyphs& m_glyphs;
    QSize m_cells, m_size;
    std::vector<unsigned char> m_indices; // the picture shown, as palette indices
    std::vector<unsigned char> m_shown;   // each cell's form as last drawn
    std::vector<Band> m_bands;
    bool m_painted = false;
    uint8_t m_y[2]{}, m_u[5]{}, m_v[5]{};
};

} // namespace

ExportResult exportVideo(const Movie& movie, const FileName& path, const QFont& font,
                         const ExportOptions& options, VideoFormat format, QString* error)
{
    av_log_set_level(AV_LOG_QUIET); // failures are told in the suite's words
    QString problem;
    const auto failure = [&](SafeFile* file) {
        if (file)
            file->cancel();
        if (error)
            *error = problem;
        return ExportResult::Fault;
    };
    QFont unsmoothed = font;
    unsmoothed.setStyleStrategy(QFont::NoAntialias);
    const GifGlyphs glyphs(unsmoothed, options);
    const QSize cells(std::max<int>(movie.ancho, 1), std::max<int>(movie.alto, 1));
    const int w = cells.width() * glyphs.width(), h = cells.height() * glyphs.height();
    const QSize size(w + (w & 1), h + (h & 1));
    const qint64 budget = format == VideoFormat::Mp4 ? kMp4Pixels : kWebMPixels;
    const auto fitsIn = [&](QSize cell) {
        const qint64 pw = qint64(cells.width()) * cell.width(), ph = qint64(cells.height()) * cell.height();
        return pw + 1 <= kMaxSide && ph + 1 <= kMaxSide && (pw + 1) * (ph + 1) <= budget;
    };
    if (!fitsIn({glyphs.width(), glyphs.height()})) {
        // The largest whole size in points whose pictures fit, to name it.
        int fits = 0;
        for (int points = int(std::ceil(font.pointSizeF())) - 1; points >= 1 && fits == 0; --points) {
            QFont smaller = unsmoothed;
            smaller.setPointSize(points);
            const GifGlyphs cell(smaller, options);
            if (fitsIn({cell.width(), cell.height()}))
                fits = points;
        }
        if (size.width() > kMaxSide || size.height() > kMaxSide)
            problem = QStringLiteral("La película no cabe en un video: %1 × %2 píxeles, y un video admite "
                                     "hasta %3 × %3. ")
                          .arg(size.width())
                          .arg(size.height())
                          .arg(kMaxSide);
        else
            problem = QStringLiteral("La película es demasiado grande para un video %1: %2 × %3 píxeles, "
                                     "y se admiten hasta %4 millones de píxeles. ")
                          .arg(format == VideoFormat::Mp4 ? QStringLiteral("MP4") : QStringLiteral("WebM"))
                          .arg(size.width())
                          .arg(size.height())
                          .arg(QLocale(QLocale::Spanish).toString(double(budget) / 1e6, 'g', 2));
        problem += fits > 0 ? QStringLiteral("Elija una letra de %1 puntos o menos.").arg(fits)
                            : QStringLiteral("No cabe ni con la letra más pequeña.");
        return failure(nullptr);
    }
    // Frame i starts at i × pausa, rounded to the millisecond: times taken
    // from the sum of the pauses, so that a fractional pause does not drift
    // (33.333 ms rounded to 33 once would lose 0.6 s a minute).
    const double pause = std::isfinite(movie.pausa) && movie.pausa >= 1 ? movie.pausa : double(exportPause(movie));
    const auto startOf = [pause](qint64 frame) { return qint64(std::llround(double(frame) * pause)); };

    SafeFile file(path);
    const FileName scratch = file.openByName();
    if (scratch.isEmpty()) {
        problem = file.error();
        return failure(nullptr);
    }
    {
        Encoding video;
        Soundtrack sound;
        Soundtrack* withSound = options.sound.isEmpty() ? nullptr : &sound;
        if (!video.open(scratch, format, size, int(std::lround(1000.0 / pause)), withSound, options,
                        startOf(movie.numCuadros), problem))
            return failure(&file);
        Painter painter(glyphs, cells, size, options);
        // A run of frames that look alike is one picture shown for the run:
        // the pending picture, from frame `first` until frame `until`.
        GifFrame pending;
        qint64 first = -1;
        const auto show = [&](qint64 until) {
            painter.paint(pending, video.frame());
            return (!withSound || sound.writeUntil(startOf(first), problem))
                   && video.send(startOf(first), startOf(until) - startOf(first), problem);
        };
        for (int i = 0; i < movie.numCuadros; ++i) {
            GifFrame frame(visibleFrame(movie, i));
            if (first < 0 ||
                !gif::change(pending, frame, cells.width(), cells.height(), glyphs).isEmpty()) {
                if (first >= 0 && !show(i))
                    return failure(&file);
                pending = std::move(frame);
                first = i;
            }
            if (options.progress && !options.progress(i + 1, movie.numCuadros)) {
                file.cancel();
                return ExportResult::Cancelled;
            }
        }
        if (first >= 0 && !show(movie.numCuadros))
            return failure(&file);
        if (withSound && !sound.finish(problem))
            return failure(&file);
        if (!video.finish(problem))
            return failure(&file);
    }
    if (!file.finish()) {
        problem = file.error();
        return failure(nullptr);
    }
    return ExportResult::Done;
}

} // namespace orv::render

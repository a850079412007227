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
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace orv::render {
namespace {

using gif::GifFrame;
using gif::GifGlyphs;

// H.264 and VP9 encoders take pictures up to these sides.
constexpr int kMaxSide = 8192;
constexpr qint64 kLeanPixels = 4'000'000; // pictures larger than this are encoded holding few frames
constexpr int kKeyEvery = 250;            // pictures from one key picture to the next
constexpr qint64 kStretchedPixels = 4'000'000; // a picture of each stretch encoded at once, in all
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

bool fail(int code, QString& error)
{
    error = errorText(code);
    return false;
}

// One encoder: pictures in, packets out, times in milliseconds.
class Encoder
{
public:
    using Sink = std::function<bool(AVPacket*, QString&)>;

    ~Encoder()
    {
        av_packet_free(&m_packet);
        av_frame_free(&m_frame);
        avcodec_free_context(&m_codec);
    }

    // Sets the encoder up for pictures of `size` pixels, on `threads`
    // threads (0: as many as it likes); false with `error` set when it
    // cannot be.
    bool open(VideoFormat format, QSize size, int fps, bool globalHeader, int threads, bool cabac, QString& error)
    {
        const char* codecName = format == VideoFormat::Mp4 ? "libx264" : "libvpx-vp9";
        const AVCodec* codec = avcodec_find_encoder_by_name(codecName);
        if (!codec) {
            error = QStringLiteral("el codificador %1 no está disponible")
                        .arg(QLatin1String(codecName));
            return false;
        }
        m_codec = avcodec_alloc_context3(codec);
        m_packet = av_packet_alloc();
        m_frame = av_frame_alloc();
        if (!m_codec || !m_packet || !m_frame)
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
        m_codec->gop_size = kKeyEvery;
        m_codec->thread_count = threads;
        if (format == VideoFormat::Mp4) {
            // A movie's pictures are letters copied whole from a set of at
            // most 256: what a cell shows now is mostly shown by some cell
            // nearby in the picture before, a whole number of cells away.
            // A wide motion search (umh over 24 pixels, on 8 × 8 blocks)
            // finds those copies, and is what makes the file small; what
            // the fast preset leaves out (sub-pixel search, B-frames,
            // look-ahead, the deblocking filter) gains nothing on letters.
            // CABAC makes files 10 to 25 % smaller than CAVLC, but on
            // pictures where every cell changes it takes a third of the
            // encoder's time: it is left out of long movies, whose time
            // counts.
            // Tuned for PSNR (no bits moved to where eyes look) and the
            // quantiser capped, so that every picture keeps at least 30 dB
            // PSNR against the drawing, a small one where all changes too.
            av_opt_set(m_codec->priv_data, "preset", "ultrafast", 0);
            av_opt_set(m_codec->priv_data, "tune", "psnr", 0);
            av_opt_set(m_codec->priv_data, "crf", "28", 0);
            const QByteArray params = QByteArray("cabac=") + (cabac ? "1" : "0") +
                                      ":partitions=p8x8:me=umh:merange=24:chroma-me=0:qpmax=30";
            av_opt_set(m_codec->priv_data, "x264-params", params.constData(), 0);
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
        if (globalHeader)
            m_codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        int r = avcodec_open2(m_codec, codec, nullptr);
        if (r < 0)
            return fail(r, error);
        m_frame->format = AV_PIX_FMT_YUV420P;
        m_frame->width = size.width();
        m_frame->height = size.height();
        if ((r = av_frame_get_buffer(m_frame, 0)) < 0)
            return fail(r, error);
        return true;
    }

    const AVCodecContext* context() const { return m_codec; }

    // The picture to fill before send().
    AVFrame* frame()
    {
        av_frame_make_writable(m_frame);
        return m_frame;
    }

    // Encodes the picture shown from `from` for `lasts` milliseconds,
    // handing what comes out to `sink`.
    bool send(qint64 from, qint64 lasts, const Sink& sink, QString& error)
    {
        m_frame->pts = from;
        m_durations[from] = lasts;
        const int r = avcodec_send_frame(m_codec, m_frame);
        return r >= 0 ? drain(sink, error) : fail(r, error);
    }

    // Hands the packets still held to `sink`.
    bool finish(const Sink& sink, QString& error)
    {
        const int r = avcodec_send_frame(m_codec, nullptr);
        return r >= 0 ? drain(sink, error) : fail(r, error);
    }

private:
    bool drain(const Sink& sink, QString& error)
    {
        for (;;) {
            const int r = avcodec_receive_packet(m_codec, m_packet);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
                return true;
            if (r < 0)
                return fail(r, error);
            // Every picture lasts what its frames last, the last one too.
            if (const auto d = m_durations.find(m_packet->pts); d != m_durations.end()) {
                m_packet->duration = d->second;
                m_durations.erase(d);
            }
            const bool written = sink(m_packet, error);
            av_packet_unref(m_packet);
            if (!written)
                return false;
        }
    }

    AVCodecContext* m_codec = nullptr;
    AVPacket* m_packet = nullptr;
    AVFrame* m_frame = nullptr;
    std::map<qint64, qint64> m_durations;
};

// The file being written: the video's stream and the sound's.
class Output
{
public:
    ~Output()
    {
        if (m_output) {
            if (m_output->pb)
                avio_closep(&m_output->pb);
            avformat_free_context(m_output);
        }
    }

    bool create(const FileName& scratch, VideoFormat format, QString& error)
    {
        m_url = "file:" + scratch.bytes();
        m_format = format;
        const int r = avformat_alloc_output_context2(&m_output, nullptr, format == VideoFormat::Mp4 ? "mp4" : "webm",
                                                     m_url.constData());
        return r >= 0 && m_output ? true : fail(r < 0 ? r : AVERROR(ENOMEM), error);
    }

    // Whether the encoders must keep their settings out of the pictures.
    bool globalHeader() const { return m_output->oformat->flags & AVFMT_GLOBALHEADER; }

    // Adds the streams (the video's as `video` encodes it) and writes the
    // header.
    bool start(const AVCodecContext* video, Soundtrack* sound, const ExportOptions& options, qint64 lengthMs,
               QString& error)
    {
        m_stream = avformat_new_stream(m_output, nullptr);
        if (!m_stream)
            return fail(AVERROR(ENOMEM), error);
        int r = avcodec_parameters_from_context(m_stream->codecpar, video);
        if (r < 0)
            return fail(r, error);
        m_stream->time_base = {1, 1000};
        m_sound = sound;
        if (sound && !sound->open(options.sound, options.soundFrom, lengthMs, m_output,
                                  m_format == VideoFormat::WebM, error))
            return false;
        if ((r = avio_open(&m_output->pb, m_url.constData(), AVIO_FLAG_WRITE)) < 0)
            return fail(r, error);
        AVDictionary* settings = nullptr;
        if (m_format == VideoFormat::Mp4)
            av_dict_set(&settings, "movflags", "+faststart", 0);
        r = avformat_write_header(m_output, &settings);
        av_dict_free(&settings);
        return r >= 0 ? true : fail(r, error);
    }

    // Writes a packet of the video, and the sound up to where it starts.
    bool write(AVPacket* packet, QString& error)
    {
        if (m_sound && !m_sound->writeUntil(packet->pts, error))
            return false;
        av_packet_rescale_ts(packet, {1, 1000}, m_stream->time_base);
        packet->stream_index = m_stream->index;
        const int r = av_interleaved_write_frame(m_output, packet);
        return r >= 0 ? true : fail(r, error);
    }

    bool finish(QString& error)
    {
        if (m_sound && !m_sound->finish(error))
            return false;
        int r = av_write_trailer(m_output);
        if (r < 0)
            return fail(r, error);
        if ((r = avio_closep(&m_output->pb)) < 0)
            return fail(r, error);
        return true;
    }

private:
    QByteArray m_url;
    VideoFormat m_format = VideoFormat::Mp4;
    AVFormatContext* m_output = nullptr;
    AVStream* m_stream = nullptr;
    Soundtrack* m_sound = nullptr;
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
                int x = band.x0;
                for (const int end = band.x1 - 8; x <= end; x += 8) {
                    const std::uint64_t eight = lumaOf(i + x);
                    std::memcpy(luma + x, &eight, 8);
                }
                for (; x < band.x1; ++x)
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

    // The luma of eight pixels at once: each index is 0 or 1, so each
    // byte of the product is 0 or the step, and the sum carries nowhere.
    std::uint64_t lumaOf(const unsigned char* indices) const
    {
        std::uint64_t word;
        std::memcpy(&word, indices, 8);
        constexpr std::uint64_t kOnes = 0x0101010101010101u;
        return m_y[1] >= m_y[0] ? kOnes * m_y[0] + word * std::uint64_t(m_y[1] - m_y[0])
                                : kOnes * m_y[0] - word * std::uint64_t(m_y[0] - m_y[1]);
    }

    const GifGlyphs& m_glyphs;
    QSize m_cells, m_size;
    std::vector<unsigned char> m_indices; // the picture shown, as palette indices
    std::vector<unsigned char> m_shown;   // each cell's form as last drawn
    std::vector<Band> m_bands;
    bool m_painted = false;
    uint8_t m_y[2]{}, m_u[5]{}, m_v[5]{};
};

// A picture to encode: a frame shown from `from` for `lasts` milliseconds,
// standing for `frames` of the movie's frames.
struct Picture
{
    GifFrame frame;
    qint64 from = 0, lasts = 0;
    int frames = 0;
};

// What every encoder and painter of an export is made alike from.
struct Setup
{
    VideoFormat format;
    QSize size, cells;
    int fps;
    const GifGlyphs& glyphs;
    const ExportOptions& options;
};

// Paints and encodes a movie's pictures and writes them to the file in
// order. Without helpers it does so on the caller's thread, the encoder
// using threads of its own. With helpers, the pictures are cut into
// stretches of kKeyEvery, each encoded on a helper thread by an encoder of
// its own, side by side: a stretch starts on a key picture, where a single
// encoder would have put one, so the cut costs nothing in size. (x264's
// own threads encode one picture after the other, each waiting on rows of
// the one before, and kept two cores about three quarters busy on movies
// where every cell changes.)
//
// Stretches are counted in pictures: a long movie of few pictures (frames
// held, a drawing that rarely changes) is quick to encode, and keeps one
// encoder and CABAC's smaller file. So when helpers may be had, the file
// is started once enough pictures have come, or all of them.
//
// The oldest stretch writes its packets as they come; a later one holds
// them until it is the oldest, and beyond kHeldBytes held in all it waits
// for that, so that memory stays bounded whatever the pictures cost.
class PictureWriter
{
public:
    // `most`: the helpers there may be, if the pictures are enough.
    PictureWriter(Output& output, const Setup& setup, int most, std::function<bool(int)> waiting)
        : m_output(output), m_setup(setup), m_most(most), m_waiting(std::move(waiting))
    {
    }

    ~PictureWriter()
    {
        {
            const std::lock_guard lock(m_lock);
            m_stop = true;
        }
        m_changed.notify_all();
        for (const auto& stretch : m_running)
            if (stretch->done.valid())
                stretch->done.wait();
    }

    // The file's sound and length; the file itself is started here when
    // there can be no helpers.
    bool open(Soundtrack* sound, qint64 lengthMs)
    {
        m_sound = sound;
        m_lengthMs = lengthMs;
        return m_most >= 2 || start(0);
    }

    bool add(Picture picture)
    {
        if (!m_gathering) {
            m_waitingPictures.push_back(std::move(picture));
            return m_waitingPictures.size() < size_t(m_most) * kKeyEvery || start(m_most);
        }
        if (m_helpers == 0)
            return encodeOne(*m_painter, *m_gathering->encoder, picture, direct(), m_error);
        m_gathering->pictures.push_back(std::move(picture));
        return m_gathering->pictures.size() < size_t(kKeyEvery) || dispatch();
    }

    bool finish()
    {
        if (!m_gathering) {
            const int helpers = int(m_waitingPictures.size() / kKeyEvery);
            if (!start(helpers >= 2 ? helpers : 0))
                return false;
        }
        if (m_helpers == 0)
            return m_gathering->encoder->finish(direct(), m_error);
        if (!m_gathering->pictures.empty() && !dispatch())
            return false;
        while (!m_running.empty())
            if (!awaitOldest())
                return false;
        return true;
    }

    // Frames whose pictures are encoded.
    int framesDone() const { return m_done; }
    bool cancelled() const { return m_cancelled; }
    const QString& error() const { return m_error; }

private:
    static constexpr size_t kHeldBytes = 32u << 20;

    struct Stretch
    {
        ~Stretch()
        {
            for (AVPacket*& packet : held)
                av_packet_free(&packet);
        }

        int index = 0;
        std::vector<Picture> pictures;
        std::unique_ptr<Encoder> encoder; // opened on its helper, closed when done
        std::vector<AVPacket*> held;      // what it gave before it was the oldest
        bool complete = false;            // every packet given
        QString error;
        std::future<bool> done;
    };

    // Two threads an encoder beside helpers, so that a helper left alone
    // at the end still keeps two cores busy. Without helpers, as many as
    // it likes, but one past a few million pixels: the encoder holds a
    // picture for each thread, each frame it looks ahead and each
    // reference, and on big pictures (a 400 × 400 movie at 12 pt is 30
    // million pixels) that is gigabytes.
    int encoderThreads() const
    {
        if (m_helpers > 0)
            return 2;
        return qint64(m_setup.size.width()) * m_setup.size.height() > kLeanPixels ? 1 : 0;
    }

    // Sets up the first encoder, with `helpers` beside it, and with its
    // settings the file; then takes the pictures that came before.
    bool start(int helpers)
    {
        m_helpers = helpers;
        m_gathering = std::make_unique<Stretch>();
        m_gathering->encoder = std::make_unique<Encoder>();
        if (!m_gathering->encoder->open(m_setup.format, m_setup.size, m_setup.fps, m_output.globalHeader(),
                                        encoderThreads(), m_helpers == 0, m_error) ||
            !m_output.start(m_gathering->encoder->context(), m_sound, m_setup.options, m_lengthMs, m_error))
            return false;
        m_settings = settingsOf(*m_gathering->encoder);
        if (m_helpers == 0)
            m_painter = std::make_unique<Painter>(m_setup.glyphs, m_setup.cells, m_setup.size, m_setup.options);
        std::vector<Picture> before = std::move(m_waitingPictures);
        for (Picture& picture : before)
            if (!add(std::move(picture)))
                return false;
        return true;
    }

    static QByteArray settingsOf(const Encoder& encoder)
    {
        const AVCodecContext* c = encoder.context();
        return QByteArray(reinterpret_cast<const char*>(c->extradata), c->extradata_size);
    }

    // Paints the picture and hands it to the encoder.
    bool encodeOne(Painter& painter, Encoder& encoder, const Picture& picture, const Encoder::Sink& sink,
                   QString& error)
    {
        painter.paint(picture.frame, encoder.frame());
        if (!encoder.send(picture.from, picture.lasts, sink, error))
            return false;
        m_done += picture.frames;
        return true;
    }

    Encoder::Sink direct()
    {
        return [this](AVPacket* packet, QString& error) { return m_output.write(packet, error); };
    }

    // Hands the stretch gathered to a helper, once fewer than m_helpers
    // are in hand.
    bool dispatch()
    {
        if (m_running.size() == size_t(m_helpers) && !awaitOldest())
            return false;
        Stretch& stretch = *m_gathering;
        stretch.index = m_dispatched++;
        {
            // Its helper waits for the lock before it writes or holds
            // anything, by then the stretch is among those running.
            const std::lock_guard lock(m_lock);
            try {
                stretch.done = std::async(std::launch::async, [this, &stretch] { return encode(stretch); });
            } catch (const std::system_error& e) {
                m_error = QString::fromLocal8Bit(e.what());
                return false;
            }
            m_running.push_back(std::move(m_gathering));
        }
        m_gathering = std::make_unique<Stretch>();
        return true;
    }

    // On a helper.
    bool encode(Stretch& stretch)
    {
        bool ok = encodeAll(stretch);
        stretch.encoder.reset();
        stretch.pictures = {};
        {
            const std::lock_guard lock(m_lock);
            stretch.complete = true;
            if (!ok)
                m_stop = true;
            else if (stretch.index == m_oldest)
                ok = passOn(stretch.error);
        }
        m_changed.notify_all();
        return ok;
    }

    bool encodeAll(Stretch& stretch)
    {
        if (!stretch.encoder) {
            stretch.encoder = std::make_unique<Encoder>();
            if (!stretch.encoder->open(m_setup.format, m_setup.size, m_setup.fps, m_output.globalHeader(), encoderThreads(),
                                       false, stretch.error))
                return false;
            // The file holds one set of settings for every picture.
            if (settingsOf(*stretch.encoder) != m_settings) {
                stretch.error = QStringLiteral("el codificador dio ajustes distintos para la misma película");
                return false;
            }
        }
        Painter painter(m_setup.glyphs, m_setup.cells, m_setup.size, m_setup.options);
        const Encoder::Sink give = [this, &stretch](AVPacket* packet, QString& error) {
            return take(stretch, packet, error);
        };
        for (const Picture& picture : stretch.pictures)
            if (m_stop || !encodeOne(painter, *stretch.encoder, picture, give, stretch.error))
                return false;
        return stretch.encoder->finish(give, stretch.error);
    }

    // A packet the stretch's encoder gave: written when the stretch is the
    // oldest, else held.
    bool take(Stretch& stretch, AVPacket* packet, QString& error)
    {
        std::unique_lock lock(m_lock);
        m_changed.wait(lock, [&] { return m_stop || stretch.index == m_oldest || m_heldBytes < kHeldBytes; });
        if (m_stop)
            return false;
        if (stretch.index == m_oldest)
            return m_output.write(packet, error);
        AVPacket* kept = av_packet_alloc();
        if (!kept) {
            error = errorText(AVERROR(ENOMEM));
            return false;
        }
        av_packet_move_ref(kept, packet);
        stretch.held.push_back(kept);
        m_heldBytes += size_t(kept->size);
        return true;
    }

    // With m_lock held, once the oldest stretch is complete: the next one
    // is the oldest; what it holds is written, and so on while the oldest
    // is complete.
    bool passOn(QString& error)
    {
        for (;;) {
            ++m_oldest;
            const auto next = std::find_if(m_running.begin(), m_running.end(),
                                           [this](const auto& s) { return s->index == m_oldest; });
            if (next == m_running.end())
                return true;
            Stretch& stretch = **next;
            for (AVPacket*& packet : stretch.held) {
                m_heldBytes -= size_t(packet->size);
                const bool written = m_output.write(packet, error);
                av_packet_free(&packet);
                if (!written) {
                    m_stop = true;
                    return false;
                }
            }
            stretch.held.clear();
            if (!stretch.complete)
                return true;
        }
    }

    // Waits until the oldest stretch is written, asking m_waiting as it
    // goes.
    bool awaitOldest()
    {
        Stretch& stretch = *m_running.front();
        for (bool ready = false; !ready;) {
            ready = stretch.done.wait_for(std::chrono::milliseconds(50)) == std::future_status::ready;
            if (!m_waiting(m_done)) {
                m_cancelled = true;
                return false;
            }
        }
        if (!stretch.done.get())
            return failed(stretch.error);
        const std::lock_guard lock(m_lock);
        m_running.pop_front();
        return true;
    }

    // Stops every helper and tells the first reason given.
    bool failed(const QString& error)
    {
        {
            const std::lock_guard lock(m_lock);
            m_stop = true;
        }
        m_changed.notify_all();
        m_error = error;
        for (const auto& stretch : m_running) {
            if (stretch->done.valid())
                stretch->done.wait();
            if (m_error.isEmpty())
                m_error = stretch->error;
        }
        return false;
    }

    Output& m_output;
    const Setup& m_setup;
    const int m_most;
    const std::function<bool(int)> m_waiting;
    std::unique_ptr<Painter> m_painter;
    std::unique_ptr<Stretch> m_gathering; // the stretch pictures go to; none until the file is started
    Soundtrack* m_sound = nullptr;
    qint64 m_lengthMs = 0;
    int m_helpers = 0;
    std::vector<Picture> m_waitingPictures; // those that came before the file was started
    QByteArray m_settings; // the encoders' settings the file holds
    int m_dispatched = 0;
    std::atomic<int> m_done{0};
    bool m_cancelled = false;
    QString m_error;

    std::mutex m_lock; // guards what follows, and the file once helpers write to it
    std::condition_variable m_changed;
    std::deque<std::unique_ptr<Stretch>> m_running; // dispatched and not yet written, oldest first
    int m_oldest = 0;                              // the stretch whose packets are written as they come
    size_t m_heldBytes = 0;
    std::atomic<bool> m_stop{false};
};

// The most helpers to encode stretches of the movie side by side (below
// two, none: one encoder on the caller's thread): one a core, up to eight,
// each with kKeyEvery frames or more to do, on pictures small enough that
// what the stretches hold stays small beside the encoders.
int helpersFor(VideoFormat format, QSize size, int frames)
{
    if (format != VideoFormat::Mp4)
        return 0; // libvpx keeps every core busy on its own
    const qint64 pixels = std::max<qint64>(qint64(size.width()) * size.height(), 1);
    return int(std::min<qint64>(
        {std::thread::hardware_concurrency(), 8, frames / kKeyEvery, kStretchedPixels / pixels}));
}

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
        Output output;
        Soundtrack sound;
        if (!output.create(scratch, format, problem))
            return failure(&file);
        const int total = movie.numCuadros;
        const Setup setup{format, size, cells, int(std::lround(1000.0 / pause)), glyphs, options};
        const auto goOn = [&](int done) { return !options.progress || options.progress(done, total); };
        PictureWriter pictures(output, setup, helpersFor(format, size, total), goOn);
        const auto stopped = [&] {
            if (pictures.cancelled()) {
                file.cancel();
                return ExportResult::Cancelled;
            }
            problem = pictures.error();
            return failure(&file);
        };
        if (!pictures.open(options.sound.isEmpty() ? nullptr : &sound, startOf(total)))
            return stopped();
        // A run of frames that look alike is one picture shown for the run:
        // the pending picture, from frame `first` until frame `until`.
        GifFrame pending;
        int first = -1;
        const auto show = [&](int until) {
            return pictures.add({std::move(pending), startOf(first), startOf(until) - startOf(first), until - first});
        };
        for (int i = 0; i < total; ++i) {
            GifFrame frame(visibleFrame(movie, i));
            if (first < 0 ||
                !gif::change(pending, frame, cells.width(), cells.height(), glyphs).isEmpty()) {
                if (first >= 0 && !show(i))
                    return stopped();
                pending = std::move(frame);
                first = i;
            }
            if (!goOn(pictures.framesDone())) {
                file.cancel();
                return ExportResult::Cancelled;
            }
        }
        if ((first >= 0 && !show(total)) || !pictures.finish())
            return stopped();
        if (!output.finish(problem))
            return failure(&file);
    }
    if (!file.finish()) {
        problem = file.error();
        return failure(nullptr);
    }
    return ExportResult::Done;
}

} // namespace orv::render

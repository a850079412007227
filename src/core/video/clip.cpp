#include "clip.h"

#include "filename.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>

namespace orv::video {
namespace {

// FFmpeg takes a name as a URL: "file:" keeps a colon in it from being
// read as a protocol, and the bytes go to open() as they are.
QByteArray urlOf(const FileName& name)
{
    return "file:" + name.bytes();
}

struct CloseFormat
{
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
using Format = std::unique_ptr<AVFormatContext, CloseFormat>;

// The clip opened for reading, its first video stream found; null when it
// is no clip or holds no video.
Format openFormat(const QByteArray& url, int& stream, Clip::Fault& failure)
{
    AVFormatContext* f = nullptr;
    failure = Clip::Fault::NotVideo;
    if (avformat_open_input(&f, url.constData(), nullptr, nullptr) < 0)
        return nullptr;
    Format format(f);
    if (avformat_find_stream_info(f, nullptr) < 0)
        return nullptr;
    stream = av_find_best_stream(f, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream < 0) {
        failure = Clip::Fault::NoVideo;
        return nullptr;
    }
    failure = Clip::Fault::None;
    return format;
}

} // namespace

struct Clip::State
{
    QByteArray url;
    Format format;
    int stream = -1;
    AVCodecContext* decoder = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    AVFrame* grey = nullptr; // the scaled picture, rows padded as swscale writes them
    SwsContext* scale = nullptr;
    bool endSent = false;
    double start = 0; // the stream's start time, in seconds: frame times count from it
    int turns = 0;    // quarter turns clockwise to show the picture upright
    bool mirror = false;
    qint64 decoded = 0;
    double sampleFrom = 0, sampleRate = 0; // the caller's sampling, when it says
    double frameStep = 0; // a frame at the stream's rate (0 when it does not say)
    QByteArray stored; // a turned picture before it is turned

    ~State()
    {
        sws_freeContext(scale);
        av_frame_free(&grey);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&decoder);
    }

    double seconds(int64_t ts) const
    {
        const AVRational base = format->streams[stream]->time_base;
        return ts == AV_NOPTS_VALUE ? -1 : double(ts) * av_q2d(base) - start;
    }
};

Clip::Clip(std::unique_ptr<State> state) : m_state(std::move(state)) {}
Clip::~Clip() = default;

std::unique_ptr<Clip> Clip::open(const FileName& path, Fault& failure)
{
    av_log_set_level(AV_LOG_QUIET); // failures are told in the suite's words
    failure = Fault::NotVideo;
    if (!isRegularFile(path))
        return nullptr;
    auto e = std::make_unique<State>();
    e->url = urlOf(path);
    e->format = openFormat(e->url, e->stream, failure);
    if (!e->format)
        return nullptr;
    failure = Fault::NotVideo;
    const AVStream* s = e->format->streams[e->stream];
    const AVCodec* codec = avcodec_find_decoder(s->codecpar->codec_id);
    e->decoder = codec ? avcodec_alloc_context3(codec) : nullptr;
    if (!e->decoder || avcodec_parameters_to_context(e->decoder, s->codecpar) < 0)
        return nullptr;
    e->decoder->thread_count = 0; // as many as there are cores
    e->decoder->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    // Decoded exactly, every filter of the codec included: a frame decoded
    // without its deblocking filter is the reference of the next, so the
    // error grows through a group of pictures (one grey level off in up to
    // 18 % of the cells) and snaps back at the next key frame, a visible pulse.
    e->packet = av_packet_alloc();
    e->frame = av_frame_alloc();
    e->grey = av_frame_alloc();
    if (avcodec_open2(e->decoder, codec, nullptr) < 0 || !e->packet || !e->frame || !e->grey ||
        s->codecpar->width <= 0 || s->codecpar->height <= 0)
        return nullptr;
    e->start = s->start_time == AV_NOPTS_VALUE ? 0 : double(s->start_time) * av_q2d(s->time_base);
    const AVRational rate = s->avg_frame_rate.num > 0 ? s->avg_frame_rate : s->r_frame_rate;
    e->frameStep = rate.num > 0 && rate.den > 0 ? 1 / av_q2d(rate) : 0;
    // The display matrix, as FFmpeg's own tools apply it: a mirror when its
    // determinant is negative, then the turn it states counterclockwise.
    if (const auto* m = reinterpret_cast<const int32_t*>(
            av_stream_get_side_data(s, AV_PKT_DATA_DISPLAYMATRIX, nullptr))) {
        int32_t matrix[9];
        std::memcpy(matrix, m, sizeof matrix);
        e->mirror = double(matrix[0]) * matrix[4] - double(matrix[1]) * matrix[3] < 0;
        if (e->mirror)
            av_display_matrix_flip(matrix, 1, 0);
        const double angle = -av_display_rotation_get(matrix); // clockwise
        if (std::isfinite(angle))
            e->turns = int(std::lround(angle / 90.0)) & 3;
    }
    failure = Fault::None;
    return std::unique_ptr<Clip>(new Clip(std::move(e)));
}

QSize Clip::visibleSize() const
{
    const AVStream* s = m_state->format->streams[m_state->stream];
    const AVRational sar =
        av_guess_sample_aspect_ratio(m_state->format.get(), const_cast<AVStream*>(s), nullptr);
    const int width = s->codecpar->width, height = s->codecpar->height;
    const QSize stored = sar.num <= 0 || sar.den <= 0
                             ? QSize(width, height)
                             : QSize(std::max(1, int(std::lround(double(width) * sar.num / sar.den))), height);
    return m_state->turns % 2 ? stored.transposed() : stored;
}

double Clip::statedDuration() const
{
    const AVFormatContext* f = m_state->format.get();
    const AVStream* s = f->streams[m_state->stream];
    if (s->duration != AV_NOPTS_VALUE && s->duration > 0)
        return double(s->duration) * av_q2d(s->time_base);
    if (f->duration != AV_NOPTS_VALUE && f->duration > 0)
        return double(f->duration) / AV_TIME_BASE;
    return -1;
}

int Clip::quarterTurns() const
{
    return m_state->turns;
}

bool Clip::mirrored() const
{
    return m_state->mirror;
}

bool Clip::seek(double seconds)
{
    State& e = *m_state;
    const AVStream* s = e.format->streams[e.stream];
    const int64_t ts = int64_t(std::floor((seconds + e.start) / av_q2d(s->time_base)));
    if (av_seek_frame(e.format.get(), e.stream, ts, AVSEEK_FLAG_BACKWARD) < 0)
        return false;
    avcodec_flush_buffers(e.decoder);
    e.endSent = false;
    return true;
}

qint64 Clip::decodedFrames() const
{
    return m_state->decoded;
}

void Clip::sampleAt(double from, double fps)
{
    m_state->sampleFrom = from;
    m_state->sampleRate = fps;
}

double Clip::fps() const
{
    return m_state->frameStep > 0 ? 1 / m_state->frameStep : 0;
}

std::vector<double> Clip::times(double& end)
{
    end = -1;
    // A second reading of the container, packets only: no frame is decoded.
    int stream = -1;
    Fault failure = Fault::None;
    const Format format = openFormat(m_state->url, stream, failure);
    std::vector<double> t;
    if (!format)
        return t;
    AVPacket* p = av_packet_alloc();
    double anterior = -1;
    const double step = fps() > 0 ? 1 / fps() : 0.04;
    while (p && av_read_frame(format.get(), p) >= 0) {
        if (p->stream_index == stream) {
            const int64_t ts = p->pts != AV_NOPTS_VALUE ? p->pts : p->dts;
            double s = m_state->seconds(ts);
            if (ts == AV_NOPTS_VALUE)
                s = anterior < 0 ? 0 : anterior + step;
            t.push_back(s);
            anterior = s;
            if (p->duration > 0)
                end = std::max(end, s + double(p->duration) *
                                            av_q2d(format->streams[stream]->time_base));
        }
        av_packet_unref(p);
    }
    av_packet_free(&p);
    std::sort(t.begin(), t.end());
    return t;
}

bool Clip::next(QSize size, double& time, QByteArray& grey)
{
    State& e = *m_state;
    for (;;) {
        const int r = avcodec_receive_frame(e.decoder, e.frame);
        if (r == 0)
            break;
        if (r != AVERROR(EAGAIN))
            return false; // the end, or a decoder that cannot go on
        // Feed the next packet of the stream; a damaged one is passed over.
        bool sent = false;
        while (!sent) {
            if (av_read_frame(e.format.get(), e.packet) < 0) {
                if (e.endSent)
                    return false;
                avcodec_send_packet(e.decoder, nullptr);
                e.endSent = true;
                sent = true;
                break;
            }
            if (e.packet->stream_index == e.stream) {
                // A frame on screen at no sample time: the decoder may drop
                // it, if no other frame refers to it. (A packet that does not
                // say how long it shows lasts a frame at the stream's rate.)
                const int64_t ts = e.packet->pts;
                bool unseen = false;
                if (ts != AV_NOPTS_VALUE && e.sampleRate > 0) {
                    const AVRational base = e.format->streams[e.stream]->time_base;
                    const double lasts = e.packet->duration > 0 ? double(e.packet->duration) * av_q2d(base)
                                                                : e.frameStep;
                    const double t = e.seconds(ts);
                    const double next = e.sampleFrom + std::ceil((t - e.sampleFrom) * e.sampleRate - 1e-9) / e.sampleRate;
                    unseen = lasts > 0 && t > e.sampleFrom && next >= t + lasts + 1e-9;
                }
                e.decoder->skip_frame = unseen ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
                sent = avcodec_send_packet(e.decoder, e.packet) == 0;
            }
            av_packet_unref(e.packet);
        }
    }
    ++e.decoded;
    time = e.seconds(e.frame->best_effort_timestamp);
    // Scaled as stored, then turned upright.
    const QSize shown = size;
    if (e.turns % 2)
        size.transpose();
    e.scale = sws_getCachedContext(e.scale, e.frame->width, e.frame->height,
                                   AVPixelFormat(e.frame->format), size.width(), size.height(),
                                   AV_PIX_FMT_GRAY8, SWS_AREA, nullptr, nullptr, nullptr);
    if (!e.scale)
        return false;
    // swscale writes whole SIMD blocks: into a frame of libav's own, its rows
    // padded for that, then copied out row by row.
    if (e.grey->width != size.width() || e.grey->height != size.height()) {
        av_frame_unref(e.grey);
        e.grey->format = AV_PIX_FMT_GRAY8;
        e.grey->width = size.width();
        e.grey->height = size.height();
        if (av_frame_get_buffer(e.grey, 0) < 0)
            return false;
    }
    const int rows = sws_scale(e.scale, e.frame->data, e.frame->linesize, 0, e.frame->height,
                               e.grey->data, e.grey->linesize);
    av_frame_unref(e.frame);
    const bool upright = e.turns == 0 && !e.mirror;
    QByteArray& plain = upright ? grey : e.stored;
    plain.resize(qsizetype(size.width()) * size.height());
    for (int y = 0; y < size.height(); ++y)
        std::memcpy(plain.data() + qsizetype(y) * size.width(),
                    e.grey->data[0] + qsizetype(y) * e.grey->linesize[0], size_t(size.width()));
    if (!upright) {
        // Pixel (x, y) of the upright picture, from the stored one: mirrored
        // first, then turned clockwise.
        const int w = size.width(), h = size.height();
        grey.resize(qsizetype(shown.width()) * shown.height());
        const auto* from = reinterpret_cast<const uchar*>(plain.constData());
        auto* to = reinterpret_cast<uchar*>(grey.data());
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                int sx = 0, sy = 0;
                switch (e.turns) {
                case 0: sx = x; sy = y; break;
                case 1: sx = y; sy = h - 1 - x; break;
                case 2: sx = w - 1 - x; sy = h - 1 - y; break;
                default: sx = w - 1 - y; sy = x; break;
                }
                if (e.mirror)
                    sx = w - 1 - sx;
                to[qsizetype(y) * shown.width() + x] = from[qsizetype(sy) * w + sx];
            }
        }
    }
    return rows == size.height();
}

} // namespace orv::video

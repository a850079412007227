#include "videofixtures.h"

#include <QFile>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <cstring>
#include <limits>
#include <map>

namespace videofixtures {
namespace {

bool send(AVCodecContext* c, AVFrame* f, AVFormatContext* o, AVStream* s, AVPacket* p)
{
    if (avcodec_send_frame(c, f) < 0)
        return false;
    for (;;) {
        const int r = avcodec_receive_packet(c, p);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
            return true;
        if (r < 0)
            return false;
        // MP4 drops a last sample whose length it is not told.
        if (p->duration <= 0)
            p->duration = 40;
        av_packet_rescale_ts(p, c->time_base, s->time_base);
        p->stream_index = s->index;
        if (av_interleaved_write_frame(o, p) < 0)
            return false;
    }
}

} // namespace

bool writeClip(const QString& path, const QList<QImage>& cuadros, Kind kind,
               const QList<int>& timesMs, int rotation)
{
    if (cuadros.isEmpty())
        return false;
    av_log_set_level(AV_LOG_QUIET);
    const bool grey = kind == Kind::LosslessGrey;
    const QByteArray name = QFile::encodeName(path);
    AVFormatContext* o = nullptr;
    if (avformat_alloc_output_context2(&o, nullptr, grey ? "matroska" : "mp4", name.constData()) <
        0)
        return false;
    const AVCodec* codec =
        grey ? avcodec_find_encoder(AV_CODEC_ID_FFV1) : avcodec_find_encoder_by_name("libx264");
    AVStream* s = avformat_new_stream(o, nullptr);
    AVCodecContext* c = avcodec_alloc_context3(codec);
    const QSize size = cuadros.first().size();
    c->width = size.width();
    c->height = size.height();
    c->pix_fmt = grey ? AV_PIX_FMT_GRAY8 : AV_PIX_FMT_YUV420P;
    c->time_base = {1, 1000};
    c->framerate = {25, 1};
    if (kind == Kind::H264) {
        av_opt_set(c->priv_data, "crf", "10", 0);
        c->max_b_frames = 0; // with B-frames, a clip of two frames lost one in the MP4
    }
    if (rotation != 0) {
        auto* matrix = reinterpret_cast<int32_t*>(
            av_stream_new_side_data(s, AV_PKT_DATA_DISPLAYMATRIX, sizeof(int32_t) * 9));
        if (!matrix)
            return false;
        av_display_rotation_set(matrix, rotation);
    }
    if (o->oformat->flags & AVFMT_GLOBALHEADER)
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    bool ok = avcodec_open2(c, codec, nullptr) >= 0 && avcodec_parameters_from_context(s->codecpar, c) >= 0;
    s->time_base = {1, 1000};
    ok = ok && avio_open(&o->pb, name.constData(), AVIO_FLAG_WRITE) >= 0 &&
         avformat_write_header(o, nullptr) >= 0;
    AVFrame* f = av_frame_alloc();
    AVPacket* p = av_packet_alloc();
    f->format = c->pix_fmt;
    f->width = c->width;
    f->height = c->height;
    ok = ok && av_frame_get_buffer(f, 0) >= 0;
    SwsContext* sws = sws_getContext(c->width, c->height, AV_PIX_FMT_BGRA, c->width, c->height, c->pix_fmt,
                                     SWS_POINT, nullptr, nullptr, nullptr);
    for (qsizetype i = 0; ok && i < cuadros.size(); ++i) {
        const QImage rgb = cuadros[i].convertToFormat(QImage::Format_RGB32);
        ok = av_frame_make_writable(f) >= 0;
        if (grey) {
            const QImage g = cuadros[i].convertToFormat(QImage::Format_Grayscale8);
            for (int y = 0; y < c->height; ++y)
                std::memcpy(f->data[0] + y * f->linesize[0], g.constScanLine(y), size_t(c->width));
        } else {
            // swscale reads whole SIMD blocks: from rows with room to spare.
            const QImage loose = rgb.copy(0, 0, rgb.width() + 32, rgb.height() + 1);
            const uint8_t* origin[4] = {loose.constBits(), nullptr, nullptr, nullptr};
            const int step[4] = {int(loose.bytesPerLine()), 0, 0, 0};
            sws_scale(sws, origin, step, 0, c->height, f->data, f->linesize);
        }
        f->pts = timesMs.value(i, int(i) * 40);
        ok = ok && send(c, f, o, s, p);
    }
    ok = ok && send(c, nullptr, o, s, p) && av_write_trailer(o) >= 0;
    sws_freeContext(sws);
    av_packet_free(&p);
    av_frame_free(&f);
    avcodec_free_context(&c);
    avio_closep(&o->pb);
    avformat_free_context(o);
    return ok;
}

bool writeTone(const QString& path, int seconds)
{
    QByteArray pcm;
    for (int i = 0; i < seconds * 44100; ++i) {
        const qint16 v = qint16(8000 * std::sin(2 * M_PI * 440 * i / 44100.0));
        for (int c = 0; c < 2; ++c)
            pcm.append(reinterpret_cast<const char*>(&v), 2);
    }
    QByteArray wav("RIFF");
    const auto le32 = [&wav](quint32 x) { wav.append(reinterpret_cast<const char*>(&x), 4); };
    const auto le16 = [&wav](quint16 x) { wav.append(reinterpret_cast<const char*>(&x), 2); };
    le32(quint32(36 + pcm.size()));
    wav += "WAVEfmt ";
    le32(16);
    le16(1); // PCM
    le16(2);
    le32(44100);
    le32(44100 * 4);
    le16(4);
    le16(16);
    wav += "data";
    le32(quint32(pcm.size()));
    wav += pcm;
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(wav) == wav.size();
}

std::optional<Video> readVideo(const QString& path, QSize greySize)
{
    av_log_set_level(AV_LOG_QUIET);
    AVFormatContext* f = nullptr;
    if (avformat_open_input(&f, QFile::encodeName(path).constData(), nullptr, nullptr) < 0)
        return std::nullopt;
    Video v;
    const int stream = avformat_find_stream_info(f, nullptr) >= 0
                           ? av_find_best_stream(f, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0)
                           : -1;
    if (stream < 0) {
        avformat_close_input(&f);
        return std::nullopt;
    }
    const AVStream* s = f->streams[stream];
    v.streams = int(f->nb_streams);
    const int audio = av_find_best_stream(f, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (audio >= 0)
        v.audioCodec = QString::fromLatin1(avcodec_get_name(f->streams[audio]->codecpar->codec_id));
    v.container = QString::fromLatin1(f->iformat->name);
    v.codec = QString::fromLatin1(avcodec_get_name(s->codecpar->codec_id));
    v.size = QSize(s->codecpar->width, s->codecpar->height);
    v.durationMs =
        f->duration == AV_NOPTS_VALUE ? 0 : qint64(std::llround(double(f->duration) / 1000));
    const AVCodec* codec = avcodec_find_decoder(s->codecpar->codec_id);
    AVCodecContext* c = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(c, s->codecpar);
    avcodec_open2(c, codec, nullptr);
    AVPacket* p = av_packet_alloc();
    AVFrame* fr = av_frame_alloc();
    const auto ms = [s](int64_t t) { return qint64(std::llround(double(t) * av_q2d(s->time_base) * 1000)); };
    const auto receive = [&] {
        while (avcodec_receive_frame(c, fr) == 0) {
            v.timesMs << ms(fr->best_effort_timestamp);
            // Converted into a frame of libav's own (its rows padded as
            // swscale writes them), then copied out.
            AVFrame* bgra = av_frame_alloc();
            bgra->format = AV_PIX_FMT_BGRA;
            bgra->width = fr->width;
            bgra->height = fr->height;
            av_frame_get_buffer(bgra, 0);
            SwsContext* sws = sws_getContext(fr->width, fr->height, AVPixelFormat(fr->format), fr->width,
                                             fr->height, AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr);
            sws_scale(sws, fr->data, fr->linesize, 0, fr->height, bgra->data, bgra->linesize);
            sws_freeContext(sws);
            QImage image(fr->width, fr->height, QImage::Format_RGB32);
            for (int y = 0; y < fr->height; ++y)
                std::memcpy(image.scanLine(y), bgra->data[0] + y * bgra->linesize[0],
                            size_t(fr->width) * 4);
            av_frame_free(&bgra);
            v.cuadros << image;
            if (greySize.isValid()) {
                AVFrame* g = av_frame_alloc();
                g->format = AV_PIX_FMT_GRAY8;
                g->width = greySize.width();
                g->height = greySize.height();
                av_frame_get_buffer(g, 0);
                SwsContext* area = sws_getContext(fr->width, fr->height, AVPixelFormat(fr->format), g->width,
                                                  g->height, AV_PIX_FMT_GRAY8, SWS_AREA, nullptr, nullptr, nullptr);
                sws_scale(area, fr->data, fr->linesize, 0, fr->height, g->data, g->linesize);
                sws_freeContext(area);
                QByteArray bytes;
                for (int y = 0; y < g->height; ++y)
                    bytes.append(reinterpret_cast<const char*>(g->data[0] + y * g->linesize[0]), g->width);
                av_frame_free(&g);
                v.grey << bytes;
            }
        }
    };
    while (av_read_frame(f, p) >= 0) {
        if (p->stream_index == stream) {
            avcodec_send_packet(c, p);
            receive();
        } else if (p->stream_index == audio && p->pts != AV_NOPTS_VALUE) {
            const AVRational b = f->streams[audio]->time_base;
            v.audioMs = std::max(v.audioMs, qint64(std::llround(double(p->pts + p->duration) * av_q2d(b) * 1000)));
        }
        av_packet_unref(p);
    }
    avcodec_send_packet(c, nullptr);
    receive();
    av_frame_free(&fr);
    av_packet_free(&p);
    avcodec_free_context(&c);
    avformat_close_input(&f);
    return v;
}

double psnr(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 0;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            for (int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)})
                sum += double(d) * d;
        }
    }
    const double mse = sum / (3.0 * a.width() * a.height());
    return mse == 0 ? std::numeric_limits<double>::infinity() : 10 * std::log10(255.0 * 255.0 / mse);
}

} // namespace videofixtures

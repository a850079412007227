#include "soundtrack.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cmath>

namespace orv::render {

struct Soundtrack::State
{
    AVFormatContext* input = nullptr;
    int stream = -1;
    AVFormatContext* output = nullptr;
    AVStream* out = nullptr;
    bool copy = false;     // packets copied as they are
    double from = 0;       // seconds of the source where the movie starts
    qint64 lengthMs = 0;   // the movie's length
    qint64 writtenMs = 0;  // sound written so far, in the movie's time
    bool inputDone = false;
    AVPacket* packet = nullptr;
    // Encoding: decoded, resampled into the encoder's form, queued, encoded
    // a frame's worth at a time.
    AVCodecContext* decoder = nullptr;
    AVCodecContext* encoder = nullptr;
    SwrContext* resample = nullptr;
    AVAudioFifo* fifo = nullptr;
    AVFrame* frame = nullptr;
    AVFrame* chunk = nullptr;
    qint64 samplesOut = 0;    // samples encoded so far
    qint64 samplesWanted = 0; // the movie's length in samples

    ~State()
    {
        av_frame_free(&chunk);
        av_frame_free(&frame);
        if (fifo)
            av_audio_fifo_free(fifo);
        swr_free(&resample);
        avcodec_free_context(&encoder);
        avcodec_free_context(&decoder);
        av_packet_free(&packet);
        avformat_close_input(&input);
    }

    double seconds(int64_t ts) const
    {
        return double(ts) * av_q2d(input->streams[stream]->time_base) - from;
    }

    bool write(AVPacket* p, QString& error)
    {
        p->stream_index = out->index;
        const int r = av_interleaved_write_frame(output, p);
        if (r < 0)
            error = QStringLiteral("no se pudo escribir el sonido (%1)").arg(r);
        return r >= 0;
    }

    // Encodes what the queue holds, whole frames (and the rest at the end),
    // up to the movie's length.
    bool encode(bool last, QString& error)
    {
        const int size = encoder->frame_size > 0 ? encoder->frame_size : 1024;
        while (samplesOut < samplesWanted
               && (av_audio_fifo_size(fifo) >= size || (last && av_audio_fifo_size(fifo) > 0))) {
            const int n = int(std::min<qint64>({qint64(size), qint64(av_audio_fifo_size(fifo)),
                                                samplesWanted - samplesOut}));
            av_frame_unref(chunk);
            chunk->nb_samples = n;
            chunk->format = encoder->sample_fmt;
            chunk->sample_rate = encoder->sample_rate;
            av_channel_layout_copy(&chunk->ch_layout, &encoder->ch_layout);
            if (av_frame_get_buffer(chunk, 0) < 0 || av_audio_fifo_read(fifo, reinterpret_cast<void**>(chunk->data), n) < n)
                return fail(error);
            chunk->pts = samplesOut;
            samplesOut += n;
            if (avcodec_send_frame(encoder, chunk) < 0 || !drain(error))
                return fail(error);
            if (samplesOut >= samplesWanted)
                break;
        }
        writtenMs = samplesOut * 1000 / encoder->sample_rate;
        return true;
    }

    bool drain(QString& error)
    {
        for (;;) {
            const int r = avcodec_receive_packet(encoder, packet);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
                return true;
            if (r < 0)
                return fail(error);
            av_packet_rescale_ts(packet, encoder->time_base, out->time_base);
            if (!write(packet, error))
                return false;
        }
    }

    // One decoded frame into the queue, without what comes before `from`.
    bool queue(QString& error)
    {
        const double start = frame->pts == AV_NOPTS_VALUE ? 0 : seconds(frame->pts);
        const int room = swr_get_out_samples(resample, frame->nb_samples);
        uint8_t** data = nullptr;
        if (av_samples_alloc_array_and_samples(&data, nullptr, encoder->ch_layout.nb_channels, room,
                                               encoder->sample_fmt, 0) < 0)
            return fail(error);
        const int made = swr_convert(resample, data, room, const_cast<const uint8_t**>(frame->extended_data),
                                     frame->nb_samples);
        bool ok = made >= 0;
        if (ok) {
            const int drop = start < 0 ? int(std::min<qint64>(made, std::llround(-start * encoder->sample_rate))) : 0;
            if (made > drop) {
                const int bytes = av_get_bytes_per_sample(encoder->sample_fmt);
                uint8_t* kept[AV_NUM_DATA_POINTERS] = {};
                const bool planar = av_sample_fmt_is_planar(encoder->sample_fmt);
                for (int c = 0; c < (planar ? encoder->ch_layout.nb_channels : 1); ++c)
                    kept[c] = data[c] + qsizetype(drop) * bytes * (planar ? 1 : encoder->ch_layout.nb_channels);
                ok = av_audio_fifo_write(fifo, reinterpret_cast<void**>(kept), made - drop) == made - drop;
            }
        }
        av_freep(&data[0]);
        av_freep(&data);
        return ok || fail(error);
    }

    static bool fail(QString& error)
    {
        if (error.isEmpty())
            error = QStringLiteral("no se pudo codificar el sonido");
        return false;
    }
};

Soundtrack::Soundtrack() : m_state(std::make_unique<State>()) {}
Soundtrack::~Soundtrack() = default;

bool Soundtrack::open(const FileName& file, double fromSeconds, qint64 lengthMs, AVFormatContext* output, bool webm,
                      QString& error)
{
    State& s = *m_state;
    const QString noSound = QStringLiteral("el archivo no tiene sonido que se pueda leer: ") + file.display();
    const QByteArray url = "file:" + file.bytes();
    // Only a regular file: a FIFO or a device would be read forever.
    if (!isRegularFile(file) || avformat_open_input(&s.input, url.constData(), nullptr, nullptr) < 0
        || avformat_find_stream_info(s.input, nullptr) < 0) {
        error = noSound;
        return false;
    }
    s.stream = av_find_best_stream(s.input, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (s.stream < 0) {
        error = noSound;
        return false;
    }
    s.output = output;
    s.from = std::max(0.0, fromSeconds);
    if (s.input->duration != AV_NOPTS_VALUE && s.from >= double(s.input->duration) / AV_TIME_BASE) {
        const int whole = int(double(s.input->duration) / AV_TIME_BASE);
        error = QStringLiteral("el sonido de %1 dura %2:%3; el momento pedido pasa de su final")
                    .arg(file.display())
                    .arg(whole / 60)
                    .arg(whole % 60, 2, 10, QLatin1Char('0'));
        return false;
    }
    s.lengthMs = lengthMs;
    s.packet = av_packet_alloc();
    const AVStream* in = s.input->streams[s.stream];
    const AVCodecID codec = in->codecpar->codec_id;
    s.copy = webm ? (codec == AV_CODEC_ID_OPUS || codec == AV_CODEC_ID_VORBIS) : codec == AV_CODEC_ID_AAC;
    s.out = avformat_new_stream(output, nullptr);
    if (!s.out || !s.packet) {
        error = noSound;
        return false;
    }
    if (s.copy) {
        if (avcodec_parameters_copy(s.out->codecpar, in->codecpar) < 0)
            return State::fail(error);
        s.out->codecpar->codec_tag = 0;
        s.out->time_base = in->time_base;
    } else {
        const AVCodec* decoder = avcodec_find_decoder(codec);
        const AVCodec* encoder = webm ? avcodec_find_encoder_by_name("libopus") : avcodec_find_encoder(AV_CODEC_ID_AAC);
        if (!decoder || !encoder) {
            error = decoder ? QStringLiteral("el codificador de sonido no está disponible") : noSound;
            return false;
        }
        s.decoder = avcodec_alloc_context3(decoder);
        s.encoder = avcodec_alloc_context3(encoder);
        if (!s.decoder || !s.encoder || avcodec_parameters_to_context(s.decoder, in->codecpar) < 0
            || avcodec_open2(s.decoder, decoder, nullptr) < 0) {
            error = noSound;
            return false;
        }
        s.encoder->sample_rate = webm ? 48000 : s.decoder->sample_rate;
        av_channel_layout_default(&s.encoder->ch_layout, std::min(2, std::max(1, s.decoder->ch_layout.nb_channels)));
        s.encoder->sample_fmt = encoder->sample_fmts ? encoder->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
        s.encoder->bit_rate = webm ? 96000 : 128000;
        s.encoder->time_base = {1, s.encoder->sample_rate};
        if (output->oformat->flags & AVFMT_GLOBALHEADER)
            s.encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (avcodec_open2(s.encoder, encoder, nullptr) < 0
            || avcodec_parameters_from_context(s.out->codecpar, s.encoder) < 0
            || swr_alloc_set_opts2(&s.resample, &s.encoder->ch_layout, s.encoder->sample_fmt, s.encoder->sample_rate,
                                   &s.decoder->ch_layout, s.decoder->sample_fmt, s.decoder->sample_rate, 0, nullptr) < 0
            || swr_init(s.resample) < 0)
            return State::fail(error);
        s.out->time_base = s.encoder->time_base;
        s.fifo = av_audio_fifo_alloc(s.encoder->sample_fmt, s.encoder->ch_layout.nb_channels, 8192);
        s.frame = av_frame_alloc();
        s.chunk = av_frame_alloc();
        if (!s.fifo || !s.frame || !s.chunk)
            return State::fail(error);
        s.samplesWanted = lengthMs * s.encoder->sample_rate / 1000;
    }
    if (s.from > 0)
        av_seek_frame(s.input, s.stream, int64_t(s.from / av_q2d(in->time_base)), AVSEEK_FLAG_BACKWARD);
    return true;
}

bool Soundtrack::writeUntil(qint64 untilMs, QString& error)
{
    State& s = *m_state;
    untilMs = std::min(untilMs, s.lengthMs);
    while (!s.inputDone && s.writtenMs < untilMs) {
        if (av_read_frame(s.input, s.packet) < 0) {
            s.inputDone = true;
            break;
        }
        if (s.packet->stream_index != s.stream) {
            av_packet_unref(s.packet);
            continue;
        }
        const int64_t ts = s.packet->pts != AV_NOPTS_VALUE ? s.packet->pts : s.packet->dts;
        const double at = ts == AV_NOPTS_VALUE ? 0 : s.seconds(ts);
        if (s.copy) {
            if (at * 1000 >= double(s.lengthMs)) {
                s.inputDone = true;
            } else if (at >= -1e-6) {
                // In the movie's time: the source's moment `from` is its start.
                const AVRational base = s.input->streams[s.stream]->time_base;
                const int64_t shift = int64_t(std::llround(s.from / av_q2d(base)));
                if (s.packet->pts != AV_NOPTS_VALUE)
                    s.packet->pts -= shift;
                if (s.packet->dts != AV_NOPTS_VALUE)
                    s.packet->dts -= shift;
                s.packet->pos = -1;
                av_packet_rescale_ts(s.packet, base, s.out->time_base);
                s.writtenMs = qint64(at * 1000);
                if (!s.write(s.packet, error)) {
                    av_packet_unref(s.packet);
                    return false;
                }
            }
        } else if (avcodec_send_packet(s.decoder, s.packet) >= 0) {
            while (avcodec_receive_frame(s.decoder, s.frame) == 0) {
                const bool ok = s.queue(error);
                av_frame_unref(s.frame);
                if (!ok) {
                    av_packet_unref(s.packet);
                    return false;
                }
            }
            if (!s.encode(false, error)) {
                av_packet_unref(s.packet);
                return false;
            }
            if (s.samplesOut >= s.samplesWanted)
                s.inputDone = true;
        }
        av_packet_unref(s.packet);
    }
    return true;
}

bool Soundtrack::finish(QString& error)
{
    State& s = *m_state;
    if (!writeUntil(s.lengthMs, error))
        return false;
    if (s.copy)
        return true;
    // What the decoder still holds, the queue's rest, and the encoder's.
    avcodec_send_packet(s.decoder, nullptr);
    while (avcodec_receive_frame(s.decoder, s.frame) == 0) {
        const bool ok = s.queue(error);
        av_frame_unref(s.frame);
        if (!ok)
            return false;
    }
    if (!s.encode(true, error))
        return false;
    avcodec_send_frame(s.encoder, nullptr);
    return s.drain(error);
}

} // namespace orv::render

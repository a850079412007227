#include "clip.h"

#include "nativename.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstring>

namespace orv::video {
namespace {

// FFmpeg takes a name as a URL: "file:" keeps a colon in it from being
// read as a protocol, and the bytes go to open() as they are.
QByteArray urlDe(const QString& ruta)
{
    return "file:" + nameBytesFromText(ruta);
}

struct CierraFormato
{
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
using Formato = std::unique_ptr<AVFormatContext, CierraFormato>;

// The clip opened for reading, its first video stream found; null when it
// is no clip or holds no video.
Formato abreFormato(const QByteArray& url, int& flujo, Clip::Fallo& fallo)
{
    AVFormatContext* f = nullptr;
    fallo = Clip::Fallo::NoEsVideo;
    if (avformat_open_input(&f, url.constData(), nullptr, nullptr) < 0)
        return nullptr;
    Formato formato(f);
    if (avformat_find_stream_info(f, nullptr) < 0)
        return nullptr;
    flujo = av_find_best_stream(f, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (flujo < 0) {
        fallo = Clip::Fallo::SinVideo;
        return nullptr;
    }
    fallo = Clip::Fallo::Ninguno;
    return formato;
}

} // namespace

struct Clip::Estado
{
    QByteArray url;
    Formato formato;
    int flujo = -1;
    AVCodecContext* decodificador = nullptr;
    AVPacket* paquete = nullptr;
    AVFrame* cuadro = nullptr;
    AVFrame* gris = nullptr; // the scaled picture, rows padded as swscale writes them
    SwsContext* escala = nullptr;
    bool finEnviado = false;
    double inicio = 0; // the stream's start time, in seconds: frame times count from it

    ~Estado()
    {
        sws_freeContext(escala);
        av_frame_free(&gris);
        av_frame_free(&cuadro);
        av_packet_free(&paquete);
        avcodec_free_context(&decodificador);
    }

    double segundos(int64_t ts) const
    {
        const AVRational base = formato->streams[flujo]->time_base;
        return ts == AV_NOPTS_VALUE ? -1 : double(ts) * av_q2d(base) - inicio;
    }
};

Clip::Clip(std::unique_ptr<Estado> estado) : m_estado(std::move(estado)) {}
Clip::~Clip() = default;

std::unique_ptr<Clip> Clip::abre(const QString& ruta, Fallo& fallo)
{
    av_log_set_level(AV_LOG_QUIET); // failures are told in the suite's words
    fallo = Fallo::NoEsVideo;
    if (!isFileByName(ruta))
        return nullptr;
    auto e = std::make_unique<Estado>();
    e->url = urlDe(ruta);
    e->formato = abreFormato(e->url, e->flujo, fallo);
    if (!e->formato)
        return nullptr;
    fallo = Fallo::NoEsVideo;
    const AVStream* s = e->formato->streams[e->flujo];
    const AVCodec* codec = avcodec_find_decoder(s->codecpar->codec_id);
    e->decodificador = codec ? avcodec_alloc_context3(codec) : nullptr;
    if (!e->decodificador || avcodec_parameters_to_context(e->decodificador, s->codecpar) < 0)
        return nullptr;
    e->decodificador->thread_count = 0; // as many as there are cores
    e->decodificador->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    // A movie's character stands for a block of pixels or more: the
    // deblocking filter and the decoder's exact paths change nothing a
    // character shows, and cost about a third of the decoding.
    e->decodificador->skip_loop_filter = AVDISCARD_ALL;
    e->decodificador->flags2 |= AV_CODEC_FLAG2_FAST;
    e->paquete = av_packet_alloc();
    e->cuadro = av_frame_alloc();
    e->gris = av_frame_alloc();
    if (avcodec_open2(e->decodificador, codec, nullptr) < 0 || !e->paquete || !e->cuadro || !e->gris
        || s->codecpar->width <= 0 || s->codecpar->height <= 0)
        return nullptr;
    e->inicio = s->start_time == AV_NOPTS_VALUE ? 0 : double(s->start_time) * av_q2d(s->time_base);
    fallo = Fallo::Ninguno;
    return std::unique_ptr<Clip>(new Clip(std::move(e)));
}

QSize Clip::tamanoVisible() const
{
    const AVStream* s = m_estado->formato->streams[m_estado->flujo];
    const AVRational sar = av_guess_sample_aspect_ratio(m_estado->formato.get(), const_cast<AVStream*>(s), nullptr);
    const int ancho = s->codecpar->width, alto = s->codecpar->height;
    if (sar.num <= 0 || sar.den <= 0)
        return {ancho, alto};
    return {std::max(1, int(std::lround(double(ancho) * sar.num / sar.den))), alto};
}

double Clip::fps() const
{
    const AVStream* s = m_estado->formato->streams[m_estado->flujo];
    const AVRational r = s->avg_frame_rate.num > 0 ? s->avg_frame_rate : s->r_frame_rate;
    return r.num > 0 && r.den > 0 ? av_q2d(r) : 0;
}

std::vector<double> Clip::tiempos(double& fin)
{
    fin = -1;
    // A second reading of the container, packets only: no frame is decoded.
    int flujo = -1;
    Fallo fallo = Fallo::Ninguno;
    const Formato formato = abreFormato(m_estado->url, flujo, fallo);
    std::vector<double> t;
    if (!formato)
        return t;
    AVPacket* p = av_packet_alloc();
    double anterior = -1;
    const double paso = fps() > 0 ? 1 / fps() : 0.04;
    while (p && av_read_frame(formato.get(), p) >= 0) {
        if (p->stream_index == flujo) {
            const int64_t ts = p->pts != AV_NOPTS_VALUE ? p->pts : p->dts;
            double s = m_estado->segundos(ts);
            if (ts == AV_NOPTS_VALUE)
                s = anterior < 0 ? 0 : anterior + paso;
            t.push_back(s);
            anterior = s;
            if (p->duration > 0)
                fin = std::max(fin, s + double(p->duration) * av_q2d(formato->streams[flujo]->time_base));
        }
        av_packet_unref(p);
    }
    av_packet_free(&p);
    std::sort(t.begin(), t.end());
    return t;
}

bool Clip::siguiente(QSize tamano, double& tiempo, QByteArray& gris)
{
    Estado& e = *m_estado;
    for (;;) {
        const int r = avcodec_receive_frame(e.decodificador, e.cuadro);
        if (r == 0)
            break;
        if (r != AVERROR(EAGAIN))
            return false; // the end, or a decoder that cannot go on
        // Feed the next packet of the stream; a damaged one is passed over.
        bool enviado = false;
        while (!enviado) {
            if (av_read_frame(e.formato.get(), e.paquete) < 0) {
                if (e.finEnviado)
                    return false;
                avcodec_send_packet(e.decodificador, nullptr);
                e.finEnviado = true;
                enviado = true;
                break;
            }
            if (e.paquete->stream_index == e.flujo)
                enviado = avcodec_send_packet(e.decodificador, e.paquete) == 0;
            av_packet_unref(e.paquete);
        }
    }
    tiempo = e.segundos(e.cuadro->best_effort_timestamp);
    e.escala = sws_getCachedContext(e.escala, e.cuadro->width, e.cuadro->height, AVPixelFormat(e.cuadro->format),
                                    tamano.width(), tamano.height(), AV_PIX_FMT_GRAY8, SWS_AREA, nullptr,
                                    nullptr, nullptr);
    if (!e.escala)
        return false;
    // swscale writes whole SIMD blocks: into a frame of libav's own, its rows
    // padded for that, then copied out row by row.
    if (e.gris->width != tamano.width() || e.gris->height != tamano.height()) {
        av_frame_unref(e.gris);
        e.gris->format = AV_PIX_FMT_GRAY8;
        e.gris->width = tamano.width();
        e.gris->height = tamano.height();
        if (av_frame_get_buffer(e.gris, 0) < 0)
            return false;
    }
    const int filas =
        sws_scale(e.escala, e.cuadro->data, e.cuadro->linesize, 0, e.cuadro->height, e.gris->data, e.gris->linesize);
    av_frame_unref(e.cuadro);
    gris.resize(qsizetype(tamano.width()) * tamano.height());
    for (int y = 0; y < tamano.height(); ++y)
        std::memcpy(gris.data() + qsizetype(y) * tamano.width(), e.gris->data[0] + qsizetype(y) * e.gris->linesize[0],
                    size_t(tamano.width()));
    return filas == tamano.height();
}

} // namespace orv::video

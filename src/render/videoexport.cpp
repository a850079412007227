#include "videoexport.h"

#include "archivoseguro.h"
#include "gifcuadros.h"
#include "nativename.h"

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

using gif::Cuadro;
using gif::Glifos;

// H.264 and VP9 encoders take pictures up to these sides.
constexpr int kLadoMaximo = 8192;

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

QString textoError(int codigo)
{
    char texto[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(codigo, texto, sizeof texto);
    return QString::fromLocal8Bit(texto);
}

class Codificacion
{
public:
    ~Codificacion()
    {
        av_packet_free(&m_paquete);
        av_frame_free(&m_cuadro);
        avcodec_free_context(&m_codec);
        if (m_salida) {
            if (m_salida->pb)
                avio_closep(&m_salida->pb);
            avformat_free_context(m_salida);
        }
    }

    // Sets everything up for a picture of `tamano` pixels; false with
    // `error` set when it cannot be.
    bool abre(const QString& temporal, FormatoVideo formato, QSize tamano, int fps, QString& error)
    {
        const QByteArray url = "file:" + nameBytesFromText(temporal);
        const char* contenedor = formato == FormatoVideo::Mp4 ? "mp4" : "webm";
        const char* nombreCodec = formato == FormatoVideo::Mp4 ? "libx264" : "libvpx-vp9";
        const AVCodec* codec = avcodec_find_encoder_by_name(nombreCodec);
        if (!codec) {
            error = QStringLiteral("el codificador %1 no está disponible").arg(QLatin1String(nombreCodec));
            return false;
        }
        int r = avformat_alloc_output_context2(&m_salida, nullptr, contenedor, url.constData());
        if (r < 0 || !m_salida)
            return falla(r, error);
        m_flujo = avformat_new_stream(m_salida, nullptr);
        m_codec = avcodec_alloc_context3(codec);
        m_paquete = av_packet_alloc();
        m_cuadro = av_frame_alloc();
        if (!m_flujo || !m_codec || !m_paquete || !m_cuadro)
            return falla(AVERROR(ENOMEM), error);
        m_codec->width = tamano.width();
        m_codec->height = tamano.height();
        m_codec->pix_fmt = AV_PIX_FMT_YUV420P;
        m_codec->time_base = {1, 1000};
        m_codec->framerate = {std::max(fps, 1), 1};
        m_codec->color_range = AVCOL_RANGE_MPEG;
        m_codec->colorspace = AVCOL_SPC_BT470BG;
        m_codec->color_primaries = AVCOL_PRI_BT470BG;
        m_codec->color_trc = AVCOL_TRC_SMPTE170M;
        m_codec->gop_size = 250;
        m_codec->thread_count = 0;
        // Settings chosen on text movies for pictures within 35 dB of the
        // renderer's: text on a flat ground, sharp edges, two colours.
        if (formato == FormatoVideo::Mp4) {
            av_opt_set(m_codec->priv_data, "preset", "veryfast", 0);
            av_opt_set(m_codec->priv_data, "tune", "animation", 0);
            av_opt_set(m_codec->priv_data, "crf", "20", 0);
        } else {
            // libvpx's realtime mode wrote files five times a GIF's size;
            // its good mode at its fastest keeps them near the GIF's.
            av_opt_set(m_codec->priv_data, "deadline", "good", 0);
            av_opt_set(m_codec->priv_data, "cpu-used", "5", 0);
            av_opt_set_int(m_codec->priv_data, "row-mt", 1, 0);
            av_opt_set(m_codec->priv_data, "tile-columns", "2", 0);
            av_opt_set(m_codec->priv_data, "crf", "28", 0);
            m_codec->bit_rate = 0;
        }
        if (m_salida->oformat->flags & AVFMT_GLOBALHEADER)
            m_codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if ((r = avcodec_open2(m_codec, codec, nullptr)) < 0)
            return falla(r, error);
        if ((r = avcodec_parameters_from_context(m_flujo->codecpar, m_codec)) < 0)
            return falla(r, error);
        m_flujo->time_base = {1, 1000};
        if ((r = avio_open(&m_salida->pb, url.constData(), AVIO_FLAG_WRITE)) < 0)
            return falla(r, error);
        AVDictionary* opciones = nullptr;
        if (formato == FormatoVideo::Mp4)
            av_dict_set(&opciones, "movflags", "+faststart", 0);
        r = avformat_write_header(m_salida, &opciones);
        av_dict_free(&opciones);
        if (r < 0)
            return falla(r, error);
        m_cuadro->format = AV_PIX_FMT_YUV420P;
        m_cuadro->width = tamano.width();
        m_cuadro->height = tamano.height();
        if ((r = av_frame_get_buffer(m_cuadro, 0)) < 0)
            return falla(r, error);
        return true;
    }

    // The picture to fill before envia().
    AVFrame* cuadro()
    {
        av_frame_make_writable(m_cuadro);
        return m_cuadro;
    }

    // Encodes the picture shown from `desde` for `dura` milliseconds.
    bool envia(qint64 desde, qint64 dura, QString& error)
    {
        m_cuadro->pts = desde;
        m_duraciones[desde] = dura;
        const int r = avcodec_send_frame(m_codec, m_cuadro);
        return r >= 0 ? escribePaquetes(error) : falla(r, error);
    }

    bool termina(QString& error)
    {
        int r = avcodec_send_frame(m_codec, nullptr);
        if (r < 0 || !escribePaquetes(error))
            return r < 0 ? falla(r, error) : false;
        if ((r = av_write_trailer(m_salida)) < 0)
            return falla(r, error);
        if ((r = avio_closep(&m_salida->pb)) < 0)
            return falla(r, error);
        return true;
    }

private:
    bool escribePaquetes(QString& error)
    {
        for (;;) {
            int r = avcodec_receive_packet(m_codec, m_paquete);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
                return true;
            if (r < 0)
                return falla(r, error);
            // Every picture lasts what its frames last, the last one too.
            if (const auto d = m_duraciones.find(m_paquete->pts); d != m_duraciones.end()) {
                m_paquete->duration = d->second;
                m_duraciones.erase(d);
            }
            av_packet_rescale_ts(m_paquete, m_codec->time_base, m_flujo->time_base);
            m_paquete->stream_index = m_flujo->index;
            r = av_interleaved_write_frame(m_salida, m_paquete);
            if (r < 0)
                return falla(r, error);
        }
    }

    static bool falla(int codigo, QString& error)
    {
        error = textoError(codigo);
        return false;
    }

    AVFormatContext* m_salida = nullptr;
    AVStream* m_flujo = nullptr;
    AVCodecContext* m_codec = nullptr;
    AVPacket* m_paquete = nullptr;
    AVFrame* m_cuadro = nullptr;
    std::map<qint64, qint64> m_duraciones;
};

// Draws a frame into the picture: luma straight from each pixel's colour,
// chroma from the share of letter pixels in each 2 × 2 block.
class Pintor
{
public:
    Pintor(const Glifos& glifos, QSize celdas, QSize tamano, const OpcionesExport& o)
        : m_glifos(glifos), m_celdas(celdas), m_tamano(tamano),
          m_indices(size_t(tamano.width()) * size_t(tamano.height()) + Glifos::kHolgura)
    {
        const Yuv fondo = aYuv(o.fondo), letras = aYuv(o.letras);
        m_y[0] = uint8_t(fondo.y);
        m_y[1] = uint8_t(letras.y);
        for (int n = 0; n <= 4; ++n) {
            m_u[n] = uint8_t((fondo.u * (4 - n) + letras.u * n + 2) / 4);
            m_v[n] = uint8_t((fondo.v * (4 - n) + letras.v * n + 2) / 4);
        }
    }

    void pinta(const Cuadro& cuadro, AVFrame* f)
    {
        const int cw = m_glifos.ancho(), ch = m_glifos.alto();
        const int w = m_tamano.width(), h = m_tamano.height();
        std::fill(m_indices.begin(), m_indices.end(), 0);
        for (int y = 0; y < m_celdas.height() * ch; ++y) {
            int largo = 0;
            const unsigned char* texto = cuadro.fila(y / ch, largo);
            const int dentro = (y % ch) * cw;
            unsigned char* d = m_indices.data() + size_t(y) * size_t(w);
            for (int c = 0; c < m_celdas.width(); ++c, d += cw)
                std::memcpy(d, m_glifos.celdaDe(c < largo ? texto[c] : ' ') + dentro, size_t(cw));
        }
        for (int y = 0; y < h; ++y) {
            const unsigned char* i = m_indices.data() + size_t(y) * size_t(w);
            uint8_t* luma = f->data[0] + size_t(y) * size_t(f->linesize[0]);
            for (int x = 0; x < w; ++x)
                luma[x] = m_y[i[x]];
        }
        for (int y = 0; y < h / 2; ++y) {
            const unsigned char* a = m_indices.data() + size_t(2 * y) * size_t(w);
            const unsigned char* b = a + w;
            uint8_t* u = f->data[1] + size_t(y) * size_t(f->linesize[1]);
            uint8_t* v = f->data[2] + size_t(y) * size_t(f->linesize[2]);
            for (int x = 0; x < w / 2; ++x) {
                const int n = a[2 * x] + a[2 * x + 1] + b[2 * x] + b[2 * x + 1];
                u[x] = m_u[n];
                v[x] = m_v[n];
            }
        }
    }

private:
    const Glifos& m_glifos;
    QSize m_celdas, m_tamano;
    std::vector<unsigned char> m_indices;
    uint8_t m_y[2]{}, m_u[5]{}, m_v[5]{};
};

} // namespace

ResultadoExport exportaVideo(const Pelicula& pelicula, const QString& ruta, const QFont& fuente,
                             const OpcionesExport& opciones, FormatoVideo formato, QString* error)
{
    av_log_set_level(AV_LOG_QUIET); // failures are told in the suite's words
    QString problema;
    const auto fallo = [&](ArchivoSeguro* archivo) {
        if (archivo)
            archivo->cancela();
        if (error)
            *error = problema;
        return ResultadoExport::Fallo;
    };
    QFont sinSuavizado = fuente;
    sinSuavizado.setStyleStrategy(QFont::NoAntialias);
    const Glifos glifos(sinSuavizado, opciones);
    const QSize celdas(std::max<int>(pelicula.ancho, 1), std::max<int>(pelicula.alto, 1));
    const int w = celdas.width() * glifos.ancho(), h = celdas.height() * glifos.alto();
    const QSize tamano(w + (w & 1), h + (h & 1));
    if (tamano.width() > kLadoMaximo || tamano.height() > kLadoMaximo) {
        problema = QStringLiteral("La película no cabe en un video: %1 × %2 píxeles, y un video admite "
                                  "hasta %3 × %3. Elija una letra más pequeña.")
                       .arg(tamano.width())
                       .arg(tamano.height())
                       .arg(kLadoMaximo);
        return fallo(nullptr);
    }
    const int ms = std::max(pausaExport(pelicula), 1);

    ArchivoSeguro archivo(ruta);
    const QString temporal = archivo.abrePorNombre();
    if (temporal.isEmpty()) {
        problema = archivo.error();
        return fallo(nullptr);
    }
    {
        Codificacion video;
        if (!video.abre(temporal, formato, tamano, int(std::lround(1000.0 / ms)), problema))
            return fallo(&archivo);
        Pintor pintor(glifos, celdas, tamano, opciones);
        // A run of frames that look alike is one picture shown for the run.
        Cuadro pendiente;
        qint64 desde = 0, dura = 0;
        for (int i = 0; i < pelicula.numCuadros; ++i) {
            Cuadro cuadro(cuadroVisible(pelicula, i));
            if (dura > 0 && gif::cambio(pendiente, cuadro, celdas.width(), celdas.height(), glifos).isEmpty()) {
                dura += ms;
            } else {
                if (dura > 0) {
                    pintor.pinta(pendiente, video.cuadro());
                    if (!video.envia(desde, dura, problema))
                        return fallo(&archivo);
                    desde += dura;
                }
                pendiente = std::move(cuadro);
                dura = ms;
            }
            if (opciones.progreso && !opciones.progreso(i + 1, pelicula.numCuadros)) {
                archivo.cancela();
                return ResultadoExport::Cancelado;
            }
        }
        if (dura > 0) {
            pintor.pinta(pendiente, video.cuadro());
            if (!video.envia(desde, dura, problema))
                return fallo(&archivo);
        }
        if (!video.termina(problema))
            return fallo(&archivo);
    }
    if (!archivo.termina()) {
        problema = archivo.error();
        return fallo(nullptr);
    }
    return ResultadoExport::Hecho;
}

} // namespace orv::render

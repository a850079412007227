#include "importacion.h"

#include "clip.h"
#include "cp1252.h"
#include "generacion.h"
#include "moviewriter.h"
#include "nativename.h"
#include "tonos.h"

#include <atomic>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace orv::video {
namespace {

constexpr double kFpsTope = 120;
constexpr double kMargen = 1e-9;

// When the last frame stops showing, where the container does not say: the
// gap before it again, or one frame at the clip's rate for a clip of one
// frame.
double finDe(const std::vector<double>& tiempos, double fpsClip)
{
    if (tiempos.empty())
        return 0;
    const double paso = tiempos.size() > 1 ? tiempos.back() - tiempos[tiempos.size() - 2]
                                           : (fpsClip > 0 ? 1 / fpsClip : 0.04);
    return tiempos.back() + std::max(paso, 0.001);
}

// Decoded frames handed from the helper thread to the writer, in order,
// only those the plan uses; a few at a time.
class Cola
{
public:
    struct Cuadro
    {
        int indice = -1;
        QByteArray gris;
    };

    bool pon(Cuadro c)
    {
        std::unique_lock lock(m_mutex);
        m_hayHueco.wait(lock, [this] { return m_cuadros.size() < kCapacidad || m_parar; });
        if (m_parar)
            return false;
        m_cuadros.push_back(std::move(c));
        m_hayCuadro.notify_one();
        return true;
    }
    // False once the helper is done and nothing is left.
    bool toma(Cuadro& c)
    {
        std::unique_lock lock(m_mutex);
        m_hayCuadro.wait(lock, [this] { return !m_cuadros.empty() || m_terminado; });
        if (m_cuadros.empty())
            return false;
        c = std::move(m_cuadros.front());
        m_cuadros.pop_front();
        m_hayHueco.notify_one();
        return true;
    }
    void termina()
    {
        const std::lock_guard lock(m_mutex);
        m_terminado = true;
        m_hayCuadro.notify_all();
    }
    void para()
    {
        const std::lock_guard lock(m_mutex);
        m_parar = true;
        m_hayHueco.notify_all();
    }

private:
    static constexpr size_t kCapacidad = 4;
    std::mutex m_mutex;
    std::condition_variable m_hayCuadro, m_hayHueco;
    std::deque<Cuadro> m_cuadros;
    bool m_terminado = false, m_parar = false;
};

struct Preparado
{
    std::unique_ptr<Clip> clip;
    QSize celdas;
    double fps = 0;
    std::vector<int> plan;
};

EstadoVideo prepara(const QString& ruta, const OpcionesVideo& o, Preparado& p)
{
    if (o.columnas < kLadoMinimo || o.columnas > kLadoMaximo)
        return EstadoVideo::AnchoInvalido;
    if (o.fps < 0 || o.fps > kFpsTope || std::isnan(o.fps))
        return EstadoVideo::FpsInvalido;
    if (!(o.desde >= 0) || (o.hasta >= 0 && o.hasta <= o.desde))
        return EstadoVideo::RangoInvalido;
    Clip::Fallo fallo = Clip::Fallo::Ninguno;
    p.clip = Clip::abre(ruta, fallo);
    if (!p.clip)
        return fallo == Clip::Fallo::SinVideo ? EstadoVideo::SinVideo : EstadoVideo::NoEsVideo;
    const std::optional<QSize> celdas = rejilla(o.columnas, p.clip->tamanoVisible());
    if (!celdas)
        return EstadoVideo::AnchoInvalido;
    p.celdas = *celdas;
    double finDicho = -1;
    const std::vector<double> tiempos = p.clip->tiempos(finDicho);
    if (tiempos.empty())
        return EstadoVideo::NoEsVideo;
    // The clip's own rate: what its frames' times show (containers often
    // state only their clock's rate), else what the stream says.
    double propio = p.clip->fps();
    if (tiempos.size() > 1 && tiempos.back() > tiempos.front())
        propio = double(tiempos.size() - 1) / (tiempos.back() - tiempos.front());
    p.fps = o.fps > 0 ? o.fps : std::min(propio > 0 ? propio : 25.0, kFpsMaximo);
    const double fin = finDicho > tiempos.back() ? finDicho : finDe(tiempos, p.clip->fps());
    if (o.desde >= fin)
        return EstadoVideo::RangoInvalido;
    p.plan = plan(tiempos, fin, o.desde, o.hasta, p.fps);
    return p.plan.empty() ? EstadoVideo::SinCuadros : EstadoVideo::Creada;
}

} // namespace

std::optional<QSize> rejilla(int columnas, QSize visible)
{
    if (columnas < kLadoMinimo || columnas > kLadoMaximo || visible.width() <= 0 || visible.height() <= 0)
        return std::nullopt;
    const double forma = double(visible.height()) / visible.width() / 2; // rows per column
    int filas = int(std::lround(columnas * forma));
    if (filas > kLadoMaximo) {
        columnas = int(std::floor(kLadoMaximo / forma));
        filas = std::min(kLadoMaximo, int(std::lround(columnas * forma)));
    }
    if (columnas < kLadoMinimo || filas < kLadoMinimo)
        return std::nullopt;
    return QSize(columnas, filas);
}

std::vector<int> plan(const std::vector<double>& tiempos, double fin, double desde, double hasta, double fps)
{
    std::vector<int> out;
    if (tiempos.empty() || !(fps > 0))
        return out;
    hasta = hasta < 0 ? fin : std::min(hasta, fin);
    size_t i = 0;
    for (qint64 k = 0;; ++k) {
        const double t = desde + double(k) / fps;
        if (t >= hasta - kMargen || out.size() > size_t(kCuadrosMaximos))
            break;
        while (i + 1 < tiempos.size() && tiempos[i + 1] <= t + kMargen)
            ++i;
        out.push_back(int(i));
    }
    return out;
}

QByteArray lineaDeGris(const QByteArray& gris, QSize celdas, bool invertir, Tramado tramado)
{
    static constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    QByteArray linea(qsizetype(celdas.width()) * celdas.height(), Qt::Uninitialized);
    const auto* p = reinterpret_cast<const unsigned char*>(gris.constData());
    for (int y = 0; y < celdas.height(); ++y) {
        for (int x = 0; x < celdas.width(); ++x) {
            const int v = p[qsizetype(y) * celdas.width() + x];
            // 16 levels, 0 black to 15 white: rounded, or with the dither's
            // threshold in place of the rounding.
            const int umbral = tramado == Tramado::Ordenado ? (2 * kBayer[y & 3][x & 3] + 1) * 255 / 32 : 127;
            const int nivel = std::min(15, (v * 15 + umbral) / 255);
            linea[qsizetype(y) * celdas.width() + x] = rampaCaracteres[size_t(invertir ? nivel : 15 - nivel)];
        }
    }
    return linea;
}

QString pausaPara(double fps)
{
    QString texto = QString::number(1000.0 / fps, 'f', 3);
    while (texto.endsWith(QLatin1Char('0')))
        texto.chop(1);
    if (texto.endsWith(QLatin1Char('.')))
        texto.chop(1);
    return texto;
}

std::optional<double> leeTiempo(const QString& texto)
{
    double total = 0;
    const QStringList partes = texto.trimmed().split(QLatin1Char(':'));
    if (partes.size() > 3)
        return std::nullopt;
    for (qsizetype i = 0; i < partes.size(); ++i) {
        bool ok = false;
        const double v = partes[i].toDouble(&ok);
        // Only the last part may have a fraction, and none may pass 59
        // after the first.
        if (!ok || v < 0 || std::isinf(v) || (i + 1 < partes.size() && v != std::floor(v)) || (i > 0 && v >= 60))
            return std::nullopt;
        total = total * 60 + v;
    }
    return total;
}

ResultadoVideo importaVideo(const QString& clip, const QString& ruta, const OpcionesVideo& opciones,
                            const AvanceVideo& avance)
{
    ResultadoVideo r;
    Preparado p;
    r.estado = prepara(clip, opciones, p);
    r.celdas = p.celdas;
    if (r.estado != EstadoVideo::Creada)
        return r;
    const QString pausa = opciones.pausa.isEmpty() ? pausaPara(p.fps) : opciones.pausa;
    if (const std::optional<QString> error = validaDatos(pausa, opciones.creador)) {
        r.estado = EstadoVideo::DatosInvalidos;
        r.detalle = *error;
        return r;
    }
    if (p.plan.size() > size_t(kCuadrosMaximos)) {
        p.plan.resize(size_t(kCuadrosMaximos));
        r.recortada = true;
    }
    const int total = int(p.plan.size());

    MovieWriter escritor(ruta);
    const QByteArray cabecera =
        lineaCabecera(QByteArray::number(p.celdas.width()), QByteArray::number(p.celdas.height()), total,
                      toCp1252(pausa.trimmed()), toCp1252(opciones.creador), toCp1252(masInfoCreator()));
    if (!escritor.begin(cabecera)) {
        r.estado = EstadoVideo::ErrorEscritura;
        r.detalle = escritor.errorString();
        return r;
    }

    // The helper decodes in order and hands over the frames the plan uses.
    Cola cola;
    std::thread ayudante([&] {
        const std::vector<int>& plan = p.plan;
        size_t siguiente = 0;
        double tiempo = 0;
        QByteArray gris;
        for (int indice = 0; siguiente < plan.size() && p.clip->siguiente(p.celdas, tiempo, gris); ++indice) {
            if (indice < plan[siguiente])
                continue;
            if (!cola.pon({indice, gris}))
                break;
            while (siguiente < plan.size() && plan[siguiente] <= indice)
                ++siguiente;
        }
        cola.termina();
    });

    Cola::Cuadro actual;
    QByteArray linea;
    for (int k = 0; k < total && r.estado == EstadoVideo::Creada; ++k) {
        // The frame the plan shows now: the next handed over, once the one
        // before has served every sample it covers. A clip that decodes
        // fewer frames than its container lists shows its last one on.
        Cola::Cuadro siguiente;
        if (actual.indice < p.plan[size_t(k)] && cola.toma(siguiente)) {
            actual = std::move(siguiente);
            linea = lineaDeGris(actual.gris, p.celdas, opciones.invertir, opciones.tramado);
        }
        if (actual.indice < 0) {
            r.estado = EstadoVideo::NoEsVideo;
            break;
        }
        if (!escritor.writeFrame(linea)) {
            r.estado = EstadoVideo::ErrorEscritura;
            r.detalle = escritor.errorString();
            break;
        }
        r.cuadros = k + 1;
        if (avance && !avance(k + 1, total))
            r.estado = EstadoVideo::Cancelada;
    }
    cola.para();
    Cola::Cuadro descarte;
    while (cola.toma(descarte)) {
    }
    ayudante.join();
    if (r.estado == EstadoVideo::Creada && !escritor.commit()) {
        r.estado = EstadoVideo::ErrorEscritura;
        r.detalle = escritor.errorString();
    }
    return r;
}

std::optional<QByteArray> primerCuadro(const QString& clip, const OpcionesVideo& opciones, QSize& celdas,
                                       EstadoVideo& estado)
{
    Preparado p;
    estado = prepara(clip, opciones, p);
    celdas = p.celdas;
    if (estado != EstadoVideo::Creada)
        return std::nullopt;
    double tiempo = 0;
    QByteArray gris;
    for (int indice = 0; p.clip->siguiente(p.celdas, tiempo, gris); ++indice) {
        if (indice < p.plan.front())
            continue;
        const QByteArray linea = lineaDeGris(gris, p.celdas, opciones.invertir, opciones.tramado);
        QByteArray texto;
        for (int y = 0; y < p.celdas.height(); ++y) {
            if (y > 0)
                texto += '\n';
            texto += linea.mid(qsizetype(y) * p.celdas.width(), p.celdas.width());
        }
        return texto;
    }
    estado = EstadoVideo::NoEsVideo;
    return std::nullopt;
}

QString mensajeVideo(const ResultadoVideo& r, const QString& ruta)
{
    switch (r.estado) {
    case EstadoVideo::Creada:
    case EstadoVideo::Cancelada:
        return {};
    case EstadoVideo::NoEsVideo:
        return QStringLiteral("El archivo no es un video que se pueda leer: ") + readableName(ruta);
    case EstadoVideo::SinVideo:
        return QStringLiteral("El archivo no contiene video: ") + readableName(ruta);
    case EstadoVideo::AnchoInvalido:
        return QStringLiteral("El ancho debe ser de 12 a 400 caracteres, y a ese ancho el video debe "
                              "ocupar de 12 a 400 filas.");
    case EstadoVideo::FpsInvalido:
        return QStringLiteral("Los cuadros por segundo deben ser un número mayor que 0 y de hasta 120.");
    case EstadoVideo::RangoInvalido:
        return QStringLiteral("El tramo pedido no está dentro del video: el inicio debe ser anterior al "
                              "final y al fin del video.");
    case EstadoVideo::SinCuadros:
        return QStringLiteral("Ningún cuadro del video cae en el tramo pedido.");
    case EstadoVideo::DatosInvalidos:
        return r.detalle;
    case EstadoVideo::ErrorEscritura:
        return QStringLiteral("No se pudo escribir la película: ") + r.detalle;
    }
    return {};
}

} // namespace orv::video

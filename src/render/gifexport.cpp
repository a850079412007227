#include "gifexport.h"

#include "archivoexport.h"
#include "fuentefija.h"
#include "lienzo.h"
#include "numeric.h"

#include <QPainter>
#include <algorithm>
#include <gif_lib.h>
#include <vector>

namespace orv::render {
namespace {

constexpr int kRetardoMaximo = 65535; // the GIF delay field is 16 bits

int escribe(GifFileType* gif, const GifByteType* datos, int largo)
{
    auto* archivo = static_cast<ArchivoExport*>(gif->UserData);
    return archivo->escribe(QByteArrayView(reinterpret_cast<const char*>(datos), largo)) ? largo
                                                                                         : 0;
}

// Draws frames with the Player's renderer into one reusable image and turns
// them into palette indices: 1 where the letters' colour is nearer, 0 else.
class Dibujante
{
public:
    Dibujante(const QFont& fuente, const OpcionesExport& opciones, int ancho, int alto)
    {
        m_letras = QColor::fromRgb(opciones.letras | 0xFF000000u);
        m_fondo = QColor::fromRgb(opciones.fondo | 0xFF000000u);
        m_lienzo.configura({fuente, 1, m_fondo, m_letras, m_fondo, m_letras});
        m_imagen = QImage(std::max(1, ancho * m_lienzo.anchoCelda()),
                          std::max(1, alto * m_lienzo.altoCelda()), QImage::Format_RGB32);
        m_indices.resize(static_cast<size_t>(m_imagen.width()) *
                         static_cast<size_t>(m_imagen.height()));
    }
    int anchoPx() const { return m_imagen.width(); }
    int altoPx() const { return m_imagen.height(); }

    // The frame's palette indices, row after row. The caller may keep the
    // vector (swap it out); the next call makes a new one.
    std::vector<GifByteType>& dibuja(const QByteArray& visible)
    {
        m_indices.resize(static_cast<size_t>(m_imagen.width()) *
                         static_cast<size_t>(m_imagen.height()));
        std::vector<player::FilaTexto> filas;
        for (qsizetype desde = 0; desde <= visible.size();) {
            qsizetype hasta = visible.indexOf('\n', desde);
            if (hasta < 0)
                hasta = visible.size();
            filas.push_back({desde, static_cast<int>(hasta - desde)});
            desde = hasta + 1;
        }
        {
            QPainter painter(&m_imagen);
            player::Lienzo::Vista vista;
            vista.bytes = &visible;
            vista.filas = &filas;
            m_lienzo.pinta(painter, m_imagen.rect(), m_imagen.size(), vista);
        }
        const QRgb letras = m_letras.rgb();
        const QRgb fondo = m_fondo.rgb();
        const int ancho = m_imagen.width();
        const int alto = m_imagen.height();
        const qsizetype paso = m_imagen.bytesPerLine();
        const uchar* origen = m_imagen.constBits();
        GifByteType* destino = m_indices.data();
        for (int y = 0; y < alto; ++y, origen += paso) {
            const auto* fila = reinterpret_cast<const QRgb*>(origen);
            for (int x = 0; x < ancho; ++x)
                *destino++ = fila[x] == fondo ? 0 : fila[x] == letras ? 1 : masCercano(fila[x]);
        }
        return m_indices;
    }

private:
    GifByteType masCercano(QRgb p) const
    {
        const auto distancia = [p](const QColor& c) {
            const int r = qRed(p) - c.red(), g = qGreen(p) - c.green(), b = qBlue(p) - c.blue();
            return r * r + g * g + b * b;
        };
        return distancia(m_letras) < distancia(m_fondo) ? 1 : 0;
    }

    QColor m_letras, m_fondo;
    player::Lienzo m_lienzo;
    QImage m_imagen;
    std::vector<GifByteType> m_indices;
};

ColorMapObject* paleta(const OpcionesExport& opciones)
{
    const GifColorType colores[2] = {
        {GifByteType(opciones.fondo >> 16), GifByteType(opciones.fondo >> 8),
         GifByteType(opciones.fondo)},
        {GifByteType(opciones.letras >> 16), GifByteType(opciones.letras >> 8),
         GifByteType(opciones.letras)}};
    return GifMakeMapObject(2, colores);
}

// The smallest rectangle holding every pixel that differs between two
// images of `ancho` columns; one pixel when nothing differs (GIF has no empty
// image).
QRect cambio(const std::vector<GifByteType>& antes, const std::vector<GifByteType>& ahora,
             int ancho, int alto)
{
    int arriba = alto, abajo = -1, izquierda = ancho, derecha = -1;
    for (int y = 0; y < alto; ++y) {
        const GifByteType* a = antes.data() + static_cast<size_t>(y) * static_cast<size_t>(ancho);
        const GifByteType* b = ahora.data() + static_cast<size_t>(y) * static_cast<size_t>(ancho);
        int x0 = 0;
        while (x0 < ancho && a[x0] == b[x0])
            ++x0;
        if (x0 == ancho)
            continue;
        int x1 = ancho - 1;
        while (a[x1] == b[x1])
            --x1;
        arriba = std::min(arriba, y);
        abajo = y;
        izquierda = std::min(izquierda, x0);
        derecha = std::max(derecha, x1);
    }
    return abajo < 0 ? QRect(0, 0, 1, 1) : QRect(QPoint(izquierda, arriba), QPoint(derecha, abajo));
}

// One image: only the part that changed since the image before is stored;
// the rest of the screen stays as that image left it.
bool poneImagen(GifFileType* gif, std::vector<GifByteType>& indices, int ancho, const QRect& zona,
                int retardo)
{
    GraphicsControlBlock control{DISPOSE_DO_NOT, false, retardo, NO_TRANSPARENT_COLOR};
    GifByteType extension[4];
    const auto largo = static_cast<int>(EGifGCBToExtension(&control, extension));
    if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, largo, extension) != GIF_OK ||
        EGifPutImageDesc(gif, zona.left(), zona.top(), zona.width(), zona.height(), false,
                         nullptr) != GIF_OK)
        return false;
    for (int y = zona.top(); y <= zona.bottom(); ++y) {
        GifByteType* fila =
            indices.data() + static_cast<size_t>(y) * static_cast<size_t>(ancho) + zona.left();
        if (EGifPutLine(gif, fila, zona.width()) != GIF_OK)
            return false;
    }
    return true;
}

bool poneRepeticion(GifFileType* gif)
{
    static const GifByteType netscape[] = "NETSCAPE2.0";
    static const GifByteType siempre[] = {1, 0, 0};
    return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
           EGifPutExtensionBlock(gif, 11, netscape) == GIF_OK &&
           EGifPutExtensionBlock(gif, 3, siempre) == GIF_OK &&
           EGifPutExtensionTrailer(gif) == GIF_OK;
}

} // namespace

QFont fuenteGif(double puntos)
{
    QFont fuente = fuenteFija(puntos > 0 ? puntos : 8);
    fuente.setStyleStrategy(QFont::NoAntialias);
    return fuente;
}

int retardoGif(int cuadros, int ms)
{
    const auto centesimas = roundHalfEven(static_cast<double>(cuadros) * ms / 10.0);
    return static_cast<int>(std::clamp<std::int64_t>(centesimas, 2, kRetardoMaximo));
}

ResultadoExport exportaGif(const Pelicula& pelicula, const QString& ruta, const QFont& fuente,
                           const OpcionesExport& opciones, QString* error)
{
    QFont sinSuavizado = fuente;
    sinSuavizado.setStyleStrategy(QFont::NoAntialias);
    Dibujante dibujante(sinSuavizado, opciones, pelicula.ancho, pelicula.alto);
    const int ms = pausaExport(pelicula);
    // Frames shown longer than the delay field holds are split into images.
    const int porImagen = std::max(1, kRetardoMaximo * 10 / std::max(ms, 1));

    ArchivoExport archivo(ruta);
    int codigo = 0;
    GifFileType* gif = archivo.abre() ? EGifOpen(&archivo, &escribe, &codigo) : nullptr;
    bool ok = gif != nullptr;
    if (ok) {
        EGifSetGifVersion(gif, true);
        ColorMapObject* colores = paleta(opciones);
        ok = EGifPutScreenDesc(gif, dibujante.anchoPx(), dibujante.altoPx(), 1, 0, colores) ==
                 GIF_OK &&
             poneRepeticion(gif);
        GifFreeMapObject(colores);
    }
    bool cancelado = false;
    QByteArray anterior;
    int repetidos = 0;                 // frames the pending image stands for
    std::vector<GifByteType> mostrada; // what the screen shows after the last image
    const auto vacia = [&] {
        std::vector<GifByteType>& indices = dibujante.dibuja(anterior);
        const int ancho = dibujante.anchoPx();
        const QRect zona = mostrada.empty() ? QRect(0, 0, ancho, dibujante.altoPx())
                                            : cambio(mostrada, indices, ancho, dibujante.altoPx());
        ok = ok && poneImagen(gif, indices, ancho, zona, retardoGif(repetidos, ms));
        mostrada.swap(indices);
        repetidos = 0;
    };
    for (int i = 0; ok && i < pelicula.numCuadros; ++i) {
        QByteArray visible = cuadroVisible(pelicula, i);
        if (repetidos > 0 && (visible != anterior || repetidos == porImagen))
            vacia();
        anterior = std::move(visible);
        ++repetidos;
        if (opciones.progreso && !opciones.progreso(i + 1, pelicula.numCuadros)) {
            cancelado = true;
            break;
        }
    }
    if (ok && !cancelado && repetidos > 0)
        vacia();
    if (gif && EGifCloseFile(gif, &codigo) != GIF_OK)
        ok = false;
    if (cancelado) {
        archivo.cancela();
        return ResultadoExport::Cancelado;
    }
    if (ok && archivo.termina())
        return ResultadoExport::Hecho;
    if (error)
        *error = gif || codigo == 0 ? archivo.error() : QString::fromUtf8(GifErrorString(codigo));
    archivo.cancela();
    return ResultadoExport::Fallo;
}

} // namespace orv::render

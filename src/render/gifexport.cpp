#include "gifexport.h"

#include "archivoexport.h"
#include "fuentefija.h"
#include "lienzo.h"
#include "numeric.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <gif_lib.h>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

namespace orv::render {
namespace {

constexpr int kRetardoMaximo = 65535; // the GIF delay field is 16 bits
constexpr int kLadoMaximo = 65535;    // so are the screen's width and height
constexpr unsigned kHilosMaximos = 8;

int escribe(GifFileType* gif, const GifByteType* datos, int largo)
{
    auto* archivo = static_cast<ArchivoExport*>(gif->UserData);
    return archivo->escribe(QByteArrayView(reinterpret_cast<const char*>(datos), largo)) ? largo
                                                                                         : 0;
}

int escribeEnMemoria(GifFileType* gif, const GifByteType* datos, int largo)
{
    auto* destino = static_cast<std::vector<GifByteType>*>(gif->UserData);
    destino->insert(destino->end(), datos, datos + largo);
    return largo;
}

ColorMapObject* paleta(const OpcionesExport& opciones)
{
    const GifColorType colores[2] = {
        {GifByteType(opciones.fondo >> 16), GifByteType(opciones.fondo >> 8),
         GifByteType(opciones.fondo)},
        {GifByteType(opciones.letras >> 16), GifByteType(opciones.letras >> 8),
         GifByteType(opciones.letras)}};
    return GifMakeMapObject(2, colores);
}

// Every byte's cell as palette indices (1 where the letters' colour is
// nearer, 0 else), taken from the Player's renderer once, before any frame:
// a frame is then only copies of these rows, which any thread may make.
class Glifos
{
public:
    Glifos(const QFont& fuente, const OpcionesExport& opciones)
    {
        const QColor letras = QColor::fromRgb(opciones.letras | 0xFF000000u);
        const QColor fondo = QColor::fromRgb(opciones.fondo | 0xFF000000u);
        player::Lienzo lienzo;
        lienzo.configura({fuente, 1, fondo, letras, fondo, letras});
        m_ancho = lienzo.anchoCelda();
        m_alto = lienzo.altoCelda();
        const auto area = static_cast<size_t>(m_ancho) * static_cast<size_t>(m_alto);
        m_indices.resize(256 * area);
        for (int b = 0; b < 256; ++b) {
            const QImage& celda = lienzo.celda(static_cast<unsigned char>(b), false);
            GifByteType* destino = m_indices.data() + static_cast<size_t>(b) * area;
            for (int y = 0; y < m_alto; ++y) {
                const auto* fila = reinterpret_cast<const QRgb*>(celda.constScanLine(y));
                for (int x = 0; x < m_ancho; ++x)
                    *destino++ = indice(fila[x], letras.rgb(), fondo.rgb());
            }
            // Bytes drawn alike (every blank one, say) share one number, so
            // comparing frames compares what is seen.
            m_forma[static_cast<size_t>(b)] = static_cast<unsigned char>(b);
            for (int antes = 0; antes < b; ++antes) {
                if (std::memcmp(celdaDe(static_cast<unsigned char>(antes)),
                                celdaDe(static_cast<unsigned char>(b)), area) == 0) {
                    m_forma[static_cast<size_t>(b)] = m_forma[static_cast<size_t>(antes)];
                    break;
                }
            }
        }
    }

    int ancho() const { return m_ancho; }
    int alto() const { return m_alto; }
    unsigned char forma(unsigned char byte) const { return m_forma[byte]; }
    const GifByteType* celdaDe(unsigned char byte) const
    {
        return m_indices.data() +
               static_cast<size_t>(byte) * static_cast<size_t>(m_ancho) * static_cast<size_t>(m_alto);
    }

private:
    static GifByteType indice(QRgb p, QRgb letras, QRgb fondo)
    {
        if (p == fondo)
            return 0;
        if (p == letras)
            return 1;
        const auto distancia = [p](QRgb c) {
            const int r = qRed(p) - qRed(c), g = qGreen(p) - qGreen(c), b = qBlue(p) - qBlue(c);
            return r * r + g * g + b * b;
        };
        return distancia(letras) < distancia(fondo) ? 1 : 0;
    }

    int m_ancho = 1, m_alto = 1;
    std::vector<GifByteType> m_indices;
    std::array<unsigned char, 256> m_forma{};
};

// A frame as the exports show it, cut into its rows; a cell past a row's end
// or below the last row is a blank.
class Cuadro
{
public:
    Cuadro() = default;
    explicit Cuadro(QByteArray texto) : m_texto(std::move(texto))
    {
        for (qsizetype desde = 0; desde <= m_texto.size();) {
            qsizetype hasta = m_texto.indexOf('\n', desde);
            if (hasta < 0)
                hasta = m_texto.size();
            m_filas.push_back({desde, static_cast<int>(hasta - desde)});
            desde = hasta + 1;
        }
    }
    // Row r's bytes and how many of them there are.
    const unsigned char* fila(int r, int& largo) const
    {
        if (r >= static_cast<int>(m_filas.size())) {
            largo = 0;
            return nullptr;
        }
        const player::FilaTexto& f = m_filas[static_cast<size_t>(r)];
        largo = f.largo;
        return reinterpret_cast<const unsigned char*>(m_texto.constData()) + f.inicio;
    }
    bool operator==(const Cuadro& otro) const { return m_texto == otro.m_texto; }

private:
    QByteArray m_texto;
    std::vector<player::FilaTexto> m_filas;
};

// The smallest rectangle of pixels where `ahora` looks different from
// `antes` on a screen of `columnas` x `filas` cells; empty when it looks the
// same.
QRect cambio(const Cuadro& antes, const Cuadro& ahora, int columnas, int filas,
             const Glifos& glifos)
{
    const auto byte = [](const Cuadro& cuadro, int r, int c) -> unsigned char {
        int largo = 0;
        const unsigned char* texto = cuadro.fila(r, largo);
        return c < largo ? texto[c] : ' ';
    };
    const auto difiere = [&](int r, int c) {
        return glifos.forma(byte(antes, r, c)) != glifos.forma(byte(ahora, r, c));
    };
    // First the cells that changed...
    int arriba = filas, abajo = -1, izquierda = columnas, derecha = -1;
    for (int r = 0; r < filas; ++r) {
        int largoA = 0, largoB = 0;
        const unsigned char* a = antes.fila(r, largoA);
        const unsigned char* b = ahora.fila(r, largoB);
        const auto igual = [&](int c) {
            return glifos.forma(c < largoA ? a[c] : ' ') == glifos.forma(c < largoB ? b[c] : ' ');
        };
        int c0 = 0;
        while (c0 < columnas && igual(c0))
            ++c0;
        if (c0 == columnas)
            continue;
        int c1 = columnas - 1;
        while (igual(c1))
            --c1;
        arriba = std::min(arriba, r);
        abajo = r;
        izquierda = std::min(izquierda, c0);
        derecha = std::max(derecha, c1);
    }
    if (abajo < 0)
        return {};
    // ...then, in the cells on the edges of that block, the pixels.
    const int cw = glifos.ancho(), ch = glifos.alto();
    int top = abajo * ch + ch - 1, bottom = arriba * ch, left = derecha * cw + cw - 1,
        right = izquierda * cw;
    const auto mide = [&](int r, int c) {
        if (!difiere(r, c))
            return;
        const GifByteType* a = glifos.celdaDe(byte(antes, r, c));
        const GifByteType* b = glifos.celdaDe(byte(ahora, r, c));
        for (int y = 0; y < ch; ++y) {
            for (int x = 0; x < cw; ++x) {
                if (a[y * cw + x] != b[y * cw + x]) {
                    top = std::min(top, r * ch + y);
                    bottom = std::max(bottom, r * ch + y);
                    left = std::min(left, c * cw + x);
                    right = std::max(right, c * cw + x);
                }
            }
        }
    };
    for (int c = izquierda; c <= derecha; ++c) {
        mide(arriba, c);
        if (abajo != arriba)
            mide(abajo, c);
    }
    for (int r = arriba + 1; r < abajo; ++r) {
        mide(r, izquierda);
        if (derecha != izquierda)
            mide(r, derecha);
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

// One image to encode: the frame, the part of the screen it stores, how
// long it shows; then its LZW data as GIF sub-blocks, the end block left out.
struct Imagen
{
    Cuadro cuadro;
    QRect zona;
    int retardo = 0;
    std::vector<GifByteType> bloques;
    bool hecha = false;
    bool ok = false;
};

// Draws pixel rows [desde, hasta) of the image's rectangle of the frame into
// palette indices, row after row.
void dibuja(const Imagen& imagen, const Glifos& glifos, int desde, int hasta,
            std::vector<GifByteType>& destino)
{
    const QRect& zona = imagen.zona;
    const int cw = glifos.ancho(), ch = glifos.alto();
    destino.resize(static_cast<size_t>(zona.width()) * static_cast<size_t>(hasta - desde));
    GifByteType* d = destino.data();
    const int primeraCol = zona.left() / cw, ultimaCol = zona.right() / cw;
    for (int y = desde; y < hasta; ++y) {
        int largo = 0;
        const unsigned char* texto = imagen.cuadro.fila(y / ch, largo);
        const int dentro = (y % ch) * cw;
        for (int c = primeraCol; c <= ultimaCol; ++c) {
            const GifByteType* origen = glifos.celdaDe(c < largo ? texto[c] : ' ') + dentro;
            const int x0 = std::max(zona.left(), c * cw), x1 = std::min(zona.right(), c * cw + cw - 1);
            const auto n = static_cast<size_t>(x1 - x0 + 1);
            std::memcpy(d, origen + (x0 - c * cw), n);
            d += n;
        }
    }
}

// Encodes the image with giflib as a GIF of its own in memory and keeps the
// image data's sub-blocks, which the export then copies into its file. The
// pixels are drawn and handed over a strip of rows at a time, so a huge
// image never needs its whole raster.
void codifica(Imagen& imagen, const Glifos& glifos, const OpcionesExport& opciones,
              std::vector<GifByteType>& pixeles, std::vector<GifByteType>& salida)
{
    constexpr qint64 kPixelesPorTira = qint64(1) << 21;
    salida.clear();
    int codigo = 0;
    GifFileType* gif = EGifOpen(&salida, &escribeEnMemoria, &codigo);
    if (!gif)
        return;
    ColorMapObject* colores = paleta(opciones);
    const int ancho = imagen.zona.width(), alto = imagen.zona.height();
    bool ok = EGifPutScreenDesc(gif, ancho, alto, 1, 0, colores) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, ancho, alto, false, nullptr) == GIF_OK;
    GifFreeMapObject(colores);
    // The image descriptor and the LZW code size are written by now; what
    // follows up to the end block is the image data.
    const size_t inicio = salida.size();
    const int filasPorTira = static_cast<int>(std::max<qint64>(1, kPixelesPorTira / ancho));
    for (int y = imagen.zona.top(); ok && y <= imagen.zona.bottom(); y += filasPorTira) {
        const int hasta = std::min(imagen.zona.bottom() + 1, y + filasPorTira);
        dibuja(imagen, glifos, y, hasta, pixeles);
        ok = EGifPutLine(gif, pixeles.data(), static_cast<int>(pixeles.size())) == GIF_OK;
    }
    const size_t fin = salida.size();
    ok = EGifCloseFile(gif, &codigo) == GIF_OK && ok;
    // Checked, not trusted: whole sub-blocks, then the end block.
    size_t p = inicio;
    while (ok && p < fin && salida[p] != 0)
        p += salida[p] + 1u;
    ok = ok && p + 1 == fin;
    if (ok)
        imagen.bloques.assign(salida.begin() + static_cast<std::ptrdiff_t>(inicio),
                              salida.begin() + static_cast<std::ptrdiff_t>(p));
    imagen.ok = ok;
}

// Images are encoded on every core and written in the order they were
// given; at most a few wait at a time, so memory stays bounded however long
// the movie.
class Codificador
{
public:
    Codificador(const Glifos& glifos, const OpcionesExport& opciones)
        : m_glifos(glifos), m_opciones(opciones)
    {
        const unsigned hilos = std::clamp(std::thread::hardware_concurrency(), 1u, kHilosMaximos);
        m_enEspera = 2 * hilos + 1;
        for (unsigned i = 0; i < hilos; ++i)
            m_hilos.emplace_back([this] { trabaja(); });
    }
    ~Codificador()
    {
        {
            std::lock_guard bloqueo(m_mutex);
            m_fin = true;
            m_porHacer.clear(); // left over after a failure or a cancel
        }
        m_hayTrabajo.notify_all();
        for (std::thread& h : m_hilos)
            h.join();
    }

    // Hands an image over; writes those done while too many wait. False
    // once writing failed.
    bool entrega(std::unique_ptr<Imagen> imagen, const std::function<bool(const Imagen&)>& escribe)
    {
        {
            std::lock_guard bloqueo(m_mutex);
            m_porHacer.push_back(imagen.get());
            m_pendientes.push_back(std::move(imagen));
        }
        m_hayTrabajo.notify_one();
        while (m_pendientes.size() > m_enEspera) {
            if (!escribePrimera(escribe))
                return false;
        }
        return true;
    }

    // Writes every image still waiting.
    bool vacia(const std::function<bool(const Imagen&)>& escribe)
    {
        while (!m_pendientes.empty()) {
            if (!escribePrimera(escribe))
                return false;
        }
        return true;
    }

    // True when an image could not be encoded (memory ran out).
    bool sinMemoria() const { return m_sinMemoria; }

private:
    bool escribePrimera(const std::function<bool(const Imagen&)>& escribe)
    {
        std::unique_ptr<Imagen> primera;
        {
            std::unique_lock bloqueo(m_mutex);
            m_hecha.wait(bloqueo, [this] { return m_pendientes.front()->hecha; });
            primera = std::move(m_pendientes.front());
            m_pendientes.pop_front();
        }
        m_sinMemoria = !primera->ok;
        return primera->ok && escribe(*primera);
    }

    void trabaja()
    {
        std::vector<GifByteType> pixeles, salida; // kept from image to image
        for (;;) {
            Imagen* imagen = nullptr;
            {
                std::unique_lock bloqueo(m_mutex);
                m_hayTrabajo.wait(bloqueo, [this] { return m_fin || !m_porHacer.empty(); });
                if (m_porHacer.empty())
                    return;
                imagen = m_porHacer.front();
                m_porHacer.pop_front();
            }
            try {
                codifica(*imagen, m_glifos, m_opciones, pixeles, salida);
            } catch (const std::bad_alloc&) {
                imagen->ok = false;
                salida = {};
                pixeles = {};
            }
            {
                std::lock_guard bloqueo(m_mutex);
                imagen->hecha = true;
            }
            m_hecha.notify_all();
        }
    }

    const Glifos& m_glifos;
    const OpcionesExport& m_opciones;
    size_t m_enEspera = 1;
    std::mutex m_mutex;
    std::condition_variable m_hayTrabajo, m_hecha;
    std::deque<Imagen*> m_porHacer;
    std::deque<std::unique_ptr<Imagen>> m_pendientes;
    bool m_fin = false;
    bool m_sinMemoria = false; // read and written by the caller's thread only
    std::vector<std::thread> m_hilos;
};

// Writes one encoded image: only the part that changed since the image
// before; the rest of the screen stays as that image left it.
bool poneImagen(GifFileType* gif, const Imagen& imagen)
{
    GraphicsControlBlock control{DISPOSE_DO_NOT, false, imagen.retardo, NO_TRANSPARENT_COLOR};
    GifByteType extension[4];
    const auto largo = static_cast<int>(EGifGCBToExtension(&control, extension));
    const QRect& zona = imagen.zona;
    if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, largo, extension) != GIF_OK ||
        EGifPutImageDesc(gif, zona.left(), zona.top(), zona.width(), zona.height(), false,
                         nullptr) != GIF_OK)
        return false;
    for (size_t p = 0; p < imagen.bloques.size(); p += imagen.bloques[p] + 1u) {
        if (EGifPutCodeNext(gif, imagen.bloques.data() + p) != GIF_OK)
            return false;
    }
    return EGifPutCodeNext(gif, nullptr) == GIF_OK;
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
    const Glifos glifos(sinSuavizado, opciones);
    const int columnas = std::max<int>(pelicula.ancho, 1);
    const int filas = std::max<int>(pelicula.alto, 1);
    const QRect pantalla(0, 0, columnas * glifos.ancho(), filas * glifos.alto());
    if (pantalla.width() > kLadoMaximo || pantalla.height() > kLadoMaximo) {
        if (error)
            *error = QStringLiteral("La película no cabe en un GIF: %1 × %2 píxeles, y un GIF "
                                    "admite hasta %3 × %3. Elija una letra más pequeña.")
                         .arg(pantalla.width())
                         .arg(pantalla.height())
                         .arg(kLadoMaximo);
        return ResultadoExport::Fallo;
    }
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
        ok = EGifPutScreenDesc(gif, pantalla.width(), pantalla.height(), 1, 0, colores) ==
                 GIF_OK &&
             poneRepeticion(gif);
        GifFreeMapObject(colores);
    }
    bool cancelado = false, sinMemoria = false;
    {
        Codificador codificador(glifos, opciones);
        const auto escribeImagen = [gif](const Imagen& imagen) { return poneImagen(gif, imagen); };
        // The frame waiting to become an image, the part of the screen it
        // changes and how many frames it stands for.
        auto pendiente = std::make_unique<Imagen>();
        int repetidos = 0;
        const auto entrega = [&] {
            pendiente->retardo = retardoGif(repetidos, ms);
            ok = ok && codificador.entrega(std::move(pendiente), escribeImagen);
            pendiente = std::make_unique<Imagen>();
            repetidos = 0;
        };
        for (int i = 0; ok && i < pelicula.numCuadros; ++i) {
            Cuadro cuadro(cuadroVisible(pelicula, i));
            QRect zona = pantalla;
            if (repetidos > 0) {
                zona = cambio(pendiente->cuadro, cuadro, columnas, filas, glifos);
                if (!zona.isEmpty() || repetidos == porImagen) {
                    entrega();
                    // GIF has no empty image: a run split in two repeats
                    // one pixel.
                    if (zona.isEmpty())
                        zona = QRect(0, 0, 1, 1);
                } else {
                    zona = pendiente->zona;
                }
            }
            pendiente->cuadro = std::move(cuadro);
            pendiente->zona = zona;
            ++repetidos;
            if (opciones.progreso && !opciones.progreso(i + 1, pelicula.numCuadros)) {
                cancelado = true;
                break;
            }
        }
        if (ok && !cancelado && repetidos > 0)
            entrega();
        ok = ok && !cancelado && codificador.vacia(escribeImagen);
        sinMemoria = codificador.sinMemoria();
    }
    if (gif && EGifCloseFile(gif, &codigo) != GIF_OK)
        ok = false;
    if (cancelado) {
        archivo.cancela();
        return ResultadoExport::Cancelado;
    }
    if (ok && archivo.termina())
        return ResultadoExport::Hecho;
    if (error) {
        if (sinMemoria)
            *error = errorSinMemoria();
        else
            *error = gif || codigo == 0 ? archivo.error() : QString::fromUtf8(GifErrorString(codigo));
    }
    archivo.cancela();
    return ResultadoExport::Fallo;
}

} // namespace orv::render

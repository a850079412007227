#include "gifcodificador.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace orv::render::gif {
namespace {

constexpr unsigned kHilosMaximos = 8;

int escribeEnMemoria(GifFileType* gif, const GifByteType* datos, int largo)
{
    auto* destino = static_cast<std::vector<GifByteType>*>(gif->UserData);
    destino->insert(destino->end(), datos, datos + largo);
    return largo;
}

// Draws pixel rows [desde, hasta) of the image's rectangle of the frame into
// palette indices, row after row, and answers how many it wrote.
size_t dibuja(const Imagen& imagen, const Glifos& glifos, int desde, int hasta,
              std::vector<GifByteType>& destino)
{
    const QRect& zona = imagen.zona;
    const int cw = glifos.ancho(), ch = glifos.alto();
    const size_t total = static_cast<size_t>(zona.width()) * static_cast<size_t>(hasta - desde);
    // Whole cells of narrow fonts go over as one 8-byte block each, which
    // may run past the cell; the next cell, or this room, takes the excess.
    destino.resize(total + Glifos::kHolgura);
    const bool bloque = cw <= static_cast<int>(Glifos::kHolgura);
    GifByteType* d = destino.data();
    const int primeraCol = zona.left() / cw, ultimaCol = zona.right() / cw;
    for (int y = desde; y < hasta; ++y) {
        int largo = 0;
        const unsigned char* texto = imagen.cuadro.fila(y / ch, largo);
        const int dentro = (y % ch) * cw;
        for (int c = primeraCol; c <= ultimaCol; ++c) {
            const GifByteType* origen = glifos.celdaDe(c < largo ? texto[c] : ' ') + dentro;
            const int x0 = std::max(zona.left(), c * cw), x1 = std::min(zona.right(), c * cw + cw - 1);
            if (bloque && x1 - x0 + 1 == cw) {
                std::memcpy(d, origen, Glifos::kHolgura);
                d += cw;
                continue;
            }
            const auto n = static_cast<size_t>(x1 - x0 + 1);
            std::memcpy(d, origen + (x0 - c * cw), n);
            d += n;
        }
    }
    return total;
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
        const size_t pixelesTira = dibuja(imagen, glifos, y, hasta, pixeles);
        ok = EGifPutLine(gif, pixeles.data(), static_cast<int>(pixelesTira)) == GIF_OK;
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

} // namespace

ColorMapObject* paleta(const OpcionesExport& opciones)
{
    const GifColorType colores[2] = {
        {GifByteType(opciones.fondo >> 16), GifByteType(opciones.fondo >> 8),
         GifByteType(opciones.fondo)},
        {GifByteType(opciones.letras >> 16), GifByteType(opciones.letras >> 8),
         GifByteType(opciones.letras)}};
    return GifMakeMapObject(2, colores);
}

Codificador::Codificador(const Glifos& glifos, const OpcionesExport& opciones)
    : m_glifos(glifos), m_opciones(opciones)
{
    const unsigned hilos = std::clamp(std::thread::hardware_concurrency(), 1u, kHilosMaximos);
    m_enEspera = 2 * hilos + 1;
    for (unsigned i = 0; i < hilos; ++i)
        m_hilos.emplace_back([this] { trabaja(); });
}

Codificador::~Codificador()
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

bool Codificador::entrega(std::unique_ptr<Imagen> imagen, const Escribe& escribe)
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

bool Codificador::vacia(const Escribe& escribe)
{
    while (!m_pendientes.empty()) {
        if (!escribePrimera(escribe))
            return false;
    }
    return true;
}

bool Codificador::escribePrimera(const Escribe& escribe)
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

void Codificador::trabaja()
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

} // namespace orv::render::gif

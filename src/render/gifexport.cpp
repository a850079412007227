#include "gifexport.h"

#include "archivoseguro.h"
#include "fuentefija.h"
#include "gifcodificador.h"
#include "numeric.h"

#include <algorithm>
#include <gif_lib.h>
#include <memory>

namespace orv::render {
namespace {

using namespace gif;

constexpr int kRetardoMaximo = 65535; // the GIF delay field is 16 bits
constexpr int kLadoMaximo = 65535;    // so are the screen's width and height

int escribe(GifFileType* gif, const GifByteType* datos, int largo)
{
    auto* archivo = static_cast<ArchivoSeguro*>(gif->UserData);
    return archivo->escribe(QByteArrayView(reinterpret_cast<const char*>(datos), largo)) ? largo
                                                                                         : 0;
}

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

// Turns frames into images: a run of frames that look the same becomes one
// image shown for the whole run (split where the delay field would
// overflow), and each image after the first keeps only what changed since
// the one before. Images go to the encoder as their runs end.
class Reparto
{
public:
    Reparto(Codificador& codificador, Codificador::Escribe escribe, const Glifos& glifos,
            QSize celdas, int ms)
        : m_codificador(codificador), m_escribe(std::move(escribe)), m_glifos(glifos),
          m_celdas(celdas), m_ms(ms),
          // Frames shown longer than the delay field holds are split.
          m_porImagen(std::max(1, kRetardoMaximo * 10 / std::max(ms, 1)))
    {
    }

    // Takes the next frame; false once writing failed.
    bool agrega(Cuadro cuadro)
    {
        QRect zona(0, 0, m_celdas.width() * m_glifos.ancho(), m_celdas.height() * m_glifos.alto());
        if (m_repetidos > 0) {
            zona =
                cambio(m_pendiente->cuadro, cuadro, m_celdas.width(), m_celdas.height(), m_glifos);
            if (zona.isEmpty() && m_repetidos < m_porImagen) {
                ++m_repetidos;
                return true;
            }
            if (!entrega())
                return false;
            // GIF has no empty image: a run split in two repeats one pixel.
            if (zona.isEmpty())
                zona = QRect(0, 0, 1, 1);
        }
        m_pendiente->cuadro = std::move(cuadro);
        m_pendiente->zona = zona;
        m_repetidos = 1;
        return true;
    }

    // Hands over the last run and writes every image still waiting.
    bool termina() { return (m_repetidos == 0 || entrega()) && m_codificador.vacia(m_escribe); }

private:
    bool entrega()
    {
        m_pendiente->retardo = retardoGif(m_repetidos, m_ms);
        m_repetidos = 0;
        const bool ok = m_codificador.entrega(std::move(m_pendiente), m_escribe);
        m_pendiente = std::make_unique<Imagen>();
        return ok;
    }

    Codificador& m_codificador;
    const Codificador::Escribe m_escribe;
    const Glifos& m_glifos;
    const QSize m_celdas;
    const int m_ms;
    const int m_porImagen;
    std::unique_ptr<Imagen> m_pendiente = std::make_unique<Imagen>();
    int m_repetidos = 0; // frames the pending image stands for
};

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
    const QSize celdas(std::max<int>(pelicula.ancho, 1), std::max<int>(pelicula.alto, 1));
    const QSize pantalla(celdas.width() * glifos.ancho(), celdas.height() * glifos.alto());
    if (pantalla.width() > kLadoMaximo || pantalla.height() > kLadoMaximo) {
        if (error)
            *error = QStringLiteral("La película no cabe en un GIF: %1 × %2 píxeles, y un GIF "
                                    "admite hasta %3 × %3. Elija una letra más pequeña.")
                         .arg(pantalla.width())
                         .arg(pantalla.height())
                         .arg(kLadoMaximo);
        return ResultadoExport::Fallo;
    }

    ArchivoSeguro archivo(ruta);
    int codigo = 0;
    GifFileType* gif = archivo.abre() ? EGifOpen(&archivo, &escribe, &codigo) : nullptr;
    bool ok = gif != nullptr;
    if (ok) {
        EGifSetGifVersion(gif, true);
        ColorMapObject* colores = paleta(opciones);
        ok = EGifPutScreenDesc(gif, pantalla.width(), pantalla.height(), 1, 0, colores) == GIF_OK &&
             poneRepeticion(gif);
        GifFreeMapObject(colores);
    }
    bool cancelado = false, sinMemoria = false;
    {
        Codificador codificador(glifos, opciones);
        Reparto reparto(
            codificador, [gif](const Imagen& imagen) { return poneImagen(gif, imagen); }, glifos,
            celdas, pausaExport(pelicula));
        for (int i = 0; ok && i < pelicula.numCuadros; ++i) {
            ok = reparto.agrega(Cuadro(cuadroVisible(pelicula, i)));
            if (ok && opciones.progreso && !opciones.progreso(i + 1, pelicula.numCuadros))
                cancelado = true;
            if (cancelado)
                break;
        }
        ok = ok && !cancelado && reparto.termina();
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
            *error =
                gif || codigo == 0 ? archivo.error() : QString::fromUtf8(GifErrorString(codigo));
    }
    archivo.cancela();
    return ResultadoExport::Fallo;
}

} // namespace orv::render

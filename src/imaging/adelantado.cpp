#include "adelantado.h"

#include "decodifica.h"
#include "generacion.h"
#include "imagenqt.h"

#include <algorithm>
#include <thread>

namespace orv::imaging {
namespace {

// A picture known only by its size. The generation refuses it by that size
// before it samples a pixel; were it asked, it would be all background.
class ImagenSinPixeles : public Imagen
{
public:
    explicit ImagenSinPixeles(QSize tamano) : m_tamano(tamano) {}
    int ancho() const override { return m_tamano.width(); }
    int alto() const override { return m_tamano.height(); }
    std::uint32_t color(int, int) const override { return kColorFondo; }

private:
    QSize m_tamano;
};

// What decoding a picture of this size may take: the picture and its copy
// in 24-bit colour.
qint64 memoriaPara(const std::optional<QSize>& tamano)
{
    const qint64 pixeles = tamano ? qint64(tamano->width()) * tamano->height() : kPixelesMaximos;
    return 2 * 4 * std::min(pixeles, kPixelesMaximos);
}

} // namespace

std::unique_ptr<Imagen> Decodificada::paraGeneracion() &&
{
    if (imagen)
        return std::make_unique<ImagenQt>(std::move(*imagen));
    if (soloTamano)
        return std::make_unique<ImagenSinPixeles>(*soloTamano);
    return nullptr;
}

DecodificadorAdelantado::DecodificadorAdelantado(QStringList rutas, int adelanto)
    : m_rutas(std::move(rutas)),
      m_adelanto(adelanto > 0 ? adelanto
                              : 2 * std::max(1, int(std::thread::hardware_concurrency())))
{
    llena();
}

// Futures of std::async join in their destructors, so pictures still being
// decoded are waited for here rather than left running.
DecodificadorAdelantado::~DecodificadorAdelantado() = default;

void DecodificadorAdelantado::llena()
{
    while (int(m_pendientes.size()) < m_adelanto && m_lanzadas < m_rutas.size()
           && !m_primeraRechazada) {
        const int indice = m_lanzadas;
        const QString ruta = m_rutas.at(indice);
        const std::optional<QSize> declarado = tamanoDeclarado(ruta);
        if (indice == 0)
            m_tamanoPrimera = declarado;
        const bool rechazada =
            declarado && (indice == 0 ? !tamanoImagenValido(declarado->width(), declarado->height())
                                      : m_tamanoPrimera && *declarado != *m_tamanoPrimera);
        if (rechazada) {
            std::promise<Decodificada> hecha;
            hecha.set_value({std::nullopt, declarado});
            m_pendientes.push_back({hecha.get_future(), 0});
            m_primeraRechazada = indice == 0;
            ++m_lanzadas;
            continue;
        }
        const qint64 memoria = memoriaPara(declarado);
        if (!m_pendientes.empty() && m_memoriaEnCurso + memoria > kMemoriaAdelanto)
            break;
        m_memoriaEnCurso += memoria;
        m_pendientes.push_back({std::async(std::launch::async,
                                           [ruta] { return Decodificada{decodificaImagen(ruta), {}}; }),
                                memoria});
        ++m_lanzadas;
    }
}

Decodificada DecodificadorAdelantado::siguiente()
{
    if (m_pendientes.empty())
        return {};
    Pendiente pendiente = std::move(m_pendientes.front());
    m_pendientes.pop_front();
    Decodificada imagen = pendiente.resultado.get();
    m_memoriaEnCurso -= pendiente.memoria;
    llena();
    return imagen;
}

} // namespace orv::imaging

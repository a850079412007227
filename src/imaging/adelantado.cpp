#include "adelantado.h"

#include "decodifica.h"

#include <algorithm>
#include <thread>

namespace orv::imaging {

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
    while (int(m_pendientes.size()) < m_adelanto && m_lanzadas < m_rutas.size()) {
        const QString ruta = m_rutas.at(m_lanzadas++);
        m_pendientes.push_back(
            std::async(std::launch::async, [ruta] { return decodificaImagen(ruta); }));
    }
}

std::optional<QImage> DecodificadorAdelantado::siguiente()
{
    if (m_pendientes.empty())
        return std::nullopt;
    std::optional<QImage> imagen = m_pendientes.front().get();
    m_pendientes.pop_front();
    llena();
    return imagen;
}

} // namespace orv::imaging

#include "lectorlineas.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>

namespace orv {
namespace {

// The first CR or LF in [p, p + n), or nullptr.
const char* finDeLinea(const char* p, qsizetype n)
{
    const auto tamano = static_cast<std::size_t>(n);
    const void* cr = std::memchr(p, '\r', tamano);
    // An LF only matters before the first CR.
    const std::size_t hasta = cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - p) : tamano;
    const void* lf = std::memchr(p, '\n', hasta);
    return static_cast<const char*>(lf ? lf : cr);
}

} // namespace

LectorLineas::LectorLineas(QIODevice& dispositivo, qsizetype limite)
    : m_dispositivo(dispositivo), m_limite(std::max<qsizetype>(limite, 0))
{
}

qsizetype LectorLineas::rellena()
{
    const qsizetype pendientes = m_final - m_inicio;
    const qsizetype movido = m_inicio;
    if (movido > 0 && pendientes > 0)
        std::memmove(m_buffer.data(), m_buffer.constData() + m_inicio, static_cast<std::size_t>(pendientes));
    m_inicio = 0;
    m_final = pendientes;
    if (m_buffer.size() < pendientes + kBloque)
        m_buffer.resize(pendientes + kBloque);
    const qint64 leidos = m_dispositivo.read(m_buffer.data() + m_final, kBloque);
    if (leidos < 0) {
        m_error = true;
        m_agotado = true;
    } else if (leidos == 0) {
        m_agotado = true;
    } else {
        m_final += static_cast<qsizetype>(leidos);
    }
    return movido;
}

bool LectorLineas::siguiente(QByteArrayView& linea)
{
    return avanza(linea, -1) == Paso::Linea;
}

LectorLineas::Paso LectorLineas::avanza(QByteArrayView& linea, int bloques)
{
    qsizetype busca = m_busca >= 0 ? m_busca : m_inicio; // where the search for the line's end goes on
    qsizetype corte = m_corte;                           // the kept end of a line cut to the limit
    m_busca = m_corte = -1;
    // Stops before the next block is read once the call's blocks are spent;
    // each call reads one at least, so that it always gets on.
    bloques = bloques < 0 ? -1 : std::max(bloques, 1);
    const auto pausa = [&] {
        if (bloques < 0 || bloques-- > 0)
            return false;
        m_busca = busca;
        m_corte = corte;
        return true;
    };
    for (;;) {
        const char* base = m_buffer.constData();
        const char* fin = busca < m_final ? finDeLinea(base + busca, m_final - busca) : nullptr;
        if (fin) {
            const qsizetype posicion = fin - base;
            if (*fin == '\r' && posicion + 1 == m_final && !m_agotado) {
                // Whether an LF follows is in the next block: keep the CR
                // just after what the line keeps, and read on.
                if (corte >= 0) {
                    m_consumidos += posicion - corte; // skipped, never kept
                    m_buffer[corte] = '\r';
                    m_final = corte + 1;
                    busca = corte;
                } else {
                    busca = posicion;
                }
                if (pausa())
                    return Paso::Sigue;
                const qsizetype movido = rellena();
                busca -= movido;
                if (corte >= 0)
                    corte -= movido;
                continue;
            }
            qsizetype siguienteInicio = posicion + 1;
            if (*fin == '\r' && siguienteInicio < m_final && base[siguienteInicio] == '\n')
                ++siguienteInicio;
            const qsizetype finLinea = corte >= 0 ? corte : posicion;
            linea = QByteArrayView(base + m_inicio, std::min(finLinea - m_inicio, m_limite));
            m_consumidos += siguienteInicio - m_inicio;
            m_inicio = siguienteInicio;
            return Paso::Linea;
        }
        if (m_agotado) {
            if (m_error || m_inicio >= m_final)
                return Paso::Fin;
            const qsizetype finLinea = corte >= 0 ? corte : m_final;
            linea = QByteArrayView(base + m_inicio, std::min(finLinea - m_inicio, m_limite));
            m_consumidos += m_final - m_inicio;
            m_inicio = m_final;
            return Paso::Linea;
        }
        // The line goes on past what is buffered.
        if (corte >= 0) {
            m_consumidos += m_final - corte; // skipped, never kept
            m_final = corte;
        } else if (m_final - m_inicio > m_limite) {
            corte = m_inicio + m_limite;
            m_consumidos += m_final - corte;
            m_final = corte;
        }
        busca = m_final;
        if (pausa())
            return Paso::Sigue;
        const qsizetype movido = rellena();
        busca -= movido;
        if (corte >= 0)
            corte -= movido;
    }
}

} // namespace orv

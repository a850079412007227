#include "playback.h"

#include "numeric.h"

#include <algorithm>
#include <cmath>

namespace orv {

int Playback::intervaloPara(double velocidad)
{
    if (std::isnan(velocidad))
        return kIntervaloMinimo;
    const std::int64_t ms = roundHalfEven(velocidad);
    return static_cast<int>(
        std::clamp<std::int64_t>(ms, kIntervaloMinimo, kIntervaloMaximo));
}

void Playback::abre(int numCuadros, double pausa)
{
    m_numCuadros = std::max(numCuadros, 0);
    m_cuadroActual = 0;
    m_reproduciendo = false;
    m_velocidad = pausa;
}

void Playback::cierra()
{
    m_numCuadros = 0;
    m_cuadroActual = 0;
    m_reproduciendo = false;
}

void Playback::alternaReproduccion()
{
    if (m_reproduciendo)
        m_reproduciendo = false;
    else if (puedeReproducir())
        m_reproduciendo = true;
}

void Playback::tick()
{
    if (!m_reproduciendo)
        return;
    if (m_cuadroActual < ultimoCuadro()) {
        ++m_cuadroActual;
        return;
    }
    if (!m_repetir)
        m_reproduciendo = false;
    m_cuadroActual = 0;
}

void Playback::rebobina()
{
    m_cuadroActual = 0;
}

bool Playback::avanza()
{
    if (!puedeReproducir() || m_cuadroActual >= ultimoCuadro())
        return false;
    ++m_cuadroActual;
    return true;
}

bool Playback::retrocede()
{
    if (!puedeReproducir() || m_cuadroActual <= 0)
        return false;
    --m_cuadroActual;
    return true;
}

void Playback::irA(int cuadro)
{
    m_cuadroActual = std::clamp(cuadro, 0, ultimoCuadro());
}

} // namespace orv

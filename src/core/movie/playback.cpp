#include "playback.h"

#include "numeric.h"

#include <algorithm>
#include <cmath>

namespace orv {

int Playback::intervalFor(double velocidad)
{
    if (std::isnan(velocidad))
        return kMinInterval;
    const std::int64_t ms = roundHalfEven(velocidad);
    return static_cast<int>(std::clamp<std::int64_t>(ms, kMinInterval, kMaxInterval));
}

void Playback::open(int numCuadros, double pausa)
{
    m_numCuadros = std::max(numCuadros, 0);
    m_cuadroActual = 0;
    m_playing = false;
    m_velocidad = pausa;
}

void Playback::close()
{
    m_numCuadros = 0;
    m_cuadroActual = 0;
    m_playing = false;
}

void Playback::togglePlayback()
{
    if (m_playing)
        m_playing = false;
    else if (canPlay())
        m_playing = true;
}

void Playback::tick()
{
    if (!m_playing)
        return;
    if (m_cuadroActual < lastFrame()) {
        ++m_cuadroActual;
        return;
    }
    if (!m_repeat)
        m_playing = false;
    m_cuadroActual = 0;
}

void Playback::rewind()
{
    m_cuadroActual = 0;
}

bool Playback::stepForward()
{
    if (!canPlay() || m_cuadroActual >= lastFrame())
        return false;
    ++m_cuadroActual;
    return true;
}

bool Playback::retrocede()
{
    if (!canPlay() || m_cuadroActual <= 0)
        return false;
    --m_cuadroActual;
    return true;
}

void Playback::irA(int frame)
{
    m_cuadroActual = std::clamp(frame, 0, lastFrame());
}

} // namespace orv

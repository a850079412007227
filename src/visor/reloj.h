#pragma once

#include "pictures.h"
#include "playback.h"

#include <QAbstractButton>
#include <QTimer>

namespace orv::visor {

// Brings the frame clock and the play/stop button in line with the playback
// state, as the Player and the preview both show it.
inline void reflejaReproduccion(const Playback& motor, QTimer& reloj, QAbstractButton& boton)
{
    if (motor.reproduciendo() && !reloj.isActive())
        reloj.start();
    else if (!motor.reproduciendo() && reloj.isActive())
        reloj.stop();
    boton.setIcon(motor.reproduciendo() ? ui::stopIcon() : ui::playIcon());
}

} // namespace orv::visor

#pragma once

#include "pictures.h"
#include "playback.h"

#include <QAbstractButton>
#include <QTimer>

namespace orv::viewer {

// Brings the frame clock and the play/stop button in line with the playback
// state, as the Player and the preview both show it.
inline void reflectPlayback(const Playback& engine, QTimer& clock, QAbstractButton& button)
{
    if (engine.playing() && !clock.isActive())
        clock.start();
    else if (!engine.playing() && clock.isActive())
        clock.stop();
    button.setIcon(engine.playing() ? ui::stopIcon() : ui::playIcon());
}

} // namespace orv::viewer

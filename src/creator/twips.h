#pragma once

#include <QWidget>
#include <cmath>

namespace orv::creator {

// Positions and sizes of the Creator's windows are laid out in twips, 1440 to
// the inch, turned into pixels at the screen's logical dpi.
inline int twips(const QWidget* w, int t)
{
    return int(std::lround(t * w->logicalDpiX() / 1440.0));
}

inline QRect twipsRect(const QWidget* w, int x, int y, int ancho, int alto)
{
    return QRect(twips(w, x), twips(w, y), twips(w, ancho), twips(w, alto));
}

} // namespace orv::creator

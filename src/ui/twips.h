#pragma once

#include <QRect>
#include <QWidget>
#include <cmath>

namespace orv::ui {

// The programs' windows are laid out in twips, 1440 to the inch, turned into
// pixels at the screen's logical dpi (15 twips a pixel at 96 dpi).
inline int twips(const QWidget* w, int t)
{
    return int(std::lround(t * w->logicalDpiX() / 1440.0));
}

inline int pixelsToTwips(const QWidget* w, int pixels)
{
    return int(std::lround(pixels * 1440.0 / w->logicalDpiX()));
}

inline QRect twipsRect(const QWidget* w, int x, int y, int width, int height)
{
    return QRect(twips(w, x), twips(w, y), twips(w, width), twips(w, height));
}

} // namespace orv::ui

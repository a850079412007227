#pragma once

#include "product.h"

#include <QColor>
#include <QIcon>
#include <QPixmap>

class QPainter;
class QRectF;

namespace orv::ui {

// The suite's pictures, drawn as vectors so they stay sharp at any size and
// device pixel ratio. The product picture is a strip of film whose frame
// shows a few ASCII characters, with a badge in the product's own colour
// (Player blue, Compactor orange, Converter green, Creator purple).

// The colour that tells the products apart.
QColor productColor(Product p);

// Paints the product picture into the largest square centred in `rect`.
void paintProductPicture(QPainter& painter, const QRectF& rect, Product p);

// The product picture as a pixmap of `size` logical pixels at `dpr`.
QPixmap productPicture(Product p, QSize size, qreal dpr = 1.0);

// The product picture as a scalable icon (window and desktop icon).
QIcon productIcon(Product p);

// The Player's buttons, drawn in the palette's button text colour.
QIcon playIcon();   // a triangle pointing right
QIcon stopIcon();   // a square
QIcon rewindIcon(); // a bar and two triangles pointing left

} // namespace orv::ui

#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

// Picture files of every kind the Creator reads, made here so that the tests
// and the benchmark own their inputs.
namespace imagefixtures {

// A GIF through giflib: every frame the same size, all frames sharing a
// palette of up to 256 colours (their pixels must be in it). `transparent`,
// when 0 or more, is the palette index drawn as transparent.
// `delays` are each frame's delay in hundredths of a second (10 when not given).
bool writeGif(const QString& path, const QList<QImage>& cuadros, int transparent = -1,
              const QList<int>& delays = {});

// An icon (or, with `cursor`, a cursor) holding one picture of each size,
// built from the single-picture icons that Qt writes.
QByteArray severalIcon(const QList<QImage>& images, bool cursor);

struct Rectangle
{
    QRect box; // logical units, one per pixel at the declared size
    QColor color;
};

// A Windows metafile: solid rectangles without outline on a transparent
// ground, `width` × `height` logical units. With `placeable` it starts with the
// placeable header declaring 96 units per inch, so one unit is one pixel.
// The drawing's window starts at `origin` (logical units): every rectangle
// and the placeable bounds are moved by it, so the picture is the same.
QByteArray wmf(int width, int height, const QList<Rectangle>& rects, bool placeable = true,
               QPoint origin = {});

// An enhanced metafile with the same drawing, its bounds the extent of the
// drawing (as the files programs write) and its frame declaring
// `width` × `height` pixels at 96 dpi.
QByteArray emf(int width, int height, const QList<Rectangle>& rects);

bool write(const QString& path, const QByteArray& data);

} // namespace imagefixtures

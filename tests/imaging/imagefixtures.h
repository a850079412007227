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
// palette of up to 256 colours (their pixels must be in it). `transparente`,
// when 0 or more, is the palette index drawn as transparent.
// `retardos` are each frame's delay in hundredths of a second (10 when not given).
bool escribeGif(const QString& ruta, const QList<QImage>& cuadros, int transparente = -1,
                const QList<int>& retardos = {});

// An icon (or, with `cursor`, a cursor) holding one picture of each size,
// built from the single-picture icons that Qt writes.
QByteArray iconoVarios(const QList<QImage>& imagenes, bool cursor);

struct Rectangulo
{
    QRect caja; // logical units, one per pixel at the declared size
    QColor color;
};

// A Windows metafile: solid rectangles without outline on a transparent
// ground, `ancho` × `alto` logical units. With `colocable` it starts with the
// placeable header declaring 96 units per inch, so one unit is one pixel.
QByteArray wmf(int ancho, int alto, const QList<Rectangulo>& rects, bool colocable = true);

// An enhanced metafile with the same drawing, its bounds the extent of the
// drawing (as the files programs write) and its frame declaring
// `ancho` × `alto` pixels at 96 dpi.
QByteArray emf(int ancho, int alto, const QList<Rectangulo>& rects);

bool escribe(const QString& ruta, const QByteArray& datos);

} // namespace imagefixtures

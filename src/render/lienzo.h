#pragma once

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QImage>
#include <array>
#include <functional>
#include <utility>
#include <vector>

class QPainter;

namespace orv::render {

// One row of the text on screen: where it starts in the bytes, how long it is.
struct FilaTexto
{
    qsizetype inicio;
    int largo;
};

// Paints Windows-1252 text on a grid of whole-pixel character cells. Each of
// the 256 byte values is drawn once per font and colour (normal and
// selected) into a small opaque image; a frame is then put together by
// copying those cells into a canvas and the canvas onto the screen in one
// go. Showing a frame costs a few memory copies however many characters it
// holds, with no text shaping and no glyph blending.
//
// A glyph wider than its cell is clipped to it; the Player's fonts are
// monospaced, so that only trims the odd overhang.
class Lienzo
{
public:
    struct Estilo
    {
        QFont fuente;
        qreal dpr = 1;
        QColor fondo, letras, resalteFondo, resalteLetras;
        bool operator==(const Estilo&) const = default;
    };

    // Takes a new font, colours or pixel ratio; drops the cells drawn so far
    // when anything changed.
    void configura(const Estilo& estilo);
    const Estilo& estilo() const { return m_estilo; }

    // Cell size in device pixels, and in the widget's logical pixels.
    int anchoCelda() const { return m_anchoCelda; }
    int altoCelda() const { return m_altoCelda; }
    qreal anchoLogico() const { return m_anchoCelda / m_estilo.dpr; }
    qreal altoLogico() const { return m_altoCelda / m_estilo.dpr; }

    // What to paint: the text, its rows, the scroll offset and margin (in
    // device pixels) and, per row, the selected columns [a, b).
    struct Vista
    {
        const QByteArray* bytes = nullptr;
        const std::vector<FilaTexto>* filas = nullptr;
        QPoint desplazamiento;
        int margen = 0;
        std::function<std::pair<int, int>(int)> seleccion;
    };

    // Paints the part `zona` (logical pixels) of a view `tamano` (logical).
    void pinta(QPainter& painter, const QRect& zona, const QSize& tamano, const Vista& vista);

    // The cell a byte is drawn as, anchoCelda() x altoCelda() device pixels;
    // drawn on first use and kept until the style changes.
    const QImage& celda(unsigned char byte, bool seleccionada);

private:
    void fillOutside(QPainter& painter, const QRect& zona, const QRect& bloque) const;
    void copiaCelda(const QImage& celda, int x, int y, const QRect& recorte);

    Estilo m_estilo;
    int m_anchoCelda = 1;
    int m_altoCelda = 1;
    qreal m_ascenso = 0;
    qreal m_sangria = 0; // centres the glyph's advance in its cell
    std::array<std::array<QImage, 256>, 2> m_celdas;
    QImage m_lienzo;
    uchar* m_pixeles = nullptr; // m_lienzo's rows, valid during pinta()
    qsizetype m_bytesPorLinea = 0;
};

} // namespace orv::render

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
struct TextRow
{
    qsizetype start;
    int length;
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
class CellRenderer
{
public:
    struct Style
    {
        QFont font;
        qreal dpr = 1;
        QColor background, letters, highlightBackground, highlightLetters;
        bool operator==(const Style&) const = default;
    };

    // Takes a new font, colours or pixel ratio; drops the cells drawn so far
    // when anything changed.
    void configure(const Style& style);
    const Style& style() const { return m_style; }

    // Cell size in device pixels, and in the widget's logical pixels.
    int cellWidth() const { return m_cellWidth; }
    int cellHeight() const { return m_cellHeight; }
    qreal logicalWidth() const { return m_cellWidth / m_style.dpr; }
    qreal logicalHeight() const { return m_cellHeight / m_style.dpr; }

    // What to paint: the text, its rows, the scroll offset and margin (in
    // device pixels) and, per row, the selected columns [a, b).
    struct View
    {
        const QByteArray* bytes = nullptr;
        const std::vector<TextRow>* rows = nullptr;
        QPoint offset;
        int margin = 0;
        std::function<std::pair<int, int>(int)> selection;
    };

    // Paints the part `area` (logical pixels) of a view `size` (logical).
    void paint(QPainter& painter, const QRect& area, const QSize& size, const View& view);

    // The cell a byte is drawn as, cellWidth() x cellHeight() device pixels;
    // drawn on first use and kept until the style changes.
    const QImage& cell(unsigned char byte, bool selected);

private:
    void fillOutside(QPainter& painter, const QRect& area, const QRect& block) const;
    void copyCell(const QImage& cell, int x, int y, const QRect& crop);

    Style m_style;
    int m_cellWidth = 1;
    int m_cellHeight = 1;
    qreal m_ascent = 0;
    qreal m_indent = 0; // centres the glyph's advance in its cell
    std::array<std::array<QImage, 256>, 2> m_cells;
    QImage m_renderer;
    uchar* m_pixels = nullptr; // m_renderer's rows, valid during paint()
    qsizetype m_bytesPerLine = 0;
};

} // namespace orv::render

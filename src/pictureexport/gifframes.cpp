#include "gifframes.h"

#include <cstring>

namespace orv::render::gif {
namespace {

unsigned char index(QRgb p, QRgb letters, QRgb background)
{
    if (p == background)
        return 0;
    if (p == letters)
        return 1;
    const auto distance = [p](QRgb c) {
        const int r = qRed(p) - qRed(c), g = qGreen(p) - qGreen(c), b = qBlue(p) - qBlue(c);
        return r * r + g * g + b * b;
    };
    return distance(letters) < distance(background) ? 1 : 0;
}

} // namespace

GifGlyphs::GifGlyphs(const QFont& font, const ExportOptions& options)
{
    const QColor letters = QColor::fromRgb(options.letters | 0xFF000000u);
    const QColor background = QColor::fromRgb(options.background | 0xFF000000u);
    CellRenderer renderer;
    renderer.configure({font, 1, background, letters, background, letters});
    m_width = renderer.cellWidth();
    m_height = renderer.cellHeight();
    const auto area = static_cast<size_t>(m_width) * static_cast<size_t>(m_height);
    m_indices.resize(256 * area + kSlack);
    for (int b = 0; b < 256; ++b) {
        const QImage& cell = renderer.cell(static_cast<unsigned char>(b), false);
        unsigned char* target = m_indices.data() + static_cast<size_t>(b) * area;
        for (int y = 0; y < m_height; ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(cell.constScanLine(y));
            for (int x = 0; x < m_width; ++x)
                *target++ = index(row[x], letters.rgb(), background.rgb());
        }
        // Bytes drawn alike (every blank one, say) share one number, so
        // comparing frames compares what is seen.
        m_form[static_cast<size_t>(b)] = static_cast<unsigned char>(b);
        for (int before = 0; before < b; ++before) {
            if (std::memcmp(cellOf(static_cast<unsigned char>(before)),
                            cellOf(static_cast<unsigned char>(b)), area) == 0) {
                m_form[static_cast<size_t>(b)] = m_form[static_cast<size_t>(before)];
                break;
            }
        }
    }
}

GifFrame::GifFrame(QByteArray text) : m_text(std::move(text))
{
    for (qsizetype from = 0; from <= m_text.size();) {
        qsizetype to = m_text.indexOf('\n', from);
        if (to < 0)
            to = m_text.size();
        m_rows.push_back({from, static_cast<int>(to - from)});
        from = to + 1;
    }
}

QRect change(const GifFrame& before, const GifFrame& now, int columns, int rows,
             const GifGlyphs& glyphs)
{
    const auto byte = [](const GifFrame& frame, int r, int c) -> unsigned char {
        int length = 0;
        const unsigned char* text = frame.row(r, length);
        return c < length ? text[c] : ' ';
    };
    const auto differs = [&](int r, int c) {
        return glyphs.form(byte(before, r, c)) != glyphs.form(byte(now, r, c));
    };
    // First the cells that changed...
    int topRow = rows, bottomRow = -1, leftColumn = columns, rightColumn = -1;
    for (int r = 0; r < rows; ++r) {
        int lengthA = 0, lengthB = 0;
        const unsigned char* a = before.row(r, lengthA);
        const unsigned char* b = now.row(r, lengthB);
        const auto equal = [&](int c) {
            return glyphs.form(c < lengthA ? a[c] : ' ') == glyphs.form(c < lengthB ? b[c] : ' ');
        };
        int c0 = 0;
        while (c0 < columns && equal(c0))
            ++c0;
        if (c0 == columns)
            continue;
        int c1 = columns - 1;
        while (equal(c1))
            --c1;
        topRow = std::min(topRow, r);
        bottomRow = r;
        leftColumn = std::min(leftColumn, c0);
        rightColumn = std::max(rightColumn, c1);
    }
    if (bottomRow < 0)
        return {};
    // ...then, in the cells on the edges of that block, the pixels.
    const int cw = glyphs.width(), ch = glyphs.height();
    int top = bottomRow * ch + ch - 1, bottom = topRow * ch, left = rightColumn * cw + cw - 1,
        right = leftColumn * cw;
    const auto measure = [&](int r, int c) {
        if (!differs(r, c))
            return;
        const unsigned char* a = glyphs.cellOf(byte(before, r, c));
        const unsigned char* b = glyphs.cellOf(byte(now, r, c));
        for (int y = 0; y < ch; ++y) {
            for (int x = 0; x < cw; ++x) {
                if (a[y * cw + x] != b[y * cw + x]) {
                    top = std::min(top, r * ch + y);
                    bottom = std::max(bottom, r * ch + y);
                    left = std::min(left, c * cw + x);
                    right = std::max(right, c * cw + x);
                }
            }
        }
    };
    for (int c = leftColumn; c <= rightColumn; ++c) {
        measure(topRow, c);
        if (bottomRow != topRow)
            measure(bottomRow, c);
    }
    for (int r = topRow + 1; r < bottomRow; ++r) {
        measure(r, leftColumn);
        if (rightColumn != leftColumn)
            measure(r, rightColumn);
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace orv::render::gif

#include "cellrenderer.h"

#include "cp1252.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cmath>

namespace orv::render {

void CellRenderer::configure(const Style& style)
{
    if (style == m_style && !m_cells[0][' '].isNull())
        return;
    m_style = style;
    const QFontMetricsF fm(style.font);
    const qreal progress = fm.horizontalAdvance(QLatin1Char('M'));
    m_cellWidth = std::max(1, static_cast<int>(std::lround(progress * style.dpr)));
    m_cellHeight = std::max(1, static_cast<int>(std::lround(fm.lineSpacing() * style.dpr)));
    m_ascent = fm.ascent();
    m_indent = (logicalWidth() - progress) / 2;
    for (auto& set : m_cells)
        set.fill(QImage());
    // Drawn now so that a first frame does not pay for the common ones.
    cell(' ', false);
}

const QImage& CellRenderer::cell(unsigned char byte, bool selected)
{
    QImage& image = m_cells[selected ? 1 : 0][byte];
    if (!image.isNull())
        return image;
    image = QImage(m_cellWidth, m_cellHeight, QImage::Format_RGB32);
    image.fill(selected ? m_style.highlightBackground : m_style.background);
    const char c = static_cast<char>(byte);
    const QString text = fromCp1252(QByteArrayView(&c, 1));
    if (!text.isEmpty() && text.at(0).isPrint() && !text.at(0).isSpace()) {
        image.setDevicePixelRatio(m_style.dpr);
        QPainter painter(&image);
        painter.setFont(m_style.font);
        painter.setPen(selected ? m_style.highlightLetters : m_style.letters);
        painter.drawText(QPointF(m_indent, m_ascent), text);
    }
    return image;
}

void CellRenderer::copyCell(const QImage& image, int x, int y, const QRect& crop)
{
    const QRect target = QRect(x, y, m_cellWidth, m_cellHeight) & crop;
    if (target.isEmpty())
        return;
    // Raw rows and a plain loop: QImage::scanLine() checks for sharing on
    // every call, and a library memcpy per row of a few pixels costs more
    // than the copy itself; this runs some 150 000 times per frame.
    const int width = target.width();
    const qsizetype step = image.bytesPerLine();
    const uchar* origin = image.constBits() + (target.top() - y) * step +
                          (target.left() - x) * qsizetype(sizeof(QRgb));
    uchar* towards =
        m_pixels + target.top() * m_bytesPerLine + target.left() * qsizetype(sizeof(QRgb));
    for (int row = target.top(); row <= target.bottom(); ++row) {
        const auto* from = reinterpret_cast<const QRgb*>(origin);
        auto* a = reinterpret_cast<QRgb*>(towards);
        for (int i = 0; i < width; ++i)
            a[i] = from[i];
        origin += step;
        towards += m_bytesPerLine;
    }
}

// Fills `area` with the background except where the canvas block will be
// copied, so no pixel on screen is written twice. The block's edges are
// rounded inwards; a sliver left by a fractional pixel ratio is filled.
void CellRenderer::fillOutside(QPainter& painter, const QRect& area, const QRect& block) const
{
    const qreal dpr = m_style.dpr;
    QRegion background(area);
    if (!block.isEmpty()) {
        const QPoint from(static_cast<int>(std::ceil(block.left() / dpr)),
                          static_cast<int>(std::ceil(block.top() / dpr)));
        const QPoint to(static_cast<int>(std::floor((block.right() + 1) / dpr)) - 1,
                        static_cast<int>(std::floor((block.bottom() + 1) / dpr)) - 1);
        background -= QRect(from, to);
    }
    for (const QRect& r : background)
        painter.fillRect(r, m_style.background);
}

void CellRenderer::paint(QPainter& painter, const QRect& area, const QSize& size, const View& view)
{
    // The background goes straight to the screen; only the block the rows
    // occupy is put together in the canvas and copied over it.
    const qreal dpr = m_style.dpr;
    const QSize deviceSize(static_cast<int>(std::ceil(size.width() * dpr)),
                           static_cast<int>(std::ceil(size.height() * dpr)));
    const int x0 = view.margin - view.offset.x();
    const int y0 = view.margin - view.offset.y();
    const int rows = static_cast<int>(view.rows->size());
    const QRect deviceArea(QPoint(static_cast<int>(std::floor(area.left() * dpr)),
                                  static_cast<int>(std::floor(area.top() * dpr))),
                           QPoint(static_cast<int>(std::ceil((area.right() + 1) * dpr)) - 1,
                                  static_cast<int>(std::ceil((area.bottom() + 1) * dpr)) - 1));
    const int first = std::max(0, (deviceArea.top() - y0) / m_cellHeight);
    const int last = std::min(rows - 1, (deviceArea.bottom() - y0) / m_cellHeight);
    int columns = 0; // the widest row in view, plus its line-break cell
    for (int row = first; row <= last; ++row)
        columns = std::max(columns, (*view.rows)[static_cast<size_t>(row)].length + 1);
    const QRect block(x0, y0 + first * m_cellHeight, columns * m_cellWidth,
                      (last - first + 1) * m_cellHeight);
    const QRect crop = deviceArea & block & QRect(QPoint(0, 0), deviceSize);
    fillOutside(painter, area, crop);
    if (crop.isEmpty())
        return;
    if (m_renderer.size() != deviceSize)
        m_renderer = QImage(deviceSize, QImage::Format_RGB32);
    m_renderer.setDevicePixelRatio(1);
    m_pixels = m_renderer.bits();
    m_bytesPerLine = m_renderer.bytesPerLine();

    // Every pixel of the block belongs to some cell, blank ones included, so
    // copying the cells writes each pixel once and needs no fill beforehand.
    const int fromColumn = std::max(0, (crop.left() - x0) / m_cellWidth);
    const int toColumn = (crop.right() - x0) / m_cellWidth + 1; // exclusive
    const auto* data = reinterpret_cast<const unsigned char*>(view.bytes->constData());
    for (int row = first; row <= last; ++row) {
        const TextRow& f = (*view.rows)[static_cast<size_t>(row)];
        const int y = y0 + row * m_cellHeight;
        const auto [a, b] = view.selection ? view.selection(row) : std::pair<int, int>{0, 0};
        for (int c = fromColumn; c < toColumn; ++c) {
            const unsigned char byte = c < f.length ? data[f.start + c] : ' ';
            copyCell(cell(byte, c >= a && c < b), x0 + c * m_cellWidth, y, crop);
        }
    }
    m_renderer.setDevicePixelRatio(dpr);
    painter.drawImage(QPointF(crop.left() / dpr, crop.top() / dpr), m_renderer, crop);
}

} // namespace orv::render

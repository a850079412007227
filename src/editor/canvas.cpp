#include "canvas.h"

#include "cp1252.h"
#include "editedmovie.h"
#include "fixedfont.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace orv::editor {
namespace {

QColor blend(const QColor& a, const QColor& b, double share)
{
    return QColor::fromRgbF(float(a.redF() * (1 - share) + b.redF() * share),
                            float(a.greenF() * (1 - share) + b.greenF() * share),
                            float(a.blueF() * (1 - share) + b.blueF() * share));
}

} // namespace

Canvas::Canvas(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(false);
    configure();
}

void Canvas::configure()
{
    const QColor paper(Qt::white), ink(Qt::black);
    const qreal dpr = viewport()->devicePixelRatioF();
    m_renderer.configure({render::fixedFont(m_points), dpr, paper, ink, QColor(0x33, 0x66, 0xcc), Qt::white});
    m_faint.configure({render::fixedFont(m_points), dpr, paper, blend(paper, ink, 0.25),
                       paper, blend(paper, QColor(0xcc, 0x33, 0x33), 0.35)});
    updateScrollBars();
    viewport()->update();
}

void Canvas::setMovie(EditedMovie* movie)
{
    m_movie = movie;
    m_frame = 0;
    m_cursor = {};
    m_selection = {};
    refresh();
}

void Canvas::setFrame(int index)
{
    if (!m_movie)
        return;
    m_frame = std::clamp(index, 0, m_movie->frameCount() - 1);
    refresh();
}

void Canvas::refresh()
{
    if (!m_movie) {
        m_rows.clear();
    } else {
        m_frame = std::clamp(m_frame, 0, m_movie->frameCount() - 1);
        const int w = m_movie->width(), h = m_movie->height();
        m_rows.resize(size_t(h));
        for (int y = 0; y < h; ++y)
            m_rows[size_t(y)] = {qsizetype(y) * w, w};
        m_cursor.setX(std::clamp(m_cursor.x(), 0, w - 1));
        m_cursor.setY(std::clamp(m_cursor.y(), 0, h - 1));
        m_selection &= QRect(0, 0, w, h);
    }
    updateScrollBars();
    viewport()->update();
}

void Canvas::setCursorCell(QPoint cell)
{
    if (!m_movie)
        return;
    cell.setX(std::clamp(cell.x(), 0, m_movie->width() - 1));
    cell.setY(std::clamp(cell.y(), 0, m_movie->height() - 1));
    if (cell == m_cursor)
        return;
    viewport()->update(cellRect(m_cursor).adjusted(-1, -1, 1, 1));
    m_cursor = cell;
    const QRect r = cellRect(cell);
    viewport()->update(r.adjusted(-1, -1, 1, 1));
    // Keep the cursor in view.
    if (r.left() < 0)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + r.left() - kMargin);
    else if (r.right() > viewport()->width())
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + r.right() - viewport()->width() + kMargin);
    if (r.top() < 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() + r.top() - kMargin);
    else if (r.bottom() > viewport()->height())
        verticalScrollBar()->setValue(verticalScrollBar()->value() + r.bottom() - viewport()->height() + kMargin);
    emit cursorMoved();
}

void Canvas::setTool(Tool tool)
{
    m_tool = tool;
    m_dragging = false;
    m_stroke.clear();
    viewport()->setCursor(tool == Tool::Text ? Qt::IBeamCursor : Qt::CrossCursor);
    viewport()->update();
}

bool Canvas::setCurrentCharacter(QChar c, QString* why)
{
    QString reason;
    if (!EditedMovie::characterByte(c, reason)) {
        if (why)
            *why = reason;
        return false;
    }
    m_character = c;
    emit characterChanged(c);
    return true;
}

void Canvas::setSelection(QRect cells)
{
    m_selection = m_movie ? cells.normalized() & QRect(0, 0, m_movie->width(), m_movie->height()) : QRect();
    viewport()->update();
}

void Canvas::setOnionSkin(bool previous, bool next)
{
    m_onionPrevious = previous;
    m_onionNext = next;
    viewport()->update();
}

void Canvas::setGrid(bool on)
{
    m_grid = on;
    viewport()->update();
}

void Canvas::setPoints(double points)
{
    m_points = points;
    configure();
}

QRect Canvas::cellRect(QPoint cell) const
{
    const qreal w = m_renderer.logicalWidth(), h = m_renderer.logicalHeight();
    const qreal dpr = m_renderer.style().dpr;
    const int x = int((kMargin - horizontalScrollBar()->value()) / dpr + cell.x() * w);
    const int y = int((kMargin - verticalScrollBar()->value()) / dpr + cell.y() * h);
    return QRect(x, y, int(std::ceil(w)), int(std::ceil(h)));
}

QPoint Canvas::cellAt(QPoint pos) const
{
    const qreal dpr = m_renderer.style().dpr;
    const qreal x = (pos.x() * dpr + horizontalScrollBar()->value() - kMargin) / m_renderer.cellWidth();
    const qreal y = (pos.y() * dpr + verticalScrollBar()->value() - kMargin) / m_renderer.cellHeight();
    return QPoint(int(std::floor(x)), int(std::floor(y)));
}

bool Canvas::inside(QPoint cell) const
{
    return m_movie && cell.x() >= 0 && cell.y() >= 0 && cell.x() < m_movie->width()
           && cell.y() < m_movie->height();
}

void Canvas::updateScrollBars()
{
    const int w = m_movie ? m_movie->width() : 0, h = m_movie ? m_movie->height() : 0;
    const qreal dpr = m_renderer.style().dpr;
    const int contentW = w * m_renderer.cellWidth() + 2 * kMargin;
    const int contentH = h * m_renderer.cellHeight() + 2 * kMargin;
    const int viewW = int(viewport()->width() * dpr), viewH = int(viewport()->height() * dpr);
    horizontalScrollBar()->setRange(0, std::max(0, contentW - viewW));
    verticalScrollBar()->setRange(0, std::max(0, contentH - viewH));
    horizontalScrollBar()->setPageStep(viewW);
    verticalScrollBar()->setPageStep(viewH);
    horizontalScrollBar()->setSingleStep(m_renderer.cellWidth());
    verticalScrollBar()->setSingleStep(m_renderer.cellHeight());
}

void Canvas::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void Canvas::scrollContentsBy(int, int)
{
    viewport()->update();
}

// The cells a drag in progress would change, drawn before it is applied.
std::vector<QPoint> Canvas::previewCells() const
{
    std::vector<QPoint> cells;
    if (!m_dragging)
        return cells;
    if (m_tool == Tool::Pencil)
        return m_stroke;
    const auto add = [&](QPoint a, QPoint b) {
        const std::vector<QPoint> line = EditedMovie::lineCells(a, b);
        cells.insert(cells.end(), line.begin(), line.end());
    };
    if (m_tool == Tool::Line) {
        add(m_from, m_to);
    } else if (m_tool == Tool::Rectangle) {
        const QRect r = QRect(m_from, m_to).normalized();
        add(r.topLeft(), r.topRight());
        add(r.bottomLeft(), r.bottomRight());
        add(r.topLeft(), r.bottomLeft());
        add(r.topRight(), r.bottomRight());
    }
    return cells;
}

void Canvas::paintCells(QPainter& painter, const std::vector<QPoint>& cells, unsigned char byte)
{
    const QImage& glyph = m_renderer.cell(byte, false);
    for (const QPoint& c : cells)
        if (inside(c))
            painter.drawImage(cellRect(c).topLeft(), glyph);
}

// The onion skin: where the frame shown has a space, the previous (and the
// next) frame's character in pale ink.
void Canvas::paintFaint(QPainter& painter, const QRect& area, const QByteArray& shown)
{
    const int w = m_movie->width(), h = m_movie->height();
    const QPoint first = cellAt(area.topLeft()), last = cellAt(area.bottomRight());
    const int x0 = std::max(0, first.x()), x1 = std::min(w - 1, last.x());
    const int y0 = std::max(0, first.y()), y1 = std::min(h - 1, last.y());
    for (const auto& [index, next] : {std::pair{m_frame - 1, false}, std::pair{m_frame + 1, true}}) {
        if ((next ? !m_onionNext : !m_onionPrevious) || index < 0 || index >= m_movie->frameCount())
            continue;
        const QByteArray other = m_movie->frameForReading(index);
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const qsizetype at = qsizetype(y) * w + x;
                if (shown.at(at) == ' ' && other.at(at) != ' ')
                    painter.drawImage(cellRect({x, y}).topLeft(), m_faint.cell(uchar(other.at(at)), next));
            }
    }
}

void Canvas::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const QRect area = event->rect();
    if (!m_movie || m_rows.empty()) {
        painter.fillRect(area, palette().color(QPalette::Window));
        return;
    }
    if (m_renderer.style().dpr != viewport()->devicePixelRatioF())
        configure();
    const QRect sel = m_selection;
    const QByteArray bytes = m_movie->frameForReading(m_frame);
    render::CellRenderer::View view;
    view.bytes = &bytes;
    view.rows = &m_rows;
    view.offset = QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
    view.margin = kMargin;
    if (!sel.isEmpty())
        view.selection = [sel](int row) {
            return row >= sel.top() && row <= sel.bottom() ? std::pair{sel.left(), sel.right() + 1}
                                                           : std::pair{0, 0};
        };
    m_renderer.paint(painter, area, viewport()->size(), view);
    if (m_onionPrevious || m_onionNext)
        paintFaint(painter, area, bytes);
    if (m_dragging && m_tool != Tool::Selection) {
        QString why;
        paintCells(painter, previewCells(), uchar(EditedMovie::characterByte(m_character, why).value_or(' ')));
    }
    const QRect frameRect = cellRect({0, 0}).united(cellRect({m_movie->width() - 1, m_movie->height() - 1}));
    if (m_grid) {
        painter.setPen(QColor(0, 0, 0, 28));
        const qreal w = m_renderer.logicalWidth(), h = m_renderer.logicalHeight();
        for (int x = 0; x <= m_movie->width(); ++x) {
            const int px = frameRect.left() + int(x * w);
            if (px >= area.left() - 1 && px <= area.right() + 1)
                painter.drawLine(px, std::max(frameRect.top(), area.top()), px, std::min(frameRect.bottom(), area.bottom()));
        }
        for (int y = 0; y <= m_movie->height(); ++y) {
            const int py = frameRect.top() + int(y * h);
            if (py >= area.top() - 1 && py <= area.bottom() + 1)
                painter.drawLine(std::max(frameRect.left(), area.left()), py, std::min(frameRect.right(), area.right()), py);
        }
    }
    // Around the frame, the window's colour; the frame's edge; the cursor.
    const QRegion outside = QRegion(area) - QRegion(frameRect);
    for (const QRect& r : outside)
        painter.fillRect(r, palette().color(QPalette::Window));
    painter.setPen(QColor(0xb0, 0xb0, 0xb0));
    painter.drawRect(frameRect.adjusted(-1, -1, 0, 0));
    painter.setPen(QPen(hasFocus() ? QColor(0xd6, 0x3a, 0x5a) : QColor(0x90, 0x90, 0x90), 2));
    painter.drawRect(cellRect(m_cursor).adjusted(0, 0, -1, -1));
}

void Canvas::apply(const std::optional<QString>& refusal, QRect cells)
{
    if (refusal) {
        emit refused(*refusal);
        return;
    }
    if (cells.isValid())
        viewport()->update(cellRect(cells.topLeft()).united(cellRect(cells.bottomRight())));
    else
        viewport()->update();
    emit changed();
}

void Canvas::typeText(const QString& text)
{
    for (QChar c : text) {
        QString why;
        if (!EditedMovie::characterByte(c, why)) {
            emit refused(why);
            return;
        }
    }
    apply(m_movie->putText(m_frame, m_cursor, text), QRect(m_cursor, QSize(int(text.size()), 1)));
    setCursorCell(m_cursor + QPoint(int(text.size()), 0));
}

void Canvas::keyPressEvent(QKeyEvent* event)
{
    if (!m_movie) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const int w = m_movie->width();
    switch (event->key()) {
    case Qt::Key_Left:
        setCursorCell(m_cursor - QPoint(1, 0));
        return;
    case Qt::Key_Right:
        setCursorCell(m_cursor + QPoint(1, 0));
        return;
    case Qt::Key_Up:
        setCursorCell(m_cursor - QPoint(0, 1));
        return;
    case Qt::Key_Down:
        setCursorCell(m_cursor + QPoint(0, 1));
        return;
    case Qt::Key_Home:
        setCursorCell({0, m_cursor.y()});
        return;
    case Qt::Key_End:
        setCursorCell({w - 1, m_cursor.y()});
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        setCursorCell({0, m_cursor.y() + 1});
        return;
    case Qt::Key_Backspace:
        if (m_tool == Tool::Text && m_cursor.x() > 0) {
            setCursorCell(m_cursor - QPoint(1, 0));
            apply(m_movie->clear(m_frame, QRect(m_cursor, QSize(1, 1))), QRect(m_cursor, QSize(1, 1)));
        }
        return;
    default:
        break;
    }
    const QString text = event->text();
    const bool printable = !text.isEmpty() && text.at(0).isPrint()
                           && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (!printable) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    if (m_tool == Tool::Text) {
        typeText(text);
        return;
    }
    // With a drawing tool, a key chooses the character it draws.
    QString why;
    if (!setCurrentCharacter(text.at(0), &why))
        emit refused(why);
}

void Canvas::inputMethodEvent(QInputMethodEvent* event)
{
    // Composed characters (dead keys: ´ then e) arrive here.
    if (!event->commitString().isEmpty() && m_movie) {
        if (m_tool == Tool::Text)
            typeText(event->commitString());
        else if (QString why; !setCurrentCharacter(event->commitString().at(0), &why))
            emit refused(why);
    }
    event->accept();
}

void Canvas::mousePressEvent(QMouseEvent* event)
{
    if (!m_movie || event->button() != Qt::LeftButton)
        return;
    const QPoint cell = cellAt(event->position().toPoint());
    if (!inside(cell))
        return;
    setCursorCell(cell);
    m_from = m_to = cell;
    switch (m_tool) {
    case Tool::Text:
        setSelection({});
        return;
    case Tool::Fill:
        apply(m_movie->floodFill(m_frame, cell, m_character));
        return;
    case Tool::Eyedropper:
        setCurrentCharacter(fromCp1252(QByteArray(1, m_movie->cell(m_frame, cell))).at(0));
        return;
    case Tool::Selection:
        m_movingSelection = m_selection.contains(cell);
        m_dragging = true;
        if (!m_movingSelection)
            setSelection(QRect(cell, QSize(1, 1)));
        return;
    case Tool::Pencil:
        m_stroke = {cell};
        m_dragging = true;
        viewport()->update();
        return;
    case Tool::Line:
    case Tool::Rectangle:
        m_dragging = true;
        viewport()->update();
        return;
    }
}

void Canvas::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return;
    QPoint cell = cellAt(event->position().toPoint());
    cell.setX(std::clamp(cell.x(), 0, m_movie->width() - 1));
    cell.setY(std::clamp(cell.y(), 0, m_movie->height() - 1));
    if (cell == m_to)
        return;
    m_to = cell;
    if (m_tool == Tool::Pencil)
        m_stroke.push_back(cell);
    if (m_tool == Tool::Selection && !m_movingSelection)
        m_selection = QRect(m_from, m_to).normalized();
    viewport()->update();
}

void Canvas::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_dragging || event->button() != Qt::LeftButton)
        return;
    mouseMoveEvent(event);
    m_dragging = false;
    switch (m_tool) {
    case Tool::Pencil:
        apply(m_movie->stroke(m_frame, m_stroke, m_character));
        m_stroke.clear();
        break;
    case Tool::Line:
        apply(m_movie->line(m_frame, m_from, m_to, m_character));
        break;
    case Tool::Rectangle:
        apply(m_movie->outline(m_frame, QRect(m_from, m_to).normalized(), m_character));
        break;
    case Tool::Selection:
        if (m_movingSelection && m_to != m_from) {
            const QRect moved = m_selection.translated(m_to - m_from);
            apply(m_movie->copyArea(m_frame, m_selection, m_frame, moved.topLeft(), true));
            setSelection(moved);
        }
        break;
    default:
        break;
    }
    setCursorCell(m_to);
    viewport()->update();
}

} // namespace orv::editor

#include "moviescreen.h"

#include "cp1252.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace orv::viewer {
namespace {

bool fetchFiles(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return false;
    const QList<QUrl> urls = data->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& u) { return u.isLocalFile(); });
}

} // namespace

MovieScreen::MovieScreen(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    viewport()->installEventFilter(this);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAutoFillBackground(false);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    updateMetrics();
}

void MovieScreen::setText(QByteArray cp1252)
{
    const int rowsBefore = rows();
    const int widthBefore = m_maxWidth;
    m_bytes = std::move(cp1252);
    m_rows.clear();
    m_maxWidth = 0;
    const char* bytes = m_bytes.constData();
    const qsizetype total = m_bytes.size();
    qsizetype start = 0;
    while (total > 0) {
        const void* lineFeed = std::memchr(bytes + start, '\n', static_cast<size_t>(total - start));
        const qsizetype end = lineFeed ? static_cast<const char*>(lineFeed) - bytes : total;
        qsizetype length = end - start;
        if (length > 0 && bytes[end - 1] == '\r')
            --length;
        m_rows.push_back({start, static_cast<int>(length)});
        m_maxWidth = std::max(m_maxWidth, static_cast<int>(length));
        if (!lineFeed)
            break;
        start = end + 1;
    }
    m_anchor = limit(m_anchor);
    m_cursor = limit(m_cursor);
    if (rows() != rowsBefore || m_maxWidth != widthBefore)
        updateBars();
    viewport()->update();
}

QString MovieScreen::text() const
{
    return fromCp1252(m_bytes);
}

void MovieScreen::setColours(const QColor& background, const QColor& letters)
{
    m_background = background;
    m_letters = letters;
    updateMetrics();
    viewport()->update();
}

QString MovieScreen::rowText(int row, int from, int to) const
{
    const render::TextRow& f = m_rows[static_cast<size_t>(row)];
    from = std::clamp(from, 0, f.length);
    to = std::clamp(to, from, f.length);
    return fromCp1252(QByteArrayView(m_bytes.constData() + f.start + from, to - from));
}

QString MovieScreen::selectedText() const
{
    const Position from = std::min(m_anchor, m_cursor);
    const Position to = std::max(m_anchor, m_cursor);
    if (from == to)
        return {};
    QString text;
    for (int row = from.row; row <= to.row; ++row) {
        const int a = row == from.row ? from.column : 0;
        const int b = row == to.row ? to.column : INT_MAX;
        text += rowText(row, a, b);
        if (row != to.row)
            text += QLatin1Char('\n');
    }
    return text;
}

void MovieScreen::select(Position from, Position to)
{
    m_anchor = limit(from);
    m_cursor = limit(to);
    viewport()->update();
}

void MovieScreen::selectAll()
{
    if (m_rows.empty())
        return;
    select({0, 0}, {rows() - 1, m_rows.back().length});
}

void MovieScreen::copy() const
{
    if (hasSelection())
        QApplication::clipboard()->setText(selectedText());
}

MovieScreen::Position MovieScreen::limit(Position p) const
{
    if (m_rows.empty())
        return {};
    p.row = std::clamp(p.row, 0, rows() - 1);
    p.column = std::clamp(p.column, 0, m_rows[static_cast<size_t>(p.row)].length);
    return p;
}

MovieScreen::Position MovieScreen::positionIn(const QPoint& point) const
{
    if (m_rows.empty())
        return {};
    const qreal y = point.y() + verticalScrollBar()->value() - kMargin;
    const qreal x = point.x() + horizontalScrollBar()->value() - kMargin;
    if (y < 0)
        return {0, 0};
    const int row = static_cast<int>(std::floor(y / m_rowHeight));
    if (row >= rows())
        return {rows() - 1, m_rows.back().length};
    const int column = static_cast<int>(std::lround(std::max<qreal>(x, 0) / m_characterWidth));
    return limit({row, column});
}

void MovieScreen::updateMetrics()
{
    const QPalette& colours = palette();
    m_renderer.configure({font(), viewport()->devicePixelRatioF(), m_background, m_letters,
                          colours.color(QPalette::Active, QPalette::Highlight),
                          colours.color(QPalette::Active, QPalette::HighlightedText)});
    m_characterWidth = m_renderer.logicalWidth();
    m_rowHeight = m_renderer.logicalHeight();
}

void MovieScreen::updateBars()
{
    const QSize view = viewport()->size();
    const int totalWidth = static_cast<int>(std::ceil(m_maxWidth * m_characterWidth)) + 2 * kMargin;
    const int totalHeight = static_cast<int>(std::ceil(rows() * m_rowHeight)) + 2 * kMargin;
    QScrollBar* h = horizontalScrollBar();
    h->setRange(0, std::max(0, totalWidth - view.width()));
    h->setPageStep(view.width());
    h->setSingleStep(std::max(1, static_cast<int>(m_characterWidth)));
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, std::max(0, totalHeight - view.height()));
    v->setPageStep(view.height());
    v->setSingleStep(std::max(1, static_cast<int>(m_rowHeight)));
}

void MovieScreen::paintEvent(QPaintEvent* event)
{
    if (viewport()->devicePixelRatioF() != m_renderer.style().dpr) {
        updateMetrics();
        updateBars();
    }
    QPainter painter(viewport());
    const qreal dpr = m_renderer.style().dpr;
    render::CellRenderer::View view;
    view.bytes = &m_bytes;
    view.rows = &m_rows;
    view.offset = QPoint(static_cast<int>(std::lround(horizontalScrollBar()->value() * dpr)),
                         static_cast<int>(std::lround(verticalScrollBar()->value() * dpr)));
    view.margin = static_cast<int>(std::lround(kMargin * dpr));
    if (hasSelection())
        view.selection = [this](int row) { return selectionInRow(row); };
    m_renderer.paint(painter, event->rect(), viewport()->size(), view);
}

std::pair<int, int> MovieScreen::selectionInRow(int row) const
{
    const Position from = std::min(m_anchor, m_cursor);
    const Position to = std::max(m_anchor, m_cursor);
    if (from == to || row < from.row || row > to.row)
        return {0, 0};
    const int length = m_rows[static_cast<size_t>(row)].length;
    return {row == from.row ? from.column : 0, row == to.row ? to.column : length + 1};
}

void MovieScreen::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateBars();
}

void MovieScreen::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange) {
        updateMetrics();
        updateBars();
        viewport()->update();
    }
}

bool MovieScreen::isCopy(const QKeyEvent* event) const
{
    return event->matches(QKeySequence::Copy) ||
           (event->key() == Qt::Key_Insert && event->modifiers() == Qt::ControlModifier);
}

bool MovieScreen::event(QEvent* event)
{
    // Ctrl+C is also the menu's "close movie" shortcut: with text selected
    // here, copying wins; with nothing selected, the menu gets it.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (isCopy(key) && hasSelection()) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void MovieScreen::keyPressEvent(QKeyEvent* event)
{
    if (isCopy(event)) {
        copy();
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void MovieScreen::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const Position p = positionIn(event->position().toPoint());
    if (!(event->modifiers() & Qt::ShiftModifier))
        m_anchor = p;
    m_cursor = p;
    m_dragging = true;
    viewport()->update();
}

void MovieScreen::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return;
    const QPoint point = event->position().toPoint();
    // Dragging past an edge scrolls that way.
    const QRect view = viewport()->rect();
    if (point.x() < view.left() || point.x() > view.right())
        horizontalScrollBar()->triggerAction(point.x() < 0 ? QAbstractSlider::SliderSingleStepSub
                                                           : QAbstractSlider::SliderSingleStepAdd);
    if (point.y() < view.top() || point.y() > view.bottom())
        verticalScrollBar()->triggerAction(point.y() < 0 ? QAbstractSlider::SliderSingleStepSub
                                                         : QAbstractSlider::SliderSingleStepAdd);
    m_cursor = positionIn(point);
    viewport()->update();
}

void MovieScreen::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_dragging) {
        m_dragging = false;
        QClipboard* clipboard = QApplication::clipboard();
        if (hasSelection() && clipboard->supportsSelection())
            clipboard->setText(selectedText(), QClipboard::Selection);
    }
}

void MovieScreen::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    QAction* copy = menu.addAction(QStringLiteral("&Copiar"), this, &MovieScreen::copy);
    copy->setEnabled(hasSelection());
    QAction* all =
        menu.addAction(QStringLiteral("Seleccionar &todo"), this, &MovieScreen::selectAll);
    all->setEnabled(!m_rows.empty());
    menu.exec(event->globalPos());
}

bool MovieScreen::eventFilter(QObject* object, QEvent* event)
{
    if (object != viewport())
        return QAbstractScrollArea::eventFilter(object, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (fetchFiles(drag->mimeData()))
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!fetchFiles(drop->mimeData())) {
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        emit dropped(drop->mimeData());
        return true;
    }
    default:
        return QAbstractScrollArea::eventFilter(object, event);
    }
}

} // namespace orv::viewer

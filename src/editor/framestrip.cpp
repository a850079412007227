#include "framestrip.h"

#include "editedmovie.h"
#include "fixedfont.h"

#include <QApplication>
#include <QScrollBar>
#include <QMouseEvent>
#include <algorithm>

namespace orv::editor {
namespace {

constexpr int kMostPictures = 600; // pictures kept; beyond, they are drawn again

} // namespace

FrameModel::FrameModel(QObject* parent) : QAbstractListModel(parent)
{
    // How dark each character draws, measured once on the renderer's cells.
    render::CellRenderer renderer;
    renderer.configure({render::fixedFont(8), 1, Qt::white, Qt::black, Qt::white, Qt::black});
    for (int b = 0; b < 256; ++b) {
        const QImage cell = renderer.cell(uchar(b), false).convertToFormat(QImage::Format_Grayscale8);
        qint64 sum = 0;
        for (int y = 0; y < cell.height(); ++y) {
            const uchar* line = cell.constScanLine(y);
            for (int x = 0; x < cell.width(); ++x)
                sum += line[x];
        }
        const qint64 pixels = std::max<qint64>(1, qint64(cell.width()) * cell.height());
        // Stretched, so that a full block reads black and a dot still shows.
        const double ink = 1.0 - double(sum) / double(pixels * 255);
        m_lightness[size_t(b)] = uchar(255 - std::min(255.0, ink * 255 * 4));
    }
    m_cellAspect = double(renderer.cellHeight()) / renderer.cellWidth();
}

void FrameModel::setMovie(EditedMovie* movie)
{
    beginResetModel();
    m_movie = movie;
    m_pictures.clear();
    endResetModel();
}

void FrameModel::reset()
{
    setMovie(m_movie);
}

void FrameModel::frameChanged(int frame)
{
    m_pictures.remove(frame);
    const QModelIndex i = index(frame);
    emit dataChanged(i, i, {Qt::DecorationRole});
}

int FrameModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_movie ? 0 : m_movie->frameCount();
}

QImage FrameModel::picture(int frame) const
{
    const int w = m_movie->width(), h = m_movie->height();
    const QByteArray bytes = m_movie->frameForReading(frame);
    QImage grey(w, h, QImage::Format_Grayscale8);
    for (int y = 0; y < h; ++y) {
        uchar* line = grey.scanLine(y);
        const auto* row = reinterpret_cast<const uchar*>(bytes.constData()) + qsizetype(y) * w;
        for (int x = 0; x < w; ++x)
            line[x] = m_lightness[row[x]];
    }
    const QSize box = pictureBox();
    QSizeF shape(w, h * m_cellAspect);
    shape.scale(QSizeF(box), Qt::KeepAspectRatio);
    return grey.scaled(std::max(1, int(shape.width())), std::max(1, int(shape.height())),
                       Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QVariant FrameModel::data(const QModelIndex& index, int role) const
{
    if (!m_movie || !index.isValid() || index.row() >= m_movie->frameCount())
        return {};
    const int frame = index.row();
    switch (role) {
    case Qt::DisplayRole:
        return QString::number(frame + 1);
    case Qt::DecorationRole: {
        auto it = m_pictures.constFind(frame);
        if (it == m_pictures.constEnd()) {
            if (m_pictures.size() >= kMostPictures)
                m_pictures.clear();
            it = m_pictures.insert(frame, picture(frame));
        }
        return *it;
    }
    case Qt::ToolTipRole:
        return QStringLiteral("Cuadro %1").arg(frame + 1);
    default:
        return {};
    }
}

FrameStrip::FrameStrip(QWidget* parent) : QListView(parent), m_model(new FrameModel(this))
{
    setModel(m_model);
    setFlow(QListView::LeftToRight);
    setWrapping(false);
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setUniformItemSizes(true);
    setIconSize(FrameModel::pictureBox());
    setGridSize(FrameModel::pictureBox() + QSize(16, 24));
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFixedHeight(FrameModel::pictureBox().height() + 24 + horizontalScrollBar()->sizeHint().height() + 2 * frameWidth() + 4);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& now) {
                if (now.isValid())
                    emit currentFrameChanged(now.row());
            });
}

void FrameStrip::setMovie(EditedMovie* movie)
{
    m_model->setMovie(movie);
    setCurrent(0);
}

void FrameStrip::setCurrent(int frame)
{
    const QModelIndex i = m_model->index(frame);
    if (!i.isValid())
        return;
    if (currentIndex() != i || !selectionModel()->isSelected(i))
        selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect);
    scrollTo(i);
}

int FrameStrip::current() const
{
    return currentIndex().isValid() ? currentIndex().row() : 0;
}

std::pair<int, int> FrameStrip::selectedRun() const
{
    const QModelIndexList rows = selectionModel()->selectedIndexes();
    if (rows.isEmpty())
        return {current(), 1};
    int first = rows.first().row(), last = first;
    for (const QModelIndex& i : rows) {
        first = std::min(first, i.row());
        last = std::max(last, i.row());
    }
    return {first, last - first + 1};
}

void FrameStrip::selectRun(int first, int count)
{
    const QModelIndex a = m_model->index(first), b = m_model->index(first + count - 1);
    if (!a.isValid() || !b.isValid())
        return;
    selectionModel()->setCurrentIndex(a, QItemSelectionModel::NoUpdate);
    selectionModel()->select(QItemSelection(a, b), QItemSelectionModel::ClearAndSelect);
    emit currentFrameChanged(first);
}

// A press on the selection may start a drag that moves it; anywhere else,
// the list's own selecting.
void FrameStrip::mousePressEvent(QMouseEvent* event)
{
    const QModelIndex i = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && i.isValid() && selectionModel()->isSelected(i)
        && event->modifiers() == Qt::NoModifier) {
        m_pressRow = i.row();
        m_pressAt = event->position().toPoint();
        m_dragging = false;
        return;
    }
    m_pressRow = -1;
    QListView::mousePressEvent(event);
}

void FrameStrip::mouseMoveEvent(QMouseEvent* event)
{
    if (m_pressRow < 0) {
        QListView::mouseMoveEvent(event);
        return;
    }
    if ((event->position().toPoint() - m_pressAt).manhattanLength() >= QApplication::startDragDistance()) {
        m_dragging = true;
        viewport()->setCursor(Qt::DragMoveCursor);
    }
}

void FrameStrip::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_pressRow < 0) {
        QListView::mouseReleaseEvent(event);
        return;
    }
    const int pressed = m_pressRow;
    m_pressRow = -1;
    viewport()->unsetCursor();
    if (!m_dragging) {
        setCurrent(pressed);
        return;
    }
    m_dragging = false;
    const auto [first, count] = selectedRun();
    const QModelIndex at = indexAt(event->position().toPoint());
    const int frames = m_model->rowCount();
    const int target = at.isValid() ? at.row() : frames - 1;
    const int to = std::clamp(target > first ? target - count + 1 : target, 0, frames - count);
    if (to != first)
        emit moveRequested(first, count, to);
}

} // namespace orv::editor

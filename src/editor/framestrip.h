#pragma once

#include "cellrenderer.h"

#include <QAbstractListModel>
#include <QHash>
#include <QImage>
#include <QListView>
#include <array>
#include <utility>

namespace orv {
class EditedMovie;
}

namespace orv::editor {

// The frames as small pictures, one per row of the strip. A picture is drawn
// when the view first asks for it (only the frames in view are asked for)
// and kept until its frame changes.
class FrameModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit FrameModel(QObject* parent = nullptr);

    void setMovie(EditedMovie* movie);
    // The frames changed in number or order: every picture is drawn again.
    void reset();
    // One frame's cells changed.
    void frameChanged(int frame);
    // The size the pictures are fitted into.
    static QSize pictureBox() { return {96, 64}; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // The picture of a frame: a pixel per cell, as dark as the renderer's
    // drawing of its character, scaled to the box with the cells' shape.
    QImage picture(int frame) const;

private:
    EditedMovie* m_movie = nullptr;
    mutable QHash<int, QImage> m_pictures;
    std::array<uchar, 256> m_lightness{};
    double m_cellAspect = 2; // a cell's height over its width
};

// The strip under the canvas: the current frame marked, a contiguous run of
// frames selectable, the selection dragged to another place to move it.
class FrameStrip : public QListView
{
    Q_OBJECT
public:
    explicit FrameStrip(QWidget* parent = nullptr);

    FrameModel* frames() const { return m_model; }
    void setMovie(EditedMovie* movie);
    void setCurrent(int frame);
    int current() const;
    // The selected run: its first frame and its length (the current frame
    // alone when nothing is selected).
    std::pair<int, int> selectedRun() const;
    void selectRun(int first, int count);

signals:
    void currentFrameChanged(int frame);
    // The selected run dropped so that it starts at `to`.
    void moveRequested(int first, int count, int to);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    FrameModel* m_model;
    int m_pressRow = -1;
    QPoint m_pressAt;
    bool m_dragging = false;
};

} // namespace orv::editor

#pragma once

#include <QAbstractScrollArea>
#include <QByteArray>
#include <QColor>

#include "cellrenderer.h"
#include <vector>

class QMimeData;

namespace orv::viewer {

// The Player's display: a read-only, monospaced text area for one frame.
// It paints only the rows and columns in view, so a 400 x 400 frame costs no
// more to show than a small one, and it never wraps: wide rows scroll
// sideways. The user can select text with the mouse and copy it (Ctrl+C while
// a selection exists, Ctrl+Insert, or the context menu).
//
// The frame is kept as the Windows-1252 bytes the movie holds, rows separated
// by CR LF, and decoded only for the part painted or copied. A new frame keeps
// the scroll position and the selection (clamped), so the user can scroll and
// select while a movie plays.
class MovieScreen : public QAbstractScrollArea
{
    Q_OBJECT
public:
    // A position in the text: row, and column between characters (0 .. length).
    struct Position
    {
        int row = 0;
        int column = 0;
        friend bool operator==(const Position&, const Position&) = default;
        friend auto operator<=>(const Position&, const Position&) = default;
    };

    // Space between the border and the text, in logical pixels, as a text
    // box leaves it; the first cell starts there (rounded to device pixels).
    static constexpr int kMargin = 2;

    explicit MovieScreen(QWidget* parent = nullptr);

    // Shows new text (CR LF between rows); an empty array empties the area.
    void setText(QByteArray cp1252);
    QString text() const;
    int rows() const { return static_cast<int>(m_rows.size()); }

    void setColours(const QColor& background, const QColor& letters);
    QColor backgroundColour() const { return m_background; }
    QColor letterColour() const { return m_letters; }

    bool hasSelection() const { return m_anchor != m_cursor; }
    QString selectedText() const;
    void select(Position from, Position to);
    void selectAll();
    void copy() const;

    // The text position under a point of the viewport.
    Position positionIn(const QPoint& viewportPoint) const;

    // Drops on the text area: offered only when they bring files.
    bool eventFilter(QObject* object, QEvent* event) override;

signals:
    // Files were dropped on the text area.
    void dropped(const QMimeData* data);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void updateMetrics();
    void updateBars();
    // The selected columns of a row, [a, b); empty when a >= b. One cell past
    // the row's end stands for its line break.
    std::pair<int, int> selectionInRow(int row) const;
    QString rowText(int row, int from, int to) const;
    Position limit(Position p) const;
    bool isCopy(const QKeyEvent* event) const;

    QByteArray m_bytes;
    std::vector<render::TextRow> m_rows;
    int m_maxWidth = 0; // characters in the longest row
    QColor m_background = Qt::white;
    QColor m_letters = Qt::black;
    // Cell size in logical pixels, whole device pixels each.
    qreal m_characterWidth = 1;
    qreal m_rowHeight = 1;
    render::CellRenderer m_renderer;
    Position m_anchor;
    Position m_cursor;
    bool m_dragging = false;
};

} // namespace orv::viewer

#pragma once

#include "cellrenderer.h"

#include <QAbstractScrollArea>
#include <QRect>
#include <optional>
#include <vector>

namespace orv {
class EditedMovie;
}

namespace orv::editor {

enum class Tool { Text, Pencil, Line, Rectangle, Fill, Selection, Eyedropper };

// One frame of the movie being edited, drawn by the suite's renderer at the
// chosen font size, with a cell cursor, the selected rectangle, and
// optionally the previous (and next) frame faintly under it and a grid. The
// mouse and the keys draw on it with the current tool; every change is one
// step of the movie's history.
class Canvas : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit Canvas(QWidget* parent = nullptr);

    // The movie drawn on (not owned); the frame shown is clamped to it.
    void setMovie(EditedMovie* movie);
    void setFrame(int index);
    int frame() const { return m_frame; }

    QPoint cursorCell() const { return m_cursor; }
    void setCursorCell(QPoint cell);

    void setTool(Tool tool);
    Tool tool() const { return m_tool; }
    QChar currentCharacter() const { return m_character; }
    // False, with the reason in `why`, for a character no movie can hold.
    bool setCurrentCharacter(QChar c, QString* why = nullptr);

    // The selected rectangle in cells; empty when there is none.
    QRect selection() const { return m_selection; }
    void setSelection(QRect cells);

    void setOnionSkin(bool previous, bool next);
    void setGrid(bool on);
    void setPoints(double points);
    double points() const { return m_points; }

    // Re-reads the frame after the movie changed under the canvas.
    void refresh();
    // The rectangle of cells in the widget's coordinates (for tests and the
    // status bar).
    QRect cellRect(QPoint cell) const;

signals:
    void changed();                // the movie took an edit
    void refused(const QString& why);
    void cursorMoved();
    void characterChanged(QChar c);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void configure();
    void updateScrollBars();
    QPoint cellAt(QPoint widgetPos) const;
    bool inside(QPoint cell) const;
    // Shows an edit (repainting only `cells` when given) or says why it was
    // refused.
    void apply(const std::optional<QString>& refusal, QRect cells = {});
    void typeText(const QString& text);
    void paintCells(QPainter& painter, const std::vector<QPoint>& cells, unsigned char byte);
    void paintFaint(QPainter& painter, const QRect& area, const QByteArray& shown);
    std::vector<QPoint> previewCells() const;

    EditedMovie* m_movie = nullptr;
    int m_frame = 0;
    std::vector<render::TextRow> m_rows; // the frame's rows
    render::CellRenderer m_renderer;
    render::CellRenderer m_faint;   // the onion skin's pale letters
    double m_points = 8;
    bool m_onionPrevious = false;
    bool m_onionNext = false;
    bool m_grid = false;
    static constexpr int kMargin = 4;

    Tool m_tool = Tool::Text;
    QChar m_character = QLatin1Char('#');
    QPoint m_cursor;
    QRect m_selection;

    // A drag in progress: where it started and where it is now; a pencil's
    // cells so far; a selection being moved.
    bool m_dragging = false;
    QPoint m_from, m_to;
    std::vector<QPoint> m_stroke;
    bool m_movingSelection = false;
};

} // namespace orv::editor

#pragma once

#include <QAbstractScrollArea>
#include <QByteArray>
#include <QColor>

#include "lienzo.h"
#include <vector>

class QMimeData;

namespace orv::visor {

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
class Pantalla : public QAbstractScrollArea
{
    Q_OBJECT
public:
    // A position in the text: row, and column between characters (0 .. length).
    struct Posicion
    {
        int fila = 0;
        int columna = 0;
        friend bool operator==(const Posicion&, const Posicion&) = default;
        friend auto operator<=>(const Posicion&, const Posicion&) = default;
    };

    // Space between the border and the text, in logical pixels, as a text
    // box leaves it; the first cell starts there (rounded to device pixels).
    static constexpr int kMargen = 2;

    explicit Pantalla(QWidget* parent = nullptr);

    // Shows new text (CR LF between rows); an empty array empties the area.
    void setTexto(QByteArray cp1252);
    QString texto() const;
    int filas() const { return static_cast<int>(m_filas.size()); }

    void setColores(const QColor& fondo, const QColor& letras);
    QColor colorFondo() const { return m_fondo; }
    QColor colorLetras() const { return m_letras; }

    bool haySeleccion() const { return m_ancla != m_cursor; }
    QString textoSeleccionado() const;
    void selecciona(Posicion desde, Posicion hasta);
    void seleccionaTodo();
    void copia() const;

    // The text position under a point of the viewport.
    Posicion posicionEn(const QPoint& puntoViewport) const;

    // Drops on the text area: offered only when they bring files.
    bool eventFilter(QObject* objeto, QEvent* event) override;

signals:
    // Files were dropped on the text area.
    void soltado(const QMimeData* datos);

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
    void actualizaMetricas();
    void actualizaBarras();
    // The selected columns of a row, [a, b); empty when a >= b. One cell past
    // the row's end stands for its line break.
    std::pair<int, int> seleccionEnFila(int fila) const;
    QString textoFila(int fila, int desde, int hasta) const;
    Posicion limita(Posicion p) const;
    bool esCopiar(const QKeyEvent* event) const;

    QByteArray m_bytes;
    std::vector<render::FilaTexto> m_filas;
    int m_anchoMaximo = 0; // characters in the longest row
    QColor m_fondo = Qt::white;
    QColor m_letras = Qt::black;
    // Cell size in logical pixels, whole device pixels each.
    qreal m_anchoCaracter = 1;
    qreal m_altoFila = 1;
    render::Lienzo m_lienzo;
    Posicion m_ancla;
    Posicion m_cursor;
    bool m_arrastrando = false;
};

} // namespace orv::visor

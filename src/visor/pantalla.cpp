#include "pantalla.h"

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

namespace orv::visor {
namespace {

bool traeArchivos(const QMimeData* datos)
{
    if (!datos || !datos->hasUrls())
        return false;
    const QList<QUrl> urls = datos->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& u) { return u.isLocalFile(); });
}

} // namespace

Pantalla::Pantalla(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    viewport()->installEventFilter(this);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAutoFillBackground(false);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    actualizaMetricas();
}

void Pantalla::setTexto(QByteArray cp1252)
{
    const int filasAntes = filas();
    const int anchoAntes = m_anchoMaximo;
    m_bytes = std::move(cp1252);
    m_filas.clear();
    m_anchoMaximo = 0;
    const char* datos = m_bytes.constData();
    const qsizetype total = m_bytes.size();
    qsizetype inicio = 0;
    while (total > 0) {
        const void* salto = std::memchr(datos + inicio, '\n', static_cast<size_t>(total - inicio));
        const qsizetype fin = salto ? static_cast<const char*>(salto) - datos : total;
        qsizetype largo = fin - inicio;
        if (largo > 0 && datos[fin - 1] == '\r')
            --largo;
        m_filas.push_back({inicio, static_cast<int>(largo)});
        m_anchoMaximo = std::max(m_anchoMaximo, static_cast<int>(largo));
        if (!salto)
            break;
        inicio = fin + 1;
    }
    m_ancla = limita(m_ancla);
    m_cursor = limita(m_cursor);
    if (filas() != filasAntes || m_anchoMaximo != anchoAntes)
        actualizaBarras();
    viewport()->update();
}

QString Pantalla::texto() const
{
    return fromCp1252(m_bytes);
}

void Pantalla::setColores(const QColor& fondo, const QColor& letras)
{
    m_fondo = fondo;
    m_letras = letras;
    actualizaMetricas();
    viewport()->update();
}

QString Pantalla::textoFila(int fila, int desde, int hasta) const
{
    const render::FilaTexto& f = m_filas[static_cast<size_t>(fila)];
    desde = std::clamp(desde, 0, f.largo);
    hasta = std::clamp(hasta, desde, f.largo);
    return fromCp1252(QByteArrayView(m_bytes.constData() + f.inicio + desde, hasta - desde));
}

QString Pantalla::textoSeleccionado() const
{
    const Posicion desde = std::min(m_ancla, m_cursor);
    const Posicion hasta = std::max(m_ancla, m_cursor);
    if (desde == hasta)
        return {};
    QString texto;
    for (int fila = desde.fila; fila <= hasta.fila; ++fila) {
        const int a = fila == desde.fila ? desde.columna : 0;
        const int b = fila == hasta.fila ? hasta.columna : INT_MAX;
        texto += textoFila(fila, a, b);
        if (fila != hasta.fila)
            texto += QLatin1Char('\n');
    }
    return texto;
}

void Pantalla::selecciona(Posicion desde, Posicion hasta)
{
    m_ancla = limita(desde);
    m_cursor = limita(hasta);
    viewport()->update();
}

void Pantalla::seleccionaTodo()
{
    if (m_filas.empty())
        return;
    selecciona({0, 0}, {filas() - 1, m_filas.back().largo});
}

void Pantalla::copia() const
{
    if (haySeleccion())
        QApplication::clipboard()->setText(textoSeleccionado());
}

Pantalla::Posicion Pantalla::limita(Posicion p) const
{
    if (m_filas.empty())
        return {};
    p.fila = std::clamp(p.fila, 0, filas() - 1);
    p.columna = std::clamp(p.columna, 0, m_filas[static_cast<size_t>(p.fila)].largo);
    return p;
}

Pantalla::Posicion Pantalla::posicionEn(const QPoint& punto) const
{
    if (m_filas.empty())
        return {};
    const qreal y = punto.y() + verticalScrollBar()->value() - kMargen;
    const qreal x = punto.x() + horizontalScrollBar()->value() - kMargen;
    if (y < 0)
        return {0, 0};
    const int fila = static_cast<int>(std::floor(y / m_altoFila));
    if (fila >= filas())
        return {filas() - 1, m_filas.back().largo};
    const int columna = static_cast<int>(std::lround(std::max<qreal>(x, 0) / m_anchoCaracter));
    return limita({fila, columna});
}

void Pantalla::actualizaMetricas()
{
    const QPalette& paleta = palette();
    m_lienzo.configura({font(), viewport()->devicePixelRatioF(), m_fondo, m_letras,
                        paleta.color(QPalette::Active, QPalette::Highlight),
                        paleta.color(QPalette::Active, QPalette::HighlightedText)});
    m_anchoCaracter = m_lienzo.anchoLogico();
    m_altoFila = m_lienzo.altoLogico();
}

void Pantalla::actualizaBarras()
{
    const QSize vista = viewport()->size();
    const int anchoTotal = static_cast<int>(std::ceil(m_anchoMaximo * m_anchoCaracter)) + 2 * kMargen;
    const int altoTotal = static_cast<int>(std::ceil(filas() * m_altoFila)) + 2 * kMargen;
    QScrollBar* h = horizontalScrollBar();
    h->setRange(0, std::max(0, anchoTotal - vista.width()));
    h->setPageStep(vista.width());
    h->setSingleStep(std::max(1, static_cast<int>(m_anchoCaracter)));
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, std::max(0, altoTotal - vista.height()));
    v->setPageStep(vista.height());
    v->setSingleStep(std::max(1, static_cast<int>(m_altoFila)));
}

void Pantalla::paintEvent(QPaintEvent* event)
{
    if (viewport()->devicePixelRatioF() != m_lienzo.estilo().dpr) {
        actualizaMetricas();
        actualizaBarras();
    }
    QPainter painter(viewport());
    const qreal dpr = m_lienzo.estilo().dpr;
    render::Lienzo::Vista vista;
    vista.bytes = &m_bytes;
    vista.filas = &m_filas;
    vista.desplazamiento = QPoint(static_cast<int>(std::lround(horizontalScrollBar()->value() * dpr)),
                                  static_cast<int>(std::lround(verticalScrollBar()->value() * dpr)));
    vista.margen = static_cast<int>(std::lround(kMargen * dpr));
    if (haySeleccion())
        vista.seleccion = [this](int fila) { return seleccionEnFila(fila); };
    m_lienzo.pinta(painter, event->rect(), viewport()->size(), vista);
}

std::pair<int, int> Pantalla::seleccionEnFila(int fila) const
{
    const Posicion desde = std::min(m_ancla, m_cursor);
    const Posicion hasta = std::max(m_ancla, m_cursor);
    if (desde == hasta || fila < desde.fila || fila > hasta.fila)
        return {0, 0};
    const int largo = m_filas[static_cast<size_t>(fila)].largo;
    return {fila == desde.fila ? desde.columna : 0, fila == hasta.fila ? hasta.columna : largo + 1};
}

void Pantalla::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    actualizaBarras();
}

void Pantalla::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange) {
        actualizaMetricas();
        actualizaBarras();
        viewport()->update();
    }
}

bool Pantalla::esCopiar(const QKeyEvent* event) const
{
    return event->matches(QKeySequence::Copy)
        || (event->key() == Qt::Key_Insert && event->modifiers() == Qt::ControlModifier);
}

bool Pantalla::event(QEvent* event)
{
    // Ctrl+C is also the menu's "close movie" shortcut: with text selected
    // here, copying wins; with nothing selected, the menu gets it.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* tecla = static_cast<QKeyEvent*>(event);
        if (esCopiar(tecla) && haySeleccion()) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void Pantalla::keyPressEvent(QKeyEvent* event)
{
    if (esCopiar(event)) {
        copia();
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void Pantalla::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const Posicion p = posicionEn(event->position().toPoint());
    if (!(event->modifiers() & Qt::ShiftModifier))
        m_ancla = p;
    m_cursor = p;
    m_arrastrando = true;
    viewport()->update();
}

void Pantalla::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_arrastrando)
        return;
    const QPoint punto = event->position().toPoint();
    // Dragging past an edge scrolls that way.
    const QRect vista = viewport()->rect();
    if (punto.x() < vista.left() || punto.x() > vista.right())
        horizontalScrollBar()->triggerAction(punto.x() < 0 ? QAbstractSlider::SliderSingleStepSub
                                                           : QAbstractSlider::SliderSingleStepAdd);
    if (punto.y() < vista.top() || punto.y() > vista.bottom())
        verticalScrollBar()->triggerAction(punto.y() < 0 ? QAbstractSlider::SliderSingleStepSub
                                                         : QAbstractSlider::SliderSingleStepAdd);
    m_cursor = posicionEn(punto);
    viewport()->update();
}

void Pantalla::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_arrastrando) {
        m_arrastrando = false;
        QClipboard* portapapeles = QApplication::clipboard();
        if (haySeleccion() && portapapeles->supportsSelection())
            portapapeles->setText(textoSeleccionado(), QClipboard::Selection);
    }
}

void Pantalla::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    QAction* copiar = menu.addAction(QStringLiteral("&Copiar"), this, &Pantalla::copia);
    copiar->setEnabled(haySeleccion());
    QAction* todo = menu.addAction(QStringLiteral("Seleccionar &todo"), this, &Pantalla::seleccionaTodo);
    todo->setEnabled(!m_filas.empty());
    menu.exec(event->globalPos());
}

bool Pantalla::eventFilter(QObject* objeto, QEvent* event)
{
    if (objeto != viewport())
        return QAbstractScrollArea::eventFilter(objeto, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* arrastre = static_cast<QDragMoveEvent*>(event);
        if (traeArchivos(arrastre->mimeData()))
            arrastre->acceptProposedAction();
        else
            arrastre->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* suelta = static_cast<QDropEvent*>(event);
        if (!traeArchivos(suelta->mimeData())) {
            suelta->ignore();
            return true;
        }
        suelta->acceptProposedAction();
        emit soltado(suelta->mimeData());
        return true;
    }
    default:
        return QAbstractScrollArea::eventFilter(objeto, event);
    }
}

} // namespace orv::visor

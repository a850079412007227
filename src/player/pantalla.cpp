#include "pantalla.h"

#include "cp1252.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace orv::player {
namespace {

// Space between the border and the text, as a text box leaves it.
constexpr int kMargen = 2;

bool traeArchivos(const QMimeData* datos)
{
    if (!datos || !datos->hasUrls())
        return false;
    const QList<QUrl> urls = datos->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& u) { return u.isLocalFile(); });
}

// Control characters would break the character grid; they show as spaces
// (copying still gives the frame's own bytes).
void quitaControles(QString& s)
{
    for (QChar& c : s) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char(' ');
    }
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
    viewport()->update();
}

QString Pantalla::textoFila(int fila, int desde, int hasta) const
{
    const Fila& f = m_filas[static_cast<size_t>(fila)];
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
    const QFontMetricsF fm(font());
    m_anchoCaracter = std::max<qreal>(fm.horizontalAdvance(QLatin1Char('M')), 1);
    m_altoFila = std::max<qreal>(fm.lineSpacing(), 1);
    m_ascenso = fm.ascent();
    m_fuenteCruda = QRawFont::fromFont(font());
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        QString caracter = fromCp1252(QByteArrayView(&byte, 1));
        quitaControles(caracter);
        const QList<quint32> indices =
            m_fuenteCruda.isValid() ? m_fuenteCruda.glyphIndexesForString(caracter) : QList<quint32>{};
        m_glifo[static_cast<size_t>(b)] = indices.size() == 1 ? indices.front() : 0;
        m_sinGlifo[static_cast<size_t>(b)] = indices.size() != 1 || (indices.front() == 0 && b != ' ');
    }
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
    QPainter painter(viewport());
    const QRect zona = event->rect();
    painter.fillRect(zona, m_fondo);
    if (m_filas.empty())
        return;
    const int dx = horizontalScrollBar()->value();
    const int dy = verticalScrollBar()->value();
    const int primera = std::max(0, static_cast<int>((zona.top() + dy - kMargen) / m_altoFila));
    const int ultima =
        std::min(filas() - 1, static_cast<int>((zona.bottom() + dy - kMargen) / m_altoFila));
    const int colDesde = std::max(0, static_cast<int>((zona.left() + dx - kMargen) / m_anchoCaracter));
    const int colHasta = static_cast<int>((zona.right() + 1 + dx - kMargen) / m_anchoCaracter) + 1;

    m_normales.limpia();
    m_seleccionados.limpia();
    m_resaltes.clear();
    std::vector<int> comoTexto;
    for (int fila = primera; fila <= ultima; ++fila) {
        const qreal y = kMargen + fila * m_altoFila - dy;
        const Fila& f = m_filas[static_cast<size_t>(fila)];
        const auto* bytes = reinterpret_cast<const unsigned char*>(m_bytes.constData() + f.inicio);
        const int hasta = std::min(colHasta, f.largo);
        const bool faltan = std::any_of(bytes + std::min(colDesde, hasta), bytes + hasta,
                                        [this](unsigned char b) { return m_sinGlifo[b]; });
        if (faltan)
            comoTexto.push_back(fila);
        else
            juntaFila(fila, y, colDesde, colHasta);
    }
    const QColor resalte = palette().color(QPalette::Active, QPalette::Highlight);
    for (const QRectF& r : m_resaltes)
        painter.fillRect(r, resalte);
    auto pinta = [&](const Glifos& g, const QColor& color) {
        if (g.indices.isEmpty())
            return;
        QGlyphRun run;
        run.setRawFont(m_fuenteCruda);
        run.setGlyphIndexes(g.indices);
        run.setPositions(g.posiciones);
        painter.setPen(color);
        painter.drawGlyphRun(QPointF(0, 0), run);
    };
    pinta(m_normales, m_letras);
    pinta(m_seleccionados, palette().color(QPalette::Active, QPalette::HighlightedText));
    if (!comoTexto.empty()) {
        painter.setFont(font());
        for (int fila : comoTexto)
            pintaFilaComoTexto(painter, fila, kMargen + fila * m_altoFila - dy, colDesde, colHasta);
    }
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

void Pantalla::juntaFila(int fila, qreal y, int colDesde, int colHasta)
{
    const Fila& f = m_filas[static_cast<size_t>(fila)];
    const auto* bytes = reinterpret_cast<const unsigned char*>(m_bytes.constData() + f.inicio);
    const qreal x0 = kMargen - horizontalScrollBar()->value();
    // Whole-pixel glyph positions: sharper, and the glyph cache needs no
    // sub-pixel variants.
    const qreal base = std::round(y + m_ascenso);
    const auto [a, b] = seleccionEnFila(fila);
    if (std::max(a, colDesde) < std::min(b, colHasta)) {
        const int desde = std::max(a, colDesde);
        const int hasta = std::min(b, colHasta);
        m_resaltes.emplace_back(x0 + desde * m_anchoCaracter, y, (hasta - desde) * m_anchoCaracter,
                                m_altoFila);
    }
    const int fin = std::min(colHasta, f.largo);
    for (int c = colDesde; c < fin; ++c) {
        const unsigned char byte = bytes[c];
        if (byte == ' ')
            continue;
        Glifos& destino = (c >= a && c < b) ? m_seleccionados : m_normales;
        destino.indices.append(m_glifo[byte]);
        destino.posiciones.append(QPointF(std::round(x0 + c * m_anchoCaracter), base));
    }
}

void Pantalla::pintaFilaComoTexto(QPainter& painter, int fila, qreal y, int colDesde, int colHasta)
{
    const qreal x0 = kMargen - horizontalScrollBar()->value();
    auto xDe = [&](int columna) { return x0 + columna * m_anchoCaracter; };
    const auto [a, b] = seleccionEnFila(fila);
    const int desde = std::max(a, colDesde);
    const int hasta = std::min(b, colHasta);
    if (desde < hasta)
        painter.fillRect(QRectF(xDe(desde), y, (hasta - desde) * m_anchoCaracter, m_altoFila),
                         palette().color(QPalette::Active, QPalette::Highlight));
    QString texto = textoFila(fila, colDesde, colHasta);
    quitaControles(texto);
    painter.setPen(m_letras);
    painter.drawText(QPointF(xDe(colDesde), y + m_ascenso), texto);
    if (desde < hasta) {
        painter.save();
        painter.setClipRect(QRectF(xDe(desde), y, (hasta - desde) * m_anchoCaracter, m_altoFila));
        painter.setPen(palette().color(QPalette::Active, QPalette::HighlightedText));
        painter.drawText(QPointF(xDe(colDesde), y + m_ascenso), texto);
        painter.restore();
    }
}

void Pantalla::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    actualizaBarras();
}

void Pantalla::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
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

} // namespace orv::player

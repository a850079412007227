#include "lienzo.h"

#include "cp1252.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cmath>

namespace orv::render {

void Lienzo::configura(const Estilo& estilo)
{
    if (estilo == m_estilo && !m_celdas[0][' '].isNull())
        return;
    m_estilo = estilo;
    const QFontMetricsF fm(estilo.fuente);
    const qreal avance = fm.horizontalAdvance(QLatin1Char('M'));
    m_anchoCelda = std::max(1, static_cast<int>(std::lround(avance * estilo.dpr)));
    m_altoCelda = std::max(1, static_cast<int>(std::lround(fm.lineSpacing() * estilo.dpr)));
    m_ascenso = fm.ascent();
    m_sangria = (anchoLogico() - avance) / 2;
    for (auto& juego : m_celdas)
        juego.fill(QImage());
    // Drawn now so that a first frame does not pay for the common ones.
    celda(' ', false);
}

const QImage& Lienzo::celda(unsigned char byte, bool seleccionada)
{
    QImage& imagen = m_celdas[seleccionada ? 1 : 0][byte];
    if (!imagen.isNull())
        return imagen;
    imagen = QImage(m_anchoCelda, m_altoCelda, QImage::Format_RGB32);
    imagen.fill(seleccionada ? m_estilo.resalteFondo : m_estilo.fondo);
    const char c = static_cast<char>(byte);
    const QString texto = fromCp1252(QByteArrayView(&c, 1));
    if (!texto.isEmpty() && texto.at(0).isPrint() && !texto.at(0).isSpace()) {
        imagen.setDevicePixelRatio(m_estilo.dpr);
        QPainter painter(&imagen);
        painter.setFont(m_estilo.fuente);
        painter.setPen(seleccionada ? m_estilo.resalteLetras : m_estilo.letras);
        painter.drawText(QPointF(m_sangria, m_ascenso), texto);
    }
    return imagen;
}

void Lienzo::copiaCelda(const QImage& imagen, int x, int y, const QRect& recorte)
{
    const QRect destino = QRect(x, y, m_anchoCelda, m_altoCelda) & recorte;
    if (destino.isEmpty())
        return;
    // Raw rows and a plain loop: QImage::scanLine() checks for sharing on
    // every call, and a library memcpy per row of a few pixels costs more
    // than the copy itself; this runs some 150 000 times per frame.
    const int ancho = destino.width();
    const qsizetype paso = imagen.bytesPerLine();
    const uchar* origen = imagen.constBits() + (destino.top() - y) * paso
                          + (destino.left() - x) * qsizetype(sizeof(QRgb));
    uchar* hacia = m_pixeles + destino.top() * m_bytesPorLinea + destino.left() * qsizetype(sizeof(QRgb));
    for (int fila = destino.top(); fila <= destino.bottom(); ++fila) {
        const auto* de = reinterpret_cast<const QRgb*>(origen);
        auto* a = reinterpret_cast<QRgb*>(hacia);
        for (int i = 0; i < ancho; ++i)
            a[i] = de[i];
        origen += paso;
        hacia += m_bytesPorLinea;
    }
}

// Fills `zona` with the background except where the canvas block will be
// copied, so no pixel on screen is written twice. The block's edges are
// rounded inwards; a sliver left by a fractional pixel ratio is filled.
void Lienzo::fillOutside(QPainter& painter, const QRect& zona, const QRect& bloque) const
{
    const qreal dpr = m_estilo.dpr;
    QRegion fondo(zona);
    if (!bloque.isEmpty()) {
        const QPoint desde(static_cast<int>(std::ceil(bloque.left() / dpr)),
                           static_cast<int>(std::ceil(bloque.top() / dpr)));
        const QPoint hasta(static_cast<int>(std::floor((bloque.right() + 1) / dpr)) - 1,
                           static_cast<int>(std::floor((bloque.bottom() + 1) / dpr)) - 1);
        fondo -= QRect(desde, hasta);
    }
    for (const QRect& r : fondo)
        painter.fillRect(r, m_estilo.fondo);
}

void Lienzo::pinta(QPainter& painter, const QRect& zona, const QSize& tamano, const Vista& vista)
{
    // The background goes straight to the screen; only the block the rows
    // occupy is put together in the canvas and copied over it.
    const qreal dpr = m_estilo.dpr;
    const QSize tamanoDispositivo(static_cast<int>(std::ceil(tamano.width() * dpr)),
                                  static_cast<int>(std::ceil(tamano.height() * dpr)));
    const int x0 = vista.margen - vista.desplazamiento.x();
    const int y0 = vista.margen - vista.desplazamiento.y();
    const int filas = static_cast<int>(vista.filas->size());
    const QRect zonaDispositivo(
        QPoint(static_cast<int>(std::floor(zona.left() * dpr)), static_cast<int>(std::floor(zona.top() * dpr))),
        QPoint(static_cast<int>(std::ceil((zona.right() + 1) * dpr)) - 1,
               static_cast<int>(std::ceil((zona.bottom() + 1) * dpr)) - 1));
    const int primera = std::max(0, (zonaDispositivo.top() - y0) / m_altoCelda);
    const int ultima = std::min(filas - 1, (zonaDispositivo.bottom() - y0) / m_altoCelda);
    int columnas = 0; // the widest row in view, plus its line-break cell
    for (int fila = primera; fila <= ultima; ++fila)
        columnas = std::max(columnas, (*vista.filas)[static_cast<size_t>(fila)].largo + 1);
    const QRect bloque(x0, y0 + primera * m_altoCelda, columnas * m_anchoCelda,
                       (ultima - primera + 1) * m_altoCelda);
    const QRect recorte = zonaDispositivo & bloque & QRect(QPoint(0, 0), tamanoDispositivo);
    fillOutside(painter, zona, recorte);
    if (recorte.isEmpty())
        return;
    if (m_lienzo.size() != tamanoDispositivo)
        m_lienzo = QImage(tamanoDispositivo, QImage::Format_RGB32);
    m_lienzo.setDevicePixelRatio(1);
    m_pixeles = m_lienzo.bits();
    m_bytesPorLinea = m_lienzo.bytesPerLine();

    // Every pixel of the block belongs to some cell, blank ones included, so
    // copying the cells writes each pixel once and needs no fill beforehand.
    const int colDesde = std::max(0, (recorte.left() - x0) / m_anchoCelda);
    const int colHasta = (recorte.right() - x0) / m_anchoCelda + 1; // exclusive
    const auto* datos = reinterpret_cast<const unsigned char*>(vista.bytes->constData());
    for (int fila = primera; fila <= ultima; ++fila) {
        const FilaTexto& f = (*vista.filas)[static_cast<size_t>(fila)];
        const int y = y0 + fila * m_altoCelda;
        const auto [a, b] = vista.seleccion ? vista.seleccion(fila) : std::pair<int, int>{0, 0};
        for (int c = colDesde; c < colHasta; ++c) {
            const unsigned char byte = c < f.largo ? datos[f.inicio + c] : ' ';
            copiaCelda(celda(byte, c >= a && c < b), x0 + c * m_anchoCelda, y, recorte);
        }
    }
    m_lienzo.setDevicePixelRatio(dpr);
    painter.drawImage(QPointF(recorte.left() / dpr, recorte.top() / dpr), m_lienzo, recorte);
}

} // namespace orv::render

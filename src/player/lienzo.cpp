#include "lienzo.h"

#include "cp1252.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace orv::player {

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

void Lienzo::llena(const QRect& rect, QRgb color)
{
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        auto* linea = reinterpret_cast<QRgb*>(m_pixeles + y * m_bytesPorLinea);
        std::fill(linea + rect.left(), linea + rect.right() + 1, color);
    }
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

void Lienzo::pinta(QPainter& painter, const QRect& zona, const QSize& tamano, const Vista& vista)
{
    // The background goes straight to the screen; only the block the rows
    // occupy is put together in the canvas and copied over it.
    painter.fillRect(zona, m_estilo.fondo);
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
    if (recorte.isEmpty())
        return;
    if (m_lienzo.size() != tamanoDispositivo)
        m_lienzo = QImage(tamanoDispositivo, QImage::Format_RGB32);
    m_lienzo.setDevicePixelRatio(1);
    m_pixeles = m_lienzo.bits();
    m_bytesPorLinea = m_lienzo.bytesPerLine();

    llena(recorte, m_estilo.fondo.rgb());
    const int colDesde = std::max(0, (recorte.left() - x0) / m_anchoCelda);
    const int colHasta = (recorte.right() - x0) / m_anchoCelda + 1; // exclusive
    const auto* datos = reinterpret_cast<const unsigned char*>(vista.bytes->constData());
    for (int fila = primera; fila <= ultima; ++fila) {
        const FilaTexto& f = (*vista.filas)[static_cast<size_t>(fila)];
        const int y = y0 + fila * m_altoCelda;
        const auto [a, b] = vista.seleccion ? vista.seleccion(fila) : std::pair<int, int>{0, 0};
        // Cells past the row's end only matter when selected (the line break).
        const int hasta = std::min(colHasta, std::max(f.largo, std::min(b, f.largo + 1)));
        for (int c = colDesde; c < hasta; ++c) {
            const unsigned char byte = c < f.largo ? datos[f.inicio + c] : ' ';
            const bool seleccionada = c >= a && c < b;
            if (byte == ' ' && !seleccionada)
                continue; // already background
            copiaCelda(celda(byte, seleccionada), x0 + c * m_anchoCelda, y, recorte);
        }
    }
    m_lienzo.setDevicePixelRatio(dpr);
    painter.drawImage(QPointF(recorte.left() / dpr, recorte.top() / dpr), m_lienzo, recorte);
}

} // namespace orv::player

#include "gifcuadros.h"

#include <cstring>

namespace orv::render::gif {
namespace {

unsigned char indice(QRgb p, QRgb letras, QRgb fondo)
{
    if (p == fondo)
        return 0;
    if (p == letras)
        return 1;
    const auto distancia = [p](QRgb c) {
        const int r = qRed(p) - qRed(c), g = qGreen(p) - qGreen(c), b = qBlue(p) - qBlue(c);
        return r * r + g * g + b * b;
    };
    return distancia(letras) < distancia(fondo) ? 1 : 0;
}

} // namespace

Glifos::Glifos(const QFont& fuente, const OpcionesExport& opciones)
{
    const QColor letras = QColor::fromRgb(opciones.letras | 0xFF000000u);
    const QColor fondo = QColor::fromRgb(opciones.fondo | 0xFF000000u);
    Lienzo lienzo;
    lienzo.configura({fuente, 1, fondo, letras, fondo, letras});
    m_ancho = lienzo.anchoCelda();
    m_alto = lienzo.altoCelda();
    const auto area = static_cast<size_t>(m_ancho) * static_cast<size_t>(m_alto);
    m_indices.resize(256 * area + kHolgura);
    for (int b = 0; b < 256; ++b) {
        const QImage& celda = lienzo.celda(static_cast<unsigned char>(b), false);
        unsigned char* destino = m_indices.data() + static_cast<size_t>(b) * area;
        for (int y = 0; y < m_alto; ++y) {
            const auto* fila = reinterpret_cast<const QRgb*>(celda.constScanLine(y));
            for (int x = 0; x < m_ancho; ++x)
                *destino++ = indice(fila[x], letras.rgb(), fondo.rgb());
        }
        // Bytes drawn alike (every blank one, say) share one number, so
        // comparing frames compares what is seen.
        m_forma[static_cast<size_t>(b)] = static_cast<unsigned char>(b);
        for (int antes = 0; antes < b; ++antes) {
            if (std::memcmp(celdaDe(static_cast<unsigned char>(antes)),
                            celdaDe(static_cast<unsigned char>(b)), area) == 0) {
                m_forma[static_cast<size_t>(b)] = m_forma[static_cast<size_t>(antes)];
                break;
            }
        }
    }
}

Cuadro::Cuadro(QByteArray texto) : m_texto(std::move(texto))
{
    for (qsizetype desde = 0; desde <= m_texto.size();) {
        qsizetype hasta = m_texto.indexOf('\n', desde);
        if (hasta < 0)
            hasta = m_texto.size();
        m_filas.push_back({desde, static_cast<int>(hasta - desde)});
        desde = hasta + 1;
    }
}

QRect cambio(const Cuadro& antes, const Cuadro& ahora, int columnas, int filas,
             const Glifos& glifos)
{
    const auto byte = [](const Cuadro& cuadro, int r, int c) -> unsigned char {
        int largo = 0;
        const unsigned char* texto = cuadro.fila(r, largo);
        return c < largo ? texto[c] : ' ';
    };
    const auto difiere = [&](int r, int c) {
        return glifos.forma(byte(antes, r, c)) != glifos.forma(byte(ahora, r, c));
    };
    // First the cells that changed...
    int arriba = filas, abajo = -1, izquierda = columnas, derecha = -1;
    for (int r = 0; r < filas; ++r) {
        int largoA = 0, largoB = 0;
        const unsigned char* a = antes.fila(r, largoA);
        const unsigned char* b = ahora.fila(r, largoB);
        const auto igual = [&](int c) {
            return glifos.forma(c < largoA ? a[c] : ' ') == glifos.forma(c < largoB ? b[c] : ' ');
        };
        int c0 = 0;
        while (c0 < columnas && igual(c0))
            ++c0;
        if (c0 == columnas)
            continue;
        int c1 = columnas - 1;
        while (igual(c1))
            --c1;
        arriba = std::min(arriba, r);
        abajo = r;
        izquierda = std::min(izquierda, c0);
        derecha = std::max(derecha, c1);
    }
    if (abajo < 0)
        return {};
    // ...then, in the cells on the edges of that block, the pixels.
    const int cw = glifos.ancho(), ch = glifos.alto();
    int top = abajo * ch + ch - 1, bottom = arriba * ch, left = derecha * cw + cw - 1,
        right = izquierda * cw;
    const auto mide = [&](int r, int c) {
        if (!difiere(r, c))
            return;
        const unsigned char* a = glifos.celdaDe(byte(antes, r, c));
        const unsigned char* b = glifos.celdaDe(byte(ahora, r, c));
        for (int y = 0; y < ch; ++y) {
            for (int x = 0; x < cw; ++x) {
                if (a[y * cw + x] != b[y * cw + x]) {
                    top = std::min(top, r * ch + y);
                    bottom = std::max(bottom, r * ch + y);
                    left = std::min(left, c * cw + x);
                    right = std::max(right, c * cw + x);
                }
            }
        }
    };
    for (int c = izquierda; c <= derecha; ++c) {
        mide(arriba, c);
        if (abajo != arriba)
            mide(abajo, c);
    }
    for (int r = arriba + 1; r < abajo; ++r) {
        mide(r, izquierda);
        if (derecha != izquierda)
            mide(r, derecha);
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace orv::render::gif

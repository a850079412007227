#include "imagenqt.h"

namespace orv::imaging {

ImagenQt::ImagenQt(QImage imagen)
    : m_imagen(imagen.format() == QImage::Format_RGB32
                   ? std::move(imagen)
                   : imagen.convertToFormat(QImage::Format_RGB32))
{
}

void ImagenQt::fila(int y, std::uint32_t* destino) const
{
    // QRgb is 0xAARRGGBB; the packed colour wants red lowest.
    const auto* origen = reinterpret_cast<const QRgb*>(m_imagen.constScanLine(y));
    const int ancho = m_imagen.width();
    for (int x = 0; x < ancho; ++x) {
        const QRgb c = origen[x];
        destino[x] = (c >> 16 & 0xFFu) | (c & 0xFF00u) | (c & 0xFFu) << 16;
    }
}

} // namespace orv::imaging

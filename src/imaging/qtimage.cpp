#include "qtimage.h"

namespace orv::imaging {

QtImage::QtImage(QImage image)
    : m_image(image.format() == QImage::Format_RGB32 ? std::move(image)
                                                     : image.convertToFormat(QImage::Format_RGB32))
{
}

void QtImage::row(int y, std::uint32_t* target) const
{
    // QRgb is 0xAARRGGBB; the packed colour wants red lowest.
    const auto* origin = reinterpret_cast<const QRgb*>(m_image.constScanLine(y));
    const int width = m_image.width();
    for (int x = 0; x < width; ++x) {
        const QRgb c = origin[x];
        target[x] = (c >> 16 & 0xFFu) | (c & 0xFF00u) | (c & 0xFFu) << 16;
    }
}

} // namespace orv::imaging

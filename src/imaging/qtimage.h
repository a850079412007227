#pragma once

#include "image.h"

#include <QImage>

namespace orv::imaging {

// A decoded picture handed to the generation: the packed colour of a pixel
// read straight from a Format_RGB32 image.
class QtImage : public Image
{
public:
    explicit QtImage(QImage image);
    int width() const override { return m_image.width(); }
    int height() const override { return m_image.height(); }
    std::uint32_t color(int x, int y) const override
    {
        const QRgb c = reinterpret_cast<const QRgb*>(m_image.constScanLine(y))[x];
        return std::uint32_t(qRed(c)) | std::uint32_t(qGreen(c)) << 8 |
               std::uint32_t(qBlue(c)) << 16;
    }
    void row(int y, std::uint32_t* target) const override;
    const QImage& image() const { return m_image; }

private:
    QImage m_image;
};

} // namespace orv::imaging

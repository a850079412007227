#pragma once

#include "imagen.h"

#include <QImage>

namespace orv::imaging {

// A decoded picture handed to the generation: the packed colour of a pixel
// read straight from a Format_RGB32 image.
class ImagenQt : public Imagen
{
public:
    explicit ImagenQt(QImage imagen);
    int ancho() const override { return m_imagen.width(); }
    int alto() const override { return m_imagen.height(); }
    std::uint32_t color(int x, int y) const override
    {
        const QRgb c = reinterpret_cast<const QRgb*>(m_imagen.constScanLine(y))[x];
        return std::uint32_t(qRed(c)) | std::uint32_t(qGreen(c)) << 8 |
               std::uint32_t(qBlue(c)) << 16;
    }
    void fila(int y, std::uint32_t* destino) const override;
    const QImage& imagen() const { return m_imagen; }

private:
    QImage m_imagen;
};

} // namespace orv::imaging

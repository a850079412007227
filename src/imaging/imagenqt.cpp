#include "imagenqt.h"

namespace orv::imaging {

ImagenQt::ImagenQt(QImage imagen)
    : m_imagen(imagen.format() == QImage::Format_RGB32
                   ? std::move(imagen)
                   : imagen.convertToFormat(QImage::Format_RGB32))
{
}

} // namespace orv::imaging

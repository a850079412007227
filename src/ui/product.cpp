#include "product.h"

namespace orv::ui {

QString tituloProducto(Producto p)
{
    switch (p) {
    case Producto::Player:
        return QStringLiteral("Orvane ASCII Player");
    case Producto::Compactor:
        return QStringLiteral("Orvane ASCII Compactor");
    case Producto::Converter:
        return QStringLiteral("Orvane ASCII Converter");
    case Producto::Creator:
        return QStringLiteral("Orvane ASCII Creator");
    }
    return {};
}

} // namespace orv::ui

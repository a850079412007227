#include "product.h"

namespace orv::ui {

QString productTitle(Product p)
{
    switch (p) {
    case Product::Player:
        return QStringLiteral("Orvane ASCII Player");
    case Product::Compactor:
        return QStringLiteral("Orvane ASCII Compactor");
    case Product::Converter:
        return QStringLiteral("Orvane ASCII Converter");
    case Product::Creator:
        return QStringLiteral("Orvane ASCII Creator");
    case Product::Editor:
        return QStringLiteral("Orvane ASCII Editor");
    }
    return {};
}

} // namespace orv::ui

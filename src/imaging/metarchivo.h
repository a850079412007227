#pragma once

#include <QByteArray>
#include <QImage>
#include <optional>

namespace orv::imaging {

// Windows metafiles, drawn by their Debian libraries at the size the
// metafile declares, 96 pixels per inch:
// - WMF through libwmf's raster device, aliased and in exact colours: a
//   placeable metafile's bounding box and units per inch. One without that
//   header declares no size and takes the extent libwmf finds by scanning its
//   drawing. As in libwmf's own converters, the extent of what is drawn is
//   stretched over that size.
// - EMF through libemf2svg, drawn by Qt SVG at the header's bounds, aliased
//   (see LienzoSinSuavizado).
std::optional<QImage> dibujaWmf(const QByteArray& datos);
std::optional<QImage> dibujaEmf(const QByteArray& datos);

// The SVG libemf2svg makes of an EMF.
QByteArray emfASvg(const QByteArray& datos);

} // namespace orv::imaging

#pragma once

#include <QByteArray>
#include <QImage>
#include <optional>

namespace orv::imaging {

// Windows metafiles, drawn by their Debian libraries into the frame the
// metafile declares, 96 pixels per inch, what lies outside it clipped:
// - WMF through libwmf's raster device, aliased and in exact colours: a
//   placeable metafile's bounding box and units per inch. One without that
//   header declares no frame and is drawn over the extent libwmf finds by
//   scanning its drawing.
// - EMF through libemf2svg, drawn by Qt SVG into the header's frame
//   (rclFrame) in pixels of its reference device, aliased (see
//   UnsmoothedCanvas).
std::optional<QImage> drawWmf(const QByteArray& data);
std::optional<QImage> drawEmf(const QByteArray& data);

// The size in pixels a metafile is drawn at, read from its header (an EMF)
// or found by scanning it (a WMF) without drawing it; nothing when the file
// is not one or its size is unusable.
std::optional<QSize> wmfSize(const QByteArray& data);
std::optional<QSize> emfSize(const QByteArray& data);

// The SVG libemf2svg makes of an EMF.
QByteArray emfASvg(const QByteArray& data);

} // namespace orv::imaging

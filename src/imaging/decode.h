#pragma once

#include "filename.h"

#include <QImage>
#include <QString>
#include <optional>

namespace orv::imaging {

// Decodes one of the Creator's picture files into 24-bit colour
// (QImage::Format_RGB32): .bmp, .dib, .gif, .jpg, .jpeg, .ico and .cur through
// Qt's readers, .wmf and .emf through their metafile libraries. The kind is
// told by the file's content where it can be, by its extension otherwise.
// A multi-frame GIF gives its first frame; an icon or cursor with several
// pictures gives its largest. Transparent pixels become kBackgroundColour (white).
// Nothing when the file is missing or is no picture.
std::optional<QImage> decodeImage(const FileName& path);

// The size decodeImage would give, read from the file's header without
// decoding its pixels (a WMF without the placeable header is scanned).
// Nothing when the header does not tell it.
std::optional<QSize> declaredSize(const FileName& path);

// The largest picture a file is allowed to decode to, in pixels; a picture
// bomb is refused rather than allocated.
constexpr qint64 kMaxPixels = 64LL * 1024 * 1024;

} // namespace orv::imaging

#include "decode.h"

#include "image.h"
#include "metafile.h"
#include "filename.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

namespace orv::imaging {
namespace {

constexpr qint64 kMaxBytes = 256LL * 1024 * 1024;

// Premultiplied colour over a white background is the colour plus the part
// of white that shows through: c + (255 − alpha) in every channel.
QImage overBackground(const QImage& image)
{
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    QImage p = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage output(p.size(), QImage::Format_RGB32);
    // The packed colour is red + 256 × green + 65536 × blue.
    const QRgb background = qRgb(int(kBackgroundColour & 0xFF), int(kBackgroundColour >> 8 & 0xFF),
                                 int(kBackgroundColour >> 16 & 0xFF));
    for (int y = 0; y < p.height(); ++y) {
        const auto* origin = reinterpret_cast<const QRgb*>(p.constScanLine(y));
        auto* target = reinterpret_cast<QRgb*>(output.scanLine(y));
        for (int x = 0; x < p.width(); ++x) {
            const QRgb c = origin[x];
            const int missing = 255 - qAlpha(c);
            target[x] = missing == 0 ? (c | 0xFF000000u)
                        : missing == 255
                            ? background
                            : qRgb(qRed(c) + missing, qGreen(c) + missing, qBlue(c) + missing);
        }
    }
    return output;
}

bool isMetafile(const QByteArray& header, const QByteArray& extension, bool& emf)
{
    const auto u32 = [&header](int at) {
        return header.size() < at + 4
                   ? 0u
                   : quint32(quint8(header[at])) | quint32(quint8(header[at + 1])) << 8 |
                         quint32(quint8(header[at + 2])) << 16 |
                         quint32(quint8(header[at + 3])) << 24;
    };
    // EMF: a header record of type 1 with " EMF" at byte 40. WMF: the
    // placeable key, or a plain header of type 1 or 2 and size 9 words.
    if (u32(0) == 1 && u32(40) == 0x464D4520u) {
        emf = true;
        return true;
    }
    emf = false;
    if (u32(0) == 0x9AC6CDD7u)
        return true;
    const bool wmfHeader = header.size() >= 4 && (header[0] == 1 || header[0] == 2) &&
                           header[1] == 0 && header[2] == 9 && header[3] == 0;
    return wmfHeader && (extension == "wmf" || extension == "emf");
}

// A reader over `device` that knows its format: sniffed from the
// content, else told by the extension.
QByteArray prepareReader(QImageReader& reader, QIODevice* device, const QByteArray& extension)
{
    reader.setDevice(device);
    reader.setDecideFormatFromContent(true);
    reader.setAllocationLimit(int(kMaxPixels * 4 / (1024 * 1024)));
    QByteArray format = reader.format();
    if (format.isEmpty()) {
        // A cursor looks like an icon but for one byte Qt does not sniff, and a
        // DIB is a BMP under another name.
        format = extension == "dib" ? QByteArray("bmp") : extension;
        device->seek(0);
        reader.setDevice(nullptr);
        reader.setFormat(format);
        reader.setDevice(device);
    }
    return format;
}

bool severalImages(const QByteArray& format)
{
    return format == "ico" || format == "cur";
}

// The largest picture of an icon or cursor, the first of anything else.
std::optional<QImage> readRaster(const QByteArray& data, const QByteArray& extension)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader;
    const QByteArray format = prepareReader(reader, &buffer, extension);
    QImage best;
    const int count = severalImages(format) ? std::max(1, reader.imageCount()) : 1;
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToImage(i))
            break;
        QImage image = reader.read();
        if (image.isNull())
            continue;
        if (best.isNull() ||
            qint64(image.width()) * image.height() > qint64(best.width()) * best.height())
            best = std::move(image);
    }
    if (best.isNull())
        return std::nullopt;
    return best;
}

bool open(QFile& file, const FileName& path)
{
    return openForReading(file, path) && file.size() <= kMaxBytes;
}

QByteArray extensionOf(const FileName& path)
{
    const QByteArray leaf = path.leaf().bytes();
    const qsizetype dot = leaf.lastIndexOf('.');
    return dot < 0 ? QByteArray() : leaf.mid(dot + 1).toLower();
}

} // namespace

std::optional<QSize> declaredSize(const FileName& path)
{
    QFile file;
    if (!open(file, path))
        return std::nullopt;
    const QByteArray extension = extensionOf(path);
    bool emf = false;
    const QByteArray header = file.read(88);
    if (isMetafile(header.left(64), extension, emf))
        return emf ? emfSize(header) : wmfSize(header + file.readAll());
    if (!file.seek(0))
        return std::nullopt;
    QImageReader reader;
    const QByteArray format = prepareReader(reader, &file, extension);
    QSize largest = reader.size();
    if (severalImages(format)) {
        for (int i = 1; i < reader.imageCount() && reader.jumpToImage(i); ++i) {
            const QSize s = reader.size();
            if (qint64(s.width()) * s.height() > qint64(largest.width()) * largest.height())
                largest = s;
        }
    }
    if (!largest.isValid() || largest.isEmpty())
        return std::nullopt;
    return largest;
}

std::optional<QImage> decodeImage(const FileName& path)
{
    QFile file;
    if (!open(file, path))
        return std::nullopt;
    const QByteArray data = file.readAll();
    const QByteArray extension = extensionOf(path);
    bool emf = false;
    std::optional<QImage> image = isMetafile(data.left(64), extension, emf)
                                      ? (emf ? drawEmf(data) : drawWmf(data))
                                      : readRaster(data, extension);
    if (!image || image->isNull())
        return std::nullopt;
    return overBackground(*image);
}

} // namespace orv::imaging

#include "imagefixtures.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QtEndian>
#include <cstdlib>
#include <cstring>
#include <gif_lib.h>

namespace imagefixtures {
namespace {

void u16(QByteArray& b, int v)
{
    const quint16 le = qToLittleEndian(quint16(v));
    b.append(reinterpret_cast<const char*>(&le), 2);
}

void u32(QByteArray& b, qint64 v)
{
    const quint32 le = qToLittleEndian(quint32(v));
    b.append(reinterpret_cast<const char*>(&le), 4);
}

void u32(QByteArray& b, std::initializer_list<qint64> values)
{
    for (qint64 v : values)
        u32(b, v);
}

quint32 colorRef(const QColor& c)
{
    return quint32(c.red()) | quint32(c.green()) << 8 | quint32(c.blue()) << 16;
}

QByteArray singleIco(const QImage& image)
{
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    QImageWriter w(&b, "ico");
    w.write(image);
    return b.data();
}

// One WMF record: size in 16-bit words, function, parameters.
void wmfRecord(QByteArray& b, int function, const QList<int>& words, int& mayor)
{
    const int size = 3 + int(words.size());
    mayor = std::max(mayor, size);
    u32(b, size);
    u16(b, function);
    for (int p : words)
        u16(b, p);
}

} // namespace

bool write(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

bool writeGif(const QString& path, const QList<QImage>& cuadros, int transparent,
              const QList<int>& delays)
{
    if (cuadros.isEmpty())
        return false;
    QList<QRgb> palette;
    for (const QImage& c : cuadros)
        for (int y = 0; y < c.height(); ++y)
            for (int x = 0; x < c.width(); ++x)
                if (!palette.contains(c.pixel(x, y) | 0xFF000000u))
                    palette.append(c.pixel(x, y) | 0xFF000000u);
    if (palette.size() > 256)
        return false;
    int bits = 1;
    while ((1 << bits) < palette.size())
        ++bits;
    std::vector<GifColorType> colours(std::size_t(1) << bits);
    for (int i = 0; i < palette.size(); ++i)
        colours[std::size_t(i)] = {GifByteType(qRed(palette[i])), GifByteType(qGreen(palette[i])),
                                   GifByteType(qBlue(palette[i]))};
    int error = 0;
    GifFileType* gif = EGifOpenFileName(QFile::encodeName(path).constData(), false, &error);
    if (!gif)
        return false;
    EGifSetGifVersion(gif, true);
    ColorMapObject* map = GifMakeMapObject(1 << bits, colours.data());
    const int w = cuadros[0].width(), h = cuadros[0].height();
    bool ok = EGifPutScreenDesc(gif, w, h, 8, 0, map) == GIF_OK;
    std::vector<GifPixelType> line(static_cast<std::size_t>(w));
    for (qsizetype i = 0; i < cuadros.size(); ++i) {
        const QImage& c = cuadros[i];
        const GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, int(delays.value(i, 10)),
                                       transparent < 0 ? NO_TRANSPARENT_COLOR : transparent};
        GifByteType extension[4];
        EGifGCBToExtension(&gcb, extension);
        ok = ok && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK &&
             EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
        for (int y = 0; ok && y < h; ++y) {
            for (int x = 0; x < w; ++x)
                line[std::size_t(x)] = GifPixelType(palette.indexOf(c.pixel(x, y) | 0xFF000000u));
            ok = EGifPutLine(gif, line.data(), w) == GIF_OK;
        }
    }
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    GifFreeMapObject(map);
    return ok;
}

QByteArray severalIcon(const QList<QImage>& images, bool cursor)
{
    QList<QByteArray> inputs;
    QList<QByteArray> bodies;
    for (const QImage& image : images) {
        const QByteArray one = singleIco(image);
        // A single-picture icon: 6-byte header, one 16-byte entry, the picture.
        QByteArray input = one.mid(6, 16);
        const quint32 size = qFromLittleEndian<quint32>(input.constData() + 8);
        const quint32 from = qFromLittleEndian<quint32>(input.constData() + 12);
        bodies.append(one.mid(from, size));
        if (cursor) {
            // A cursor keeps its hot spot where an icon keeps planes and depth.
            input.replace(4, 4, QByteArray("\x01\x00\x02\x00", 4));
        }
        inputs.append(input);
    }
    QByteArray b;
    u16(b, 0);
    u16(b, cursor ? 2 : 1);
    u16(b, int(images.size()));
    qint64 from = 6 + 16 * images.size();
    for (int i = 0; i < inputs.size(); ++i) {
        QByteArray e = inputs[i];
        const quint32 le = qToLittleEndian(quint32(from));
        std::memcpy(e.data() + 12, &le, 4);
        b.append(e);
        from += bodies[i].size();
    }
    for (const QByteArray& c : bodies)
        b.append(c);
    return b;
}

QByteArray wmf(int width, int height, const QList<Rectangle>& rects, bool placeable, QPoint origin)
{
    QByteArray records;
    int largest = 0;
    wmfRecord(records, 0x020B, {origin.y(), origin.x()}, largest); // SETWINDOWORG y, x
    wmfRecord(records, 0x020C, {height, width}, largest); // SETWINDOWEXT y, x
    wmfRecord(records, 0x02FA, {5, 0, 0, 0, 0}, largest); // CREATEPENINDIRECT, null pen
    wmfRecord(records, 0x012D, {0}, largest);             // SELECTOBJECT pen
    for (const Rectangle& r : rects) {
        const quint32 c = colorRef(r.color);
        wmfRecord(records, 0x02FC, {0, int(c & 0xFFFF), int(c >> 16), 0},
                  largest); // CREATEBRUSHINDIRECT solid
        wmfRecord(records, 0x012D, {1}, largest);
        const QRect k = r.box.translated(origin);
        wmfRecord(records, 0x041B, {k.bottom() + 1, k.right() + 1, k.top(), k.left()},
                  largest);                       // RECTANGLE
        wmfRecord(records, 0x01F0, {1}, largest); // DELETEOBJECT
    }
    wmfRecord(records, 0x0000, {}, largest); // EOF

    QByteArray b;
    if (placeable) {
        QByteArray p;
        u32(p, 0x9AC6CDD7);
        for (int v : {0, origin.x(), origin.y(), origin.x() + width, origin.y() + height,
                      96 /* units per inch */, 0, 0})
            u16(p, v);
        quint16 sum = 0;
        for (int i = 0; i < 20; i += 2)
            sum ^= qFromLittleEndian<quint16>(p.constData() + i);
        u16(p, sum);
        b.append(p);
    }
    u16(b, 1);      // in memory
    u16(b, 9);      // header words
    u16(b, 0x0300); // version
    u32(b, 9 + records.size() / 2);
    u16(b, 2); // objects
    u32(b, largest);
    u16(b, 0);
    b.append(records);
    return b;
}

QByteArray emf(int width, int height, const QList<Rectangle>& rects)
{
    QByteArray r;
    u32(r, {37, 12, 0x80000008}); // SELECTOBJECT null pen
    for (const Rectangle& k : rects) {
        u32(r, {39, 24, 1, 0, colorRef(k.color), 0}); // CREATEBRUSHINDIRECT
        u32(r, {37, 12, 1});                          // SELECTOBJECT
        const QRect& c = k.box;
        u32(r, {43, 24, c.left(), c.top(), c.right() + 1, c.bottom() + 1}); // RECTANGLE
        u32(r, {40, 12, 1});                                                // DELETEOBJECT
    }
    u32(r, {14, 20, 0, 16, 20});                   // EOF
    const qint64 records = 2 + 4 * rects.size();   // the null pen, four per rectangle, EOF

    QByteArray b;
    // The bounds are the extent of the drawing, inclusive; empty, they are
    // the empty rectangle (0, 0, -1, -1).
    QRect extension;
    for (const Rectangle& k : rects)
        extension |= k.box;
    if (extension.isEmpty())
        extension = QRect(0, 0, 0, 0);
    u32(b, {1, 88, extension.left(), extension.top(), extension.right(), extension.bottom()});
    u32(b, {0, 0, qint64(width) * 2540 / 96 - 1, qint64(height) * 2540 / 96 - 1}); // frame
    u32(b, {0x464D4520, 0x00010000, 88 + r.size(), records + 1});
    u16(b, 2);
    u16(b, 0);
    u32(b, {0, 0, 0, 960, 960, 254, 254}); // reference device: pixels, millimetres (96 dpi)
    b.append(r);
    return b;
}

} // namespace imagefixtures

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

void u32(QByteArray& b, std::initializer_list<qint64> valores)
{
    for (qint64 v : valores)
        u32(b, v);
}

quint32 colorRef(const QColor& c)
{
    return quint32(c.red()) | quint32(c.green()) << 8 | quint32(c.blue()) << 16;
}

QByteArray icoUnico(const QImage& imagen)
{
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    QImageWriter w(&b, "ico");
    w.write(imagen);
    return b.data();
}

// One WMF record: size in 16-bit words, function, parameters.
void registroWmf(QByteArray& b, int funcion, const QList<int>& palabras, int& mayor)
{
    const int tamano = 3 + int(palabras.size());
    mayor = std::max(mayor, tamano);
    u32(b, tamano);
    u16(b, funcion);
    for (int p : palabras)
        u16(b, p);
}

} // namespace

bool escribe(const QString& ruta, const QByteArray& datos)
{
    QFile f(ruta);
    return f.open(QIODevice::WriteOnly) && f.write(datos) == datos.size();
}

bool escribeGif(const QString& ruta, const QList<QImage>& cuadros, int transparente, const QList<int>& retardos)
{
    if (cuadros.isEmpty())
        return false;
    QList<QRgb> paleta;
    for (const QImage& c : cuadros)
        for (int y = 0; y < c.height(); ++y)
            for (int x = 0; x < c.width(); ++x)
                if (!paleta.contains(c.pixel(x, y) | 0xFF000000u))
                    paleta.append(c.pixel(x, y) | 0xFF000000u);
    if (paleta.size() > 256)
        return false;
    int bits = 1;
    while ((1 << bits) < paleta.size())
        ++bits;
    std::vector<GifColorType> colores(std::size_t(1) << bits);
    for (int i = 0; i < paleta.size(); ++i)
        colores[std::size_t(i)] = {GifByteType(qRed(paleta[i])), GifByteType(qGreen(paleta[i])),
                                   GifByteType(qBlue(paleta[i]))};
    int error = 0;
    GifFileType* gif = EGifOpenFileName(QFile::encodeName(ruta).constData(), false, &error);
    if (!gif)
        return false;
    EGifSetGifVersion(gif, true);
    ColorMapObject* mapa = GifMakeMapObject(1 << bits, colores.data());
    const int w = cuadros[0].width(), h = cuadros[0].height();
    bool ok = EGifPutScreenDesc(gif, w, h, 8, 0, mapa) == GIF_OK;
    std::vector<GifPixelType> linea(static_cast<std::size_t>(w));
    for (qsizetype i = 0; i < cuadros.size(); ++i) {
        const QImage& c = cuadros[i];
        const GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, int(retardos.value(i, 10)),
                                       transparente < 0 ? NO_TRANSPARENT_COLOR : transparente};
        GifByteType extension[4];
        EGifGCBToExtension(&gcb, extension);
        ok = ok && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK &&
             EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
        for (int y = 0; ok && y < h; ++y) {
            for (int x = 0; x < w; ++x)
                linea[std::size_t(x)] = GifPixelType(paleta.indexOf(c.pixel(x, y) | 0xFF000000u));
            ok = EGifPutLine(gif, linea.data(), w) == GIF_OK;
        }
    }
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    GifFreeMapObject(mapa);
    return ok;
}

QByteArray iconoVarios(const QList<QImage>& imagenes, bool cursor)
{
    QList<QByteArray> entradas;
    QList<QByteArray> cuerpos;
    for (const QImage& img : imagenes) {
        const QByteArray uno = icoUnico(img);
        // A single-picture icon: 6-byte header, one 16-byte entry, the picture.
        QByteArray entrada = uno.mid(6, 16);
        const quint32 tamano = qFromLittleEndian<quint32>(entrada.constData() + 8);
        const quint32 desde = qFromLittleEndian<quint32>(entrada.constData() + 12);
        cuerpos.append(uno.mid(desde, tamano));
        if (cursor) {
            // A cursor keeps its hot spot where an icon keeps planes and depth.
            entrada.replace(4, 4, QByteArray("\x01\x00\x02\x00", 4));
        }
        entradas.append(entrada);
    }
    QByteArray b;
    u16(b, 0);
    u16(b, cursor ? 2 : 1);
    u16(b, int(imagenes.size()));
    qint64 desde = 6 + 16 * imagenes.size();
    for (int i = 0; i < entradas.size(); ++i) {
        QByteArray e = entradas[i];
        const quint32 le = qToLittleEndian(quint32(desde));
        std::memcpy(e.data() + 12, &le, 4);
        b.append(e);
        desde += cuerpos[i].size();
    }
    for (const QByteArray& c : cuerpos)
        b.append(c);
    return b;
}

QByteArray wmf(int ancho, int alto, const QList<Rectangulo>& rects, bool colocable)
{
    QByteArray registros;
    int mayor = 0;
    registroWmf(registros, 0x020B, {0, 0}, mayor);          // SETWINDOWORG y, x
    registroWmf(registros, 0x020C, {alto, ancho}, mayor);   // SETWINDOWEXT y, x
    registroWmf(registros, 0x02FA, {5, 0, 0, 0, 0}, mayor); // CREATEPENINDIRECT, null pen
    registroWmf(registros, 0x012D, {0}, mayor);             // SELECTOBJECT pen
    for (const Rectangulo& r : rects) {
        const quint32 c = colorRef(r.color);
        registroWmf(registros, 0x02FC, {0, int(c & 0xFFFF), int(c >> 16), 0},
                    mayor); // CREATEBRUSHINDIRECT solid
        registroWmf(registros, 0x012D, {1}, mayor);
        const QRect& k = r.caja;
        registroWmf(registros, 0x041B, {k.bottom() + 1, k.right() + 1, k.top(), k.left()},
                    mayor);                         // RECTANGLE
        registroWmf(registros, 0x01F0, {1}, mayor); // DELETEOBJECT
    }
    registroWmf(registros, 0x0000, {}, mayor); // EOF

    QByteArray b;
    if (colocable) {
        QByteArray p;
        u32(p, 0x9AC6CDD7);
        for (int v : {0, 0, 0, ancho, alto, 96 /* units per inch */, 0, 0})
            u16(p, v);
        quint16 suma = 0;
        for (int i = 0; i < 20; i += 2)
            suma ^= qFromLittleEndian<quint16>(p.constData() + i);
        u16(p, suma);
        b.append(p);
    }
    u16(b, 1);      // in memory
    u16(b, 9);      // header words
    u16(b, 0x0300); // version
    u32(b, 9 + registros.size() / 2);
    u16(b, 2); // objects
    u32(b, mayor);
    u16(b, 0);
    b.append(registros);
    return b;
}

QByteArray emf(int ancho, int alto, const QList<Rectangulo>& rects)
{
    QByteArray r;
    u32(r, {37, 12, 0x80000008}); // SELECTOBJECT null pen
    for (const Rectangulo& k : rects) {
        u32(r, {39, 24, 1, 0, colorRef(k.color), 0}); // CREATEBRUSHINDIRECT
        u32(r, {37, 12, 1});                          // SELECTOBJECT
        const QRect& c = k.caja;
        u32(r, {43, 24, c.left(), c.top(), c.right() + 1, c.bottom() + 1}); // RECTANGLE
        u32(r, {40, 12, 1});                                                // DELETEOBJECT
    }
    u32(r, {14, 20, 0, 16, 20});                   // EOF
    const qint64 registros = 2 + 4 * rects.size(); // the null pen, four per rectangle, EOF

    QByteArray b;
    // The bounds are the extent of the drawing, inclusive; empty, they are
    // the empty rectangle (0, 0, -1, -1).
    QRect extension;
    for (const Rectangulo& k : rects)
        extension |= k.caja;
    if (extension.isEmpty())
        extension = QRect(0, 0, 0, 0);
    u32(b, {1, 88, extension.left(), extension.top(), extension.right(), extension.bottom()});
    u32(b, {0, 0, qint64(ancho) * 2540 / 96 - 1, qint64(alto) * 2540 / 96 - 1}); // frame
    u32(b, {0x464D4520, 0x00010000, 88 + r.size(), registros + 1});
    u16(b, 2);
    u16(b, 0);
    u32(b, {0, 0, 0, 960, 960, 254, 254}); // reference device: pixels, millimetres (96 dpi)
    b.append(r);
    return b;
}

} // namespace imagefixtures

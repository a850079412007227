#include "decodifica.h"

#include "imagen.h"
#include "metarchivo.h"
#include "nativename.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace orv::imaging {
namespace {

constexpr qint64 kBytesMaximos = 256LL * 1024 * 1024;

// Premultiplied colour over a white background is the colour plus the part
// of white that shows through: c + (255 − alpha) in every channel.
QImage sobreFondo(const QImage& imagen)
{
    if (!imagen.hasAlphaChannel())
        return imagen.convertToFormat(QImage::Format_RGB32);
    QImage p = imagen.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage salida(p.size(), QImage::Format_RGB32);
    // The packed colour is red + 256 × green + 65536 × blue.
    const QRgb fondo =
        qRgb(int(kColorFondo & 0xFF), int(kColorFondo >> 8 & 0xFF), int(kColorFondo >> 16 & 0xFF));
    for (int y = 0; y < p.height(); ++y) {
        const auto* origen = reinterpret_cast<const QRgb*>(p.constScanLine(y));
        auto* destino = reinterpret_cast<QRgb*>(salida.scanLine(y));
        for (int x = 0; x < p.width(); ++x) {
            const QRgb c = origen[x];
            const int falta = 255 - qAlpha(c);
            destino[x] = falta == 0 ? (c | 0xFF000000u)
                         : falta == 255
                             ? fondo
                             : qRgb(qRed(c) + falta, qGreen(c) + falta, qBlue(c) + falta);
        }
    }
    return salida;
}

bool esMetarchivo(const QByteArray& cabecera, const QByteArray& extension, bool& emf)
{
    const auto u32 = [&cabecera](int at) {
        return cabecera.size() < at + 4
                   ? 0u
                   : quint32(quint8(cabecera[at])) | quint32(quint8(cabecera[at + 1])) << 8 |
                         quint32(quint8(cabecera[at + 2])) << 16 |
                         quint32(quint8(cabecera[at + 3])) << 24;
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
    const bool cabeceraWmf = cabecera.size() >= 4 && (cabecera[0] == 1 || cabecera[0] == 2) &&
                             cabecera[1] == 0 && cabecera[2] == 9 && cabecera[3] == 0;
    return cabeceraWmf && (extension == "wmf" || extension == "emf");
}

// A reader over `dispositivo` that knows its format: sniffed from the
// content, else told by the extension.
QByteArray preparaLector(QImageReader& lector, QIODevice* dispositivo, const QByteArray& extension)
{
    lector.setDevice(dispositivo);
    lector.setDecideFormatFromContent(true);
    lector.setAllocationLimit(int(kPixelesMaximos * 4 / (1024 * 1024)));
    QByteArray formato = lector.format();
    if (formato.isEmpty()) {
        // A cursor looks like an icon but for one byte Qt does not sniff, and a
        // DIB is a BMP under another name.
        formato = extension == "dib" ? QByteArray("bmp") : extension;
        dispositivo->seek(0);
        lector.setDevice(nullptr);
        lector.setFormat(formato);
        lector.setDevice(dispositivo);
    }
    return formato;
}

bool variasImagenes(const QByteArray& formato)
{
    return formato == "ico" || formato == "cur";
}

// The largest picture of an icon or cursor, the first of anything else.
std::optional<QImage> leeRaster(const QByteArray& datos, const QByteArray& extension)
{
    QBuffer buffer;
    buffer.setData(datos);
    buffer.open(QIODevice::ReadOnly);
    QImageReader lector;
    const QByteArray formato = preparaLector(lector, &buffer, extension);
    QImage mejor;
    const int cuantas = variasImagenes(formato) ? std::max(1, lector.imageCount()) : 1;
    for (int i = 0; i < cuantas; ++i) {
        if (i > 0 && !lector.jumpToImage(i))
            break;
        QImage imagen = lector.read();
        if (imagen.isNull())
            continue;
        if (mejor.isNull() ||
            qint64(imagen.width()) * imagen.height() > qint64(mejor.width()) * mejor.height())
            mejor = std::move(imagen);
    }
    if (mejor.isNull())
        return std::nullopt;
    return mejor;
}

bool abre(QFile& archivo, const QString& ruta)
{
    return openByNameBytes(archivo, nameBytesFromText(ruta)) && archivo.size() <= kBytesMaximos;
}

QByteArray extensionDe(const QString& ruta)
{
    return QFileInfo(ruta).suffix().toLower().toLatin1();
}

} // namespace

std::optional<QSize> tamanoDeclarado(const QString& ruta)
{
    QFile archivo;
    if (!abre(archivo, ruta))
        return std::nullopt;
    const QByteArray extension = extensionDe(ruta);
    bool emf = false;
    const QByteArray cabecera = archivo.read(88);
    if (esMetarchivo(cabecera.left(64), extension, emf))
        return emf ? tamanoEmf(cabecera) : tamanoWmf(cabecera + archivo.readAll());
    if (!archivo.seek(0))
        return std::nullopt;
    QImageReader lector;
    const QByteArray formato = preparaLector(lector, &archivo, extension);
    QSize mayor = lector.size();
    if (variasImagenes(formato)) {
        for (int i = 1; i < lector.imageCount() && lector.jumpToImage(i); ++i) {
            const QSize s = lector.size();
            if (qint64(s.width()) * s.height() > qint64(mayor.width()) * mayor.height())
                mayor = s;
        }
    }
    if (!mayor.isValid() || mayor.isEmpty())
        return std::nullopt;
    return mayor;
}

std::optional<QImage> decodificaImagen(const QString& ruta)
{
    QFile archivo;
    if (!abre(archivo, ruta))
        return std::nullopt;
    const QByteArray datos = archivo.readAll();
    const QByteArray extension = extensionDe(ruta);
    bool emf = false;
    std::optional<QImage> imagen = esMetarchivo(datos.left(64), extension, emf)
                                       ? (emf ? dibujaEmf(datos) : dibujaWmf(datos))
                                       : leeRaster(datos, extension);
    if (!imagen || imagen->isNull())
        return std::nullopt;
    return sobreFondo(*imagen);
}

} // namespace orv::imaging

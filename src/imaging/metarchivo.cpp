#include "metarchivo.h"

#include "decodifica.h"
#include "sinsuavizado.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QSvgRenderer>
#include <QtEndian>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/gd.h>

namespace orv::imaging {
namespace {

// A metafile declares its size in its own header; nothing stops that from
// being absurd, and the picture is allocated before it is drawn.
bool tamanoAceptable(QSize s)
{
    return s.width() > 0 && s.height() > 0 && qint64(s.width()) * s.height() <= kPixelesMaximos;
}

// The longest a metafile may take to draw.
constexpr qint64 kMilisegundosMaximos = 3000;

// libwmf hands its PNG back without its length; a PNG ends with its IEND
// chunk, so the chunks are walked to it.
qsizetype largoPng(const char* png)
{
    qsizetype at = 8;
    for (;;) {
        const quint32 largo = qFromBigEndian<quint32>(png + at);
        const bool fin = std::memcmp(png + at + 4, "IEND", 4) == 0;
        at += 12 + qsizetype(largo);
        if (fin)
            return at;
    }
}

bool wmfValido(const QByteArray& datos);
void estrechaPlumas(QByteArray& datos);

// libwmf keeps its own state per metafile; this owns it for one conversion.
class SesionWmf
{
public:
    SesionWmf()
    {
        wmfAPI_Options opciones{};
        opciones.function = wmf_gd_function;
        const unsigned long banderas =
            WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
        if (wmf_api_create(&m_api, banderas, &opciones) != wmf_E_None) {
            if (m_api)
                wmf_api_destroy(m_api);
            m_api = nullptr;
        }
    }
    ~SesionWmf()
    {
        if (m_abierta)
            wmf_mem_close(m_api);
        if (m_api)
            wmf_api_destroy(m_api);
    }
    SesionWmf(const SesionWmf&) = delete;
    SesionWmf& operator=(const SesionWmf&) = delete;
    wmfAPI* api() const { return m_api; }

    // Hands libwmf a checked copy of the metafile (it reads from it without
    // writing, but wants it mutable), wide pens narrowed when `estrechar`;
    // closed with the session. False when it cannot be read.
    bool abre(const QByteArray& datos, bool estrechar)
    {
        if (!m_api || !wmfValido(datos))
            return false;
        m_copia = datos;
        if (estrechar)
            estrechaPlumas(m_copia);
        m_abierta = wmf_mem_open(m_api, reinterpret_cast<unsigned char*>(m_copia.data()), long(m_copia.size()))
                    == wmf_E_None;
        return m_abierta;
    }

private:
    wmfAPI* m_api = nullptr;
    QByteArray m_copia;
    bool m_abierta = false;
};

// The frame a placeable metafile declares, in libwmf's drawing coordinates
// (points, counted from the window origin the metafile sets). Its header's
// bounds are logical units, `inch` of them to the inch.
std::optional<wmfD_Rect> marcoWmf(const QByteArray& datos)
{
    const auto u16 = [&datos](qsizetype at) { return qFromLittleEndian<quint16>(datos.constData() + at); };
    const auto i16 = [&datos](qsizetype at) { return qFromLittleEndian<qint16>(datos.constData() + at); };
    constexpr qsizetype kColocable = 22;
    if (datos.size() < kColocable + 18 || qFromLittleEndian<quint32>(datos.constData()) != 0x9AC6CDD7u
        || u16(14) == 0)
        return std::nullopt;
    // The window origin is where the metafile's drawing starts; the first
    // one it sets is the one its frame is counted from.
    qint32 origenX = 0, origenY = 0;
    qsizetype at = kColocable + qsizetype(u16(kColocable + 2)) * 2;
    while (at >= kColocable && datos.size() - at >= 6) {
        const quint32 palabras = qFromLittleEndian<quint32>(datos.constData() + at);
        const quint16 funcion = u16(at + 4);
        if (palabras < 3 || funcion == 0x0000 || palabras > quint64(datos.size() - at) / 2)
            break;
        if (funcion == 0x020B && palabras >= 5) { // SETWINDOWORG: y, x
            origenY = i16(at + 6);
            origenX = i16(at + 8);
            break;
        }
        at += qsizetype(palabras) * 2;
    }
    const double puntos = 72.0 / u16(14);
    const qint32 izquierda = std::min(i16(6), i16(10)), derecha = std::max(i16(6), i16(10));
    const qint32 arriba = std::min(i16(8), i16(12)), abajo = std::max(i16(8), i16(12));
    wmfD_Rect marco{};
    marco.TL.x = float((izquierda - origenX) * puntos);
    marco.TL.y = float((arriba - origenY) * puntos);
    marco.BR.x = float((derecha - origenX) * puntos);
    marco.BR.y = float((abajo - origenY) * puntos);
    return marco;
}

// The record stream of a WMF, checked before libwmf reads it: after the
// optional placeable header, the standard header (9 words); the largest
// record it announces (libwmf allocates that much before reading one) no
// larger than the file; every record at least 3 words, no longer than that
// largest and wholly inside the file; the last the end-of-file record.
bool wmfValido(const QByteArray& datos)
{
    const auto u16 = [&datos](qsizetype at) { return qFromLittleEndian<quint16>(datos.constData() + at); };
    const auto u32 = [&datos](qsizetype at) { return qFromLittleEndian<quint32>(datos.constData() + at); };
    const qsizetype total = datos.size();
    qsizetype at = total >= 22 && u32(0) == 0x9AC6CDD7u ? 22 : 0;
    if (total - at < 18 || (u16(at) != 1 && u16(at) != 2) || u16(at + 2) != 9)
        return false;
    const quint64 mayor = u32(at + 12);
    if (mayor < 3 || mayor * 2 > quint64(total - at))
        return false;
    at += 18;
    while (total - at >= 6) {
        const quint64 palabras = u32(at);
        if (palabras < 3 || palabras > mayor || palabras * 2 > quint64(total - at))
            return false;
        if (u16(at + 4) == 0x0000)
            return true;
        at += qsizetype(palabras) * 2;
    }
    return false;
}

// libwmf's raster device draws a wide pen with a square brush as wide as
// the pen, allocated whole and stamped at every pixel of a line: a pen
// 20,000 units wide took 1.8 GB, one 1,024 wide half a minute for a single
// rectangle. Pens are narrowed to 64 pixels (at the metafile's own units,
// or points without the placeable header) in the copy libwmf reads: wider
// than a sixth of the widest picture the Creator takes.
void estrechaPlumas(QByteArray& datos)
{
    constexpr int kPixeles = 64;
    const auto u16 = [&datos](qsizetype at) { return qFromLittleEndian<quint16>(datos.constData() + at); };
    const bool colocable = qFromLittleEndian<quint32>(datos.constData()) == 0x9AC6CDD7u;
    const qint32 maximo = colocable ? std::max(1, kPixeles * int(u16(14)) / 96) : kPixeles * 3 / 4;
    qsizetype at = (colocable ? 22 : 0) + 18;
    while (datos.size() - at >= 6) {
        const quint32 palabras = qFromLittleEndian<quint32>(datos.constData() + at);
        const quint16 funcion = u16(at + 4);
        if (funcion == 0x0000)
            return;
        if (funcion == 0x02FA && palabras >= 5) { // CREATEPENINDIRECT: style, width (x, y), colour
            const qint16 ancho = qFromLittleEndian<qint16>(datos.constData() + at + 8);
            if (std::abs(qint32(ancho)) > maximo)
                qToLittleEndian<qint16>(qint16(ancho < 0 ? -maximo : maximo), datos.data() + at + 8);
        }
        at += qsizetype(palabras) * 2; // wmfValido: every record at least 3 words, inside the file
    }
}

// The drawing's extent and the size it is drawn at, 96 pixels per inch.
bool escaneaWmf(wmfAPI* api, wmfD_Rect& bbox, unsigned int& ancho, unsigned int& alto)
{
    return wmf_scan(api, 0, &bbox) == wmf_E_None &&
           wmf_display_size(api, &ancho, &alto, 96, 96) == wmf_E_None &&
           tamanoAceptable(QSize(int(std::min(ancho, 1u << 30)), int(std::min(alto, 1u << 30))));
}

// libwmf's own raster device draws the exact colours of the metafile,
// aliased; its SVG device would round every colour to the nearest SVG colour
// name and change the picture's tones.
std::optional<QImage> wmfARaster(const QByteArray& datos)
{
    SesionWmf sesion;
    wmfAPI* api = sesion.api();
    if (!sesion.abre(datos, true))
        return std::nullopt;
    std::optional<QImage> resultado;
    wmfD_Rect bbox{};
    unsigned int ancho = 0, alto = 0;
    if (escaneaWmf(api, bbox, ancho, alto)) {
        // A placeable metafile is drawn into the frame it declares, what lies
        // outside it clipped; one without that header declares no frame and
        // is drawn over the extent of its drawing.
        if (const std::optional<wmfD_Rect> marco = marcoWmf(datos))
            bbox = *marco;
        wmf_gd_t* gd = WMF_GD_GetData(api);
        // PNG into memory: libwmf then frees its own picture, which it would
        // leave to the caller (with no way to free it) as a bare gd image.
        gd->type = wmf_gd_png;
        gd->flags |= WMF_GD_OUTPUT_MEMORY;
        gd->bbox = bbox;
        gd->width = ancho;
        gd->height = alto;
        // A drawing that takes longer than any real picture is given up:
        // libwmf asks between records whether to go on.
        QElapsedTimer reloj;
        reloj.start();
        wmf_status_function(api, &reloj, [](void* contexto, float) -> int {
            return static_cast<QElapsedTimer*>(contexto)->elapsed() > kMilisegundosMaximos ? 1 : 0;
        });
        if (wmf_play(api, 0, &bbox) == wmf_E_None && gd->memory) {
            QImage img;
            if (img.loadFromData(QByteArrayView(gd->memory, largoPng(gd->memory)), "png"))
                resultado = img;
        }
    }
    return resultado;
}

// The record stream of an EMF, checked before the library reads it: every
// record at least its 8-byte head, a multiple of 4 long and wholly inside the
// file; the first a header, the last the end-of-file record; and inside a
// comment, its data and every EMF+ record it carries within the comment;
// in a text record, its characters and their spacing.
// libemf2svg trusts these sizes and would read past the file.
bool emfValido(const QByteArray& datos)
{
    const auto u32 = [&datos](qsizetype at) { return qFromLittleEndian<quint32>(datos.constData() + at); };
    constexpr quint32 kCabecera = 1, kFin = 14, kComentario = 70, kTextoA = 83, kTextoW = 84;
    constexpr quint32 kEmfMas = 0x2B464D45; // "EMF+"
    const qsizetype total = datos.size();
    if (total < 88 || u32(0) != kCabecera || u32(4) < 88 || u32(48) > quint32(total))
        return false;
    qsizetype at = 0;
    quint32 tipo = 0;
    while (at < total) {
        if (total - at < 8)
            return false;
        tipo = u32(at);
        const quint32 largo = u32(at + 4);
        if (largo < 8 || largo % 4 != 0 || largo > quint64(total - at))
            return false;
        if (tipo == kTextoA || tipo == kTextoW) {
            // The text and its spacing, wholly inside the record.
            if (largo < 76)
                return false;
            const quint64 caracteres = u32(at + 44), texto = u32(at + 48), espacios = u32(at + 72);
            const quint64 porEspacio = (u32(at + 52) & 0x2000) ? 8 : 4; // ETO_PDY: x and y
            if (texto + caracteres * (tipo == kTextoW ? 2 : 1) > largo
                || (espacios != 0 && espacios + caracteres * porEspacio > largo))
                return false;
        }
        if (tipo == kComentario) {
            if (largo < 12 || u32(at + 8) > largo - 12)
                return false;
            const qsizetype datosComentario = u32(at + 8);
            if (datosComentario >= 4 && u32(at + 12) == kEmfMas) {
                // EMF+ records: type, flags (16 bits each), size, data size.
                qsizetype dentro = 4;
                while (dentro < datosComentario) {
                    if (datosComentario - dentro < 12)
                        return false;
                    const qsizetype r = at + 12 + dentro;
                    const quint32 tamano = u32(r + 4), datosRegistro = u32(r + 8);
                    if (tamano < 12 || tamano > quint64(datosComentario - dentro) || datosRegistro > tamano - 12)
                        return false;
                    dentro += tamano;
                }
            }
        }
        at += largo;
        if (tipo == kFin)
            break;
    }
    return tipo == kFin;
}

} // namespace

QByteArray emfASvg(const QByteArray& datos)
{
    if (datos.isEmpty() || !emfValido(datos))
        return {};
    generatorOptions opciones{};
    // No namespace prefix: libemf2svg does not free the copy it makes of one.
    opciones.nameSpace = nullptr;
    opciones.svgDelimiter = true;
    opciones.emfplus = true;
    QByteArray copia = datos;
    // The header's description is never drawn; the library would read it
    // wherever the header says, even when it claims no characters.
    qToLittleEndian<quint32>(0, copia.data() + 60);
    qToLittleEndian<quint32>(0, copia.data() + 64);
    char* salida = nullptr;
    size_t largo = 0;
    const int ok = emf2svg(copia.data(), size_t(copia.size()), &salida, &largo, &opciones);
    QByteArray svg = ok && salida ? QByteArray(salida, qsizetype(largo)) : QByteArray();
    std::free(salida);
    return svg;
}

std::optional<QImage> dibujaWmf(const QByteArray& datos)
{
    return wmfARaster(datos);
}

namespace {

// The picture an EMF declares: its header's frame (rclFrame, hundredths of a
// millimetre), in pixels of the reference device the header names; the
// bounds (rclBounds) are only the extent of what is drawn.
std::optional<QRect> marcoEmf(const QByteArray& datos)
{
    if (datos.size() < 88)
        return std::nullopt;
    const auto i32 = [&datos](int at) { return qint64(qFromLittleEndian<qint32>(datos.constData() + at)); };
    const qint64 pixelesX = i32(72), pixelesY = i32(76), milimetrosX = i32(80), milimetrosY = i32(84);
    if (pixelesX <= 0 || pixelesY <= 0 || milimetrosX <= 0 || milimetrosY <= 0)
        return std::nullopt;
    const auto enPixeles = [](qint64 centesimas, qint64 pixeles, qint64 milimetros) {
        return qint64(std::llround(double(centesimas) * double(pixeles) / (double(milimetros) * 100)));
    };
    const qint64 izquierda = enPixeles(i32(24), pixelesX, milimetrosX);
    const qint64 arriba = enPixeles(i32(28), pixelesY, milimetrosY);
    const qint64 ancho = enPixeles(i32(32) - i32(24), pixelesX, milimetrosX);
    const qint64 alto = enPixeles(i32(36) - i32(28), pixelesY, milimetrosY);
    // Each side alone first: the product of two 32-bit spans overflows.
    if (ancho <= 0 || alto <= 0 || ancho > kPixelesMaximos || alto > kPixelesMaximos
        || ancho * alto > kPixelesMaximos || std::abs(izquierda) > INT_MAX || std::abs(arriba) > INT_MAX)
        return std::nullopt;
    return QRect(int(izquierda), int(arriba), int(ancho), int(alto));
}

} // namespace

std::optional<QSize> tamanoEmf(const QByteArray& datos)
{
    const std::optional<QRect> marco = marcoEmf(datos);
    return marco ? std::optional<QSize>(marco->size()) : std::nullopt;
}

std::optional<QSize> tamanoWmf(const QByteArray& datos)
{
    SesionWmf sesion;
    wmfAPI* api = sesion.api();
    if (!sesion.abre(datos, false))
        return std::nullopt;
    wmfD_Rect bbox{};
    unsigned int ancho = 0, alto = 0;
    const bool ok = escaneaWmf(api, bbox, ancho, alto);
    return ok ? std::optional<QSize>(QSize(int(ancho), int(alto))) : std::nullopt;
}

std::optional<QImage> dibujaEmf(const QByteArray& datos)
{
    const std::optional<QRect> marco = marcoEmf(datos);
    if (!marco)
        return std::nullopt;
    const auto i32 = [&datos](int at) { return qint64(qFromLittleEndian<qint32>(datos.constData() + at)); };
    // libemf2svg writes device pixels shifted by the bounds' corner; the
    // frame's corner is placed at the picture's.
    const QByteArray svg = emfASvg(datos);
    if (svg.isEmpty())
        return std::nullopt;
    QSvgRenderer renderer(svg);
    if (!renderer.isValid())
        return std::nullopt;
    renderer.setViewBox(QRectF(double(marco->left() - i32(8)), double(marco->top() - i32(12)),
                               double(marco->width()), double(marco->height())));
    QImage lienzo(marco->size(), QImage::Format_ARGB32_Premultiplied);
    lienzo.fill(Qt::transparent);
    {
        LienzoSinSuavizado sinSuavizado(&lienzo);
        QPainter p(&sinSuavizado);
        renderer.render(&p);
    }
    return lienzo;
}

} // namespace orv::imaging

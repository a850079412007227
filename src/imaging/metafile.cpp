#include "metafile.h"

#include "decode.h"
#include "unsmoothed.h"
#include "wmfwork.h"

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
bool acceptableSize(QSize s)
{
    return s.width() > 0 && s.height() > 0 && qint64(s.width()) * s.height() <= kMaxPixels;
}

// The longest a metafile may take to draw.
constexpr qint64 kMaxMilliseconds = 3000;

// The most pixels libwmf's raster device may write for one metafile: two
// hundred and fifty times a picture of 400 × 400, and a quarter of a second
// or so of its work. A drawing that needs more is refused without drawing
// the call that would pass it.
constexpr double kMaxPixelsWritten = 40e6;

// libwmf hands its PNG back without its length; a PNG ends with its IEND
// chunk, so the chunks are walked to it.
qsizetype pngLength(const char* png)
{
    qsizetype at = 8;
    for (;;) {
        const quint32 length = qFromBigEndian<quint32>(png + at);
        const bool end = std::memcmp(png + at + 4, "IEND", 4) == 0;
        at += 12 + qsizetype(length);
        if (end)
            return at;
    }
}

bool validWmf(const QByteArray& data);
void narrowPens(QByteArray& data);

// libwmf keeps its own state per metafile; this owns it for one conversion.
class WmfSession
{
public:
    WmfSession()
    {
        wmfAPI_Options options{};
        options.function = wmf_gd_function;
        const unsigned long flags =
            WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
        if (wmf_api_create(&m_api, flags, &options) != wmf_E_None) {
            if (m_api)
                wmf_api_destroy(m_api);
            m_api = nullptr;
        }
    }
    ~WmfSession()
    {
        if (m_open)
            wmf_mem_close(m_api);
        if (m_api)
            wmf_api_destroy(m_api);
    }
    WmfSession(const WmfSession&) = delete;
    WmfSession& operator=(const WmfSession&) = delete;
    wmfAPI* api() const { return m_api; }

    // Hands libwmf a checked copy of the metafile (it reads from it without
    // writing, but wants it mutable), wide pens narrowed when `narrow`;
    // closed with the session. False when it cannot be read.
    bool open(const QByteArray& data, bool narrow)
    {
        if (!m_api || !validWmf(data))
            return false;
        m_copy = data;
        if (narrow)
            narrowPens(m_copy);
        m_open = wmf_mem_open(m_api, reinterpret_cast<unsigned char*>(m_copy.data()),
                              long(m_copy.size())) == wmf_E_None;
        return m_open;
    }

private:
    wmfAPI* m_api = nullptr;
    QByteArray m_copy;
    bool m_open = false;
};

// The frame a placeable metafile declares, in libwmf's drawing coordinates
// (points, counted from the window origin the metafile sets). Its header's
// bounds are logical units, `inch` of them to the inch.
std::optional<wmfD_Rect> wmfFrame(const QByteArray& data)
{
    const auto u16 = [&data](qsizetype at) {
        return qFromLittleEndian<quint16>(data.constData() + at);
    };
    const auto i16 = [&data](qsizetype at) {
        return qFromLittleEndian<qint16>(data.constData() + at);
    };
    constexpr qsizetype kPlaceable = 22;
    if (data.size() < kPlaceable + 18 ||
        qFromLittleEndian<quint32>(data.constData()) != 0x9AC6CDD7u || u16(14) == 0)
        return std::nullopt;
    // The window origin is where the metafile's drawing starts; the first
    // one it sets is the one its frame is counted from.
    qint32 originX = 0, originY = 0;
    qsizetype at = kPlaceable + qsizetype(u16(kPlaceable + 2)) * 2;
    while (at >= kPlaceable && data.size() - at >= 6) {
        const quint32 words = qFromLittleEndian<quint32>(data.constData() + at);
        const quint16 function = u16(at + 4);
        if (words < 3 || function == 0x0000 || words > quint64(data.size() - at) / 2)
            break;
        if (function == 0x020B && words >= 5) { // SETWINDOWORG: y, x
            originY = i16(at + 6);
            originX = i16(at + 8);
            break;
        }
        at += qsizetype(words) * 2;
    }
    const double points = 72.0 / u16(14);
    const qint32 left = std::min(i16(6), i16(10)), right = std::max(i16(6), i16(10));
    const qint32 top = std::min(i16(8), i16(12)), bottom = std::max(i16(8), i16(12));
    wmfD_Rect frame{};
    frame.TL.x = float((left - originX) * points);
    frame.TL.y = float((top - originY) * points);
    frame.BR.x = float((right - originX) * points);
    frame.BR.y = float((bottom - originY) * points);
    return frame;
}

// The record stream of a WMF, checked before libwmf reads it: after the
// optional placeable header, the standard header (9 words); the largest
// record it announces (libwmf allocates that much before reading one) no
// larger than the file; every record at least 3 words, no longer than that
// largest and wholly inside the file; the last the end-of-file record.
bool validWmf(const QByteArray& data)
{
    const auto u16 = [&data](qsizetype at) {
        return qFromLittleEndian<quint16>(data.constData() + at);
    };
    const auto u32 = [&data](qsizetype at) {
        return qFromLittleEndian<quint32>(data.constData() + at);
    };
    const qsizetype total = data.size();
    qsizetype at = total >= 22 && u32(0) == 0x9AC6CDD7u ? 22 : 0;
    if (total - at < 18 || (u16(at) != 1 && u16(at) != 2) || u16(at + 2) != 9)
        return false;
    const quint64 mayor = u32(at + 12);
    if (mayor < 3 || mayor * 2 > quint64(total - at))
        return false;
    at += 18;
    while (total - at >= 6) {
        const quint64 words = u32(at);
        if (words < 3 || words > mayor || words * 2 > quint64(total - at))
            return false;
        if (u16(at + 4) == 0x0000)
            return true;
        at += qsizetype(words) * 2;
    }
    return false;
}

// libwmf's raster device draws a wide pen with a square brush as wide as
// the pen, allocated whole and stamped at every pixel of a line: a pen
// 20,000 units wide took 1.8 GB, one 1,024 wide half a minute for a single
// rectangle. Pens are narrowed to 64 pixels (at the metafile's own units,
// or points without the placeable header) in the copy libwmf reads: wider
// than a sixth of the widest picture the Creator takes.
void narrowPens(QByteArray& data)
{
    constexpr int kPixels = 64;
    const auto u16 = [&data](qsizetype at) {
        return qFromLittleEndian<quint16>(data.constData() + at);
    };
    const bool placeable = qFromLittleEndian<quint32>(data.constData()) == 0x9AC6CDD7u;
    const qint32 maximum = placeable ? std::max(1, kPixels * int(u16(14)) / 96) : kPixels * 3 / 4;
    qsizetype at = (placeable ? 22 : 0) + 18;
    while (data.size() - at >= 6) {
        const quint32 words = qFromLittleEndian<quint32>(data.constData() + at);
        const quint16 function = u16(at + 4);
        if (function == 0x0000)
            return;
        if (function == 0x02FA && words >= 5) { // CREATEPENINDIRECT: style, width (x, y), colour
            const qint16 width = qFromLittleEndian<qint16>(data.constData() + at + 8);
            if (std::abs(qint32(width)) > maximum)
                qToLittleEndian<qint16>(qint16(width < 0 ? -maximum : maximum),
                                        data.data() + at + 8);
        }
        at += qsizetype(words) * 2; // validWmf: every record at least 3 words, inside the file
    }
}

// The drawing's extent and the size it is drawn at, 96 pixels per inch.
bool scanWmf(wmfAPI* api, wmfD_Rect& bbox, unsigned int& width, unsigned int& height)
{
    return wmf_scan(api, 0, &bbox) == wmf_E_None &&
           wmf_display_size(api, &width, &height, 96, 96) == wmf_E_None &&
           acceptableSize(QSize(int(std::min(width, 1u << 30)), int(std::min(height, 1u << 30))));
}

// libwmf's own raster device draws the exact colours of the metafile,
// aliased; its SVG device would round every colour to the nearest SVG colour
// name and change the picture's tones.
std::optional<QImage> wmfARaster(const QByteArray& data)
{
    WmfSession session;
    wmfAPI* api = session.api();
    if (!session.open(data, true))
        return std::nullopt;
    std::optional<QImage> result;
    wmfD_Rect bbox{};
    unsigned int width = 0, height = 0;
    if (scanWmf(api, bbox, width, height)) {
        // A placeable metafile is drawn into the frame it declares, what lies
        // outside it clipped; one without that header declares no frame and
        // is drawn over the extent of its drawing.
        if (const std::optional<wmfD_Rect> frame = wmfFrame(data))
            bbox = *frame;
        wmf_gd_t* gd = WMF_GD_GetData(api);
        // PNG into memory: libwmf then frees its own picture, which it would
        // leave to the caller (with no way to free it) as a bare gd image.
        gd->type = wmf_gd_png;
        gd->flags |= WMF_GD_OUTPUT_MEMORY;
        gd->bbox = bbox;
        gd->width = width;
        gd->height = height;
        // A drawing that takes more work or longer than any real picture is
        // given up: libwmf asks between records whether to go on.
        struct Limits
        {
            WmfWork work;
            QElapsedTimer clock;
        } limits{WmfWork(api, kMaxPixelsWritten), {}};
        limits.clock.start();
        wmf_status_function(api, &limits, [](void* context, float) -> int {
            const auto* l = static_cast<Limits*>(context);
            return l->work.exceeded() || l->clock.elapsed() > kMaxMilliseconds ? 1 : 0;
        });
        if (wmf_play(api, 0, &bbox) == wmf_E_None && !limits.work.exceeded() && gd->memory) {
            QImage image;
            if (image.loadFromData(QByteArrayView(gd->memory, pngLength(gd->memory)), "png"))
                result = image;
        }
    }
    return result;
}

// The record stream of an EMF, checked before the library reads it: every
// record at least its 8-byte head, a multiple of 4 long and wholly inside the
// file; the first a header, the last the end-of-file record; and inside a
// comment, its data and every EMF+ record it carries within the comment;
// in a text record, its characters and their spacing.
// libemf2svg trusts these sizes and would read past the file.
bool validEmf(const QByteArray& data)
{
    const auto u32 = [&data](qsizetype at) {
        return qFromLittleEndian<quint32>(data.constData() + at);
    };
    constexpr quint32 kHeader = 1, kEnd = 14, kComment = 70, kTextA = 83, kTextW = 84;
    constexpr quint32 kEmfPlus = 0x2B464D45; // "EMF+"
    const qsizetype total = data.size();
    if (total < 88 || u32(0) != kHeader || u32(4) < 88 || u32(48) > quint32(total))
        return false;
    qsizetype at = 0;
    quint32 type = 0;
    while (at < total) {
        if (total - at < 8)
            return false;
        type = u32(at);
        const quint32 length = u32(at + 4);
        if (length < 8 || length % 4 != 0 || length > quint64(total - at))
            return false;
        if (type == kTextA || type == kTextW) {
            // The text and its spacing, wholly inside the record.
            if (length < 76)
                return false;
            const quint64 characters = u32(at + 44), text = u32(at + 48), spaces = u32(at + 72);
            const quint64 perSpace = (u32(at + 52) & 0x2000) ? 8 : 4; // ETO_PDY: x and y
            if (text + characters * (type == kTextW ? 2 : 1) > length ||
                (spaces != 0 && spaces + characters * perSpace > length))
                return false;
        }
        if (type == kComment) {
            if (length < 12 || u32(at + 8) > length - 12)
                return false;
            const qsizetype commentData = u32(at + 8);
            if (commentData >= 4 && u32(at + 12) == kEmfPlus) {
                // EMF+ records: type, flags (16 bits each), size, data size.
                qsizetype inside = 4;
                while (inside < commentData) {
                    if (commentData - inside < 12)
                        return false;
                    const qsizetype r = at + 12 + inside;
                    const quint32 size = u32(r + 4), recordData = u32(r + 8);
                    if (size < 12 || size > quint64(commentData - inside) || recordData > size - 12)
                        return false;
                    inside += size;
                }
            }
        }
        at += length;
        if (type == kEnd)
            break;
    }
    return type == kEnd;
}

} // namespace

QByteArray emfASvg(const QByteArray& data)
{
    if (data.isEmpty() || !validEmf(data))
        return {};
    generatorOptions options{};
    // No namespace prefix: libemf2svg does not free the copy it makes of one.
    options.nameSpace = nullptr;
    options.svgDelimiter = true;
    options.emfplus = true;
    QByteArray copy = data;
    // The header's description is never drawn; the library would read it
    // wherever the header says, even when it claims no characters.
    qToLittleEndian<quint32>(0, copy.data() + 60);
    qToLittleEndian<quint32>(0, copy.data() + 64);
    char* output = nullptr;
    size_t length = 0;
    const int ok = emf2svg(copy.data(), size_t(copy.size()), &output, &length, &options);
    QByteArray svg = ok && output ? QByteArray(output, qsizetype(length)) : QByteArray();
    std::free(output);
    return svg;
}

std::optional<QImage> drawWmf(const QByteArray& data)
{
    return wmfARaster(data);
}

namespace {

// The picture an EMF declares: its header's frame (rclFrame, hundredths of a
// millimetre), in pixels of the reference device the header names; the
// bounds (rclBounds) are only the extent of what is drawn.
std::optional<QRect> emfFrame(const QByteArray& data)
{
    if (data.size() < 88)
        return std::nullopt;
    const auto i32 = [&data](int at) {
        return qint64(qFromLittleEndian<qint32>(data.constData() + at));
    };
    const qint64 pixelsX = i32(72), pixelsY = i32(76), millimetresX = i32(80),
                 millimetresY = i32(84);
    if (pixelsX <= 0 || pixelsY <= 0 || millimetresX <= 0 || millimetresY <= 0)
        return std::nullopt;
    const auto inPixels = [](qint64 hundredths, qint64 pixels, qint64 millimetres) {
        return qint64(
            std::llround(double(hundredths) * double(pixels) / (double(millimetres) * 100)));
    };
    const qint64 left = inPixels(i32(24), pixelsX, millimetresX);
    const qint64 arriba = inPixels(i32(28), pixelsY, millimetresY);
    const qint64 width = inPixels(i32(32) - i32(24), pixelsX, millimetresX);
    const qint64 height = inPixels(i32(36) - i32(28), pixelsY, millimetresY);
    // Each side alone first: the product of two 32-bit spans overflows.
    if (width <= 0 || height <= 0 || width > kMaxPixels || height > kMaxPixels ||
        width * height > kMaxPixels || std::abs(left) > INT_MAX || std::abs(arriba) > INT_MAX)
        return std::nullopt;
    return QRect(int(left), int(arriba), int(width), int(height));
}

} // namespace

std::optional<QSize> emfSize(const QByteArray& data)
{
    const std::optional<QRect> frame = emfFrame(data);
    return frame ? std::optional<QSize>(frame->size()) : std::nullopt;
}

std::optional<QSize> wmfSize(const QByteArray& data)
{
    WmfSession session;
    wmfAPI* api = session.api();
    if (!session.open(data, false))
        return std::nullopt;
    wmfD_Rect bbox{};
    unsigned int width = 0, height = 0;
    const bool ok = scanWmf(api, bbox, width, height);
    return ok ? std::optional<QSize>(QSize(int(width), int(height))) : std::nullopt;
}

std::optional<QImage> drawEmf(const QByteArray& data)
{
    const std::optional<QRect> frame = emfFrame(data);
    if (!frame)
        return std::nullopt;
    const auto i32 = [&data](int at) {
        return qint64(qFromLittleEndian<qint32>(data.constData() + at));
    };
    // libemf2svg writes device pixels shifted by the bounds' corner; the
    // frame's corner is placed at the picture's.
    const QByteArray svg = emfASvg(data);
    if (svg.isEmpty())
        return std::nullopt;
    QSvgRenderer renderer(svg);
    if (!renderer.isValid())
        return std::nullopt;
    renderer.setViewBox(QRectF(double(frame->left() - i32(8)), double(frame->top() - i32(12)),
                               double(frame->width()), double(frame->height())));
    QImage canvas(frame->size(), QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    {
        UnsmoothedCanvas unsmoothed(&canvas);
        QPainter p(&unsmoothed);
        renderer.render(&p);
    }
    return canvas;
}

} // namespace orv::imaging

#include "gifencoder.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace orv::render::gif {
namespace {

constexpr unsigned kMaxThreads = 8;

int writeToMemory(GifFileType* gif, const GifByteType* data, int length)
{
    auto* target = static_cast<std::vector<GifByteType>*>(gif->UserData);
    target->insert(target->end(), data, data + length);
    return length;
}

// Draws pixel rows [from, to) of the image's rectangle of the frame into
// palette indices, row after row, and answers how many it wrote.
size_t draw(const GifImage& image, const GifGlyphs& glyphs, int from, int to,
            std::vector<GifByteType>& target)
{
    const QRect& area = image.area;
    const int cw = glyphs.width(), ch = glyphs.height();
    const size_t total = static_cast<size_t>(area.width()) * static_cast<size_t>(to - from);
    // Whole cells of narrow fonts go over as one 8-byte block each, which
    // may run past the cell; the next cell, or this room, takes the excess.
    target.resize(total + GifGlyphs::kSlack);
    const bool block = cw <= static_cast<int>(GifGlyphs::kSlack);
    GifByteType* d = target.data();
    const int firstColumn = area.left() / cw, lastColumn = area.right() / cw;
    for (int y = from; y < to; ++y) {
        int length = 0;
        const unsigned char* text = image.frame.row(y / ch, length);
        const int inside = (y % ch) * cw;
        for (int c = firstColumn; c <= lastColumn; ++c) {
            const GifByteType* origin = glyphs.cellOf(c < length ? text[c] : ' ') + inside;
            const int x0 = std::max(area.left(), c * cw),
                      x1 = std::min(area.right(), c * cw + cw - 1);
            if (block && x1 - x0 + 1 == cw) {
                std::memcpy(d, origin, GifGlyphs::kSlack);
                d += cw;
                continue;
            }
            const auto n = static_cast<size_t>(x1 - x0 + 1);
            std::memcpy(d, origin + (x0 - c * cw), n);
            d += n;
        }
    }
    return total;
}

// Encodes the image with giflib as a GIF of its own in memory and keeps the
// image data's sub-blocks, which the export then copies into its file. The
// pixels are drawn and handed over a strip of rows at a time, so a huge
// image never needs its whole raster.
void encode(GifImage& image, const GifGlyphs& glyphs, const ExportOptions& options,
            std::vector<GifByteType>& pixels, std::vector<GifByteType>& output)
{
    constexpr qint64 kPixelsPerStrip = qint64(1) << 21;
    output.clear();
    int code = 0;
    GifFileType* gif = EGifOpen(&output, &writeToMemory, &code);
    if (!gif)
        return;
    ColorMapObject* colours = palette(options);
    const int width = image.area.width(), height = image.area.height();
    bool ok = EGifPutScreenDesc(gif, width, height, 1, 0, colours) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
    GifFreeMapObject(colours);
    // The image descriptor and the LZW code size are written by now; what
    // follows up to the end block is the image data.
    const size_t start = output.size();
    const int rowsPerStrip = static_cast<int>(std::max<qint64>(1, kPixelsPerStrip / width));
    for (int y = image.area.top(); ok && y <= image.area.bottom(); y += rowsPerStrip) {
        const int to = std::min(image.area.bottom() + 1, y + rowsPerStrip);
        const size_t stripPixels = draw(image, glyphs, y, to, pixels);
        ok = EGifPutLine(gif, pixels.data(), static_cast<int>(stripPixels)) == GIF_OK;
    }
    const size_t end = output.size();
    ok = EGifCloseFile(gif, &code) == GIF_OK && ok;
    // Checked, not trusted: whole sub-blocks, then the end block.
    size_t p = start;
    while (ok && p < end && output[p] != 0)
        p += output[p] + 1u;
    ok = ok && p + 1 == end;
    if (ok)
        image.blocks.assign(output.begin() + static_cast<std::ptrdiff_t>(start),
                            output.begin() + static_cast<std::ptrdiff_t>(p));
    image.ok = ok;
}

} // namespace

ColorMapObject* palette(const ExportOptions& options)
{
    const GifColorType colours[2] = {
        {GifByteType(options.background >> 16), GifByteType(options.background >> 8),
         GifByteType(options.background)},
        {GifByteType(options.letters >> 16), GifByteType(options.letters >> 8),
         GifByteType(options.letters)}};
    return GifMakeMapObject(2, colours);
}

Encoder::Encoder(const GifGlyphs& glyphs, const ExportOptions& options)
    : m_glyphs(glyphs), m_options(options)
{
    const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, kMaxThreads);
    m_waiting = 2 * threads + 1;
    for (unsigned i = 0; i < threads; ++i)
        m_threads.emplace_back([this] { work(); });
}

Encoder::~Encoder()
{
    {
        std::lock_guard lock(m_mutex);
        m_end = true;
        m_toDo.clear(); // left over after a failure or a cancel
    }
    m_hasWork.notify_all();
    for (std::thread& h : m_threads)
        h.join();
}

bool Encoder::deliver(std::unique_ptr<GifImage> image, const Write& write)
{
    {
        std::lock_guard lock(m_mutex);
        m_toDo.push_back(image.get());
        m_pending.push_back(std::move(image));
    }
    m_hasWork.notify_one();
    while (m_pending.size() > m_waiting) {
        if (!writeFirst(write))
            return false;
    }
    return true;
}

bool Encoder::empty(const Write& write)
{
    while (!m_pending.empty()) {
        if (!writeFirst(write))
            return false;
    }
    return true;
}

bool Encoder::writeFirst(const Write& write)
{
    std::unique_ptr<GifImage> first;
    {
        std::unique_lock lock(m_mutex);
        m_done.wait(lock, [this] { return m_pending.front()->done; });
        first = std::move(m_pending.front());
        m_pending.pop_front();
    }
    m_outOfMemory = !first->ok;
    return first->ok && write(*first);
}

void Encoder::work()
{
    std::vector<GifByteType> pixels, output; // kept from image to image
    for (;;) {
        GifImage* image = nullptr;
        {
            std::unique_lock lock(m_mutex);
            m_hasWork.wait(lock, [this] { return m_end || !m_toDo.empty(); });
            if (m_toDo.empty())
                return;
            image = m_toDo.front();
            m_toDo.pop_front();
        }
        try {
            encode(*image, m_glyphs, m_options, pixels, output);
        } catch (const std::bad_alloc&) {
            image->ok = false;
            output = {};
            pixels = {};
        }
        {
            std::lock_guard lock(m_mutex);
            image->done = true;
        }
        m_done.notify_all();
    }
}

} // namespace orv::render::gif

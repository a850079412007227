#pragma once

#include "gifframes.h"

#include <QRect>
#include <condition_variable>
#include <deque>
#include <functional>
#include <gif_lib.h>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace orv::render::gif {

// The two colours of every image: 0 the background, 1 the letters.
ColorMapObject* palette(const ExportOptions& options);

// One image to encode: the frame, the part of the screen it stores, how
// long it shows; then its LZW data as GIF sub-blocks, the end block left out.
struct GifImage
{
    GifFrame frame;
    QRect area;
    int delay = 0;
    std::vector<GifByteType> blocks;
    bool done = false;
    bool ok = false;
};

// Images are encoded on every core and written in the order they were
// given; at most a few wait at a time, so memory stays bounded however long
// the movie. Each image is drawn from the glyph cells and encoded by giflib
// as a GIF of its own in memory; its image data then goes into the export's
// file as it is.
class Encoder
{
public:
    using Write = std::function<bool(const GifImage&)>;

    Encoder(const GifGlyphs& glyphs, const ExportOptions& options);
    ~Encoder();

    // Hands an image over; writes those done while too many wait. False
    // once writing failed.
    bool deliver(std::unique_ptr<GifImage> image, const Write& write);

    // Writes every image still waiting.
    bool empty(const Write& write);

    // True when an image could not be encoded (memory ran out).
    bool outOfMemory() const { return m_outOfMemory; }

private:
    bool writeFirst(const Write& write);
    void work();

    const GifGlyphs& m_glyphs;
    const ExportOptions& m_options;
    size_t m_waiting = 1;
    std::mutex m_mutex;
    std::condition_variable m_hasWork, m_done;
    std::deque<GifImage*> m_toDo;
    std::deque<std::unique_ptr<GifImage>> m_pending;
    bool m_end = false;
    bool m_outOfMemory = false; // read and written by the caller's thread only
    std::vector<std::thread> m_threads;
};

} // namespace orv::render::gif

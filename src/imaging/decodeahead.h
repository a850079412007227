#pragma once

#include "filename.h"

#include "image.h"

#include <QImage>
#include <QSize>
#include <QStringList>
#include <deque>
#include <future>
#include <memory>
#include <optional>

namespace orv::imaging {

// One picture as the decoder hands it out: decoded, refused by the size its
// header declares (the pixels were never decoded), or unreadable.
struct Decoded
{
    std::optional<QImage> image;
    std::optional<QSize> sizeOnly;

    // For the generation: the pixels, a picture of the declared size without
    // pixels (which the generation refuses by its size before reading any),
    // or nullptr.
    std::unique_ptr<Image> forGeneration() &&;
};

// Decodes a list of picture files ahead of the one asked for, on as many
// threads as there are cores, and hands them out strictly in list order:
// the generation's tone table is sequential, but decoding is not.
//
// Each file's header is read before it is decoded. A picture the generation
// can never accept is not decoded: image 0 outside the accepted sizes (and
// then nothing after it), a later one declaring a size other than image 0's.
// What is decoded ahead is bounded by memory as well as by count: the
// pictures in flight together may take kAheadMemory, one whose size is
// not declared counts as the largest allowed, and one is always allowed.
class DecodeAhead
{
public:
    static constexpr qint64 kAheadMemory = 256LL * 1024 * 1024;

    // `ahead`: how many pictures may be decoded ahead; 0 picks twice the
    // number of cores.
    explicit DecodeAhead(FileNames paths, int ahead = 0);
    ~DecodeAhead();

    // The next picture in list order. Each call moves on by one; calling
    // past the end gives an unreadable one.
    Decoded next();

    // The most pictures that were decoding at once.
    int mostAtOnce() const { return m_mostAtOnce; }

private:
    struct Pending
    {
        std::future<Decoded> result;
        qint64 memory = 0;
    };
    void fill();

    FileNames m_paths;
    int m_ahead;
    int m_launched = 0;
    std::optional<QSize> m_firstSize;
    bool m_firstRefused = false;
    qint64 m_memoryInUse = 0;
    int m_mostAtOnce = 0;
    std::deque<Pending> m_pending;
};

} // namespace orv::imaging

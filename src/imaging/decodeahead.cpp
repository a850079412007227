#include "decodeahead.h"

#include "decode.h"
#include "generation.h"
#include "qtimage.h"

#include <algorithm>
#include <thread>

namespace orv::imaging {
namespace {

// A picture known only by its size. The generation refuses it by that size
// before it samples a pixel; were it asked, it would be all background.
class ImageWithoutPixels : public Image
{
public:
    explicit ImageWithoutPixels(QSize size) : m_size(size) {}
    int width() const override { return m_size.width(); }
    int height() const override { return m_size.height(); }
    std::uint32_t color(int, int) const override { return kBackgroundColour; }

private:
    QSize m_size;
};

// What decoding a picture of this size may take: the picture and its copy
// in 24-bit colour.
qint64 memoryFor(const std::optional<QSize>& size)
{
    const qint64 pixels = size ? qint64(size->width()) * size->height() : kMaxPixels;
    return 2 * 4 * std::min(pixels, kMaxPixels);
}

} // namespace

std::unique_ptr<Image> Decoded::forGeneration() &&
{
    if (image)
        return std::make_unique<QtImage>(std::move(*image));
    if (sizeOnly)
        return std::make_unique<ImageWithoutPixels>(*sizeOnly);
    return nullptr;
}

DecodeAhead::DecodeAhead(FileNames paths, int ahead)
    : m_paths(std::move(paths)),
      m_ahead(ahead > 0 ? ahead : 2 * std::max(1, int(std::thread::hardware_concurrency())))
{
    fill();
}

// Futures of std::async join in their destructors, so pictures still being
// decoded are waited for here rather than left running.
DecodeAhead::~DecodeAhead() = default;

void DecodeAhead::fill()
{
    while (int(m_pending.size()) < m_ahead && m_launched < m_paths.size() && !m_firstRefused) {
        const int index = m_launched;
        const FileName path = m_paths.at(index);
        const std::optional<QSize> declared = declaredSize(path);
        if (index == 0)
            m_firstSize = declared;
        const bool refused =
            declared && (index == 0 ? !validImageSize(declared->width(), declared->height())
                                    : m_firstSize && *declared != *m_firstSize);
        if (refused) {
            std::promise<Decoded> done;
            done.set_value({std::nullopt, declared});
            m_pending.push_back({done.get_future(), 0});
            m_firstRefused = index == 0;
            ++m_launched;
            continue;
        }
        const qint64 memory = memoryFor(declared);
        if (!m_pending.empty() && m_memoryInUse + memory > kAheadMemory)
            break;
        m_memoryInUse += memory;
        m_pending.push_back({std::async(std::launch::async,
                                        [path] {
                                            return Decoded{decodeImage(path), {}};
                                        }),
                             memory});
        m_mostAtOnce = std::max(m_mostAtOnce, int(m_pending.size()));
        ++m_launched;
    }
}

Decoded DecodeAhead::next()
{
    if (m_pending.empty())
        return {};
    Pending pending = std::move(m_pending.front());
    m_pending.pop_front();
    Decoded image = pending.result.get();
    m_memoryInUse -= pending.memory;
    fill();
    return image;
}

} // namespace orv::imaging

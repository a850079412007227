#pragma once

#include <cstdint>

namespace orv {

// A decoded picture as the generation sees it: a size in pixels and the
// 24-bit colour of any pixel, packed red + 256 × green + 65536 × blue (black
// 0, white 16777215). Kept free of any toolkit so the rules that turn
// pictures into movies run, and are tested, without a display.
class Image
{
public:
    virtual ~Image() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
    // x in 0 .. width() - 1, y in 0 .. height() - 1.
    virtual std::uint32_t color(int x, int y) const = 0;

    // The packed colours of row y, width() of them, into `target`. A picture
    // that can read a whole row at once should; the generation reads rows.
    virtual void row(int y, std::uint32_t* target) const
    {
        for (int x = 0; x < width(); ++x)
            target[x] = color(x, y);
    }
};

// The colour that stands in for a pixel an image leaves transparent. Fixed,
// not the desktop's window colour, so that a movie never depends on a theme.
constexpr std::uint32_t kBackgroundColour = 0xFFFFFF;

} // namespace orv

#pragma once

#include <cstdint>

namespace orv {

// A decoded picture as the generation sees it: a size in pixels and the
// 24-bit colour of any pixel, packed red + 256 × green + 65536 × blue (black
// 0, white 16777215). Kept free of any toolkit so the rules that turn
// pictures into movies run, and are tested, without a display.
class Imagen
{
public:
    virtual ~Imagen() = default;
    virtual int ancho() const = 0;
    virtual int alto() const = 0;
    // x in 0 .. ancho() - 1, y in 0 .. alto() - 1.
    virtual std::uint32_t color(int x, int y) const = 0;

    // The packed colours of row y, ancho() of them, into `destino`. A picture
    // that can read a whole row at once should; the generation reads rows.
    virtual void fila(int y, std::uint32_t* destino) const
    {
        for (int x = 0; x < ancho(); ++x)
            destino[x] = color(x, y);
    }
};

// The colour that stands in for a pixel an image leaves transparent. Fixed,
// not the desktop's window colour, so that a movie never depends on a theme.
constexpr std::uint32_t kColorFondo = 0xFFFFFF;

} // namespace orv

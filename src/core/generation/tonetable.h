#pragma once

#include <QByteArray>
#include <array>
#include <cstdint>

namespace orv {

// The characters of the tones, lightest first, as Windows-1252 bytes:
// " .,:÷¤lJFE9$€8@#".
extern const std::array<char, 16> rampaCaracteres;

// The tone table of one generation: 16 slots shared by every image of the
// movie, never cleared between images. Slots that were never filled hold 0,
// which is black, so black always matches the first empty slot and behaves
// as the darkest tone without being stored; that is also why black needs a
// slot of its own and makes a 17th tone when all 16 hold other colours.
class ToneTable
{
public:
    // Adds the colour if it is new. False when it would be a 17th tone.
    bool add(std::uint32_t color);

    // Descending order, unfilled slots last; run after every image so that
    // slot 0 is the lightest tone.
    void sort();

    // The character of a colour after the last sort; '\0' for a colour that
    // no slot holds (only black once all 16 slots are taken).
    char character(std::uint32_t color) const;

    int numTonos() const { return m_numTonos; }
    const std::array<std::int32_t, 16>& tonos() const { return m_tonos; }

private:
    std::array<std::int32_t, 16> m_tonos{};
    int m_numTonos = 0;
};

} // namespace orv

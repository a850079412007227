#include "tonetable.h"

#include <algorithm>
#include <functional>

namespace orv {

// 0xF7 "÷", 0xA4 "¤" and 0x80 "€" are the Windows-1252 bytes of the three
// characters outside ASCII.
const std::array<char, 16> rampaCaracteres{' ', '.', ',', ':', '\xF7', '\xA4', 'l', 'J',
                                           'F', 'E', '9', '$', '\x80', '8',    '@', '#'};

bool ToneTable::add(std::uint32_t color)
{
    const auto c = static_cast<std::int32_t>(color);
    // The slot just past the stored tones still holds 0, so looking one
    // further than numTonos is what lets black through while a slot is free.
    const int to = std::min(m_numTonos, 15);
    for (int i = 0; i <= to; ++i) {
        if (m_tonos[static_cast<std::size_t>(i)] == c)
            return true;
    }
    if (m_numTonos == 16)
        return false;
    m_tonos[static_cast<std::size_t>(m_numTonos++)] = c;
    return true;
}

void ToneTable::sort()
{
    std::sort(m_tonos.begin(), m_tonos.end(), std::greater<>());
}

char ToneTable::character(std::uint32_t color) const
{
    const auto c = static_cast<std::int32_t>(color);
    for (std::size_t i = 0; i < m_tonos.size(); ++i) {
        if (m_tonos[i] == c)
            return rampaCaracteres[i];
    }
    return '\0';
}

} // namespace orv

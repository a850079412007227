#pragma once

#include "cellrenderer.h"
#include "exporting.h"

#include <QByteArray>
#include <QFont>
#include <QRect>
#include <array>
#include <vector>

// What the animated GIF export draws: every byte's cell as palette indices,
// frames as rows of bytes, and where one frame looks different from another.
namespace orv::render::gif {

// Every byte's cell as palette indices (1 where the letters' colour is
// nearer, 0 else), taken from the Player's renderer once, before any frame:
// a frame is then only copies of these rows, which any thread may make.
class GifGlyphs
{
public:
    // Bytes readable past a cell's row, the last cell's included, so that a
    // row of up to that many pixels can be copied as one fixed-size block.
    static constexpr size_t kSlack = 8;

    GifGlyphs(const QFont& font, const ExportOptions& options);

    int width() const { return m_width; }
    int height() const { return m_height; }
    // Bytes drawn alike (every blank one, say) share one number, so
    // comparing frames compares what is seen.
    unsigned char form(unsigned char byte) const { return m_form[byte]; }
    const unsigned char* cellOf(unsigned char byte) const
    {
        return m_indices.data() + static_cast<size_t>(byte) * static_cast<size_t>(m_width) *
                                      static_cast<size_t>(m_height);
    }

private:
    int m_width = 1, m_height = 1;
    std::vector<unsigned char> m_indices;
    std::array<unsigned char, 256> m_form{};
};

// A frame as the exports show it, cut into its rows; a cell past a row's end
// or below the last row is a blank.
class GifFrame
{
public:
    GifFrame() = default;
    explicit GifFrame(QByteArray text);

    // Row r's bytes and how many of them there are.
    const unsigned char* row(int r, int& length) const
    {
        if (r >= static_cast<int>(m_rows.size())) {
            length = 0;
            return nullptr;
        }
        const TextRow& f = m_rows[static_cast<size_t>(r)];
        length = f.length;
        return reinterpret_cast<const unsigned char*>(m_text.constData()) + f.start;
    }

private:
    QByteArray m_text;
    std::vector<TextRow> m_rows;
};

// The smallest rectangle of pixels where `now` looks different from
// `before` on a screen of `columns` x `rows` cells; empty when it looks the
// same.
QRect change(const GifFrame& before, const GifFrame& now, int columns, int rows,
             const GifGlyphs& glyphs);

} // namespace orv::render::gif

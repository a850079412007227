#pragma once

#include "movie.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

namespace orv {

// How an exported movie looks and how the caller follows the work. Colours
// are 0xRRGGBB; the font size is in points, as the Player's size menu gives it.
struct ExportOptions
{
    double points = 8;
    std::uint32_t letters = 0x000000;
    std::uint32_t background = 0xFFFFFF;
    // Called after each frame with (frames done, total); answering false
    // cancels the export, which then leaves no file.
    std::function<bool(int, int)> progress;
    // The video exports: the first audio stream of this file (when given)
    // under the pictures, from `soundFrom` seconds of it, cut to the movie.
    FileName sound;
    double soundFrom = 0;
};

enum class ExportResult { Done, Cancelled, Fault };

// Writes an export made of parts through a temporary file: part(-1) first,
// then part(i) for every frame, then part(total), each appended by part()
// to a buffer that may hold parts before it. part() runs on a helper
// thread, one part after the other, while the caller's thread writes; the
// progress callback is asked on the caller's thread after each frame. On
// Fault, `error` (when given) says why.
ExportResult writeExport(const FileName& path, const ExportOptions& options, int total,
                         const std::function<void(int, QByteArray&)>& part, QString* error);

// The reason given when an export runs out of memory.
QString outOfMemoryError();

// Frame i as the exports show it: the Player's rows (armaCuadro), LF between
// them, every control byte (C0, DEL and the C1 codes Windows-1252 leaves
// undefined) turned into a space so that no frame can steer a terminal.
QByteArray visibleFrame(const Movie& movie, int i);

// Any text of a movie (its author, its information) with the same control
// bytes turned into spaces.
QByteArray withoutControls(QByteArrayView bytes);

// The milliseconds each frame stays on screen in an export: the Player's
// timer interval for the movie's pause.
int exportPause(const Movie& movie);

// Per Windows-1252 byte, the UTF-8 text that stands for it inside a JSON
// string; control bytes stand as a space, as in visibleFrame(). With
// `forHtml`, '<', '>' and '&' are written as \u escapes too, so the text can
// sit inside a <script> element without ending it.
struct JsonCode
{
    char text[8];
    std::uint8_t length;
    bool same; // the byte stands for itself
};
using JsonTable = std::array<JsonCode, 256>;
const JsonTable& jsonTable(bool forHtml);

// Appends `text` as JSON string content.
void appendJsonText(QByteArray& out, QByteArrayView text, const JsonTable& table);

// Row `row` of frame i as armaCuadro() cuts it: up to `ancho` bytes of the
// frame line, fewer or none where the line is short.
QByteArrayView frameRow(const Movie& movie, int i, int row);

// Appends frame i as JSON string content: for each row, beforeRow(out, r)
// first, then the row's characters. The rows are those of armaCuadro().
void addFrameJson(QByteArray& out, const Movie& movie, int i, const JsonTable& table,
                  const std::function<void(QByteArray&, int)>& beforeRow);

// Whether a byte shows as a space in every export: a space or a control byte.
bool showsAsSpace(unsigned char b);

// Parses "RRGGBB" (an optional leading '#'); false when it is not a colour.
bool readColour(QStringView text, std::uint32_t& color);

} // namespace orv

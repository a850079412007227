#pragma once

#include "pelicula.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

namespace orv {

// How an exported movie looks and how the caller follows the work. Colours
// are 0xRRGGBB; the font size is in points, as the Player's size menu gives it.
struct OpcionesExport
{
    double puntos = 8;
    std::uint32_t letras = 0x000000;
    std::uint32_t fondo = 0xFFFFFF;
    // Called after each frame with (frames done, total); answering false
    // cancels the export, which then leaves no file.
    std::function<bool(int, int)> progreso;
};

enum class ResultadoExport { Hecho, Cancelado, Fallo };

// Writes an export made of parts through a temporary file: part(-1) first,
// then part(i) for every frame, then part(total), each appended by parte()
// to a buffer that may hold parts before it. parte() runs on a helper
// thread, one part after the other, while the caller's thread writes; the
// progress callback is asked on the caller's thread after each frame. On
// Fallo, `error` (when given) says why.
ResultadoExport escribeExport(const QString& ruta, const OpcionesExport& opciones, int total,
                              const std::function<void(int, QByteArray&)>& parte, QString* error);

// The reason given when an export runs out of memory.
QString errorSinMemoria();

// Frame i as the exports show it: the Player's rows (armaCuadro), LF between
// them, every control byte (C0, DEL and the C1 codes Windows-1252 leaves
// undefined) turned into a space so that no frame can steer a terminal.
QByteArray cuadroVisible(const Pelicula& pelicula, int i);

// The milliseconds each frame stays on screen in an export: the Player's
// timer interval for the movie's pause.
int pausaExport(const Pelicula& pelicula);

// Per Windows-1252 byte, the UTF-8 text that stands for it inside a JSON
// string; control bytes stand as a space, as in cuadroVisible(). With
// `paraHtml`, '<', '>' and '&' are written as \u escapes too, so the text can
// sit inside a <script> element without ending it.
struct CodigoJson
{
    char texto[8];
    std::uint8_t largo;
    bool mismo; // the byte stands for itself
};
using TablaJson = std::array<CodigoJson, 256>;
const TablaJson& tablaJson(bool paraHtml);

// Appends frame i as JSON string content: for each row, antesDeFila(out, r)
// first, then the row's characters, padded with spaces to the movie's width
// when `rellenar`. The rows are those of armaCuadro().
void agregaCuadroJson(QByteArray& out, const Pelicula& pelicula, int i, const TablaJson& tabla,
                      bool rellenar, const std::function<void(QByteArray&, int)>& antesDeFila);

// Parses "RRGGBB" (an optional leading '#'); false when it is not a colour.
bool leeColor(QStringView texto, std::uint32_t& color);

} // namespace orv

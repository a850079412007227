#pragma once

#include <QString>

namespace orv::ui {

// Which program is running: picks the title and pictures that the shared
// splash and About windows show.
enum class Producto { Player, Compactor, Converter, Creator };

// "Orvane ASCII Player", "Orvane ASCII Compactor", ...
QString tituloProducto(Producto p);

} // namespace orv::ui

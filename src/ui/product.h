#pragma once

#include <QString>

namespace orv::ui {

// Which program is running: picks the title and pictures that the shared
// splash and About windows show.
enum class Product { Player, Compactor, Converter, Creator, Editor };

// "Orvane ASCII Player", "Orvane ASCII Compactor", ...
QString productTitle(Product p);

} // namespace orv::ui

#pragma once
// What the Player's widget tests share: its settings in a temporary folder,
// dialogs answered by a script, and children found by name.
#include "widgettest.h"

#include <QAction>
#include <QSettings>
#include <QTemporaryDir>
#include <memory>

namespace playertest {

using widgettest::Guion;
using widgettest::hijo;

// For the test class's initMain: chosen before anything reads a setting.
inline void ajustesEnCarpetaTemporal()
{
    static QTemporaryDir carpeta;
    qputenv("XDG_CONFIG_HOME", carpeta.path().toLocal8Bit());
}

// The Player's settings, read and written behind its back.
inline std::unique_ptr<QSettings> almacen()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Orvane"), QStringLiteral("OrvPlayer"));
}

inline void ponAjuste(const QString& nombre, const QString& valor)
{
    almacen()->setValue(nombre, valor);
}

inline QString ajuste(const QString& nombre)
{
    return almacen()->value(nombre).toString();
}

} // namespace playertest

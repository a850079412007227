#pragma once
// What the Player's widget tests share: its settings in a temporary folder,
// dialogs answered by a script, and children found by name.
#include "scopedprompt.h"
#include "scriptedprompt.h"

#include <QAction>
#include <QSettings>
#include <QTemporaryDir>
#include <memory>

namespace playertest {

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

// Every dialog of its lifetime goes to the script instead of the screen.
struct Guion : orv::ui::ScriptedPrompt
{
    orv::ui::ScopedPrompt instalado{*this};
};

template <class T = QAction> T* hijo(const QObject& padre, const char* nombre)
{
    T* c = padre.findChild<T*>(QString::fromLatin1(nombre));
    if (!c)
        qFatal("no child %s", nombre);
    return c;
}

} // namespace playertest

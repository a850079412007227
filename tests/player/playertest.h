#pragma once
// What the Player's widget tests share: its settings in a temporary folder,
// dialogs answered by a script, and children found by name.
#include "widgettest.h"

#include <QAction>
#include <QSettings>
#include <QTemporaryDir>
#include <memory>

namespace playertest {

using widgettest::child;
using widgettest::Script;

// For the test class's initMain: chosen before anything reads a setting.
inline void settingsInScratchFolder()
{
    static QTemporaryDir folder;
    qputenv("XDG_CONFIG_HOME", folder.path().toLocal8Bit());
}

// The Player's settings, read and written behind its back.
inline std::unique_ptr<QSettings> store()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Orvane"), QStringLiteral("OrvPlayer"));
}

inline void setSetting(const QString& name, const QString& value)
{
    store()->setValue(name, value);
}

inline QString setting(const QString& name)
{
    return store()->value(name).toString();
}

} // namespace playertest

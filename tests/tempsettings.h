#pragma once

#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

// Every program's settings go to a fresh folder for as long as this lives.
// Qt keeps the settings folder it found first, so changing XDG_CONFIG_HOME
// between cases would leave them all writing to one (by then removed)
// folder; QSettings::setPath moves it, and it is put back afterwards.
class TempSettings
{
public:
    TempSettings() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path()); }
    ~TempSettings()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    }
    TempSettings(const TempSettings&) = delete;
    TempSettings& operator=(const TempSettings&) = delete;

private:
    QTemporaryDir m_dir;
};

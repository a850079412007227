#pragma once

#include <QStringList>

namespace orv::ui {

// Finds and starts the platform's system-information program for the About
// window. Tests derive from it to play "not installed" and "failed to start".
class SysInfoTool
{
public:
    virtual ~SysInfoTool() = default;

    // The program and its arguments, or an empty list when none is installed.
    // Windows: msinfo32 as registered by the system; elsewhere the first of a
    // few known system-information programs found on PATH.
    virtual QStringList locate() const;

    // Starts the located command without waiting; false when it did not start.
    virtual bool start(const QStringList& command) const;
};

} // namespace orv::ui

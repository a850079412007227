#pragma once

#include <QString>

namespace orv {

// The settings store. A setting is addressed by one full registry-style path,
// "HKEY_CURRENT_USER\Software\Orvane\OrvPlayer\TamanoFuente": root key, key
// path, value name last. On Windows that is the registry; elsewhere the key
// "Software\<Organisation>\<Program>" maps to QSettings(<Organisation>,
// <Program>) and any deeper keys to groups. Values are always text.

// Writes the value at the path. Failures are ignored.
void guardaValor(const QString& path, const QString& value);

// Reads the value at the path; a missing value or any failure gives "".
QString leeValor(const QString& path);

} // namespace orv

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace orv {

// Movie files and converter sources are Windows-1252 bytes on every platform:
// one byte is one character. These convert between those bytes and Unicode
// for display and for the command line.
QString fromCp1252(QByteArrayView bytes);

// Characters with no Windows-1252 byte become '?'.
QByteArray toCp1252(QStringView text);

} // namespace orv

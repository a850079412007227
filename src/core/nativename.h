#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class QFile;

namespace orv {

// File names as the system gives them. On Unix a name is bytes, not text:
// one made on a Windows-1252 system ("pel\xEDcula.ovt") is not UTF-8, and a
// plain decode would turn its 0xED into U+FFFD and lose it. Here the bytes
// that are not UTF-8 travel inside a QString as the lone code units
// U+DC80..U+DCFF, one per byte, so a name goes from argv to open() intact.

// Text from the bytes of an argument or a name: UTF-8 where it is UTF-8,
// every other byte kept as its escape.
QString textFromNameBytes(QByteArrayView bytes);

// The bytes back: UTF-8 for the text, the escaped bytes as they were.
QByteArray nameBytesFromText(QStringView text);

// The text as a person should read it: escaped bytes shown as the
// Windows-1252 characters they most likely were.
QString readableName(QStringView text);

// Opens the file whose name is `nameBytes` (bytes on Unix, UTF-8 on
// Windows) for reading. Only a regular file opens.
bool openByNameBytes(QFile& file, const QByteArray& nameBytes);

} // namespace orv

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <optional>

class QFile;
class QUrl;

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

// Whether the text holds bytes that are not UTF-8 (as their escapes): such a
// name opens, but cannot be kept as text in a settings file.
bool holdsEscapedBytes(QStringView text);

// The arguments the program was given, argv[0] first: on Unix made from
// their bytes by textFromNameBytes; on Windows Qt's, which are whole.
QStringList argumentsAsGiven(int argc, char** argv);

// The local file a file: address names, its bytes kept as textFromNameBytes
// keeps them (QUrl::toLocalFile() decodes them as UTF-8 and loses those that
// are not); empty when the address is not a local file.
QString localFileFromUrl(const QUrl& url);

// Whether `name` (text that may hold escaped bytes) is an existing regular
// file.
bool isFileByName(QStringView name);

// The name made absolute against the working folder and cleaned, as text
// only: QFileInfo would pass a relative name through the system's encoding
// and lose the bytes that are not UTF-8.
QString absoluteName(const QString& name);

// What the system says of a name (after following a link), asked by its
// bytes: whether it exists, its size (-1 when it does not exist), and its
// permission bits as Unix keeps them (st_mode & 07777; on Windows only the
// owner's read and write bits mean anything).
bool existsByName(QStringView name);
qint64 sizeByName(QStringView name);
std::optional<unsigned> modeByName(QStringView name);
bool setModeByName(QStringView name, unsigned mode);

// Opens the file whose name is `nameBytes` (bytes on Unix, UTF-8 on
// Windows) for reading. Only a regular file opens (after following a link):
// a FIFO or a device is refused at once, without waiting or reading.
bool openByNameBytes(QFile& file, const QByteArray& nameBytes);

} // namespace orv

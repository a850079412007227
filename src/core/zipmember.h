#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

namespace orv {

class PasswordProvider;

// Reads the first regular-file member of the ZIP archive at `path` straight
// into memory: no scratch files. Directories and links are passed over.
// A member that would inflate past `limit` bytes, a damaged archive, a CRC
// mismatch, an archive with no file member or a refused password all give
// std::nullopt.
std::optional<QByteArray> readFirstZipMember(const QString& path, qint64 limit,
                                             PasswordProvider* passwords);

// The same, for an archive already in memory.
std::optional<QByteArray> readFirstZipMember(QByteArrayView archive, qint64 limit,
                                             PasswordProvider* passwords);

} // namespace orv

#pragma once

#include "bytesource.h"
#include "filename.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>
#include <optional>

namespace orv {

class PasswordProvider;

// Reads the first regular-file member of the ZIP archive `archive` straight
// into memory: no scratch files. Directories and links are passed over.
// A member that inflates past `limit` bytes, a damaged archive, a CRC
// mismatch, an archive with no file member or a refused password all give
// std::nullopt. Memory follows what the member really inflates to, not what
// its header claims.
std::optional<QByteArray> readFirstZipMember(const FileName& archive, qint64 limit,
                                             PasswordProvider* passwords);

// The same, for an archive already in memory.
std::optional<QByteArray> readFirstZipMember(QByteArrayView archive, qint64 limit,
                                             PasswordProvider* passwords);

// The first regular-file member as a stream, decompressed only as far as it
// is read. Null when the archive cannot be opened, holds no file member, is
// in a method or cipher this build does not read (no password is asked for
// then), or the password is refused. Once the
// reader is done, finish() reads on to the member's end to check its CRC,
// unless more than a little is left (a reader that stops early trusts the
// method's own checks for what it read).
std::unique_ptr<ByteSource> openFirstZipMember(const FileName& archive,
                                               PasswordProvider* passwords);
std::unique_ptr<ByteSource> openFirstZipMember(QByteArrayView archive, PasswordProvider* passwords);

// What an archive holds, counting only regular-file members (folders and
// links are passed over); std::nullopt when it cannot be read as an archive.
struct FileMembers
{
    int count = 0;
    bool firstEncrypted = false;
    // Why the first member cannot be read whatever the password (a method
    // or a cipher this build does not read), as a line for the user.
    std::optional<QString> firstUnreadable;
};
std::optional<FileMembers> fileMembers(const FileName& archive);

} // namespace orv

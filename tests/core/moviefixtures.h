#pragma once

#include "codemodule.h"
#include "movie.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>
#include <vector>

// Small helpers to make test movies and archives on disk.
namespace fixtures {

// A plain movie: the header line and each frame line, CR LF after each.
QByteArray plainMovie(const QByteArray& header, const std::vector<QByteArray>& frames);

// A 60 × 15 movie of that many frames, each one tone and its number, which
// deflate shrinks well.
QByteArray textMovie(int frames);

// Every frame line of a loaded movie, in order.
QByteArrayList frames(const orv::Movie& p);

// Writes bytes to dir/name and answers the full path.
QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes);

// The same for a name given as the system's bytes (one that need not be
// UTF-8); answers the full path as bytes. QTemporaryDir cannot remove such a
// file: the caller does.
QByteArray writeByName(const QTemporaryDir& dir, const QByteArray& name, const QByteArray& bytes);

struct ZipEntry
{
    enum class Kind { File, Directory, Symlink, Pipe }; // Pipe: typed as `zip - -` types it
    QByteArray name;
    QByteArray data; // for a link, its target
    Kind kind = Kind::File;
    bool stored = false;        // no compression
    QByteArray password = {};   // encrypt with AES-256 when set
    std::optional<int> method = {}; // a libzip ZIP_CM_* method other than the default
};

// Writes a ZIP archive holding the entries, in order, and answers its path.
QString writeZip(const QTemporaryDir& dir, const QString& name, const std::vector<ZipEntry>& entries);

// One archive member written by hand, as tools other than libzip write them:
// `data` is stored as it is under the ZIP method number `method`, with the
// given general-purpose flags, uncompressed size and CRC.
struct RawMember
{
    int method;
    QByteArray data;
    quint32 size;
    quint32 crc;
    quint16 flags = 0;
};
QByteArray zipOfRawMember(const QByteArray& name, const RawMember& member);

// Rewrites the CRC and/or the uncompressed size of every member in both the
// local and the central headers of the archive at `path`, as a damaged or
// hostile archive would carry them.
void patchMemberHeaders(const QString& path, std::optional<quint32> crc, std::optional<quint32> size);

// Answers password prompts from a list, then with an empty answer; keeps
// count of the prompts and the last one's text.
struct ScriptedPasswords : orv::PasswordProvider
{
    QStringList answers;
    int asked = 0;
    QString lastPrompt;
    std::optional<QString> password(const QString& prompt, const QString&) override
    {
        ++asked;
        lastPrompt = prompt;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
};

} // namespace fixtures

#pragma once

#include <QString>
#include <optional>
#include <zip.h>

namespace orv {

// What an archive entry is, judged from its name and its stored attributes.
enum class EntryKind { File, Directory, Link, Other };

EntryKind entryKind(zip_t* za, zip_uint64_t index, const zip_stat_t& st);

inline bool isRegularFileEntry(zip_t* za, zip_uint64_t index, const zip_stat_t& st)
{
    return entryKind(za, index, st) == EntryKind::File;
}

// The entry's name as a relative path that stays inside the target folder:
// backslashes become slashes, "." parts are dropped. A name that is absolute,
// carries a drive letter, climbs with "..", or is empty gives std::nullopt.
std::optional<QString> safeRelativePath(const QString& entryName);

// Creates the folders of the relative path `rel` under `root`, one level at
// a time, and answers false at the first part already on disk that is a
// link or not a folder: a link planted there could lead anywhere. Nothing
// past that part is created.
bool makeFoldersInside(const QString& root, const QString& rel);

// Whether the file `path` still lies inside `root` once the links already on
// disk are followed, and is not itself a link: writing through a planted
// link would replace whatever it points at.
bool staysInside(const QString& root, const QString& path);

} // namespace orv

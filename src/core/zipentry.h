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

} // namespace orv

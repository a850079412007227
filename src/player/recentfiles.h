#pragma once

#include <QString>
#include <QStringList>

namespace orv::player {

// The recent-files list as the settings store keeps it: `NRecientes` entries
// in use, `MRecientes` of them shown, paths in Recientes1 (the newest),
// Recientes2, ... Entries pushed past the maximum stay stored but unseen.

// The menu caption of entry j: "&j path", or "&j ..." and the last 36
// characters when the path has 41 characters or more. Ampersands of the path
// are doubled so that they show instead of marking an access key.
QString recentCaption(int j, const QString& path);

// The stored path of entry j ("" when there is none).
QString recentPath(int j);

// The paths in use, newest first (NRecientes of them, at most 10).
QStringList recentPaths();

// Puts `path` at the top: the count grows by one up to the maximum, every
// stored entry moves one place down. A path already in the list is added
// again, as the list records openings, not files.
void saveRecent(const QString& path);

} // namespace orv::player

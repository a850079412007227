#pragma once

#include "filename.h"

namespace orv {

// The pieces of replacing a file only by a complete one: a scratch name
// beside it that no other process will pick, pushing a file's data to the
// disk, and putting the scratch file in the file's place in one step.

// A fresh scratch path in the folder of `target`: a hidden name that ends
// in ".orvtmp", never ".ovt", so a stray one is never taken for a movie. The
// name says which process owns it (its id and start time), so that one left
// by a killed process can be told from one still in use.
FileName scratchName(const FileName& target);

// Removes the scratch files in `folder` whose owner is no longer running
// (a kill or a power cut left them), with the archive library's own
// temporary files made from their names. Files of live processes stay.
void removeOrphans(const FileName& folder);

// Removes a file; false when it could not be.
bool removeFile(const FileName& name);

// Pushes the file's data to the disk; its name only matters once renamed.
bool flushToDisk(const FileName& name);

// Gives `replacement` the owner, group and permission bits of `original`,
// so that replacing a file never hands it to whoever replaced it. Where the
// system does not let the process give the owner (a user who is not root),
// the group is kept when the process may give it. False when `original`
// does not exist.
bool keepOwnerAndMode(const FileName& original, int replacementFd);
bool keepOwnerAndMode(const FileName& original, const FileName& replacement);

// Renames `from` over `to`, replacing it in one step, and makes the
// folder's new entry durable. On failure errno says why.
bool replaceFile(const FileName& from, const FileName& to);

} // namespace orv

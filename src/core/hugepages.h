#pragma once

#include <QtGlobal>

namespace orv {

// A buffer reserved at once for a whole movie is faulted in page by page as
// it fills; on Linux, asking for huge pages first makes that several times
// cheaper. Only for a buffer that will not move or shrink: on one that
// realloc moves as it grows, the advice costs time and memory instead.
// Elsewhere it does nothing.
void adviseHugePages(char* data, qint64 size);

// Makes the pages of a buffer about to be filled present in one call rather
// than one fault each (Linux 5.14 and later; elsewhere, or when refused,
// they fault in as usual).
void populatePages(char* data, qint64 size);

} // namespace orv

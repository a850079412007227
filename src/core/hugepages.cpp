#include "hugepages.h"

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace orv {

void adviseHugePages([[maybe_unused]] char* data, [[maybe_unused]] qint64 size)
{
#ifdef __linux__
    constexpr quintptr kHuge = 2 * 1024 * 1024;
    const quintptr begin = (reinterpret_cast<quintptr>(data) + kHuge - 1) & ~(kHuge - 1);
    const quintptr end =
        (reinterpret_cast<quintptr>(data) + static_cast<quintptr>(size)) & ~(kHuge - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

void populatePages([[maybe_unused]] char* data, [[maybe_unused]] qint64 size)
{
#ifdef __linux__
#ifndef MADV_POPULATE_WRITE
    constexpr int MADV_POPULATE_WRITE = 23;
#endif
    constexpr quintptr kPage = 4096;
    const quintptr begin = (reinterpret_cast<quintptr>(data) + kPage - 1) & ~(kPage - 1);
    const quintptr end = (reinterpret_cast<quintptr>(data) + static_cast<quintptr>(size)) & ~(kPage - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#endif
}

} // namespace orv

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

} // namespace orv

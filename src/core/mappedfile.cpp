#include "mappedfile.h"

#include <QFile>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace orv {
namespace {

#ifdef Q_OS_UNIX

// The mappings a SIGBUS may come from, for the handler to find without a
// lock: a slot is free while its start is 0.
constexpr int kSlots = 64;
std::atomic<std::uintptr_t> g_start[kSlots];
std::atomic<std::uintptr_t> g_end[kSlots];
std::uintptr_t g_page = 4096;
struct sigaction g_previous;

// A read past the end of a file cut short under its mapping: that page of
// the mapping becomes a page of zeros, and the read goes on from there.
// Anything else goes to the handler that was there before, or stops the
// process as it would have.
void onBusError(int signal, siginfo_t* info, void* context)
{
    const auto at = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (int i = 0; i < kSlots; ++i) {
        const std::uintptr_t start = g_start[i].load(std::memory_order_acquire);
        if (start != 0 && at >= start && at < g_end[i].load(std::memory_order_acquire)) {
            void* page = reinterpret_cast<void*>(at & ~(g_page - 1));
            if (::mmap(page, g_page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0)
                != MAP_FAILED)
                return;
        }
    }
    if ((g_previous.sa_flags & SA_SIGINFO) && g_previous.sa_sigaction) {
        g_previous.sa_sigaction(signal, info, context);
    } else if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN) {
        g_previous.sa_handler(signal);
    } else {
        ::signal(SIGBUS, SIG_DFL);
        ::raise(SIGBUS);
    }
}

bool guardInstalled()
{
    static const bool installed = [] {
        g_page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_sigaction = &onBusError;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        return ::sigaction(SIGBUS, &action, &g_previous) == 0;
    }();
    return installed;
}

// A slot is taken by setting its end, and seen by the handler once its
// start is set; it is given back in the reverse order.
int takeSlot(const char* data, qsizetype size)
{
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    for (int i = 0; i < kSlots; ++i) {
        std::uintptr_t expected = 0;
        if (g_end[i].compare_exchange_strong(expected, start + std::uintptr_t(size))) {
            g_start[i].store(start, std::memory_order_release);
            return i;
        }
    }
    return -1;
}

#endif

} // namespace

std::shared_ptr<const MappedFile> MappedFile::map(QFile& file)
{
#ifdef Q_OS_UNIX
    const qint64 size = file.size();
    if (size <= 0 || size > std::numeric_limits<qsizetype>::max() || file.handle() < 0 || !guardInstalled())
        return nullptr;
    // Read ahead at once, but for a file larger than any movie (a short one
    // followed by padding), whose pages are read only as far as needed.
    const int flags = MAP_PRIVATE | (size <= (qint64(1) << 30) ? MAP_POPULATE : 0);
    void* data = ::mmap(nullptr, size_t(size), PROT_READ, flags, file.handle(), 0);
    if (data == MAP_FAILED)
        return nullptr;
    const int slot = takeSlot(static_cast<const char*>(data), qsizetype(size));
    if (slot < 0) {
        ::munmap(data, size_t(size));
        return nullptr; // too many at once: read instead
    }
    return std::shared_ptr<const MappedFile>(
        new MappedFile(static_cast<const char*>(data), qsizetype(size), slot));
#else
    Q_UNUSED(file);
    return nullptr;
#endif
}

MappedFile::~MappedFile()
{
#ifdef Q_OS_UNIX
    g_start[m_slot].store(0, std::memory_order_release);
    ::munmap(const_cast<char*>(m_data), size_t(m_size));
    g_end[m_slot].store(0, std::memory_order_release);
#endif
}

qint64 MappedSource::read(char* into, qint64 max)
{
    const QByteArrayView all = m_file->bytes();
    const qint64 n = std::min<qint64>(max, all.size() - m_at);
    std::memcpy(into, all.data() + m_at, size_t(n));
    m_at += qsizetype(n);
    return n;
}

std::optional<QByteArray> MappedSource::whole(qint64 most)
{
    const QByteArrayView all = m_file->bytes();
    if (all.size() > most)
        return std::nullopt;
    m_at = all.size();
    return QByteArray::fromRawData(all.data(), all.size());
}

} // namespace orv

#include "interruption.h"

#include <atomic>
#include <csignal>

namespace orv::cli {
namespace {

#ifdef SIGHUP
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
#else
constexpr int kSignals[] = {SIGINT, SIGTERM};
#endif
constexpr int kCount = int(sizeof(kSignals) / sizeof(kSignals[0]));
std::atomic<int> g_signal{0};
#ifndef _WIN32
struct sigaction g_before[kCount];
#else
void (*g_before[kCount])(int);
#endif

extern "C" void onInterruptionSignal(int number)
{
    g_signal = number;
}

} // namespace

Interruption::Interruption()
{
    g_signal = 0;
    for (int i = 0; i < kCount; ++i) {
#ifndef _WIN32
        struct sigaction action {};
        action.sa_handler = onInterruptionSignal;
        sigaction(kSignals[i], &action, &g_before[i]);
#else
        g_before[i] = std::signal(kSignals[i], onInterruptionSignal);
#endif
    }
}

Interruption::~Interruption()
{
    for (int i = 0; i < kCount; ++i) {
#ifndef _WIN32
        sigaction(kSignals[i], &g_before[i], nullptr);
#else
        std::signal(kSignals[i], g_before[i]);
#endif
    }
}

bool Interruption::requested()
{
    return g_signal.load() != 0;
}

int Interruption::status()
{
    return 128 + g_signal.load();
}

} // namespace orv::cli

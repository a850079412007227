#pragma once

namespace orv::cli {

// While a verb writes a file: Ctrl+C (SIGINT), SIGTERM and SIGHUP ask the
// work to stop at its next step, so that it drops what it was writing and
// leaves nothing, instead of dying with a scratch file behind. Restores the
// handlers that were there when it goes.
class Interruption
{
public:
    Interruption();
    ~Interruption();
    Interruption(const Interruption&) = delete;
    Interruption& operator=(const Interruption&) = delete;

    // True once one of the signals came.
    static bool requested();
    // The exit status of a command the signal ended: 128 + its number (130
    // for Ctrl+C, 143 for SIGTERM, 129 for SIGHUP).
    static int status();
};

} // namespace orv::cli

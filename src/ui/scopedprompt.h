#pragma once

#include "prompt.h"

namespace orv::ui {

// Installs a prompt for the lifetime of this object and puts back whichever
// prompt was current before, so scopes nest and a failing test cannot leave
// its script behind for the next one.
class ScopedPrompt
{
public:
    explicit ScopedPrompt(Prompt& p);
    ~ScopedPrompt();

    ScopedPrompt(const ScopedPrompt&) = delete;
    ScopedPrompt& operator=(const ScopedPrompt&) = delete;

private:
    Prompt* m_previous;
};

} // namespace orv::ui

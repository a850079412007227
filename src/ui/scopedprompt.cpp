#include "scopedprompt.h"

namespace orv::ui {

ScopedPrompt::ScopedPrompt(Prompt& p) : m_previous(&prompt())
{
    setPrompt(&p);
}

ScopedPrompt::~ScopedPrompt()
{
    setPrompt(m_previous);
}

} // namespace orv::ui

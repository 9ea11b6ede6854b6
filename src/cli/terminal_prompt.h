#pragma once
#include "platform/prompt.h"

namespace korvo::cli {

// Messages go to stderr; questions are asked on the terminal, and answered "no" without one.
class TerminalPrompt : public Prompt {
public:
    void show(const char* text, const char* title, PromptIcon icon) override;
    int askYesNo(const char* text, const char* title, PromptIcon icon) override;
};

} // namespace korvo::cli

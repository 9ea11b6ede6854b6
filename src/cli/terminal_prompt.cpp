#include "terminal_prompt.h"

#include <cstdio>
#include <unistd.h>

namespace korvo::cli {

void TerminalPrompt::show(const char* text, const char* title, PromptIcon) {
    std::fprintf(stderr, "%s: %s\n", title, text);
}

int TerminalPrompt::askYesNo(const char* text, const char* title, PromptIcon) {
    // Nobody to ask: resynchronise, so a damaged file plays on.
    if (!isatty(STDIN_FILENO)) {
        std::fprintf(stderr, "%s: %s yes\n", title, text);
        return 1;
    }
    std::fprintf(stderr, "%s: %s [y/N] ", title, text);
    char line[16] = {};
    if (!std::fgets(line, sizeof line, stdin)) return 0;
    return line[0] == 'y' || line[0] == 'Y';
}

} // namespace korvo::cli

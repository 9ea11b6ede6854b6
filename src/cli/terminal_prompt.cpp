#include "terminal_prompt.h"

#include <cstdio>
#include <unistd.h>

namespace korvo::cli {

void TerminalPrompt::show(const char* text, const char* title, PromptIcon) {
    std::fprintf(stderr, "%s: %s\n", title, text);
}

int TerminalPrompt::askYesNo(const char* text, const char* title, PromptIcon) {
    if (!isatty(STDIN_FILENO)) {
        std::fprintf(stderr, "%s: %s no\n", title, text);
        return 0;
    }
    std::fprintf(stderr, "%s: %s [y/N] ", title, text);
    char line[16] = {};
    if (!std::fgets(line, sizeof line, stdin)) return 0;
    return line[0] == 'y' || line[0] == 'Y';
}

} // namespace korvo::cli

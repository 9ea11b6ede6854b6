#include <cstdio>
#include <cstring>
#include <vector>

#include "commands.h"
#include "terminal_prompt.h"

namespace korvo::cli {

static std::vector<Command>& commands() {
    static std::vector<Command> all;
    return all;
}

Registrar::Registrar(const Command& command) { commands().push_back(command); }

} // namespace korvo::cli

static void usage() {
    std::fprintf(stderr, "usage: korvo COMMAND ...\n");
    for (const auto& c : korvo::cli::commands()) std::fprintf(stderr, "  korvo %s\n", c.usage);
}

int main(int argc, char** argv) {
    static korvo::cli::TerminalPrompt terminal;
    korvo::setPrompt(&terminal);
    if (argc < 2 || !std::strcmp(argv[1], "help") || !std::strcmp(argv[1], "--help")) {
        usage();
        return argc < 2 ? 2 : 0;
    }
    for (const auto& c : korvo::cli::commands())
        if (!std::strcmp(c.name, argv[1])) return c.run(argc - 1, argv + 1);
    std::fprintf(stderr, "korvo: unknown command '%s'\n", argv[1]);
    usage();
    return 2;
}

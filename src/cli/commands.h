#pragma once
// korvo's subcommands register themselves here, one source file each.
#include "cli/cli_texts.h"

namespace korvo::cli {

struct Command {
    const char* name;
    const char* usage;      // one line shown by "korvo help"
    int (*run)(int argc, char** argv);   // argv[0] is the subcommand name
};

struct Registrar {
    explicit Registrar(const Command& command);
};

} // namespace korvo::cli

#pragma once
// korvo's subcommands register themselves here, one source file each. Each one declares its
// options on its own CLI11 subcommand (one line per option) and runs once they are parsed.
#include <CLI/CLI.hpp>

#include "cli/cli_texts.h"

namespace korvo::cli {

// Exit codes of every command.
enum ExitCode { kExitDone = 0, kExitFileFailed = 1, kExitUsage = 2 };

struct Command {
    const char* name;
    const char* summary;                // one line in "korvo --help"
    void (*define)(CLI::App& command);  // options and arguments, bound to the command's own job
    int (*run)();                       // after a successful parse; returns an ExitCode
};

struct Registrar {
    explicit Registrar(const Command& command);
};

} // namespace korvo::cli

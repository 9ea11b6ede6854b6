#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "commands.h"
#include "korvo_version.h"
#include "terminal_prompt.h"

namespace korvo::cli {

static std::vector<Command>& commands() {
    static std::vector<Command> all;
    return all;
}

Registrar::Registrar(const Command& command) { commands().push_back(command); }

} // namespace korvo::cli

namespace {

using namespace korvo::cli;

// CLI11 reports a parse that ends the program (help, version, a usage error) by throwing;
// this is the one place that catches it.
int parse(CLI::App& app, std::vector<std::string>& args) {
    try {
        app.parse(args);
        return -1;
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::string who = "korvo";
        for (const CLI::App* sub : app.get_subcommands()) who += " " + sub->get_name();
        std::fprintf(stderr, korvo::cli_texts::kUsageErrorFormat, who.c_str(), e.what(), who.c_str());
        return kExitUsage;
    }
}

} // namespace

int main(int argc, char** argv) {
    static korvo::cli::TerminalPrompt terminal;
    korvo::setPrompt(&terminal);

    CLI::App app(korvo::cli_texts::kDescription, "korvo");
    char version[64];
    std::snprintf(version, sizeof version, korvo::cli_texts::kVersionFormat, KORVO_VERSION);
    app.set_version_flag("--version", std::string(version));
    app.require_subcommand(1);
    app.footer(korvo::cli_texts::kExitCodes);
    std::vector<CLI::App*> subs;
    for (const Command& c : commands()) {
        CLI::App* sub = app.add_subcommand(c.name, c.summary);
        sub->footer(korvo::cli_texts::kExitCodes);
        c.define(*sub);
        subs.push_back(sub);
    }
    if (argc < 2) {
        std::fputs(app.help().c_str(), stderr);
        return kExitUsage;
    }
    bool known = argv[1][0] == '-' || std::strcmp(argv[1], "help") == 0;
    for (const Command& c : commands()) known = known || std::strcmp(argv[1], c.name) == 0;
    if (!known) {
        std::fprintf(stderr, korvo::cli_texts::kUnknownCommandFormat, argv[1]);
        return kExitUsage;
    }
    // "korvo help [COMMAND]" is "korvo [COMMAND] --help". CLI11 takes its arguments reversed.
    std::vector<std::string> args;
    args.push_back("--help");
    if (std::strcmp(argv[1], "help") == 0) {
        if (argc > 2) args.push_back(argv[2]);
    } else {
        args.clear();
        for (int i = argc - 1; i >= 1; --i) args.push_back(argv[i]);
    }
    int status = parse(app, args);
    if (status >= 0) return status;
    for (size_t i = 0; i < subs.size(); ++i)
        if (subs[i]->parsed()) return commands()[i].run();
    return kExitUsage;
}

// tavimet-cli ttab: not built yet.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "Commands.h"

namespace cli {

void RegisterTtab(CLI::App& app, int& status) {
    auto* cmd = app.add_subcommand("ttab", "(not available yet)");
    cmd->allow_extras();
    cmd->callback([&status] {
        std::fprintf(stderr, "tavimet-cli: ttab is not available yet\n");
        status = kExitFailed;
    });
}

} // namespace cli

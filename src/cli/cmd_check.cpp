// tavimet-cli check: not built yet.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "Commands.h"

namespace cli {

void RegisterCheck(CLI::App& app, int& status) {
    auto* cmd = app.add_subcommand("check", "(not available yet)");
    cmd->allow_extras();
    cmd->callback([&status] {
        std::fprintf(stderr, "tavimet-cli: check is not available yet\n");
        status = kExitFailed;
    });
}

} // namespace cli

// tavimet-cli demo: not built yet.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "Commands.h"

namespace cli {

void RegisterDemo(CLI::App& app, int& status) {
    auto* cmd = app.add_subcommand("demo", "(not available yet)");
    cmd->allow_extras();
    cmd->callback([&status] {
        std::fprintf(stderr, "tavimet-cli: demo is not available yet\n");
        status = kExitFailed;
    });
}

} // namespace cli

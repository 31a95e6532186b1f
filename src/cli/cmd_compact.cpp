// tavimet-cli compact: not built yet.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "Commands.h"

namespace cli {

void RegisterCompact(CLI::App& app, int& status) {
    auto* cmd = app.add_subcommand("compact", "(not available yet)");
    cmd->allow_extras();
    cmd->callback([&status] {
        std::fprintf(stderr, "tavimet-cli: compact is not available yet\n");
        status = kExitFailed;
    });
}

} // namespace cli

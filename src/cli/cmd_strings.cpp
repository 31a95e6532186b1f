// tavimet-cli strings: not built yet.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "Commands.h"

namespace cli {

void RegisterStrings(CLI::App& app, int& status) {
    auto* cmd = app.add_subcommand("strings", "(not available yet)");
    cmd->allow_extras();
    cmd->callback([&status] {
        std::fprintf(stderr, "tavimet-cli: strings is not available yet\n");
        status = kExitFailed;
    });
}

} // namespace cli

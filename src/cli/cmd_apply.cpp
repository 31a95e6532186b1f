// tavimet-cli apply: not built yet.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "Commands.h"

namespace cli {

void RegisterApply(CLI::App& app, int& status) {
    auto* cmd = app.add_subcommand("apply", "(not available yet)");
    cmd->allow_extras();
    cmd->callback([&status] {
        std::fprintf(stderr, "tavimet-cli: apply is not available yet\n");
        status = kExitFailed;
    });
}

} // namespace cli

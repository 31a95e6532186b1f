// tavimet-cli chunks: not built yet.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "Commands.h"

namespace cli {

void RegisterChunks(CLI::App& app, int& status) {
    auto* cmd = app.add_subcommand("chunks", "(not available yet)");
    cmd->allow_extras();
    cmd->callback([&status] {
        std::fprintf(stderr, "tavimet-cli: chunks is not available yet\n");
        status = kExitFailed;
    });
}

} // namespace cli

// tavimet-cli preview: not built yet.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "Commands.h"

namespace cli {

void RegisterPreview(CLI::App& app, int& status) {
    auto* cmd = app.add_subcommand("preview", "(not available yet)");
    cmd->allow_extras();
    cmd->callback([&status] {
        std::fprintf(stderr, "tavimet-cli: preview is not available yet\n");
        status = kExitFailed;
    });
}

} // namespace cli

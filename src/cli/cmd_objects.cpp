// tavimet-cli objects: not built yet.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "Commands.h"

namespace cli {

void RegisterObjects(CLI::App& app, int& status) {
    auto* cmd = app.add_subcommand("objects", "(not available yet)");
    cmd->allow_extras();
    cmd->callback([&status] {
        std::fprintf(stderr, "tavimet-cli: objects is not available yet\n");
        status = kExitFailed;
    });
}

} // namespace cli

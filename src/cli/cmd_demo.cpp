// tavimet-cli demo DIR: writes a sample object file, a behaviour file and a registry file.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <string>

#include "Commands.h"
#include "cli/sample/Sample.h"

namespace cli {

void RegisterDemo(CLI::App& app, int& status) {
    auto* cmd = app.add_subcommand(
        "demo", "write DIR/sample.iff, DIR/gamedata/behavior.iff and DIR/registry.ini");
    auto dir = std::make_shared<std::string>();
    cmd->add_option("DIR", *dir, "folder to write into (created when missing)")->required();
    cmd->callback([&status, dir] {
        std::string error;
        int32_t st = sample::WriteDemo(*dir, error);
        if (st != 0) {
            std::fprintf(stderr, "tavimet-cli: demo: %s\n", error.c_str());
            status = kExitFailed;
            return;
        }
        std::printf("wrote %s/sample.iff, %s/gamedata/behavior.iff, %s/registry.ini\n",
                    dir->c_str(), dir->c_str(), dir->c_str());
        std::printf("open it with: TAVIMET_REGISTRY=%s/registry.ini tavimet %s/sample.iff\n",
                    dir->c_str(), dir->c_str());
        status = kExitOk;
    });
}

} // namespace cli

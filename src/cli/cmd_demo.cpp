// tavimet-cli demo DIR [--force]: writes a sample object file, a behaviour file and a registry
// file. Files already there are not overwritten without --force, and DIR must name a folder.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "sample/Sample.h"

namespace cli {

namespace {

struct DemoOptions {
    std::string dir;
    bool force = false;
};

int RunDemo(const DemoOptions& o) {
    if (o.dir.empty()) {
        // An empty name would put the files into the root of the file system.
        std::fprintf(stderr, "tavimet-cli: demo: DIR is empty; name the folder to write into\n");
        return kExitUsage;
    }
    if (!o.force) {
        namespace fs = std::filesystem;
        std::vector<std::string> there;
        for (const char* name : {"sample.iff", "gamedata/behavior.iff", "registry.ini"}) {
            std::error_code ec;
            const fs::path p = fs::path(o.dir) / name;
            if (fs::exists(fs::symlink_status(p, ec))) // a dangling link counts too
                there.push_back(p.string());
        }
        if (!there.empty()) {
            std::string list;
            for (const std::string& p : there)
                list += (list.empty() ? "" : ", ") + p;
            std::fprintf(stderr,
                         "tavimet-cli: demo: %s already exist%s; nothing was written (give --force "
                         "to overwrite)\n",
                         list.c_str(), there.size() == 1 ? "s" : "");
            return kExitUsage;
        }
    }
    std::string error;
    if (sample::WriteDemo(o.dir, error) != 0) {
        std::fprintf(stderr, "tavimet-cli: demo: %s\n", error.c_str());
        return kExitFailed;
    }
    const char* d = o.dir.c_str();
    std::printf("wrote %s/sample.iff, %s/gamedata/behavior.iff, %s/registry.ini\n", d, d, d);
    std::printf("open it with: TAVIMET_REGISTRY=%s/registry.ini tavimet %s/sample.iff\n", d, d);
    return kExitOk;
}

} // namespace

void RegisterDemo(CLI::App& app, int& status) {
    auto* cmd = app.add_subcommand(
        "demo", "write DIR/sample.iff, DIR/gamedata/behavior.iff and DIR/registry.ini");
    auto options = std::make_shared<DemoOptions>();
    cmd->add_option("DIR", options->dir, "folder to write into (created when missing)")->required();
    cmd->add_flag("--force", options->force, "overwrite sample files already in DIR");
    cmd->callback([&status, options] { status = RunDemo(*options); });
}

} // namespace cli

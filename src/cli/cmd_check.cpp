// tavimet-cli check PATH: scans every chunk header and reports what is wrong; never writes.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

#include "Commands.h"
#include "resource/IffCheck.h"

namespace cli {

void RegisterCheck(CLI::App& app, int& status) {
    auto* cmd = app.add_subcommand("check", "Check the chunk structure of an IFF file");
    static std::string path;
    cmd->add_option("PATH", path, "IFF file")->required();
    cmd->callback([&status] {
        IffCheckReport report;
        const bool clean = CheckIffFile(path.c_str(), report);
        std::printf("%s: ", path.c_str());
        if (report.version == 0)
            std::printf("not an IFF resource file\n");
        else
            std::printf("IFF %d.%d, %d bytes, %d chunks, %d free chunks (%lld bytes)",
                        report.version >> 8, report.version & 0xFF, report.length, report.chunks,
                        report.freeChunks, static_cast<long long>(report.freeBytes));
        if (report.version == 0x205) {
            if (report.mapOffset == 0)
                std::printf(", no resource map");
            else if (report.mapEntries >= 0)
                std::printf(", resource map at %d with %d entries", report.mapOffset,
                            report.mapEntries);
        }
        if (report.version) std::printf("\n");
        for (const std::string& p : report.problems)
            std::printf("  problem: %s\n", p.c_str());
        std::printf("%s\n", clean ? "OK" : "PROBLEMS FOUND");
        status = clean ? kExitOk : kExitFailed;
    });
}

} // namespace cli

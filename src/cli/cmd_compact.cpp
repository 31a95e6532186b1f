// tavimet-cli compact PATH: moves every chunk down over the free space now and, for 2.x files,
// writes a fresh resource map.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <string>

#include "Commands.h"
#include "fileio/FileObject.h"
#include "resource/IffFileV1.h"
#include "resource/IffFileV2.h"

namespace cli {

namespace {

int32_t FileLength(const std::string& path) {
    std::unique_ptr<CFileObject> file = OpenFileObject(path.c_str(), false);
    return file ? file->Length() : -1;
}

// Opens with the kind given, compacts and closes. Returns the open status (nonzero: kind did
// not take the file) and the compaction result in result.
template <class Kind> int32_t CompactAs(const std::string& path, int32_t& result) {
    Kind file;
    const int32_t open = file.Open(path.c_str());
    if (open) return open;
    result = file.IsWritable() ? file.Compact() : kResErrNotWritable;
    const int32_t closed = file.Close();
    if (!result) result = closed;
    return kResOk;
}

} // namespace

void RegisterCompact(CLI::App& app, int& status) {
    auto* cmd = app.add_subcommand("compact", "Compact an IFF file now, whatever its free space");
    static std::string path;
    cmd->add_option("PATH", path, "IFF file")->required();
    cmd->callback([&status] {
        const int32_t before = FileLength(path);
        int32_t result = kResOk;
        int32_t open = CompactAs<CIffFileV2>(path, result);
        if (open) open = CompactAs<CIffFileV1>(path, result);
        if (open) {
            std::fprintf(stderr, "tavimet-cli: cannot open %s (status %d)\n", path.c_str(), open);
            status = kExitFailed;
            return;
        }
        if (result) {
            std::fprintf(stderr, "tavimet-cli: compacting %s failed (status %d)\n", path.c_str(),
                         result);
            status = kExitFailed;
            return;
        }
        std::printf("%s: %d bytes before, %d bytes after\n", path.c_str(), before,
                    FileLength(path));
        status = kExitOk;
    });
}

} // namespace cli

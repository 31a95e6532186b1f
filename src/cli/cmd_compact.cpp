// tavimet-cli compact PATH: moves every chunk down over the free space now and, for 2.x files,
// writes a fresh resource map. PATH is opened by name as ttab opens it (an object split into
// PATH.iff and PATH.spf compacts both), and IFF 1.0 files open too.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Commands.h"
#include "Failures.h"
#include "ModelCommon.h"
#include "model/StatusText.h"
#include "platform/PlatformFiles.h"
#include "resource/IffFileV1.h"
#include "resource/IffFileV2.h"
#include "resource/ResourceKinds.h"

namespace cli {

namespace {

// Without opening the file (which our own open handle would refuse); -1 when unknown.
long long FileLength(const std::string& path) {
    return static_cast<long long>(LookAtPath(path.c_str()).size);
}

int RunCompact(const std::string& path) {
    auto file = std::make_unique<CSplitResourceFile>();
    ClearPlatformFailure();
    if (int32_t e = file->Open(path.c_str())) {
        PrintOpenFailure(path, e, NotedBreak(file.get()), true);
        return kExitFailed;
    }
    std::vector<std::pair<std::string, long long>> sizes; // file, length before
    std::string failedFile, failure;
    int32_t failed = kResOk;
    bool notWritable = false;
    std::optional<ChainBreak> noted;
    for (int i = 0; i < file->MemberCount() && !failed && !notWritable; ++i) {
        CResourceFile* member = file->Member(i);
        failedFile = MemberPath(*member, path);
        auto* v2 = dynamic_cast<CIffFileV2*>(member);
        auto* v1 = dynamic_cast<CIffFileV1*>(member);
        if (!v2 && !v1) {
            failed = kResErrUnsupported; // a resource directory: nothing to compact
            ClearPlatformFailure();
            failure = StatusText(failed);
            break;
        }
        if (!member->IsWritable()) {
            notWritable = true;
            break;
        }
        sizes.emplace_back(failedFile, FileLength(failedFile));
        ClearPlatformFailure();
        failed = v2 ? v2->Compact() : v1->Compact();
        if (failed == kResErrDamaged) noted = NotedBreak(member);
        if (failed) failure = StatusText(failed);
    }
    ClearPlatformFailure();
    const int32_t closed = file->Close();
    const std::string closeFailure = StatusText(closed);
    file.reset();

    if (notWritable) {
        std::fprintf(stderr, "tavimet-cli: cannot open %s for writing: %s; nothing was written\n",
                     failedFile.c_str(), DescribeNotWritable(failedFile).c_str());
        return kExitFailed;
    }
    if (failed == kResErrDamaged || (!failed && closed == kResErrDamaged)) {
        PrintDamaged(FindDamage(noted, path), path);
        return kExitFailed;
    }
    if (failed) {
        std::fprintf(stderr, "tavimet-cli: compacting %s failed: %s\n", failedFile.c_str(),
                     failure.c_str());
        return kExitFailed;
    }
    if (closed) {
        std::fprintf(stderr, "tavimet-cli: closing %s failed: %s\n", path.c_str(),
                     closeFailure.c_str());
        return kExitFailed;
    }
    for (const auto& [name, before] : sizes)
        std::printf("%s: %lld bytes before, %lld bytes after\n", name.c_str(), before,
                    FileLength(name));
    return kExitOk;
}

} // namespace

void RegisterCompact(CLI::App& app, int& status) {
    auto* cmd = app.add_subcommand("compact", "Compact an IFF file now, whatever its free space");
    auto path = std::make_shared<std::string>();
    cmd->add_option("PATH", *path, "IFF file, or an object by name (PATH.iff and PATH.spf)")
        ->required();
    cmd->callback([&status, path] { status = RunCompact(*path); });
}

} // namespace cli

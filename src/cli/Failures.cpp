#include "Failures.h"

#include "Output.h"

#include <cstdio>

#include "common/BoundedString.h"
#include "model/StatusText.h"
#include "platform/PlatformFiles.h"
#include "resource/IffCheck.h"
#include "resource/IffFileV1.h"
#include "resource/IffFileV2.h"
#include "resource/ResourceKinds.h"
#include "resource/ResourceSet.h"

namespace cli {

namespace {

// 1: a regular file (or anything but a directory), 2: a directory, 0: nothing there.
int WhatIsAt(const std::string& path) {
    switch (LookAtPath(path.c_str()).kind) {
    case PathKind::Nothing:
        return 0;
    case PathKind::Folder:
        return 2;
    case PathKind::File:
        break;
    }
    return 1;
}

std::string WithStatus(const std::string& cause, int32_t status) {
    return cause + " (status " + std::to_string(status) + ")";
}

} // namespace

std::vector<std::string> ExistingObjectFiles(const std::string& path) {
    std::vector<std::string> files;
    for (const char* ext : {".iff", ".spf"}) {
        const std::optional<std::string> resolved = ResolvePathForRow(path.c_str(), ext);
        if (resolved && WhatIsAt(*resolved) != 0) files.push_back(*resolved);
    }
    return files;
}

std::string MemberPath(CResourceFile& member, const std::string& path) {
    CFixedString<260> held;
    member.GetFileName(held);
    std::string name = held.Text();
    for (char& c : name)
        if (c == '\\') c = '/';
    std::vector<std::string> candidates = ExistingObjectFiles(path);
    candidates.push_back(path);
    for (const std::string& candidate : candidates) {
        std::string slashed = candidate;
        for (char& c : slashed)
            if (c == '\\') c = '/';
        if (EqualsIgnoringAsciiCase(slashed.c_str(), name.c_str())) return candidate;
    }
    return name;
}

std::string DescribeOpenFailure(const std::string& path, int32_t status, bool anyVersion) {
    for (const std::string& file : ExistingObjectFiles(path)) {
        ClearPlatformFailure();
        int32_t e;
        {
            CIffFileV2 v2;
            e = v2.OpenReadOnly(file.c_str());
        }
        if (e == kResErrBadHeader && anyVersion) {
            ClearPlatformFailure();
            CIffFileV1 v1;
            e = v1.OpenReadOnly(file.c_str());
        }
        if (e != kResOk) return file + ": " + StatusText(e);
    }
    // No file of the path failed on its own: say what the path is not.
    const std::optional<std::string> dir = ResolvePathForRow(path.c_str(), ".dir");
    if (ExistingObjectFiles(path).empty() && !(dir && WhatIsAt(*dir) == 2)) {
        NotePlatformFailure(WhatIsAt(path) == 2 ? PlatformFailure::IsDirectory
                                                : PlatformFailure::NotFound);
        // The platform's words for the path; the status stays the one the open returned.
        return path + ": " + WithStatus(StatusCause(kResErrCannotOpen), status);
    }
    return path + ": " + StatusText(status);
}

std::string DescribeNotWritable(const std::string& file) {
    ClearPlatformFailure();
    IPlatformFiles& files = PlatformFiles();
    const PlatformFile probe =
        files.Open(file.c_str(), PlatformAccess::ReadWrite, PlatformOpen::Existing, {});
    if (probe != kNoPlatformFile) files.Close(probe);
    return StatusText(kResErrNotWritable);
}

std::optional<ChainBreak> NotedBreak(const CResourceFile* file) {
    if (!file) return std::nullopt;
    if (file->BrokenChain().offset >= 0) return file->BrokenChain();
    if (const auto* set = dynamic_cast<const CResourceSet*>(file)) {
        for (int i = 0; i < set->MemberCount(); ++i)
            if (const std::optional<ChainBreak> at = NotedBreak(set->Member(i))) return at;
    }
    return std::nullopt;
}

std::optional<ChainBreak> FindDamage(const std::optional<ChainBreak>& noted,
                                     const std::string& path) {
    if (noted && noted->offset >= 0) return noted;
    std::vector<std::string> files = ExistingObjectFiles(path);
    if (files.empty()) files.push_back(path);
    for (const std::string& file : files) {
        IffCheckReport report;
        CheckIffFile(file.c_str(), report);
        if (report.chainBreak >= 0 && !report.interruptedTail)
            return ChainBreak{file, report.chainBreak};
    }
    return std::nullopt;
}

void PrintDamaged(const std::optional<ChainBreak>& at, const std::string& path) {
    const ChainBreak known = at ? *at : ChainBreak{};
    Err("tavimet-cli: %s: %s\n",
        known.path.empty() || known.offset < 0 ? path.c_str() : known.path.c_str(),
        DamagedFileText(known).c_str());
}

} // namespace cli

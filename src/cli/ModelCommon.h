// What the objects, ttab, strings and apply commands share: opening an object file as the editor
// opens it, picking the master definition, and reading --type and --language.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "Failures.h"
#include "Output.h"
#include "model/ObjectDefinitions.h"
#include "model/StringTable.h"
#include "platform/PlatformFiles.h"
#include "resource/ResourceKinds.h"

namespace cli {

// The object file as the editor opens it (2.x ".iff", 2.x ".spf", ".dir"), read-only on request.
// On failure, noted receives where a damaged file's chain breaks (when the open says so).
inline int32_t OpenObjectFile(const std::string& path, bool readOnly,
                              std::unique_ptr<CResourceFile>& out,
                              std::optional<ChainBreak>* noted = nullptr) {
    auto file = std::make_unique<CObjectResourceFile>();
    file->SetReadOnlyOpen(readOnly);
    ClearPlatformFailure();
    const int32_t status = file->Open(path.c_str());
    if (status == 0)
        out = std::move(file);
    else if (noted)
        *noted = NotedBreak(file.get());
    return status;
}

// Any resource file (also version 1.0 ones, such as the behaviour file), read-only.
inline int32_t OpenAnyFileReadOnly(const std::string& path, std::unique_ptr<CResourceFile>& out) {
    auto file = std::make_unique<CSplitResourceFile>();
    ClearPlatformFailure();
    const int32_t status = file->OpenReadOnly(path.c_str());
    if (status == 0) out = std::move(file);
    return status;
}

// Prints why opening path failed: "the file is damaged at offset N; ..." for a damaged file,
// else "cannot open FILE: CAUSE (status N)".
inline void PrintOpenFailure(const std::string& path, int32_t status,
                             const std::optional<ChainBreak>& noted, bool anyVersion = false) {
    if (status == kResErrDamaged) {
        PrintDamaged(FindDamage(noted, path), path);
        return;
    }
    Err("tavimet-cli: cannot open %s\n", DescribeOpenFailure(path, status, anyVersion).c_str());
}

// Opens the object file and reads its definitions; prints the failure and returns false.
// warnDamage: say so when the file opened read-only is damaged. failed receives the status of a
// failed open.
inline bool LoadObjectSet(const std::string& path, bool readOnly, CObjectSet& set,
                          bool warnDamage = true, int32_t* failed = nullptr) {
    std::unique_ptr<CResourceFile> file;
    std::optional<ChainBreak> noted;
    if (int32_t e = OpenObjectFile(path, readOnly, file, &noted)) {
        PrintOpenFailure(path, e, noted);
        if (failed) *failed = e;
        return false;
    }
    // Read-only opens of a damaged file work; what lies behind the break is out of sight.
    const std::optional<ChainBreak> at = warnDamage ? NotedBreak(file.get()) : std::nullopt;
    if (at)
        Err("tavimet-cli: warning: %s is damaged at offset %d; what lies behind that is "
            "not read (see tavimet-cli check)\n",
            at->path.empty() ? path.c_str() : at->path.c_str(), at->offset);
    set.SetResourceFile(std::move(file));
    set.LoadDefinitions();
    return true;
}

// The first master, or the master whose OBJD id is objectId (when given); prints the failure.
inline const CObjectDefinition* PickMaster(const CObjectSet& set, const int32_t* objectId) {
    if (set.Masters().empty()) {
        Err("tavimet-cli: Invalid Object File\n");
        return nullptr;
    }
    if (!objectId) return set.Masters().front();
    for (const CObjectDefinition* m : set.Masters())
        if (m->Id() == *objectId) return m;
    Err("tavimet-cli: no master object definition with id %d\n", *objectId);
    return nullptr;
}

// "STR#" style four characters, or 0x and eight hex digits.
inline bool ParseTypeCode(const std::string& text, uint32_t& type) {
    if (text.size() == 4) {
        type = 0;
        for (char c : text)
            type = (type << 8) | uint8_t(c);
        return true;
    }
    if (text.size() == 10 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        type = 0;
        for (size_t i = 2; i < text.size(); ++i) {
            const char c = text[i];
            uint32_t digit;
            if (c >= '0' && c <= '9')
                digit = uint32_t(c - '0');
            else if (c >= 'a' && c <= 'f')
                digit = uint32_t(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                digit = uint32_t(c - 'A' + 10);
            else
                return false;
            type = (type << 4) | digit;
        }
        return true;
    }
    return false;
}

// Four printable characters as themselves, any other code as 0x and eight hex digits.
inline std::string TypeCodeString(uint32_t type) {
    std::string s;
    for (int i = 0; i < 4; ++i) {
        const char c = char((type >> (24 - 8 * i)) & 0xFF);
        if (c < 0x20 || c > 0x7E) {
            char hex[11];
            std::snprintf(hex, sizeof hex, "0x%08X", type);
            return hex;
        }
        s.push_back(c);
    }
    return s;
}

} // namespace cli

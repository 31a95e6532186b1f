#include "resource/ResourceKinds.h"

#include "common/AsciiCase.h"
#include <string_view>

#include "common/BoundedString.h"
#include "fileio/FileObject.h" // the IFF kinds hold file objects
#include "resource/DirResourceFile.h"
#include "resource/IffFileV1.h"
#include "resource/IffFileV2.h"
#include "resource/IffFormat.h"

namespace {

bool EndsWithNoCase(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && EqualsNoCase(s.substr(s.size() - tail.size()), tail);
}

constexpr uint32_t kSpriteTypes[] = {MakeTypeCode("SPR#"), MakeTypeCode("DGRP"),
                                     MakeTypeCode("PALT"), MakeTypeCode("BMP_"),
                                     MakeTypeCode("SPR2")};

} // namespace

std::unique_ptr<CResourceFile> MakeResourceFileOfKind(int kind) {
    switch (kind) {
    case kKindIffV1:
        return std::make_unique<CIffFileV1>();
    case kKindIffV2:
        return std::make_unique<CIffFileV2>();
    case kKindDirectory:
        return std::make_unique<CDirResourceFile>();
    default:
        return nullptr;
    }
}

std::optional<std::string> ResolvePathForRow(const char* path, const char* ext) {
    const std::string_view rowExt = ext ? ext : "";
    if (rowExt.size() < 2 || rowExt[0] != '.') return std::nullopt;
    const std::string_view p = path ? path : "";
    const std::size_t sep = p.find_last_of("\\/");
    const std::size_t baseStart = sep == std::string_view::npos ? 0 : sep + 1;
    const std::size_t dot = p.rfind('.');
    if (dot != std::string_view::npos && dot >= baseStart) {
        if (!EqualsNoCase(p.substr(dot), rowExt)) return std::nullopt;
        return std::string(p);
    }
    if (baseStart >= p.size()) return std::nullopt;
    return std::string(p) + std::string(rowExt);
}

CMultiFormatFile::~CMultiFormatFile() {
    // A destructor has no one to tell; callers that care close first.
    (void)CMultiFormatFile::Close();
}

bool CMultiFormatFile::AddRow(int kind, const char* ext) {
    if (kind < kKindIffV1 || kind > kKindDirectory || !ext) return false;
    const std::string_view e(ext);
    if (e.size() > 7 || RowCount() >= kMaxRows) return false;
    m_rows.push_back(Row{kind, std::string(e)});
    return true;
}

int32_t CMultiFormatFile::Open(const char* path) {
    // Opening anew lets go of whatever was open; that close's status belongs to the earlier file.
    (void)CMultiFormatFile::Close();
    SetBrokenChain({});
    int32_t error = kResErrNoKindMatched;
    bool damaged = false;
    for (const Row& row : m_rows) {
        std::unique_ptr<CResourceFile> file = MakeFile(row.kind);
        if (!file) continue;
        const std::optional<std::string> resolved = ResolvePathForRow(path, row.ext.c_str());
        if (!resolved) continue; // -250 stays only when no row takes the path
        file->SetReadOnlyOpen(ReadOnlyOpen());
        const int32_t e = file->Open(resolved->c_str());
        if (e == kResOk) {
            AddMember(std::move(file));
        } else if (e == kResErrDamaged && !damaged) {
            damaged = true;
            SetBrokenChain(file->BrokenChain());
        } else if (!damaged) {
            error = e;
        }
    }
    // Writing the other files of an object while one of them is damaged would put new chunks
    // where they do not belong: the whole set is refused for writing.
    if (damaged) {
        // The damage is what the caller needs to hear.
        (void)CMultiFormatFile::Close();
        return kResErrDamaged;
    }
    return MemberCount() > 0 ? kResOk : error;
}

int32_t CMultiFormatFile::Create(const char* path) {
    // Making files under an open set would put them beside members it may still write.
    if (IsOpen()) return kResErrAlreadyOpen;
    int32_t error = kResErrNoKindMatched;
    std::vector<std::string> created;
    for (const Row& row : m_rows) {
        bool done = false;
        for (const std::string& ext : created)
            done = done || EqualsNoCase(ext, row.ext);
        if (done) continue;
        std::unique_ptr<CResourceFile> file = MakeFile(row.kind);
        if (!file) continue;
        const std::optional<std::string> resolved = ResolvePathForRow(path, row.ext.c_str());
        if (!resolved) continue; // -250 stays only when no row takes the path
        const int32_t e = file->Create(resolved->c_str());
        if (e == kResErrFileExists) return kResErrFileExists;
        if (e == kResOk)
            created.push_back(row.ext);
        else if (e != kResErrUnsupported) // a read-only kind made no attempt
            error = e;
    }
    return created.empty() ? error : kResOk;
}

int32_t CMultiFormatFile::Delete(const char* path) {
    if (IsOpen()) return kResErrAlreadyOpen;
    int32_t error = kResErrNoKindMatched;
    bool deleted = false;
    for (const Row& row : m_rows) {
        std::unique_ptr<CResourceFile> file = MakeFile(row.kind);
        if (!file) continue;
        const std::optional<std::string> resolved = ResolvePathForRow(path, row.ext.c_str());
        if (!resolved) continue; // -250 stays only when no row takes the path
        const int32_t e = file->Delete(resolved->c_str());
        if (e == kResErrNoWritableMember || e == kResErrNotWritable) return e;
        if (e == kResOk)
            deleted = true;
        else if (e != kResErrUnsupported)
            error = e;
    }
    return deleted ? kResOk : error;
}

int32_t CMultiFormatFile::Close() {
    const int32_t result = CResourceSet::Close();
    DestroyMembers();
    return result;
}

int32_t CMultiFormatFile::GetFileName(CBoundedString& out) {
    out.Clear();
    if (MemberCount() == 0) return kResErrNotOpen;
    char buffer[512];
    CBoundedString name(buffer, sizeof buffer);
    if (int32_t e = Member(0)->GetFileName(name)) return e;
    std::string_view text(name.Text());
    const std::size_t sep = text.find_last_of("\\/");
    const std::size_t dot = text.rfind('.');
    if (dot != std::string_view::npos && (sep == std::string_view::npos || dot > sep))
        text = text.substr(0, dot);
    out.Append(std::string(text).c_str());
    return kResOk;
}

CSplitResourceFile::CSplitResourceFile() {
    AddRow(kKindIffV2, ".iff");
    AddRow(kKindIffV2, ".spf");
    AddRow(kKindIffV1, ".iff");
    AddRow(kKindIffV1, ".spf");
    AddRow(kKindDirectory, ".dir");
}

int32_t CSplitResourceFile::Open(const char* path) {
    const int32_t result = CMultiFormatFile::Open(path);
    if (result != kResOk) return result;
    int iffMember = -1, spfMember = -1;
    for (int i = 0; i < MemberCount(); ++i) {
        char buffer[512];
        CBoundedString name(buffer, sizeof buffer);
        if (Member(i)->GetFileName(name) != kResOk) continue;
        if (iffMember < 0 && EndsWithNoCase(name.Text(), ".iff")) iffMember = i;
        if (spfMember < 0 && EndsWithNoCase(name.Text(), ".spf")) spfMember = i;
    }
    if (iffMember >= 0 && spfMember >= 0) {
        for (uint32_t type : kSpriteTypes) {
            ExcludeType(iffMember, type);
            IncludeType(spfMember, type);
        }
    }
    return result;
}

CObjectResourceFile::CObjectResourceFile() : CSplitResourceFile(NoRows{}) {
    AddRow(kKindIffV2, ".iff");
    AddRow(kKindIffV2, ".spf");
    AddRow(kKindDirectory, ".dir");
}

// Opening resource files by name. A path with or without extension is tried against a table of
// (kind, extension) rows; every row that opens becomes a member of one resource set.
//
//   CObjectResourceFile file;               // object files: 2.x ".iff", 2.x ".spf", ".dir"
//   if (file.Open("objects/chair") == 0) ... // or "objects/chair.iff": only the ".iff" rows
//
// Kinds: 1 = IFF 1.0, 2 = IFF 2.x (2.0 read, 2.5 created), 3 = resource directory (read-only).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "resource/ResourceSet.h"

enum ResourceKind : int {
    kKindIffV1 = 1,
    kKindIffV2 = 2,
    kKindDirectory = 3,
};

// A new, closed resource file of a kind; nullptr for any other number.
std::unique_ptr<CResourceFile> MakeResourceFileOfKind(int kind);

// The path to use for a row with extension ext, or nothing when the row does not take the path:
// a path with an extension must carry ext (ignoring ASCII case); one without gets ext appended.
std::optional<std::string> ResolvePathForRow(const char* path, const char* ext);

class CMultiFormatFile : public CResourceSet {
public:
    static constexpr int kMaxRows = 8;

    CMultiFormatFile() = default;
    ~CMultiFormatFile() override;

    // Appends a row; false for a kind outside 1..3, an extension longer than 7 characters, or a
    // full table.
    bool AddRow(int kind, const char* ext);
    void ClearRows() { m_rows.clear(); }
    int RowCount() const { return static_cast<int>(m_rows.size()); }

    // Closes and drops the members, then opens every row that takes the path. 0 when any opened,
    // else the last error (-250 when no row took the path). Read-only opening passes on.
    [[nodiscard]] int32_t Open(const char* path) override;
    // Creates one file per extension (the first row of each); -43 at once when one exists.
    // Does not open. -47 while this object is open.
    [[nodiscard]] int32_t Create(const char* path) override;
    // Deletes the file of every row; 0 when any was deleted. -47 while this object is open.
    [[nodiscard]] int32_t Delete(const char* path) override;
    // Closes and drops every member.
    [[nodiscard]] int32_t Close() override;
    // The first member's path without its extension.
    int32_t GetFileName(CBoundedString& out) override;

protected:
    // The file for a row; tests may substitute their own kinds.
    virtual std::unique_ptr<CResourceFile> MakeFile(int kind) {
        return MakeResourceFileOfKind(kind);
    }

private:
    struct Row {
        int kind;
        std::string ext;
    };
    std::vector<Row> m_rows;
};

// Rows (2, ".iff"), (2, ".spf"), (1, ".iff"), (1, ".spf"), (3, ".dir"). When both an ".iff" and
// an ".spf" member open, new sprite chunks (SPR#, DGRP, PALT, BMP_, SPR2) go to the ".spf" file
// and every other new chunk to the ".iff" file. Lookups still ask every member.
class CSplitResourceFile : public CMultiFormatFile {
public:
    CSplitResourceFile();
    [[nodiscard]] int32_t Open(const char* path) override;

protected:
    // For derived kinds with their own rows.
    struct NoRows {};
    explicit CSplitResourceFile(NoRows) {}
};

// Object files: rows (2, ".iff"), (2, ".spf"), (3, ".dir"); version 1.0 files are not opened.
class CObjectResourceFile : public CSplitResourceFile {
public:
    CObjectResourceFile();
};

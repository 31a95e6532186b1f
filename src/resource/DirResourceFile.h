// Read-only resource file over a resource directory (a ".dir" path naming one or more
// directories separated by ';'), where every chunk is a file of its own.
#pragma once

#include <vector>

#include "common/TGString.h"
#include "dirsearch/DirectoryLookup.h"
#include "resource/ResourceFile.h"

class CDirResourceFile : public CResourceFile {
public:
    CDirResourceFile() = default;
    ~CDirResourceFile() override;

    // Every change fails with -95.
    [[nodiscard]] int32_t Create(const char* path) override;
    [[nodiscard]] int32_t Delete(const char* path) override;
    // -47 when already open, or when the directories do not all exist (or none is named).
    [[nodiscard]] int32_t Open(const char* path) override;
    [[nodiscard]] int32_t Suspend() override;
    [[nodiscard]] int32_t Resume() override;
    // Frees the handles still attached and forgets the directories.
    [[nodiscard]] int32_t Close() override;
    [[nodiscard]] int32_t Flush() override;
    bool IsWritable() override { return false; }
    // The path as opened, A-Z lowered and '/' turned into '\'.
    int32_t GetFileName(CBoundedString& out) override;
    bool IsOpen() override { return m_open; }
    // Types from the extensions of the files (first three letters, left-aligned).
    int16_t CountTypes() override;
    uint32_t GetTypeAt(int32_t index) override;
    // Counts the files of the type whose names carry a 16-bit id; GetChunkAt walks them by id.
    int16_t CountChunks(uint32_t type) override;
    CChunk* GetChunk(uint32_t type, int16_t id, ByteOrderRoutine routine = nullptr) override;
    CChunk* GetChunkByLabel(uint32_t type, const CBoundedString& label,
                            ByteOrderRoutine routine = nullptr) override;
    CChunk* GetChunkAt(uint32_t type, int32_t index, ByteOrderRoutine routine = nullptr) override;
    int32_t DescribeChunkAt(uint32_t type, int32_t index, ChunkFacts& facts) override;
    // Only variant 0 exists (-91 otherwise).
    CChunk* GetChunkVariant(uint32_t type, int16_t id, int32_t variant,
                            ByteOrderRoutine routine = nullptr) override;
    int32_t GetLabel(CChunk* chunk, CBoundedString& out) override;
    uint32_t GetType(CChunk* chunk) override;
    // A chunk found by label in a file without an id reports id 0.
    int32_t GetId(CChunk* chunk, int16_t& id) override;
    int32_t Reserved22(CChunk* chunk, uint16_t& out) override;
    int32_t GetVariant(CChunk* chunk) override;
    [[nodiscard]] int32_t MakeLabelUnique(uint32_t type, CBoundedString& label) override;
    int16_t NextFreeId(uint32_t type) override;
    // Forgets the handle; the caller frees it.
    [[nodiscard]] int32_t Release(CChunk* chunk) override;
    int32_t Reserved27(CChunk* chunk) override;
    // Always true (bodies are handed out as they are stored); -99 is set for an unknown handle.
    bool IsNative(CChunk* chunk) override;
    [[nodiscard]] int32_t SetId(CChunk* chunk, int16_t id) override;
    [[nodiscard]] int32_t AddChunk(CChunk* chunk, uint32_t type, int16_t id,
                                   const CBoundedString& label, bool native) override;
    [[nodiscard]] int32_t AddChunkVariant(CChunk* chunk, uint32_t type, int16_t id,
                                          const CBoundedString& label, int32_t variant,
                                          bool native) override;
    [[nodiscard]] int32_t WriteChunk(CChunk* chunk) override;
    [[nodiscard]] int32_t DeleteChunk(CChunk* chunk) override;
    [[nodiscard]] int32_t SetIdAndLabel(CChunk* chunk, int16_t id, const CBoundedString& label,
                                        int32_t variant) override;

private:
    struct LoadedItem {
        uint32_t type;
        int32_t id;
        CTGString label;
        CChunk* handle;
    };

    // Hands out the loaded handle for the found chunk, or reads the file into a new one.
    CChunk* Load(DirectoryChunk& found, ByteOrderRoutine routine);
    LoadedItem* FindItem(const CChunk* chunk);
    // The chunks of a type that a resource file can name (16-bit ids). Counting lists afresh;
    // indexing reuses the last listing of the same type, so a count-then-fetch walk reads each
    // directory once and sees one consistent listing.
    const std::vector<DirectoryItem>& ListChunks(uint32_t type, bool fresh);
    const std::vector<uint32_t>& ListTypes(bool fresh);
    bool CheckOpen();

    bool m_open = false;
    DirectoryList m_dirs;
    CTGString m_name;
    std::vector<LoadedItem> m_loaded;
    bool m_haveItems = false;
    uint32_t m_itemsType = 0;
    std::vector<DirectoryItem> m_items;
    bool m_haveTypes = false;
    std::vector<uint32_t> m_types;
};

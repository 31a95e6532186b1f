// IFF version 2.0 and 2.5 files: 76-byte chunk headers with inline labels, variants, and the
// resource map that lets a 2.5 file open without a scan.
#pragma once

#include "resource/IffFileBase.h"

#include <string>
#include <vector>

class CIffFileV2 : public CIffFileBase {
public:
    CIffFileV2();
    ~CIffFileV2() override;

    [[nodiscard]] int32_t Create(const char* path) override; // a new 2.5 file, 64 bytes
    [[nodiscard]] int32_t Delete(const char* path) override;
    [[nodiscard]] int32_t Open(const char* path) override;
    [[nodiscard]] int32_t Suspend() override; // closes, remembering the path
    [[nodiscard]] int32_t Resume() override;  // reopens the remembered path
    [[nodiscard]] int32_t Close() override;
    [[nodiscard]] int32_t Flush() override;
    CChunk* GetChunkByLabel(uint32_t type, const CBoundedString& label,
                            ByteOrderRoutine routine = nullptr) override;
    CChunk* GetChunkVariant(uint32_t type, int16_t id, int32_t variant,
                            ByteOrderRoutine routine = nullptr) override;
    int32_t GetLabel(CChunk* chunk, CBoundedString& out) override;
    int32_t GetVariant(CChunk* chunk) override;
    [[nodiscard]] int32_t AddChunk(CChunk* chunk, uint32_t type, int16_t id,
                                   const CBoundedString& label, bool native) override;
    [[nodiscard]] int32_t AddChunkVariant(CChunk* chunk, uint32_t type, int16_t id,
                                          const CBoundedString& label, int32_t variant,
                                          bool native) override;
    [[nodiscard]] int32_t WriteChunk(CChunk* chunk) override;
    [[nodiscard]] int32_t DeleteChunk(CChunk* chunk) override;
    [[nodiscard]] int32_t Release(CChunk* chunk) override;
    [[nodiscard]] int32_t SetIdAndLabel(CChunk* chunk, int16_t id, const CBoundedString& label,
                                        int32_t variant) override;

    // Writes pending chunks and compacts now, whatever the free space; the map is rewritten on
    // Close. Sets and returns LastError.
    int32_t Compact();

    // 0x200 or 0x205 while open.
    int32_t Version() const { return m_version; }
    // The map offset the header held when opened (0: none).
    int32_t HeaderMapOffset() const { return m_openedMapOffset; }
    // True when the index came from the resource map rather than a scan.
    bool IndexedFromMap() const { return m_indexedFromMap; }

private:
    std::string EntryLabel(const iff::IndexEntry& e) override;
    int32_t AssignLabel(iff::IndexEntry& e, const char* label) override;
    void ForgetLabel(iff::IndexEntry&) override {}
    int32_t BeforeDiskChange() override;
    int32_t AfterChunkWrite() override;
    bool RecoverIndex() override;

    // Drops the entries of resource maps from index, with any handle they hold.
    void RemoveMapEntries(iff::ChunkIndex& index);
    bool LoadMap(int32_t offset);
    // How the walk ended and where (end): at the end of the file, at the remains of a stopped
    // append, at damage, or at a header that could not be read.
    // starts (when given) receives the offset of every chunk walked, free ones included.
    iff::CIffStore::End Scan(iff::ChunkIndex& index, int32_t& freeSpace, int32_t& mapChunk,
                             int32_t& end, std::vector<int32_t>* starts = nullptr);
    // An index read from the map is checked against the chunks before anything is written.
    // False when the check could not read the chunks (the index stays unverified).
    bool VerifyMapIndex();
    // The chunk whose extent holds a chunk the map lists but the chain does not reach (-1:
    // none).
    int32_t Swallowed(iff::ChunkIndex& scanned, const std::vector<int32_t>& starts,
                      int32_t chainEnd);
    void PrepareForChange();
    bool HasPending();
    int32_t WriteMap();
    int32_t WriteFileHeader(int32_t mapOffset);

    int32_t m_version = 0;
    int32_t m_headerMapOffset = 0; // as the header holds it now
    int32_t m_openedMapOffset = 0;
    int32_t m_mapChunk = -1; // the map chunk to free when the map goes stale
    bool m_modified = false;
    bool m_indexedFromMap = false;
    bool m_unverified = false;
};

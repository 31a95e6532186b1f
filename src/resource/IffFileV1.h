// IFF version 1.0 files: 16-byte chunk headers, labels in the internal NAME chunk.
#pragma once

#include "resource/IffFileBase.h"
#include "resource/NameMap.h"

#include <vector>

class CIffFileV1 : public CIffFileBase {
public:
    CIffFileV1();
    ~CIffFileV1() override;

    [[nodiscard]] int32_t Create(const char* path) override;
    [[nodiscard]] int32_t Delete(const char* path) override;
    [[nodiscard]] int32_t Open(const char* path) override;
    [[nodiscard]] int32_t Suspend() override; // -50: not supported
    [[nodiscard]] int32_t Resume() override;  // -50: not supported
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
    [[nodiscard]] int32_t DeleteChunk(CChunk* chunk) override;
    [[nodiscard]] int32_t SetIdAndLabel(CChunk* chunk, int16_t id, const CBoundedString& label,
                                        int32_t variant) override;

    // Flushes and compacts now, whatever the free space. Sets and returns LastError.
    int32_t Compact();
    // The label map as read or changed since opening.
    const CNameMap& NameMap() const { return m_names; }

private:
    std::string EntryLabel(const iff::IndexEntry& e) override;
    int32_t AssignLabel(iff::IndexEntry& e, const char* label) override;
    bool ReuseLabel(iff::IndexEntry& e, const iff::IndexEntry& old, const char* label) override;
    void ForgetLabel(iff::IndexEntry& e) override;
    int32_t WriteNameMap();
    int32_t FreeStaleMaps();
    int32_t NextNameKey();
    int32_t CompactFile();

    CNameMap m_names;
    // Name maps on disk that a newer one replaces; freed once the newer one is written.
    std::vector<int32_t> m_staleMaps;
};

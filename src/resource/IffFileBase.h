// What the two IFF file kinds share: the chunk index, handle bookkeeping, fetching, adding,
// writing and deleting chunks. The kinds differ in headers, labels and variants.
#pragma once

#include "resource/ChunkIndex.h"
#include "resource/IffStore.h"
#include "resource/ResourceFile.h"

#include <string>
#include <unordered_map>

class CFileObject;

class CIffFileBase : public CResourceFile {
public:
    ~CIffFileBase() override;

    bool IsWritable() override { return IsOpen() && m_writable; }
    int32_t GetFileName(CBoundedString& out) override;
    bool IsOpen() override { return m_store.File() != nullptr; }
    int16_t CountTypes() override;
    uint32_t GetTypeAt(int32_t index) override;
    int16_t CountChunks(uint32_t type) override;
    CChunk* GetChunk(uint32_t type, int16_t id, ByteOrderRoutine routine = nullptr) override;
    CChunk* GetChunkAt(uint32_t type, int32_t index, ByteOrderRoutine routine = nullptr) override;
    int32_t DescribeChunkAt(uint32_t type, int32_t index, ChunkFacts& facts) override;
    uint32_t GetType(CChunk* chunk) override;
    int32_t GetId(CChunk* chunk, int16_t& id) override;
    int32_t Reserved22(CChunk* chunk, uint16_t& out) override;
    [[nodiscard]] int32_t MakeLabelUnique(uint32_t type, CBoundedString& label) override;
    int16_t NextFreeId(uint32_t type) override;
    [[nodiscard]] int32_t Release(CChunk* chunk) override;
    int32_t Reserved27(CChunk* chunk) override;
    bool IsNative(CChunk* chunk) override;
    [[nodiscard]] int32_t SetId(CChunk* chunk, int16_t id) override;
    [[nodiscard]] int32_t WriteChunk(CChunk* chunk) override;
    [[nodiscard]] int32_t DeleteChunk(CChunk* chunk) override;

    // Free space in bytes as counted since opening.
    int32_t FreeSpace() const { return m_store.freeSpace; }
    // Chunk headers read since opening.
    int64_t HeaderReads() const { return m_store.headerReads; }

protected:
    explicit CIffFileBase(int32_t headerSize);

    // Opens the file object (read-write, else read-only, unless read-only was asked).
    int32_t OpenFileObjectFor(const char* path);
    // New file holding only the 64-byte header (-47, -43, -42, -46 as for Create).
    int32_t CreateWithHeader(const char* path, const uint8_t* header);
    int32_t DeleteFileAt(const char* path);
    // Moves every used chunk down over the free space and keeps entry offsets in step.
    int32_t CompactChunks(bool dropMaps);
    // Drops the index with every attached handle and closes the file object.
    void DropAll();

    iff::IndexEntry* FindById(uint32_t type, int16_t id, int32_t variant);
    iff::IndexEntry* FindByHandle(CChunk* chunk);
    // Loads the entry's body (or returns the attached one) and sets the last error.
    CChunk* Fetch(iff::IndexEntry* entry, ByteOrderRoutine routine);
    // The header at the entry's offset, which must agree with the entry in everything it says
    // (or readers would see a label or flags the file does not hold): 0 or -1.
    int32_t ReadEntryHeader(const iff::IndexEntry& e, iff::ChunkHeader& hdr);
    // Adds or replaces chunk (type, id, variant) with handle; labelText may be empty.
    int32_t AddCommon(CChunk* chunk, uint32_t type, int16_t id, const char* labelText,
                      int32_t variant, bool native, uint16_t extraFlags);
    // Writes the entry's body. A new body goes to a new place and only then are the chunks it
    // replaces freed; a written chunk rewritten with the same size keeps its place, through a
    // copy elsewhere that stands for it while its own bytes are overwritten. inPlace writes
    // straight over the old bytes (for chunks nothing points at yet, such as a new map).
    int32_t WriteEntry(iff::IndexEntry& e, bool inPlace = false);
    // Writes every entry of the current list that has never been written; first error wins.
    int32_t WritePending();
    // Rewrites the chunk header at the entry's offset with its id and label.
    int32_t RewriteHeader(iff::IndexEntry& e);
    void DetachHandle(iff::IndexEntry& e);
    void RemoveEntry(iff::IndexEntry* e);
    // The header the entry has on disk once written with a body of bodySize bytes.
    iff::ChunkHeader HeaderFor(const iff::IndexEntry& e, int32_t bodySize) const;
    // Frees the chunks the entry replaces, once it is on disk.
    int32_t FreeReplaced(iff::IndexEntry& e);

    int32_t RewriteInPlace(iff::IndexEntry& e, const iff::ChunkHeader& hdr);
    void GiveBack(int32_t pos, int32_t size, bool appended);

    // Refuses every change to a file whose chunk chain breaks at offset (damage found by a scan).
    int32_t Damaged(int32_t offset);
    bool IsDamaged() const { return m_damagedAt >= 0; }
    // Before anything is written: -97 for a damaged file, else the kind's own preparation.
    int32_t PrepareDiskChange();
    // What an opening scan that stopped at pos makes of the file: 0 to go on (a damaged file
    // read-only, remains of a stopped append noted for cutting), else the open fails with the
    // status returned and the file is dropped.
    int32_t TakeScanEnd(iff::CIffStore::End end, int32_t pos);
    // Allocates a new place for the entry's body, writes body and header there; the place is
    // given back when that fails.
    int32_t WriteAtNewPlace(const iff::IndexEntry& e, const iff::ChunkHeader& hdr, int32_t& pos,
                            bool& appended);

    iff::ChunkIndex& List() { return m_internalMode ? m_internal : m_index; }

    // Kind hooks.
    virtual int32_t BeforeDiskChange() { return kResOk; }
    virtual int32_t AfterChunkWrite() { return kResOk; }
    virtual std::string EntryLabel(const iff::IndexEntry& e) = 0;
    virtual int32_t AssignLabel(iff::IndexEntry& e, const char* label) = 0;
    // A chunk replaced under the same label may keep the old one's label record (1.0: its name
    // key), so the label needs no separate write. True when e took it over.
    virtual bool ReuseLabel(iff::IndexEntry&, const iff::IndexEntry&, const char*) { return false; }
    virtual void ForgetLabel(iff::IndexEntry& e) = 0;
    // A fetch found the entry's header disagreeing with the index; may rebuild the index
    // (returns true when it did, so the lookup is tried again).
    virtual bool RecoverIndex() { return false; }

    iff::CIffStore m_store;
    iff::ChunkIndex m_index;    // ordinary chunks
    iff::ChunkIndex m_internal; // the container's own chunks (1.0)
    bool m_internalMode = false;
    bool m_writable = false;
    int32_t m_damagedAt = -1; // where the chain breaks; the file is then never written
    std::string m_path;       // as given to Open
    std::unordered_map<CChunk*, iff::IndexEntry*> m_handles;
};

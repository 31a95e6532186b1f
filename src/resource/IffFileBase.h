// What the two IFF file kinds share: the chunk index, handle bookkeeping, fetching, adding,
// writing and deleting chunks. The kinds differ in headers, labels and variants.
#pragma once

#include "resource/IffStore.h"
#include "resource/ResourceFile.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class CFileObject;

namespace iff {

struct IndexEntry {
    uint32_t type = 0;
    int32_t offset = -1; // chunk header position; -1 = not written yet
    int16_t id = 0;
    uint16_t flags = 0;     // as held in memory
    uint16_t diskFlags = 0; // as last read from or written to disk
    int32_t nameKey = -1;   // 1.0 label key
    int32_t replaces = -1;  // chunk on disk this one supersedes; freed once this one is written
    char label[64] = {};    // 2.x inline label
    CChunk* handle = nullptr;
};

struct TypeNode {
    uint32_t type = 0;
    std::vector<std::unique_ptr<IndexEntry>> entries;
};

// Types and entries of one list. A list that counts from the most recent keeps its logical
// front at the back of the vectors, so putting at the front is cheap.
struct ChunkIndex {
    bool newestFirst = false;
    std::vector<TypeNode> types;

    TypeNode* FindType(uint32_t type);
    TypeNode& GetOrAddType(uint32_t type);
    int32_t TypeCount() const { return int32_t(types.size()); }
    TypeNode* TypeAt(int32_t index); // 1-based, logical order
    IndexEntry* EntryAt(TypeNode& node, int32_t index);
    void Add(std::unique_ptr<IndexEntry> entry);
    std::unique_ptr<IndexEntry> Remove(IndexEntry* entry);
    // Every entry in logical order.
    template <class F> void ForEach(F&& f) {
        for (int32_t t = 1; t <= TypeCount(); ++t) {
            TypeNode& node = *TypeAt(t);
            for (int32_t i = 1; i <= int32_t(node.entries.size()); ++i)
                f(*EntryAt(node, i));
        }
    }
    void Clear() { types.clear(); }
};

} // namespace iff

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
    uint32_t GetType(CChunk* chunk) override;
    int32_t GetId(CChunk* chunk, int16_t& id) override;
    int32_t Reserved22(CChunk* chunk, uint16_t& out) override;
    int32_t MakeLabelUnique(uint32_t type, CBoundedString& label) override;
    int16_t NextFreeId(uint32_t type) override;
    int32_t Release(CChunk* chunk) override;
    int32_t Reserved27(CChunk* chunk) override;
    bool IsNative(CChunk* chunk) override;
    int32_t SetId(CChunk* chunk, int16_t id) override;
    int32_t WriteChunk(CChunk* chunk) override;
    int32_t DeleteChunk(CChunk* chunk) override;

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
    // Adds or replaces chunk (type, id, variant) with handle; labelText may be empty.
    int32_t AddCommon(CChunk* chunk, uint32_t type, int16_t id, const char* labelText,
                      int32_t variant, bool native, uint16_t extraFlags);
    // Writes the entry's body at its place or at a newly allocated one.
    int32_t WriteEntry(iff::IndexEntry& e);
    // Writes every entry of the current list that has never been written; first error wins.
    int32_t WritePending();
    // Rewrites the chunk header at the entry's offset with its id and label.
    int32_t RewriteHeader(iff::IndexEntry& e);
    void DetachHandle(iff::IndexEntry& e);
    void RemoveEntry(iff::IndexEntry* e);

    iff::ChunkIndex& List() { return m_internalMode ? m_internal : m_index; }

    // Kind hooks.
    virtual int32_t BeforeDiskChange() { return kResOk; }
    virtual int32_t AfterChunkWrite() { return kResOk; }
    virtual std::string EntryLabel(const iff::IndexEntry& e) = 0;
    virtual int32_t AssignLabel(iff::IndexEntry& e, const char* label) = 0;
    virtual void ForgetLabel(iff::IndexEntry& e) = 0;
    // A fetch found the entry's header disagreeing with the index; may rebuild the index
    // (returns true when it did, so the lookup is tried again).
    virtual bool RecoverIndex() { return false; }

    iff::CIffStore m_store;
    iff::ChunkIndex m_index;    // ordinary chunks
    iff::ChunkIndex m_internal; // the container's own chunks (1.0)
    bool m_internalMode = false;
    bool m_writable = false;
    std::unordered_map<CChunk*, iff::IndexEntry*> m_handles;
};

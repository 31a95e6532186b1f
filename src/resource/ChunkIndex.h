// The index of an open IFF file: its chunks by type, in the order they were found or added.
// A file of tens of thousands of chunks opens, compacts and closes with one entry each, so the
// index keeps entries and labels in blocks of its own rather than one allocation apiece.
#pragma once

#include "resource/IffFormat.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

class CChunk;

namespace iff {

// Offsets of the chunks on disk an entry supersedes: seldom any, so until then they take no
// more than a pointer.
class OffsetList {
public:
    bool empty() const { return !m_list || m_list->empty(); }
    int32_t back() const { return m_list->back(); }
    void pop_back() { m_list->pop_back(); }
    void push_back(int32_t offset) { List().push_back(offset); }
    void append(const OffsetList& more) {
        if (!more.empty()) List().insert(m_list->end(), more.m_list->begin(), more.m_list->end());
    }
    int32_t* begin() { return m_list ? m_list->data() : nullptr; }
    int32_t* end() { return m_list ? m_list->data() + m_list->size() : nullptr; }

private:
    std::vector<int32_t>& List() {
        if (!m_list) m_list = std::make_unique<std::vector<int32_t>>();
        return *m_list;
    }
    std::unique_ptr<std::vector<int32_t>> m_list;
};

// What few entries have: a body in memory, older copies on disk, a 1.0 label key. The label
// moves in here with them.
struct EntryExtras {
    CChunk* handle = nullptr;
    OffsetList replaces;
    int32_t nameKey = -1;
    const char* label = "";
};

// One chunk of the index, in 24 bytes: a file of tens of thousands of chunks is walked through
// its entries several times on every open, compaction and close. An entry keeps one pointer:
// to its label, or, once it has extras, to them (which then hold the label).
struct IndexEntry {
    uint32_t type = 0;
    int32_t offset = -1; // chunk header position; -1 = not written yet
    int16_t id = 0;
    uint16_t flags = 0;     // as held in memory
    uint16_t diskFlags = 0; // as last read from or written to disk

    IndexEntry() = default;
    ~IndexEntry() {
        if (HasExtras()) delete m_ref.extras;
    }
    IndexEntry(IndexEntry&& other) noexcept { Take(other); }
    IndexEntry& operator=(IndexEntry&& other) noexcept {
        if (this != &other) {
            if (HasExtras()) delete m_ref.extras;
            Take(other);
        }
        return *this;
    }

    // 2.x label, NUL-terminated, at most 63 characters: held by the index (ChunkIndex::SetLabel).
    const char* Label() const { return HasExtras() ? m_ref.extras->label : m_ref.label; }
    // Bytes of the label before its NUL.
    uint16_t LabelLength() const { return uint16_t(m_label & kLengthBits); }
    // The body in memory, if any: owned by the file, which frees it when the entry goes.
    CChunk* Handle() const { return HasExtras() ? m_ref.extras->handle : nullptr; }
    // Throws std::bad_alloc when the entry has no extras yet and there is no memory for them.
    void SetHandle(CChunk* chunk) {
        if (chunk || HasExtras()) Extras().handle = chunk;
    }
    // Chunks on disk this one supersedes (the old version, and any copies a stopped save left):
    // freed only once this one is written.
    bool HasReplaced() const { return HasExtras() && !m_ref.extras->replaces.empty(); }
    OffsetList& Replaces() { return Extras().replaces; } // may throw std::bad_alloc
    // The 1.0 label key; -1 for none.
    int32_t NameKey() const { return HasExtras() ? m_ref.extras->nameKey : -1; }
    void SetNameKey(int32_t key) {
        if (key != -1 || HasExtras()) Extras().nameKey = key;
    }

private:
    friend class ChunkIndex;
    static constexpr uint16_t kHasExtras = 0x8000;
    static constexpr uint16_t kLengthBits = 0x7FFF;
    bool HasExtras() const { return (m_label & kHasExtras) != 0; }
    EntryExtras& Extras() {
        if (!HasExtras()) {
            auto* extras = new EntryExtras;
            extras->label = m_ref.label;
            m_ref.extras = extras;
            m_label |= kHasExtras;
        }
        return *m_ref.extras;
    }
    // Only the index sets labels, with text it holds.
    void PointAtLabel(const char* text, uint16_t length) {
        if (HasExtras())
            m_ref.extras->label = text;
        else
            m_ref.label = text;
        m_label = uint16_t((m_label & kHasExtras) | length);
    }
    void Take(IndexEntry& other) {
        type = other.type;
        offset = other.offset;
        id = other.id;
        flags = other.flags;
        diskFlags = other.diskFlags;
        m_label = other.m_label;
        m_ref = other.m_ref;
        other.m_label = 0;
        other.m_ref.label = "";
    }
    uint16_t m_label = 0; // the label's length, and kHasExtras
    union {
        const char* label;
        EntryExtras* extras;
    } m_ref{""};
};
static_assert(sizeof(void*) != 8 || sizeof(IndexEntry) == 24);

struct TypeNode {
    uint32_t type = 0;
    std::vector<IndexEntry*> entries; // held by the index
};

// Types and entries of one list. A list that counts from the most recent keeps its logical
// front at the back of the vectors, so putting at the front is cheap. Entries stay where they
// are until removed or the index is cleared; moving the index moves them along.
class ChunkIndex {
public:
    ChunkIndex();
    ~ChunkIndex();
    ChunkIndex(ChunkIndex&&) noexcept;
    ChunkIndex& operator=(ChunkIndex&&) noexcept;

    bool newestFirst = false;
    std::vector<TypeNode> types;

    TypeNode* FindType(uint32_t type) {
        // Lookups come in runs of a few types (a scan, a map, the chunks of a type in turn).
        const uint32_t memo = m_typeMemo[MemoSlot(type)];
        if (memo < types.size() && types[memo].type == type) return &types[memo];
        return SearchType(type);
    }
    int32_t TypeCount() const { return int32_t(types.size()); }
    TypeNode* TypeAt(int32_t index) { // 1-based, logical order
        const size_t n = types.size();
        if (index < 1 || size_t(index) > n) return nullptr;
        return &types[newestFirst ? n - size_t(index) : size_t(index) - 1];
    }
    IndexEntry* EntryAt(TypeNode& node, int32_t index) {
        const size_t n = node.entries.size();
        if (index < 1 || size_t(index) > n) return nullptr;
        return node.entries[newestFirst ? n - size_t(index) : size_t(index) - 1];
    }
    // A new entry of the type, at the logical end of its list; throws std::bad_alloc.
    IndexEntry& Add(uint32_t type) {
        TypeNode* node = FindType(type);
        if (!node) node = &AddType(type);
        // Mostly the entry is the next one of the last block.
        IndexEntry* entry = m_spare.empty() && !m_blocks.empty() && m_usedInLast < kEntriesPerBlock
                                ? &m_blocks.back()[m_usedInLast++]
                                : NewEntry();
        entry->type = type;
        node->entries.push_back(entry); // should this throw, the blocks still hold the entry
        return *entry;
    }
    // Takes the entry out of its list (true when it was in this index); its place is reused.
    bool Remove(IndexEntry* entry);
    // Removes every entry of the type; the caller has dealt with their handles.
    void RemoveType(uint32_t type);
    // Copies text (cut to 63 characters, or at its first NUL) into the index for the entry.
    void SetLabel(IndexEntry& entry, const char* text) {
        SetLabel(entry, text, size_t(kMaxLabelChars));
    }
    // The same for length bytes of text, which need not be NUL-terminated.
    void SetLabel(IndexEntry& entry, const char* text, size_t length) {
        const size_t n =
            text ? strnlen(text, length < size_t(kMaxLabelChars) ? length : kMaxLabelChars) : 0;
        if (n == 0) {
            entry.PointAtLabel("", 0);
            return;
        }
        // Labels are only ever added: one replaced stays in its block until the index is
        // cleared.
        if (m_labels.empty() || kLabelBlock - m_labelUsed < n + 1) NewLabelBlock();
        char* at = m_labels.back().get() + m_labelUsed;
        std::memcpy(at, text, n);
        at[n] = 0;
        m_labelUsed += n + 1;
        entry.PointAtLabel(at, uint16_t(n));
    }
    // Every entry in logical order.
    template <class F> void ForEach(F&& f) {
        for (int32_t t = 1; t <= TypeCount(); ++t) {
            TypeNode& node = *TypeAt(t);
            for (int32_t i = 1; i <= int32_t(node.entries.size()); ++i)
                f(*EntryAt(node, i));
        }
    }
    // Every entry in the order they lie in memory, which for a scanned file is the file's:
    // for walks whose order does not matter, at the pace of memory rather than of the types.
    // Removed entries, reset as new, come too.
    template <class F> void ForEachStored(F&& f) {
        for (size_t b = 0; b < m_blocks.size(); ++b) {
            const size_t used = b + 1 == m_blocks.size() ? m_usedInLast : kEntriesPerBlock;
            for (size_t i = 0; i < used; ++i)
                f(m_blocks[b][i]);
        }
    }
    void Clear();

private:
    static size_t MemoSlot(uint32_t type) { return (type * 0x9E3779B1u) >> 29; }
    TypeNode* SearchType(uint32_t type);
    TypeNode& AddType(uint32_t type);
    // Takes the type at that place out of types; the ones behind it move up.
    void EraseType(size_t at);
    // A spare entry, or one from a new block.
    IndexEntry* NewEntry();
    void NewLabelBlock();

    static constexpr size_t kEntriesPerBlock = 512;
    static constexpr size_t kLabelBlock = 16384;
    std::vector<std::unique_ptr<IndexEntry[]>> m_blocks;
    size_t m_usedInLast = kEntriesPerBlock; // entries taken from the last block
    std::vector<IndexEntry*> m_spare;       // removed entries, reused first
    std::vector<std::unique_ptr<char[]>> m_labels;
    size_t m_labelUsed = kLabelBlock; // bytes taken from the last label block
    // Where each type stands in types: a file of many types (each chunk its own, in a hostile
    // one) is indexed in time that grows with its chunks, not with their square.
    std::unordered_map<uint32_t, uint32_t> m_typeAt;
    // Where recent lookups found their types, by a hash of the type: runs of a few types in
    // turn find theirs at once. Each place is checked before it is used.
    std::array<uint32_t, 8> m_typeMemo{};
};

} // namespace iff

#include "resource/ChunkIndex.h"

#include "resource/IffFormat.h"

#include <algorithm>
#include <cstring>

namespace iff {

ChunkIndex::ChunkIndex() = default;
ChunkIndex::~ChunkIndex() = default;
ChunkIndex::ChunkIndex(ChunkIndex&&) noexcept = default;
ChunkIndex& ChunkIndex::operator=(ChunkIndex&&) noexcept = default;

TypeNode* ChunkIndex::SearchType(uint32_t type) {
    for (size_t i = 0; i < types.size(); ++i)
        if (types[i].type == type) {
            m_typeMemo[MemoSlot(type)] = uint32_t(i);
            return &types[i];
        }
    return nullptr;
}

TypeNode& ChunkIndex::AddType(uint32_t type) {
    types.emplace_back();
    types.back().type = type;
    m_typeMemo[MemoSlot(type)] = uint32_t(types.size() - 1);
    return types.back();
}

IndexEntry* ChunkIndex::NewEntry() {
    if (!m_spare.empty()) {
        IndexEntry* entry = m_spare.back();
        m_spare.pop_back();
        return entry;
    }
    if (m_blocks.empty() || m_usedInLast == kEntriesPerBlock) {
        m_blocks.push_back(std::make_unique<IndexEntry[]>(kEntriesPerBlock));
        m_usedInLast = 0;
    }
    return &m_blocks.back()[m_usedInLast++];
}

bool ChunkIndex::Remove(IndexEntry* entry) {
    for (auto t = types.begin(); t != types.end(); ++t) {
        auto& list = t->entries;
        auto it = std::find(list.begin(), list.end(), entry);
        if (it == list.end()) continue;
        list.erase(it);
        if (list.empty()) types.erase(t);
        *entry = IndexEntry{};
        m_spare.push_back(entry);
        return true;
    }
    return false;
}

void ChunkIndex::RemoveType(uint32_t type) {
    TypeNode* node = FindType(type);
    if (!node) return;
    for (IndexEntry* entry : node->entries) {
        *entry = IndexEntry{};
        m_spare.push_back(entry);
    }
    types.erase(types.begin() + (node - types.data()));
}

void ChunkIndex::NewLabelBlock() {
    m_labels.push_back(std::make_unique_for_overwrite<char[]>(kLabelBlock));
    m_labelUsed = 0;
}

void ChunkIndex::Clear() {
    types.clear();
    m_spare.clear();
    m_blocks.clear();
    m_usedInLast = kEntriesPerBlock;
    m_labels.clear();
    m_labelUsed = kLabelBlock;
    m_typeMemo = {};
}

} // namespace iff

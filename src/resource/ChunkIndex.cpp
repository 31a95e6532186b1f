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
    const auto it = m_typeAt.find(type);
    if (it == m_typeAt.end()) return nullptr;
    m_typeMemo[MemoSlot(type)] = it->second;
    return &types[it->second];
}

TypeNode& ChunkIndex::AddType(uint32_t type) {
    const auto at = uint32_t(types.size());
    m_typeAt.emplace(type, at); // should this throw, nothing has changed
    try {
        types.emplace_back();
    } catch (...) {
        m_typeAt.erase(type);
        throw;
    }
    types.back().type = type;
    m_typeMemo[MemoSlot(type)] = at;
    return types.back();
}

void ChunkIndex::EraseType(size_t at) {
    m_typeAt.erase(types[at].type);
    types.erase(types.begin() + std::ptrdiff_t(at));
    for (size_t i = at; i < types.size(); ++i)
        m_typeAt.find(types[i].type)->second = uint32_t(i);
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
        if (list.empty()) EraseType(size_t(t - types.begin()));
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
    EraseType(size_t(node - types.data()));
}

void ChunkIndex::NewLabelBlock() {
    m_labels.push_back(std::make_unique_for_overwrite<char[]>(kLabelBlock));
    m_labelUsed = 0;
}

void ChunkIndex::Clear() {
    types.clear();
    m_typeAt.clear();
    m_spare.clear();
    m_blocks.clear();
    m_usedInLast = kEntriesPerBlock;
    m_labels.clear();
    m_labelUsed = kLabelBlock;
    m_typeMemo = {};
}

} // namespace iff

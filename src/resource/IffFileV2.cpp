#include "resource/IffFileV2.h"

#include "common/AsciiCase.h"
#include "common/BoundedString.h"
#include "fileio/FileObject.h"
#include "resource/IffFormat.h"
#include "resource/ResourceMap.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

using iff::IndexEntry;

namespace {

void MakeHeader(uint8_t* out, int32_t mapOffset) {
    std::memcpy(out, iff::kHeaderV2Pattern, iff::kFileHeaderSize);
    out[9] = '2';
    out[11] = '5';
    iff::PutBE32(out + iff::kMapOffsetPos, uint32_t(mapOffset));
}

} // namespace

void CIffFileV2::RemoveMapEntries(iff::ChunkIndex& index) {
    if (iff::TypeNode* node = index.FindType(iff::kTypeMap))
        for (IndexEntry* e : node->entries)
            if (CChunk* held = e->Handle()) {
                m_handles.erase(held);
                CChunk::Free(held);
            }
    index.RemoveType(iff::kTypeMap);
}

CIffFileV2::CIffFileV2() : CIffFileBase(iff::kChunkHeaderV2) {}

CIffFileV2::~CIffFileV2() {
    // A destructor has no one to tell; callers that care close first.
    if (IsOpen()) (void)Close();
}

int32_t CIffFileV2::Create(const char* path) {
    uint8_t header[iff::kFileHeaderSize];
    MakeHeader(header, 0);
    return CreateWithHeader(path, header);
}

int32_t CIffFileV2::Delete(const char* path) {
    return DeleteFileAt(path);
}

int32_t CIffFileV2::Open(const char* path) {
    if (IsOpen()) return kResErrAlreadyOpen;
    SetBrokenChain({});
    if (int32_t e = OpenFileObjectFor(path)) return e;
    uint8_t header[iff::kFileHeaderSize];
    if (int32_t e = m_store.ReadAt(0, header, iff::kFileHeaderSize)) {
        DropAll();
        return e;
    }
    for (int i = 0; i < iff::kFileHeaderSize; ++i) {
        if (iff::kHeaderV2Pattern[i] != '*' && header[i] != iff::kHeaderV2Pattern[i]) {
            DropAll();
            return kResErrBadHeader;
        }
    }
    const int32_t version = (header[9] - '0') * 256 + (header[11] - '0');
    if (version != iff::kVersion20 && version != iff::kVersion25) {
        DropAll();
        return kResErrBadHeader;
    }
    m_version = version;
    m_headerMapOffset =
        version == iff::kVersion25 ? int32_t(iff::GetBE32(header + iff::kMapOffsetPos)) : 0;
    m_openedMapOffset = m_headerMapOffset;
    m_store.mapClaimsWhole = m_headerMapOffset != 0;
    m_mapChunk = -1;
    m_modified = false;
    m_indexedFromMap = m_unverified = false;
    if (m_headerMapOffset != 0 && LoadMap(m_headerMapOffset)) {
        m_indexedFromMap = m_unverified = true;
        m_mapChunk = m_headerMapOffset;
    } else {
        m_index.Clear();
        m_store.freeSpace = 0;
        int32_t end = 0;
        const iff::CIffStore::End how = Scan(m_index, m_store.freeSpace, m_mapChunk, end);
        if (int32_t error = TakeScanEnd(how, end)) return error;
    }
    RemoveMapEntries(m_index);
    SetError(kResOk);
    return kResOk;
}

bool CIffFileV2::LoadMap(int32_t offset) {
    iff::ChunkHeader h;
    if (!m_store.ReadChunkHeader(offset, h) || (h.flags & iff::kFlagFree) ||
        h.type != iff::kTypeMap)
        return false;
    // The size is bounded by the file length, so this allocation is never larger than the file.
    iff::RawBytes body; // every byte is read into
    body.resize(size_t(h.size - iff::kChunkHeaderV2));
    if (m_store.ReadAt(offset + iff::kChunkHeaderV2, body.data(), int32_t(body.size())) != kResOk)
        return false;
    if (!(h.flags & iff::kFlagNative)) SwapStoredPrefix(body.data(), int32_t(body.size()));
    iff::ChunkIndex index;
    int32_t freeSpace = 0;
    const int32_t length = m_store.File()->Length();
    if (!ReadResourceMapBody(body.data(), int32_t(body.size()), length, index, freeSpace))
        return false;
    bool clear = true;
    index.ForEach([&](IndexEntry& e) {
        if (e.offset >= offset && e.offset < offset + h.size) clear = false;
    });
    if (!clear) return false;
    index.newestFirst = m_index.newestFirst;
    m_index = std::move(index);
    m_store.freeSpace = freeSpace;
    return true;
}

iff::CIffStore::End CIffFileV2::Scan(iff::ChunkIndex& index, int32_t& freeSpace, int32_t& mapChunk,
                                     int32_t& end, std::vector<int32_t>* starts) {
    int32_t pos = iff::kFileHeaderSize;
    iff::ChunkHeader h;
    uint8_t scratch[iff::kChunkHeaderV2];
    const char* label = "";
    mapChunk = -1;
    while (m_store.ViewChunkHeader(pos, h, scratch, label)) {
        if (starts) starts->push_back(pos);
        if (h.flags & iff::kFlagFree) {
            freeSpace += h.size;
        } else {
            if (h.type == iff::kTypeMap && pos == m_headerMapOffset) mapChunk = pos;
            IndexEntry& e = index.Add(h.type);
            e.id = h.id;
            e.flags = e.diskFlags = h.flags;
            e.offset = pos;
            index.SetLabel(e, label);
        }
        pos += h.size;
    }
    end = pos;
    return m_store.EndOfWholeWalk(pos);
}

bool CIffFileV2::VerifyMapIndex() {
    if (!m_unverified) return true;
    iff::ChunkIndex scanned;
    int32_t freeSpace = 0;
    int32_t mapChunk = -1;
    int32_t end = 0;
    std::vector<int32_t> starts; // every chunk start, free ones too
    switch (Scan(scanned, freeSpace, mapChunk, end, &starts)) {
    case iff::CIffStore::End::ReadFailed:
        // A scan cut short by a failed read is no reason to doubt the map.
        return false;
    case iff::CIffStore::End::Damaged:
        // The map may still describe every chunk, so reads keep using it; nothing is written.
        m_unverified = false;
        Damaged(end);
        return false;
    case iff::CIffStore::End::Tail:
        m_store.tailAt = end;
        break;
    default:
        break;
    }
    m_unverified = false;
    RemoveMapEntries(scanned);
    // A chunk the map lists where the chain has no chunk lies inside another one, whose size
    // must be wrong: writing could lose it, so the file is treated as damaged there.
    if (int32_t at = Swallowed(scanned, starts, end); at >= 0) {
        Damaged(at);
        return false;
    }
    std::unordered_map<int32_t, IndexEntry*> byOffset;
    size_t count = 0;
    scanned.ForEach([&](IndexEntry& e) {
        byOffset[e.offset] = &e;
        ++count;
    });
    size_t matched = 0;
    bool same = freeSpace == m_store.freeSpace && mapChunk == m_mapChunk;
    m_index.ForEach([&](IndexEntry& e) {
        if (e.offset < 0) return;
        auto it = byOffset.find(e.offset);
        if (it == byOffset.end() || it->second->type != e.type || it->second->id != e.id ||
            it->second->diskFlags != e.diskFlags ||
            std::strcmp(it->second->Label(), e.Label()) != 0) {
            same = false;
            return;
        }
        ++matched;
    });
    if (same && matched == count) return true;
    // The map does not describe the file: take the scan, keeping what clients hold.
    std::vector<IndexEntry*> keep;
    m_index.ForEach([&](IndexEntry& e) {
        if (!e.Handle() && e.offset >= 0) return;
        auto it = e.offset >= 0 ? byOffset.find(e.offset) : byOffset.end();
        if (it != byOffset.end() && it->second->type == e.type && it->second->id == e.id &&
            !it->second->Handle()) {
            it->second->SetHandle(e.Handle());
            it->second->flags = e.flags;
        } else {
            if (e.offset >= 0) e.offset = -1; // written again on release
            keep.push_back(&e);
        }
    });
    // The kept entries (and their labels) move into the scan's index before the map's goes.
    for (IndexEntry* e : keep) {
        IndexEntry& moved = scanned.Add(e->type);
        moved = std::move(*e);
        scanned.SetLabel(moved, moved.Label());
    }
    scanned.newestFirst = m_index.newestFirst;
    m_index = std::move(scanned);
    m_handles.clear();
    m_index.ForEach([&](IndexEntry& e) {
        if (e.Handle()) m_handles[e.Handle()] = &e;
    });
    m_store.freeSpace = freeSpace;
    m_mapChunk = mapChunk;
    m_indexedFromMap = false;
    return true;
}

int32_t CIffFileV2::Swallowed(iff::ChunkIndex& scanned, const std::vector<int32_t>& starts,
                              int32_t chainEnd) {
    std::unordered_map<int32_t, bool> used;
    scanned.ForEach([&](IndexEntry& e) { used[e.offset] = true; });
    int32_t at = -1;
    m_index.ForEach([&](IndexEntry& e) {
        if (at >= 0 || e.offset < 0 || used.count(e.offset)) return;
        // At a chunk start the map is only out of date, and inside a chunk with nothing like the
        // chunk it names it is wrong; a header there that matches it is a chunk hidden.
        auto it = std::upper_bound(starts.begin(), starts.end(), e.offset);
        if (it == starts.begin() || *(it - 1) == e.offset || e.offset >= chainEnd) return;
        iff::ChunkHeader h;
        if (m_store.ReadChunkHeader(e.offset, h) && h.type == e.type && h.id == e.id &&
            !(h.flags & iff::kFlagFree))
            at = *(it - 1);
    });
    return at;
}

bool CIffFileV2::RecoverIndex() {
    if (!m_unverified) return false;
    return VerifyMapIndex();
}

void CIffFileV2::PrepareForChange() {
    if (IsOpen() && m_writable) VerifyMapIndex();
}

int32_t CIffFileV2::WriteFileHeader(int32_t mapOffset) {
    uint8_t header[iff::kFileHeaderSize];
    MakeHeader(header, mapOffset);
    if (int32_t e = m_store.WriteAt(0, header, iff::kFileHeaderSize)) return e;
    if (!m_store.File()->Flush()) return kResErrCannotOpen;
    m_headerMapOffset = mapOffset;
    m_store.mapClaimsWhole = mapOffset != 0;
    m_version = iff::kVersion25;
    return kResOk;
}

int32_t CIffFileV2::BeforeDiskChange() {
    if (!m_writable) return kResErrNotWritable;
    if (!VerifyMapIndex()) return IsDamaged() ? kResErrDamaged : kResErrShortRead;
    if (m_headerMapOffset != 0) {
        // From here on the map is stale: a crash leaves a file that is scanned when opened.
        if (m_mapChunk >= iff::kFileHeaderSize)
            if (int32_t e = m_store.FreeChunk(m_mapChunk)) return e;
        m_mapChunk = -1;
        uint8_t header[iff::kFileHeaderSize];
        if (int32_t e = m_store.ReadAt(0, header, iff::kFileHeaderSize)) return e;
        iff::PutBE32(header + iff::kMapOffsetPos, 0);
        if (int32_t e = m_store.WriteAt(0, header, iff::kFileHeaderSize)) return e;
        if (!m_store.File()->Flush()) return kResErrCannotOpen;
        m_headerMapOffset = 0;
        m_store.mapClaimsWhole = false;
    }
    m_modified = true;
    return kResOk;
}

int32_t CIffFileV2::AfterChunkWrite() {
    return m_store.File()->Flush() ? kResOk : kResErrCannotOpen;
}

bool CIffFileV2::HasPending() {
    bool pending = false;
    m_index.ForEachStored([&](IndexEntry& e) {
        if (e.offset < 0 && e.Handle()) pending = true;
    });
    return pending;
}

int32_t CIffFileV2::WriteMap() {
    RemoveMapEntries(m_index);
    CResourceMap map(m_index, m_store.freeSpace);
    CChunk* chunk = MakeStoredChunk(map);
    if (!chunk) return kResErrObject;
    if (int32_t e = AddCommon(chunk, iff::kTypeMap, 0, "", 0, true, 0)) {
        CChunk::Free(chunk);
        return e;
    }
    IndexEntry* entry = FindByHandle(chunk);
    const int32_t stored = m_store.freeSpace;
    int32_t err = WriteEntry(*entry);
    // Placing the map may have used free space: store the figure as it now stands. Nothing
    // points at the new map yet, so it is simply written again.
    if (!err && m_store.freeSpace != stored) {
        if (!RefillStoredChunk(chunk, map)) err = kResErrObject;
        if (!err) err = WriteEntry(*entry, true);
    }
    if (!err) err = WriteFileHeader(entry->offset);
    if (!err) m_mapChunk = entry->offset;
    return err;
}

int32_t CIffFileV2::Close() {
    if (!IsOpen()) return SetError(kResErrNotOpen);
    int32_t err = kResOk;
    // A chunk added but never written also counts as a change: closing must not drop it.
    if (m_writable && (m_modified || HasPending())) {
        PrepareForChange();
        err = WritePending();
        if (!err && m_headerMapOffset == 0 && m_store.freeSpace >= iff::kCompactThreshold)
            err = CompactChunks(true);
        if (!err) err = WriteMap();
    }
    DropAll();
    return SetError(err);
}

int32_t CIffFileV2::Compact() {
    if (!IsOpen()) return SetError(kResErrNotOpen);
    if (!m_writable) return SetError(kResErrNotWritable);
    PrepareForChange();
    if (int32_t e = PrepareDiskChange()) return SetError(e);
    if (int32_t e = WritePending()) return SetError(e);
    return SetError(CompactChunks(true));
}

int32_t CIffFileV2::Flush() {
    if (!IsOpen()) return SetError(kResErrNotOpen);
    if (!m_writable) return SetError(kResOk); // nothing can be pending
    PrepareForChange();
    int32_t err = WritePending();
    if (!m_store.File()->Flush() && !err) err = kResErrCannotOpen;
    return SetError(err);
}

int32_t CIffFileV2::Suspend() {
    if (!IsOpen()) return kResErrNotOpen;
    const std::string path = m_path;
    const int32_t err = Close();
    m_path = path;
    return err;
}

int32_t CIffFileV2::Resume() {
    if (m_path.empty()) return kResErrCannotOpen;
    const std::string path = m_path;
    const int32_t err = Open(path.c_str());
    m_store.lastAlloc = -1;
    return err;
}

CChunk* CIffFileV2::GetChunkVariant(uint32_t type, int16_t id, int32_t variant,
                                    ByteOrderRoutine routine) {
    for (int attempt = 0; attempt < 2 && IsOpen(); ++attempt) {
        IndexEntry* e = FindById(type, id, variant);
        if (!e && variant != 0) e = FindById(type, id, 0);
        CChunk* chunk = Fetch(e, routine);
        if (chunk || LastError() != kResErrObject || !RecoverIndex()) return chunk;
    }
    return Fetch(nullptr, routine);
}

CChunk* CIffFileV2::GetChunkByLabel(uint32_t type, const CBoundedString& label,
                                    ByteOrderRoutine routine) {
    for (int attempt = 0; attempt < 2 && IsOpen(); ++attempt) {
        IndexEntry* found = nullptr;
        iff::TypeNode* node = label.Length() > 0 ? List().FindType(type) : nullptr;
        if (node)
            for (auto& e : node->entries)
                if ((e->flags >> 8) == 0 && EqualsNoCase(e->Label(), label.Text())) {
                    found = e;
                    break;
                }
        if (!found) {
            SetError(kResErrUnknownChunk);
            return nullptr;
        }
        CChunk* chunk = Fetch(found, routine);
        if (chunk || LastError() != kResErrObject || !RecoverIndex()) return chunk;
    }
    return Fetch(nullptr, routine);
}

int32_t CIffFileV2::GetLabel(CChunk* chunk, CBoundedString& out) {
    out.Clear();
    if (!IsOpen()) return SetError(kResErrNotOpen);
    IndexEntry* e = FindByHandle(chunk);
    if (!e) return SetError(kResErrNoChunk);
    out.Assign(e->Label());
    return SetError(kResOk);
}

int32_t CIffFileV2::GetVariant(CChunk* chunk) {
    if (!IsOpen()) return SetError(kResErrNotOpen), 0;
    IndexEntry* e = FindByHandle(chunk);
    SetError(e ? kResOk : kResErrNoChunk);
    return e ? (e->flags >> 8) : 0;
}

int32_t CIffFileV2::AddChunk(CChunk* chunk, uint32_t type, int16_t id, const CBoundedString& label,
                             bool native) {
    return AddChunkVariant(chunk, type, id, label, 0, native);
}

int32_t CIffFileV2::AddChunkVariant(CChunk* chunk, uint32_t type, int16_t id,
                                    const CBoundedString& label, int32_t variant, bool native) {
    PrepareForChange();
    return AddCommon(chunk, type, id, label.Text(), variant & 0xFF, native, 0);
}

int32_t CIffFileV2::WriteChunk(CChunk* chunk) {
    PrepareForChange();
    return CIffFileBase::WriteChunk(chunk);
}

int32_t CIffFileV2::DeleteChunk(CChunk* chunk) {
    PrepareForChange();
    return CIffFileBase::DeleteChunk(chunk);
}

int32_t CIffFileV2::Release(CChunk* chunk) {
    PrepareForChange();
    return CIffFileBase::Release(chunk);
}

int32_t CIffFileV2::SetIdAndLabel(CChunk* chunk, int16_t id, const CBoundedString& label, int32_t) {
    if (!IsOpen()) return SetError(kResErrNotOpen);
    if (!m_writable) return SetError(kResErrNotWritable);
    PrepareForChange();
    IndexEntry* e = FindByHandle(chunk);
    if (!e) return SetError(kResErrUnknownChunk);
    bool changed = false;
    if (e->id != id) {
        e->id = id;
        changed = true;
    }
    if (std::strncmp(e->Label(), label.Text(), size_t(iff::kMaxLabelChars)) != 0) {
        m_index.SetLabel(*e, label.Text());
        changed = true;
    }
    if (!changed || e->offset < 0) return SetError(kResOk);
    return SetError(RewriteHeader(*e));
}

std::string CIffFileV2::EntryLabel(const IndexEntry& e) {
    return e.Label();
}

int32_t CIffFileV2::AssignLabel(IndexEntry& e, const char* label) {
    List().SetLabel(e, label);
    return kResOk;
}

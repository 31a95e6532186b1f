#include "resource/IffFileBase.h"

#include "common/AsciiCase.h"
#include "common/BoundedString.h"
#include "fileio/FileObject.h"
#include "resource/IffFormat.h"

#include <algorithm>
#include <cstring>
#include <new>

using iff::IndexEntry;

CIffFileBase::CIffFileBase(int32_t headerSize) : m_store(headerSize) {
    m_internal.newestFirst = headerSize == iff::kChunkHeaderV1;
    m_index.newestFirst = headerSize == iff::kChunkHeaderV1;
}

CIffFileBase::~CIffFileBase() {
    DropAll();
}

int32_t CIffFileBase::OpenFileObjectFor(const char* path) {
    std::unique_ptr<CFileObject> file;
    if (!path) return kResErrCannotOpen;
    if (!ReadOnlyOpen()) file = OpenFileObject(path, true);
    if (!file) file = OpenFileObject(path, false);
    if (!file) return kResErrCannotOpen;
    m_writable = file->Writable();
    m_store.Attach(std::move(file));
    m_path = path;
    m_damagedAt = -1;
    return kResOk;
}

int32_t CIffFileBase::Damaged(int32_t offset) {
    m_damagedAt = offset;
    SetBrokenChain(ChainBreak{m_path, offset});
    return kResErrDamaged;
}

int32_t CIffFileBase::PrepareDiskChange() {
    if (IsDamaged()) return kResErrDamaged;
    if (int32_t err = BeforeDiskChange()) return err;
    // Whatever a stopped append left behind the chain goes before anything else is written.
    return m_store.DropTail();
}

int32_t CIffFileBase::TakeScanEnd(iff::CIffStore::End end, int32_t pos) {
    switch (end) {
    case iff::CIffStore::End::ReadFailed:
        // Chunks behind an unreadable header would be missing from the index, and lost from
        // the map or the label map written on closing.
        DropAll();
        return kResErrShortRead;
    case iff::CIffStore::End::Damaged: {
        // The chunks behind the break are out of sight: writing could drop them from a map or
        // overwrite them. Such a file is only ever read.
        const int32_t error = Damaged(pos);
        if (!m_writable) return kResOk;
        DropAll();
        return error;
    }
    case iff::CIffStore::End::Tail:
        m_store.tailAt = pos;
        return kResOk;
    case iff::CIffStore::End::Whole:
        return kResOk;
    }
    return kResOk;
}

int32_t CIffFileBase::CreateWithHeader(const char* path, const uint8_t* header) {
    if (IsOpen()) return kResErrAlreadyOpen;
    if (!path) return kResErrCannotCreate;
    if (FileExists(path)) return kResErrFileExists;
    if (!CreateFileOnDisk(path)) return kResErrCannotCreate;
    std::unique_ptr<CFileObject> file = OpenFileObject(path, true);
    if (!file) return kResErrCannotCreate;
    if (file->Write(header, iff::kFileHeaderSize) != iff::kFileHeaderSize) return kResErrShortWrite;
    return file->Flush() ? kResOk : kResErrCannotOpen;
}

int32_t CIffFileBase::DeleteFileAt(const char* path) {
    if (IsOpen()) return kResErrAlreadyOpen;
    if (!path || !FileExists(path)) return kResErrNoSuchFile;
    return DeleteFileOnDisk(path) ? kResOk : kResErrCannotDelete;
}

int32_t CIffFileBase::CompactChunks(bool dropMaps) {
    // Every offset the index holds, where it is held, in order of the offsets (the last one
    // stored wins where two are equal). Compaction reports moves in the order of the old
    // offsets, so a sorted list finds them; an offset is changed only once the search has
    // passed it, which keeps the rest of the list in order.
    std::vector<int32_t*> byOffset;
    size_t count = 0; // the chunks replaced, seldom any, may make it grow once
    for (iff::ChunkIndex* list : {&m_index, &m_internal})
        for (const iff::TypeNode& node : list->types)
            count += node.entries.size();
    byOffset.reserve(count);
    // Entries lie in the order a scan found them, so the list is sorted or a few sorted runs
    // (chunks added since, entries reused): merging neighbouring runs (stably, as a sort would)
    // costs a pass per halving of their number.
    std::vector<size_t> runs{0};
    const auto take = [&](int32_t& offset) {
        if (!byOffset.empty() && offset < *byOffset.back()) runs.push_back(byOffset.size());
        byOffset.push_back(&offset);
    };
    for (iff::ChunkIndex* index : {&m_index, &m_internal})
        index->ForEachStored([&](IndexEntry& e) {
            if (e.offset >= 0) take(e.offset);
            if (e.HasReplaced())
                for (int32_t& r : e.Replaces())
                    take(r);
        });
    const auto byValue = [](const int32_t* a, const int32_t* b) { return *a < *b; };
    while (runs.size() > 1) {
        std::vector<size_t> merged;
        for (size_t r = 0; r < runs.size(); r += 2) {
            merged.push_back(runs[r]);
            if (r + 1 == runs.size()) break;
            const size_t end = r + 2 < runs.size() ? runs[r + 2] : byOffset.size();
            std::inplace_merge(byOffset.begin() + std::ptrdiff_t(runs[r]),
                               byOffset.begin() + std::ptrdiff_t(runs[r + 1]),
                               byOffset.begin() + std::ptrdiff_t(end), byValue);
        }
        runs.swap(merged);
    }
    // A chunk copied behind the chain moves again later, from its new place.
    std::unordered_map<int32_t, int32_t*> behind;
    // Moves come in the order of the old offsets: each search starts past the last match, and
    // mostly finds the next entry on the list. The entries before the cursor are done with.
    const size_t n = byOffset.size();
    size_t cursor = 0;
    auto lastAt = [&](int32_t from) -> size_t { // one past the last entry at or below from
        if (cursor + 1 == n || *byOffset[cursor + 1] > from) return cursor + 1;
        size_t step = 1, lo = cursor;
        while (lo + step < n && *byOffset[lo + step] <= from) {
            lo += step;
            step *= 2;
        }
        const auto end = byOffset.begin() + std::ptrdiff_t(std::min(lo + step, n));
        return size_t(std::upper_bound(byOffset.begin() + std::ptrdiff_t(lo), end, from,
                                       [](int32_t v, const int32_t* e) { return v < *e; }) -
                      byOffset.begin());
    };
    return m_store.Compact(dropMaps, [&](int32_t from, int32_t to) {
        int32_t* offset = nullptr;
        if (cursor < n && *byOffset[cursor] <= from) {
            const size_t last = lastAt(from);
            if (*byOffset[last - 1] == from) {
                offset = byOffset[last - 1];
                cursor = last;
            }
        }
        if (!offset)
            if (auto it = behind.find(from); it != behind.end()) {
                offset = it->second;
                behind.erase(it);
            }
        if (!offset) return;
        *offset = to;
        if (to > from) behind[to] = offset;
    });
}

void CIffFileBase::DropAll() {
    for (iff::ChunkIndex* list : {&m_index, &m_internal}) {
        list->ForEachStored([](IndexEntry& e) {
            CChunk::Free(e.Handle());
            e.SetHandle(nullptr);
        });
        list->Clear();
    }
    m_handles.clear();
    m_internalMode = false;
    m_store.Detach().reset();
    m_writable = false;
}

int32_t CIffFileBase::GetFileName(CBoundedString& out) {
    out.Clear();
    if (!IsOpen()) return kResErrNotOpen;
    out.Assign(m_store.File()->Name());
    return kResOk;
}

int16_t CIffFileBase::CountTypes() {
    if (!IsOpen()) {
        SetError(kResErrNotOpen);
        return 0;
    }
    SetError(kResOk);
    return int16_t(std::min<int32_t>(List().TypeCount(), 32767));
}

uint32_t CIffFileBase::GetTypeAt(int32_t index) {
    if (!IsOpen()) {
        SetError(kResErrNotOpen);
        return 0;
    }
    iff::TypeNode* node = List().TypeAt(index);
    if (!node) {
        SetError(kResErrTypeIndex);
        return 0;
    }
    SetError(kResOk);
    return node->type;
}

int16_t CIffFileBase::CountChunks(uint32_t type) {
    if (!IsOpen()) {
        SetError(kResErrNotOpen);
        return 0;
    }
    SetError(kResOk);
    iff::TypeNode* node = List().FindType(type);
    return node ? int16_t(std::min<size_t>(node->entries.size(), 32767)) : 0;
}

IndexEntry* CIffFileBase::FindById(uint32_t type, int16_t id, int32_t variant) {
    iff::ChunkIndex& list = List();
    iff::TypeNode* node = list.FindType(type);
    if (!node) return nullptr;
    const int32_t n = int32_t(node->entries.size());
    for (int32_t i = 1; i <= n; ++i) {
        IndexEntry* e = list.EntryAt(*node, i);
        if (e->id == id && (variant < 0 || (e->flags >> 8) == variant)) return e;
    }
    return nullptr;
}

IndexEntry* CIffFileBase::FindByHandle(CChunk* chunk) {
    if (!chunk) return nullptr;
    auto it = m_handles.find(chunk);
    return it == m_handles.end() ? nullptr : it->second;
}

CChunk* CIffFileBase::Fetch(IndexEntry* e, ByteOrderRoutine routine) {
    if (!IsOpen()) {
        SetError(kResErrNotOpen);
        return nullptr;
    }
    if (!e) {
        SetError(kResErrNoChunk);
        return nullptr;
    }
    if (CChunk* held = e->Handle()) {
        SetError(kResOk);
        return held;
    }
    const int32_t h = m_store.HeaderSize();
    iff::ChunkHeader hdr;
    if (ReadEntryHeader(*e, hdr) != kResOk) {
        SetError(kResErrObject);
        return nullptr;
    }
    CChunk* chunk = CChunk::Create(hdr.size - h);
    if (!chunk) {
        SetError(kResErrNoMemory);
        return nullptr;
    }
    if (int32_t err = m_store.ReadAt(e->offset + h, chunk->Body(), chunk->Size())) {
        CChunk::Free(chunk);
        SetError(err);
        return nullptr;
    }
    if (!(e->diskFlags & iff::kFlagNative) && routine) {
        routine(chunk->Body(), chunk->Size());
        e->flags |= iff::kFlagNative;
    }
    try {
        e->SetHandle(chunk);
    } catch (const std::bad_alloc&) {
        CChunk::Free(chunk);
        SetError(kResErrNoMemory);
        return nullptr;
    }
    m_handles[chunk] = e;
    SetError(kResOk);
    return chunk;
}

int32_t CIffFileBase::ReadEntryHeader(const IndexEntry& e, iff::ChunkHeader& hdr) {
    // An index read from a resource map is checked here, chunk by chunk, as it is used.
    const bool inlineLabel = m_store.HeaderSize() == iff::kChunkHeaderV2;
    if (e.offset < 0 || !m_store.ReadChunkHeader(e.offset, hdr) || hdr.type != e.type ||
        hdr.id != e.id || (hdr.flags & iff::kFlagFree) || hdr.flags != e.diskFlags ||
        (inlineLabel && std::strcmp(hdr.label, e.Label()) != 0))
        return kResErrObject;
    return kResOk;
}

int32_t CIffFileBase::DescribeChunkAt(uint32_t type, int32_t index, ChunkFacts& facts) {
    for (int attempt = 0; attempt < 2 && IsOpen(); ++attempt) {
        iff::TypeNode* node = List().FindType(type);
        IndexEntry* e = node ? List().EntryAt(*node, index) : nullptr;
        if (!e) return SetError(kResErrNoChunk);
        iff::ChunkHeader hdr;
        if (CChunk* held = e->Handle()) {
            facts.size = held->Size();
        } else if (ReadEntryHeader(*e, hdr) == kResOk) {
            facts.size = hdr.size - m_store.HeaderSize();
        } else if (RecoverIndex()) {
            continue;
        } else {
            return SetError(kResErrObject);
        }
        facts.id = e->id;
        // Only 2.x files have variants.
        facts.variant = m_store.HeaderSize() == iff::kChunkHeaderV2 ? e->flags >> 8 : 0;
        CFixedString<64> label;
        label.Assign(EntryLabel(*e).c_str());
        facts.label = label.Text();
        return SetError(kResOk);
    }
    return SetError(IsOpen() ? kResErrNoChunk : kResErrNotOpen);
}

CChunk* CIffFileBase::GetChunk(uint32_t type, int16_t id, ByteOrderRoutine routine) {
    return GetChunkVariant(type, id, 0, routine);
}

CChunk* CIffFileBase::GetChunkAt(uint32_t type, int32_t index, ByteOrderRoutine routine) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!IsOpen()) break;
        iff::TypeNode* node = List().FindType(type);
        IndexEntry* e = node ? List().EntryAt(*node, index) : nullptr;
        CChunk* chunk = Fetch(e, routine);
        if (chunk || LastError() != kResErrObject || !RecoverIndex()) return chunk;
    }
    return Fetch(nullptr, routine);
}

uint32_t CIffFileBase::GetType(CChunk* chunk) {
    if (!IsOpen()) {
        SetError(kResErrNotOpen);
        return 0;
    }
    IndexEntry* e = FindByHandle(chunk);
    SetError(e ? kResOk : kResErrNoChunk);
    return e ? e->type : 0;
}

int32_t CIffFileBase::GetId(CChunk* chunk, int16_t& id) {
    if (!IsOpen()) return SetError(kResErrNotOpen);
    IndexEntry* e = FindByHandle(chunk);
    if (!e) return SetError(kResErrNoChunk);
    id = e->id;
    return SetError(kResOk);
}

int32_t CIffFileBase::Reserved22(CChunk*, uint16_t& out) {
    out = 0;
    return SetError(kResErrUnsupported);
}

int32_t CIffFileBase::Reserved27(CChunk*) {
    return SetError(kResErrUnsupported);
}

int32_t CIffFileBase::MakeLabelUnique(uint32_t type, CBoundedString& label) {
    if (!IsOpen()) return SetError(kResErrNotOpen);
    iff::TypeNode* node = List().FindType(type);
    auto taken = [&](const char* text) {
        if (!node) return false;
        for (auto& e : node->entries)
            if (EqualsNoCase(EntryLabel(*e), text)) return true;
        return false;
    };
    const std::string base = label.Text();
    const size_t room = label.Capacity() > 0 ? size_t(label.Capacity() - 1) : 0;
    std::string candidate = base;
    for (int32_t n = 0; taken(candidate.c_str()) && n < 0x7FFFFFFF; ++n) {
        // Cut the base rather than the counter, so a full-length label still becomes unique.
        const std::string digits = std::to_string(n);
        if (digits.size() > room) break;
        candidate = base.substr(0, std::min(base.size(), room - digits.size())) + digits;
    }
    label.Assign(candidate.c_str());
    return SetError(kResOk);
}

int16_t CIffFileBase::NextFreeId(uint32_t type) {
    if (!IsOpen()) {
        SetError(kResErrNotOpen);
        return 0;
    }
    SetError(kResOk);
    iff::TypeNode* node = List().FindType(type);
    int32_t highest = 128;
    if (node)
        for (auto& e : node->entries)
            highest = std::max<int32_t>(highest, e->id);
    if (highest < 32767) return int16_t(highest + 1);
    // The top id is taken: hand out the lowest free one above 128 instead of wrapping around.
    std::vector<bool> used(32768, false);
    for (auto& e : node->entries)
        if (e->id >= 0) used[size_t(e->id)] = true;
    for (int32_t id = 129; id <= 32767; ++id)
        if (!used[size_t(id)]) return int16_t(id);
    SetError(kResErrObject);
    return 0;
}

void CIffFileBase::DetachHandle(IndexEntry& e) {
    if (e.Handle()) m_handles.erase(e.Handle());
    e.SetHandle(nullptr);
    e.flags = e.diskFlags;
}

void CIffFileBase::RemoveEntry(IndexEntry* e) {
    if (e->Handle()) m_handles.erase(e->Handle());
    for (iff::ChunkIndex* list : {&m_index, &m_internal})
        if (list->Remove(e)) return;
}

int32_t CIffFileBase::Release(CChunk* chunk) {
    if (!IsOpen()) return SetError(kResErrNotOpen);
    IndexEntry* e = FindByHandle(chunk);
    if (!e) return SetError(kResErrUnknownChunk);
    if (e->offset < 0)
        if (int32_t err = WriteEntry(*e)) return SetError(err);
    DetachHandle(*e);
    return SetError(kResOk);
}

bool CIffFileBase::IsNative(CChunk* chunk) {
    if (!IsOpen()) {
        SetError(kResErrNotOpen);
        return true;
    }
    IndexEntry* e = FindByHandle(chunk);
    if (!e) {
        SetError(kResErrUnknownChunk);
        return true;
    }
    SetError(kResOk);
    return (e->flags & iff::kFlagNative) != 0;
}

int32_t CIffFileBase::SetId(CChunk* chunk, int16_t id) {
    CFixedString<64> label;
    if (int32_t err = GetLabel(chunk, label)) return err;
    const int32_t variant = GetVariant(chunk);
    if (LastError()) return LastError();
    return SetIdAndLabel(chunk, id, label, variant);
}

int32_t CIffFileBase::AddCommon(CChunk* chunk, uint32_t type, int16_t id, const char* labelText,
                                int32_t variant, bool native, uint16_t extraFlags) {
    if (!IsOpen()) return SetError(kResErrNotOpen);
    if (!m_writable) return SetError(kResErrNotWritable);
    if (IsDamaged()) return SetError(kResErrDamaged);
    if (!chunk) return SetError(kResErrUnknownChunk);
    const int32_t match = m_store.HeaderSize() == iff::kChunkHeaderV1 ? -1 : variant;
    IndexEntry* existing = FindById(type, id, match);
    // Made up first and added last: a label that cannot be assigned leaves the index as it was.
    IndexEntry made;
    IndexEntry* e = &made;
    e->type = type;
    e->id = id;
    e->flags = uint16_t((native ? iff::kFlagNative : 0) | extraFlags | ((variant & 0xFF) << 8));
    e->diskFlags = e->flags;
    e->SetHandle(chunk);
    const char* text = labelText ? labelText : "";
    if (!existing || !ReuseLabel(*e, *existing, text))
        if (int32_t err = AssignLabel(*e, text)) return SetError(err);
    // A handle stands for one chunk only: taking it away from another chunk keeps that chunk
    // on disk as it was.
    if (IndexEntry* holder = FindByHandle(chunk)) DetachHandle(*holder);
    // Every chunk on record under this type, id (and variant) is superseded: the old version and
    // any copy a stopped save left behind. They stay on disk until the new body is written, so a
    // write that fails (or a crash) never leaves the file without either of them.
    while (IndexEntry* old = FindById(type, id, match)) {
        if (old->offset >= 0) e->Replaces().push_back(old->offset);
        if (old->HasReplaced()) e->Replaces().append(old->Replaces());
        if (old->NameKey() != e->NameKey()) ForgetLabel(*old);
        CChunk* oldHandle = old->Handle();
        RemoveEntry(old);
        CChunk::Free(oldHandle);
    }
    IndexEntry& added = List().Add(type);
    added = std::move(made);
    m_handles[chunk] = &added;
    return SetError(kResOk);
}

iff::ChunkHeader CIffFileBase::HeaderFor(const IndexEntry& e, int32_t bodySize) const {
    iff::ChunkHeader hdr;
    hdr.type = e.type;
    hdr.size = bodySize + m_store.HeaderSize();
    hdr.id = e.id;
    hdr.flags = e.flags;
    hdr.nameKey = e.NameKey();
    std::strncpy(hdr.label, e.Label(), sizeof hdr.label - 1);
    return hdr;
}

int32_t CIffFileBase::FreeReplaced(IndexEntry& e) {
    while (e.HasReplaced()) {
        if (int32_t err = m_store.FreeChunk(e.Replaces().back())) return err;
        e.Replaces().pop_back();
    }
    return kResOk;
}

int32_t CIffFileBase::WriteEntry(IndexEntry& e, bool inPlace) {
    if (!IsOpen()) return kResErrNotOpen;
    if (!m_writable) return kResErrNotWritable;
    CChunk* const body = e.Handle();
    if (!body) return kResOk;
    const int32_t h = m_store.HeaderSize();
    const int32_t b = body->Size();
    if (b < 0 || b > iff::kMaxBodySize) return kResErrObject;
    if (int32_t err = PrepareDiskChange()) return err;
    const iff::ChunkHeader hdr = HeaderFor(e, b);
    if (e.offset >= 0) {
        iff::ChunkHeader old;
        if (!m_store.ReadChunkHeader(e.offset, old)) return kResErrShortRead;
        if (old.size == hdr.size) {
            if (!inPlace) return RewriteInPlace(e, hdr);
            int32_t err = m_store.WriteAt(e.offset + h, body->Body(), b);
            if (!err) err = m_store.WriteChunkHeader(e.offset, hdr);
            if (err) return err;
            e.diskFlags = e.flags;
            return AfterChunkWrite();
        }
        // A new size needs a new place; the old one is freed once the new one is written.
        e.Replaces().push_back(e.offset);
        e.offset = -1;
    }
    int32_t pos = -1;
    bool appended = false;
    if (int32_t err = WriteAtNewPlace(e, hdr, pos, appended)) return err;
    e.offset = pos;
    e.diskFlags = e.flags;
    if (int32_t err = FreeReplaced(e)) return err;
    return AfterChunkWrite();
}

// The chunk's own bytes are its only copy until the new version is on disk elsewhere: a copy
// stands for it while they are overwritten, and is given back afterwards.
int32_t CIffFileBase::RewriteInPlace(IndexEntry& e, const iff::ChunkHeader& hdr) {
    const int32_t h = m_store.HeaderSize();
    const int32_t place = e.offset;
    const int32_t need = hdr.size;
    int32_t copy = -1;
    bool appended = false;
    // The copy is not an allocation the file's later searches should start from.
    const int32_t lastAlloc = m_store.lastAlloc;
    if (int32_t err = WriteAtNewPlace(e, hdr, copy, appended)) {
        m_store.lastAlloc = lastAlloc;
        return err;
    }
    // The copy holds the new version now; a failure from here on leaves the chunk there.
    e.offset = copy;
    e.diskFlags = e.flags;
    if (int32_t err = m_store.FreeChunk(place)) {
        e.Replaces().push_back(place);
        return err;
    }
    m_store.freeSpace -= need; // the place is taken again at once
    int32_t err = m_store.WriteAt(place + h, e.Handle()->Body(), need - h);
    if (!err) err = m_store.WriteChunkHeader(place, hdr);
    if (err) {
        m_store.freeSpace += need; // the place stays free; the chunk lives in the copy
        return AfterChunkWrite();
    }
    e.offset = place;
    if (int32_t err = m_store.FreeChunk(copy)) {
        e.Replaces().push_back(copy);
        return err;
    }
    if (appended && copy + need == m_store.File()->Length() && m_store.SetLength(copy))
        m_store.freeSpace -= need;
    m_store.lastAlloc = lastAlloc;
    return AfterChunkWrite();
}

int32_t CIffFileBase::WriteAtNewPlace(const IndexEntry& e, const iff::ChunkHeader& hdr,
                                      int32_t& pos, bool& appended) {
    if (int32_t err = m_store.Allocate(hdr.size, pos, &appended, &hdr)) return err;
    // Body first: until the header is written, the place stays a free chunk.
    const CChunk* body = e.Handle();
    int32_t err = m_store.WriteAt(pos + m_store.HeaderSize(), body->Body(), body->Size());
    if (!err) err = m_store.WriteChunkHeader(pos, hdr);
    if (err) GiveBack(pos, hdr.size, appended);
    return err;
}

// A place whose chunk could not be written: it is still a free chunk; one appended for it is cut
// off again, so a failed write leaves the file as long as it was.
void CIffFileBase::GiveBack(int32_t pos, int32_t size, bool appended) {
    if (!appended) {
        m_store.freeSpace += size;
    } else if (m_store.SetLength(pos)) {
        if (m_store.lastAlloc == pos) m_store.lastAlloc = -1;
    }
}

int32_t CIffFileBase::WritePending() {
    // Mostly nothing is pending, which a walk through memory tells soonest; what is, is
    // written in the order of the types.
    const auto pending = [](const IndexEntry& e) {
        return (e.offset < 0 && e.Handle()) || (e.offset >= 0 && e.HasReplaced());
    };
    bool any = false;
    List().ForEachStored([&](IndexEntry& e) { any = any || pending(e); });
    if (!any) return kResOk;
    int32_t first = kResOk;
    List().ForEach([&](IndexEntry& e) {
        if (!pending(e)) return;
        // Replaced chunks still on disk are left over from a write whose clean-up failed.
        const int32_t err = e.offset < 0 ? WriteEntry(e) : FreeReplaced(e);
        if (err && !first) first = err;
    });
    return first;
}

int32_t CIffFileBase::RewriteHeader(IndexEntry& e) {
    if (int32_t err = PrepareDiskChange()) return err;
    iff::ChunkHeader hdr;
    if (!m_store.ReadChunkHeader(e.offset, hdr)) return kResErrShortRead;
    hdr.id = e.id;
    hdr.nameKey = e.NameKey();
    std::memset(hdr.label, 0, sizeof hdr.label);
    std::strncpy(hdr.label, e.Label(), sizeof hdr.label - 1);
    if (int32_t err = m_store.WriteChunkHeader(e.offset, hdr)) return err;
    return AfterChunkWrite();
}

int32_t CIffFileBase::WriteChunk(CChunk* chunk) {
    if (!IsOpen()) return SetError(kResErrNotOpen);
    if (!m_writable) return SetError(kResErrNotWritable);
    IndexEntry* e = FindByHandle(chunk);
    if (!e) return SetError(kResErrUnknownChunk);
    return SetError(WriteEntry(*e));
}

int32_t CIffFileBase::DeleteChunk(CChunk* chunk) {
    if (!IsOpen()) return SetError(kResErrNotOpen);
    if (!m_writable) return SetError(kResErrNotWritable);
    IndexEntry* e = FindByHandle(chunk);
    if (!e) return SetError(kResErrUnknownChunk);
    if (e->offset >= 0 || e->HasReplaced())
        if (int32_t err = PrepareDiskChange()) return SetError(err);
    if (int32_t err = FreeReplaced(*e)) return SetError(err);
    if (e->offset >= 0) {
        if (int32_t err = m_store.FreeChunk(e->offset)) return SetError(err);
        e->offset = -1;
    }
    ForgetLabel(*e);
    RemoveEntry(e);
    CChunk::Free(chunk);
    return SetError(AfterChunkWrite());
}

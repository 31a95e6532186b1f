#include "resource/IffFileV1.h"

#include "common/BoundedString.h"
#include "fileio/FileObject.h"
#include "resource/IffFormat.h"

#include <cstring>

using iff::IndexEntry;

CIffFileV1::CIffFileV1() : CIffFileBase(iff::kChunkHeaderV1) {}

CIffFileV1::~CIffFileV1() {
    // A destructor has no one to tell; callers that care close first.
    if (IsOpen()) (void)Close();
}

int32_t CIffFileV1::Create(const char* path) {
    return CreateWithHeader(path, iff::kHeaderV1);
}

int32_t CIffFileV1::Delete(const char* path) {
    return DeleteFileAt(path);
}

int32_t CIffFileV1::Open(const char* path) {
    if (IsOpen()) return kResErrAlreadyOpen;
    SetBrokenChain({});
    if (int32_t e = OpenFileObjectFor(path)) return e;
    uint8_t header[iff::kFileHeaderSize];
    if (int32_t e = m_store.ReadAt(0, header, iff::kFileHeaderSize)) {
        DropAll();
        return e;
    }
    if (std::memcmp(header, iff::kHeaderV1, iff::kFileHeaderSize) != 0) {
        DropAll();
        return kResErrBadHeader;
    }
    // The chain ends at the first header that cannot be read or whose size is impossible;
    // the chunks before it stay usable.
    int32_t pos = iff::kFileHeaderSize;
    iff::ChunkHeader h;
    while (m_store.ReadChunkHeader(pos, h)) {
        if (h.flags & iff::kFlagFree) {
            m_store.freeSpace += h.size;
        } else {
            IndexEntry& e = ((h.flags & iff::kFlagInternal) ? m_internal : m_index).Add(h.type);
            e.id = h.id;
            e.flags = e.diskFlags = h.flags;
            e.offset = pos;
            e.SetNameKey(h.nameKey);
        }
        pos += h.size;
    }
    if (int32_t error = TakeScanEnd(m_store.EndOfWholeWalk(pos), pos)) return error;
    m_names.Clear();
    m_names.dirty = true;
    m_staleMaps.clear();
    m_internalMode = true;
    int32_t names = kResOk;
    if (CChunk* legacy = GetChunk(iff::kTypeName, 0)) {
        m_names.ReadLegacy(legacy->Body(), legacy->Size());
        // A fetched chunk already has its place in the file: giving it back writes nothing.
        (void)ReleaseChunk(legacy);
        m_names.dirty = false;
    } else if (LastError() != kResErrNoChunk) {
        names = LastError();
    } else {
        names = LoadObject(*this, m_names, 1);
        if (names == kResOk) m_names.dirty = false;
        if (names == kResErrNoChunk) names = kResOk;
    }
    m_internalMode = false;
    if (names != kResOk && m_writable) {
        // A label map that is there but cannot be read would be written back empty, taking
        // every label with it: such a file is only opened for reading.
        DropAll();
        return names;
    }
    SetError(kResOk);
    return kResOk;
}

int32_t CIffFileV1::Suspend() {
    return kResErrCannotOpen;
}
int32_t CIffFileV1::Resume() {
    return kResErrCannotOpen;
}

int32_t CIffFileV1::Close() {
    if (!IsOpen()) return SetError(kResErrNotOpen);
    int32_t err = kResOk;
    if (m_writable) {
        err = Flush();
        if (!err && m_store.freeSpace >= iff::kCompactThreshold) err = CompactFile();
    }
    DropAll();
    return SetError(err);
}

int32_t CIffFileV1::WriteNameMap() {
    m_internalMode = true;
    // The maps on disk stay until the new one is written: a failure or a crash in between
    // leaves every label readable.
    if (iff::TypeNode* node = m_internal.FindType(m_names.KindTag())) {
        std::vector<IndexEntry*> old;
        for (auto& e : node->entries)
            if (e->id == 1 && e->offset >= 0 && !e->Handle()) old.push_back(e);
        for (IndexEntry* e : old) {
            m_staleMaps.push_back(e->offset);
            RemoveEntry(e);
        }
    }
    int32_t err = StoreObject(*this, m_names, 1);
    if (!err) err = FreeStaleMaps();
    if (!err) {
        if (CChunk* legacy = GetChunk(iff::kTypeName, 0)) err = DeleteChunk(legacy);
    }
    m_internalMode = false;
    if (!err) m_names.dirty = false;
    return err;
}

int32_t CIffFileV1::FreeStaleMaps() {
    while (!m_staleMaps.empty()) {
        const int32_t pos = m_staleMaps.back();
        iff::ChunkHeader h;
        if (m_store.ReadChunkHeader(pos, h) && h.type == m_names.KindTag() && h.id == 1 &&
            !(h.flags & iff::kFlagFree))
            if (int32_t err = m_store.FreeChunk(pos)) return err;
        m_staleMaps.pop_back();
    }
    return kResOk;
}

int32_t CIffFileV1::Flush() {
    if (!IsOpen()) return SetError(kResErrNotOpen);
    if (!m_writable) return SetError(kResOk); // nothing can be pending
    int32_t first = kResOk;
    if (m_names.dirty) first = WriteNameMap();
    const int32_t err = WritePending();
    if (!first) first = err;
    if (!m_store.File()->Flush() && !first) first = kResErrCannotOpen;
    return SetError(first);
}

int32_t CIffFileV1::CompactFile() {
    return CompactChunks(false);
}

int32_t CIffFileV1::Compact() {
    if (!IsOpen()) return SetError(kResErrNotOpen);
    if (!m_writable) return SetError(kResErrNotWritable);
    if (int32_t err = Flush()) return err;
    return SetError(CompactFile());
}

CChunk* CIffFileV1::GetChunkVariant(uint32_t type, int16_t id, int32_t variant,
                                    ByteOrderRoutine routine) {
    if (IsOpen() && variant != 0) {
        SetError(kResErrNoVariants);
        return nullptr;
    }
    return Fetch(IsOpen() ? FindById(type, id, -1) : nullptr, routine);
}

CChunk* CIffFileV1::GetChunkByLabel(uint32_t type, const CBoundedString& label,
                                    ByteOrderRoutine routine) {
    if (!IsOpen()) return Fetch(nullptr, routine);
    iff::TypeNode* node = List().FindType(type);
    for (int32_t i = m_names.FindLabel(label.Text()); node && i >= 0;
         i = m_names.FindLabel(label.Text(), i)) {
        const int32_t key = m_names.Entries()[size_t(i)].key;
        for (int32_t n = 1; n <= int32_t(node->entries.size()); ++n) {
            IndexEntry* e = List().EntryAt(*node, n);
            if (e->NameKey() == key) return Fetch(e, routine);
        }
    }
    SetError(kResErrUnknownChunk);
    return nullptr;
}

int32_t CIffFileV1::GetLabel(CChunk* chunk, CBoundedString& out) {
    out.Clear();
    if (!IsOpen()) return SetError(kResErrNotOpen);
    IndexEntry* e = FindByHandle(chunk);
    if (!e) return SetError(kResErrNoChunk);
    if (const CNameMap::Entry* n = e->NameKey() == -1 ? nullptr : m_names.Find(e->NameKey()))
        out.Assign(n->label.c_str());
    return SetError(kResOk);
}

int32_t CIffFileV1::GetVariant(CChunk* chunk) {
    if (!IsOpen()) return SetError(kResErrNotOpen), 0;
    SetError(FindByHandle(chunk) ? kResOk : kResErrNoChunk);
    return 0;
}

int32_t CIffFileV1::AddChunk(CChunk* chunk, uint32_t type, int16_t id, const CBoundedString& label,
                             bool native) {
    return AddCommon(chunk, type, id, label.Text(), 0, native,
                     m_internalMode ? iff::kFlagInternal : 0);
}

int32_t CIffFileV1::AddChunkVariant(CChunk* chunk, uint32_t type, int16_t id, const CBoundedString&,
                                    int32_t, bool native) {
    CFixedString<2> none;
    return AddChunk(chunk, type, id, none, native);
}

int32_t CIffFileV1::DeleteChunk(CChunk* chunk) {
    return CIffFileBase::DeleteChunk(chunk);
}

int32_t CIffFileV1::SetIdAndLabel(CChunk* chunk, int16_t id, const CBoundedString& label,
                                  int32_t variant) {
    if (!IsOpen()) return SetError(kResErrNotOpen);
    if (variant != 0) return SetError(kResErrNoVariants);
    if (!m_writable) return SetError(kResErrNotWritable);
    IndexEntry* e = FindByHandle(chunk);
    if (!e) return SetError(kResErrUnknownChunk);
    bool changed = false;
    int32_t key = e->NameKey();
    if (label.Length() > 0 && key == -1) {
        key = NextNameKey();
        if (key == -1) return SetError(kResErrNoNameKey);
        changed = true;
    }
    if (e->id != id) changed = true;
    e->id = id;
    e->SetNameKey(key);
    if (key != -1) m_names.Set(key, label.Text());
    if (!changed || e->offset < 0) return SetError(kResOk);
    return SetError(RewriteHeader(*e));
}

// A chunk whose label was cleared keeps its key without a map entry; handing that key out
// again would make two chunks share one label, so keys held by chunks count too.
int32_t CIffFileV1::NextNameKey() {
    int32_t next = m_names.NextKey();
    for (iff::ChunkIndex* list : {&m_index, &m_internal})
        list->ForEach([&](IndexEntry& e) {
            const int32_t key = e.NameKey();
            if (next != -1 && key >= next) next = key == INT32_MAX ? -1 : key + 1;
        });
    return next;
}

std::string CIffFileV1::EntryLabel(const IndexEntry& e) {
    const CNameMap::Entry* n = e.NameKey() == -1 ? nullptr : m_names.Find(e.NameKey());
    return n ? n->label : std::string();
}

int32_t CIffFileV1::AssignLabel(IndexEntry& e, const char* label) {
    e.SetNameKey(-1);
    if (!label || !*label) return kResOk;
    const int32_t key = NextNameKey();
    if (key == -1) return kResErrNoNameKey;
    e.SetNameKey(key);
    m_names.Set(key, label);
    return kResOk;
}

bool CIffFileV1::ReuseLabel(IndexEntry& e, const IndexEntry& old, const char* label) {
    if (old.NameKey() == -1 || !label || !*label) return false;
    const CNameMap::Entry* n = m_names.Find(old.NameKey());
    if (!n || n->label != label) return false;
    e.SetNameKey(old.NameKey());
    return true;
}

void CIffFileV1::ForgetLabel(IndexEntry& e) {
    if (e.NameKey() != -1) m_names.Set(e.NameKey(), "");
}

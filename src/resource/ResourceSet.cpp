#include "resource/ResourceSet.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "common/BoundedString.h"

CResourceSet::~CResourceSet() = default;

bool CResourceSet::AddMember(std::unique_ptr<CResourceFile> file) {
    if (!file || MemberCount() >= kMaxMembers) return false;
    m_members.push_back(MemberSlot{std::move(file), {}, false});
    return true;
}

CResourceFile* CResourceSet::Member(int index) const {
    if (index < 0 || index >= MemberCount()) return nullptr;
    return m_members[static_cast<std::size_t>(index)].file.get();
}

void CResourceSet::ExcludeType(int member, uint32_t type) {
    if (member < 0 || member >= MemberCount()) return;
    MemberSlot& m = m_members[static_cast<std::size_t>(member)];
    if (!m.types.empty() && m.include) return;
    m.types.push_back(type);
    m.include = false;
}

void CResourceSet::IncludeType(int member, uint32_t type) {
    if (member < 0 || member >= MemberCount()) return;
    MemberSlot& m = m_members[static_cast<std::size_t>(member)];
    if (!m.types.empty() && !m.include) return;
    m.types.push_back(type);
    m.include = true;
}

bool CResourceSet::MemberTakes(int member, uint32_t type) const {
    if (member < 0 || member >= MemberCount()) return false;
    const MemberSlot& m = m_members[static_cast<std::size_t>(member)];
    const bool listed = std::find(m.types.begin(), m.types.end(), type) != m.types.end();
    return m.include ? listed : !listed;
}

void CResourceSet::DestroyMembers() {
    m_members.clear();
}

int32_t CResourceSet::Create(const char*) {
    return kResErrUnsupported;
}
int32_t CResourceSet::Delete(const char*) {
    return kResErrUnsupported;
}
int32_t CResourceSet::Open(const char*) {
    return kResErrUnsupported;
}

int32_t CResourceSet::Suspend() {
    int32_t result = kResOk;
    for (MemberSlot& m : m_members)
        if (int32_t e = m.file->Suspend()) result = e;
    return result;
}

int32_t CResourceSet::Resume() {
    int32_t result = kResOk;
    for (MemberSlot& m : m_members)
        if (int32_t e = m.file->Resume()) result = e;
    return result;
}

int32_t CResourceSet::Close() {
    int32_t result = kResOk;
    for (MemberSlot& m : m_members)
        if (int32_t e = m.file->Close()) result = e;
    return SetError(result);
}

int32_t CResourceSet::Flush() {
    int32_t result = kResOk;
    for (MemberSlot& m : m_members) {
        if (!m.file->IsWritable()) continue;
        const int32_t e = m.file->Flush();
        if (result == kResOk) result = e;
    }
    return SetError(result);
}

bool CResourceSet::IsWritable() {
    return std::any_of(m_members.begin(), m_members.end(),
                       [](MemberSlot& m) { return m.file->IsWritable(); });
}

bool CResourceSet::IsOpen() {
    return std::any_of(m_members.begin(), m_members.end(),
                       [](MemberSlot& m) { return m.file->IsOpen(); });
}

int32_t CResourceSet::GetFileName(CBoundedString& out) {
    if (m_members.empty()) {
        out.Clear();
        return kResErrNotOpen;
    }
    return m_members.front().file->GetFileName(out);
}

std::vector<uint32_t> CResourceSet::UnionTypes() {
    std::vector<uint32_t> types;
    for (MemberSlot& m : m_members) {
        for (int32_t i = m.file->CountTypes(); i >= 1; --i) {
            const uint32_t type = m.file->GetTypeAt(i);
            if (m.file->LastError() != kResOk) continue;
            if (std::find(types.begin(), types.end(), type) == types.end()) types.push_back(type);
        }
    }
    return types;
}

int16_t CResourceSet::CountTypes() {
    const std::size_t n = UnionTypes().size();
    SetError(kResOk);
    return static_cast<int16_t>(std::min<std::size_t>(n, std::numeric_limits<int16_t>::max()));
}

uint32_t CResourceSet::GetTypeAt(int32_t index) {
    const std::vector<uint32_t> types = UnionTypes();
    SetError(kResOk);
    if (index < 1 || static_cast<std::size_t>(index) > types.size()) return 0;
    return types[static_cast<std::size_t>(index) - 1];
}

int16_t CResourceSet::CountChunks(uint32_t type) {
    int32_t total = 0;
    for (MemberSlot& m : m_members)
        if (m.file->IsOpen()) total += m.file->CountChunks(type);
    SetError(IsOpen() ? kResOk : kResErrNotOpen);
    return static_cast<int16_t>(std::min<int32_t>(total, std::numeric_limits<int16_t>::max()));
}

CChunk* CResourceSet::GetChunk(uint32_t type, int16_t id, ByteOrderRoutine routine) {
    return GetChunkVariant(type, id, 0, routine);
}

CChunk* CResourceSet::GetChunkVariant(uint32_t type, int16_t id, int32_t variant,
                                      ByteOrderRoutine routine) {
    int32_t error = kResErrNotOpen;
    for (MemberSlot& m : m_members) {
        if (CChunk* chunk = m.file->GetChunkVariant(type, id, variant, routine)) {
            SetError(kResOk);
            return chunk;
        }
        error = m.file->LastError();
    }
    SetError(error);
    return nullptr;
}

CChunk* CResourceSet::GetChunkByLabel(uint32_t type, const CBoundedString& label,
                                      ByteOrderRoutine routine) {
    int32_t error = kResErrNotOpen;
    for (MemberSlot& m : m_members) {
        if (CChunk* chunk = m.file->GetChunkByLabel(type, label, routine)) {
            SetError(kResOk);
            return chunk;
        }
        error = m.file->LastError();
    }
    SetError(error);
    return nullptr;
}

CChunk* CResourceSet::GetChunkAt(uint32_t type, int32_t index, ByteOrderRoutine routine) {
    for (MemberSlot& m : m_members) {
        if (!m.file->IsOpen()) continue;
        const int32_t count = m.file->CountChunks(type);
        if (index <= count) {
            CChunk* chunk = m.file->GetChunkAt(type, index, routine);
            SetError(m.file->LastError());
            return chunk;
        }
        index -= count;
    }
    SetError(IsOpen() ? kResErrNoChunk : kResErrNotOpen);
    return nullptr;
}

int32_t CResourceSet::DescribeChunkAt(uint32_t type, int32_t index, ChunkFacts& facts) {
    for (MemberSlot& m : m_members) {
        if (!m.file->IsOpen()) continue;
        const int32_t count = m.file->CountChunks(type);
        if (index <= count) return SetError(m.file->DescribeChunkAt(type, index, facts));
        index -= count;
    }
    return SetError(IsOpen() ? kResErrNoChunk : kResErrNotOpen);
}

namespace {

// Errors by which a member says that it does not hold the handle.
bool NotMine(int32_t e) {
    return e == kResErrUnknownChunk || e == kResErrNoChunk || e == kResErrNotOpen;
}

} // namespace

template <class Op> int32_t CResourceSet::FirstWithoutError(Op op, bool changes) {
    int32_t failure = kResErrUnknownChunk;
    for (MemberSlot& m : m_members) {
        if (changes && !m.file->IsWritable()) continue;
        const int32_t e = op(*m.file);
        if (e == kResOk) return SetError(kResOk);
        // The member that holds the handle failed to change it: that is the answer, not -99.
        if (changes && !NotMine(e) && failure == kResErrUnknownChunk) failure = e;
    }
    return SetError(failure);
}

int32_t CResourceSet::GetLabel(CChunk* chunk, CBoundedString& out) {
    const int32_t e =
        FirstWithoutError([&](CResourceFile& f) { return f.GetLabel(chunk, out); }, false);
    if (e != kResOk) out.Clear();
    return e;
}

uint32_t CResourceSet::GetType(CChunk* chunk) {
    uint32_t type = 0;
    FirstWithoutError(
        [&](CResourceFile& f) {
            type = f.GetType(chunk);
            return f.LastError();
        },
        false);
    return LastError() == kResOk ? type : 0;
}

int32_t CResourceSet::GetId(CChunk* chunk, int16_t& id) {
    return FirstWithoutError([&](CResourceFile& f) { return f.GetId(chunk, id); }, false);
}

int32_t CResourceSet::Reserved22(CChunk* chunk, uint16_t& out) {
    out = 0;
    return FirstWithoutError([&](CResourceFile& f) { return f.Reserved22(chunk, out); }, false);
}

int32_t CResourceSet::GetVariant(CChunk* chunk) {
    int32_t variant = 0;
    FirstWithoutError(
        [&](CResourceFile& f) {
            variant = f.GetVariant(chunk);
            return f.LastError();
        },
        false);
    return LastError() == kResOk ? variant : 0;
}

int32_t CResourceSet::Release(CChunk* chunk) {
    for (MemberSlot& m : m_members) {
        const int32_t e = m.file->Release(chunk);
        if (e == kResOk) return SetError(kResOk);
        if (!NotMine(e)) return SetError(e); // the holder could not write it out
    }
    return SetError(kResErrUnknownChunk);
}

bool CResourceSet::IsNative(CChunk* chunk) {
    bool native = true;
    FirstWithoutError(
        [&](CResourceFile& f) {
            native = f.IsNative(chunk);
            return f.LastError();
        },
        false);
    return LastError() == kResOk ? native : true;
}

int32_t CResourceSet::SetId(CChunk* chunk, int16_t id) {
    return FirstWithoutError([&](CResourceFile& f) { return f.SetId(chunk, id); }, false);
}

int32_t CResourceSet::Reserved27(CChunk*) {
    return SetError(kResErrUnsupported);
}

int32_t CResourceSet::MakeLabelUnique(uint32_t type, CBoundedString& label) {
    if (label.Length() == 0) label.Assign("anonymous 0");
    int32_t result = kResErrUnsupported;
    // One member's answer may be taken in another; go round until every member accepts it.
    for (int pass = 0; pass <= kMaxMembers; ++pass) {
        bool changed = false;
        for (MemberSlot& m : m_members) {
            char before[256];
            CBoundedString saved(before, sizeof before);
            saved.Assign(label);
            const int32_t e = m.file->MakeLabelUnique(type, label);
            if (e == kResErrUnsupported) continue; // a kind that cannot hold labels of its own
            if (e != kResOk) return SetError(e);
            result = kResOk;
            if (saved.Compare(label) != 0) changed = true;
        }
        if (!changed) break;
    }
    return SetError(result);
}

int16_t CResourceSet::NextFreeId(uint32_t type) {
    if (m_members.empty()) {
        SetError(kResErrNotOpen);
        return 0;
    }
    CResourceFile& first = *m_members.front().file;
    const int16_t id = first.NextFreeId(type);
    SetError(first.LastError());
    return id;
}

int32_t CResourceSet::AddChunk(CChunk* chunk, uint32_t type, int16_t id,
                               const CBoundedString& label, bool native) {
    return AddChunkVariant(chunk, type, id, label, 0, native);
}

int32_t CResourceSet::AddChunkVariant(CChunk* chunk, uint32_t type, int16_t id,
                                      const CBoundedString& label, int32_t variant, bool native) {
    // The member that takes the new chunk.
    int32_t error = kResErrNoWritableMember;
    int target = -1;
    for (int i = 0; i < MemberCount() && target < 0; ++i) {
        CResourceFile& f = *m_members[static_cast<std::size_t>(i)].file;
        if (!MemberTakes(i, type))
            error = kResErrNoMemberTakes;
        else if (f.IsWritable())
            target = i;
        else
            error = kResErrNoWritableMember;
    }
    // A chunk of that type, id and variant is replaced. When it lives in the member that takes
    // the new one, that member replaces it and keeps the old body on disk until the new one is
    // written. Elsewhere it can only be deleted, so the new one is written first.
    CChunk* existing = GetChunkVariant(type, id, variant, nullptr);
    // A lookup of a missing variant answers with variant 0, which must survive.
    if (existing && GetVariant(existing) != variant) existing = nullptr;
    const int holder = existing ? MemberOf(existing) : -1;
    if (existing && holder != target) {
        if (existing == chunk) {
            if (int32_t e = Release(chunk)) return SetError(e);
            existing = GetChunkVariant(type, id, variant, nullptr);
        }
        // Only a writable member can give the old chunk up.
        if (existing && !m_members[static_cast<std::size_t>(holder)].file->IsWritable())
            return SetError(kResErrUnknownChunk);
    }
    if (target < 0) {
        // The first failure is the one reported.
        if (existing && existing != chunk) (void)ReleaseChunk(existing);
        return SetError(error);
    }
    CResourceFile& f = *m_members[static_cast<std::size_t>(target)].file;
    if (existing && holder != target) {
        // A copy of the new body goes to disk before the old chunk is deleted; the caller's
        // handle then replaces the copy as any replacement does.
        CChunk* copy = CChunk::Create(chunk->Size());
        if (!copy) return SetError(kResErrNoMemory);
        if (chunk->Size() > 0) std::memcpy(copy->Body(), chunk->Body(), size_t(chunk->Size()));
        if (int32_t e = f.AddChunkVariant(copy, type, id, label, variant, native)) {
            CChunk::Free(copy);
            return SetError(e);
        }
        if (int32_t e = f.WriteChunk(copy)) {
            // The first failure is the one reported.
            if (f.DeleteChunk(copy) != kResOk) (void)f.ReleaseChunk(copy);
            return SetError(e);
        }
        if (int32_t e = f.ReleaseChunk(copy)) return SetError(e);
        if (int32_t e = DeleteChunk(existing)) return SetError(e);
    }
    return SetError(f.AddChunkVariant(chunk, type, id, label, variant, native));
}

const ChainBreak& CResourceSet::BrokenChain() const {
    if (CResourceFile::BrokenChain().offset >= 0) return CResourceFile::BrokenChain();
    for (const MemberSlot& m : m_members)
        if (m.file->BrokenChain().offset >= 0) return m.file->BrokenChain();
    return CResourceFile::BrokenChain();
}

int CResourceSet::MemberOf(CChunk* chunk) {
    for (int i = 0; i < MemberCount(); ++i) {
        CResourceFile& f = *m_members[static_cast<std::size_t>(i)].file;
        int16_t id = 0;
        if (f.GetId(chunk, id) == kResOk) return i;
    }
    return -1;
}

int32_t CResourceSet::WriteChunk(CChunk* chunk) {
    return FirstWithoutError([&](CResourceFile& f) { return f.WriteChunk(chunk); }, true);
}

int32_t CResourceSet::DeleteChunk(CChunk* chunk) {
    return FirstWithoutError([&](CResourceFile& f) { return f.DeleteChunk(chunk); }, true);
}

int32_t CResourceSet::SetIdAndLabel(CChunk* chunk, int16_t id, const CBoundedString& label,
                                    int32_t variant) {
    return FirstWithoutError(
        [&](CResourceFile& f) { return f.SetIdAndLabel(chunk, id, label, variant); }, true);
}

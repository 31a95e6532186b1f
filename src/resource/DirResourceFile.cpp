#include "resource/DirResourceFile.h"

#include <algorithm>
#include <limits>
#include <string>

#include "common/AsciiCase.h"
#include "common/BoundedString.h"

namespace {

int32_t MapStatus(int status) {
    switch (status) {
    case kDirFound:
        return kResOk;
    case kDirNotFound:
        return kResErrNoChunk;
    case kDirOutOfMemory:
        return kResErrNoMemory;
    default:
        return kResErrObject;
    }
}

bool Fits16(int32_t id) {
    return id >= std::numeric_limits<int16_t>::min() && id <= std::numeric_limits<int16_t>::max();
}

} // namespace

CDirResourceFile::~CDirResourceFile() {
    // A destructor has no one to tell; callers that care close first.
    if (m_open) (void)Close();
}

int32_t CDirResourceFile::Create(const char*) {
    return kResErrUnsupported;
}
int32_t CDirResourceFile::Delete(const char*) {
    return kResErrUnsupported;
}

int32_t CDirResourceFile::Open(const char* path) {
    if (m_open) return kResErrAlreadyOpen;
    std::string prepared = path ? path : "";
    std::replace(prepared.begin(), prepared.end(), '\\', '/');
    while (prepared.rfind("./", 0) == 0)
        prepared.erase(0, 2);
    DirectoryList dirs = ParseDirectoryList(prepared.c_str());
    if (!CheckDirectories(dirs)) return kResErrAlreadyOpen;
    m_dirs = std::move(dirs);
    std::string name = path ? path : "";
    for (char& c : name) {
        if (c == '/') c = '\\';
        c = AsciiLower(c);
    }
    m_name = CTGString(name.c_str());
    m_open = true;
    return kResOk;
}

int32_t CDirResourceFile::Suspend() {
    return kResOk;
}
int32_t CDirResourceFile::Resume() {
    return kResOk;
}

int32_t CDirResourceFile::Close() {
    if (!m_open) return SetError(kResErrNotOpen);
    for (LoadedItem& item : m_loaded)
        CChunk::Free(item.handle);
    m_loaded.clear();
    m_dirs.clear();
    m_name.Clear();
    m_haveItems = m_haveTypes = false;
    m_items.clear();
    m_types.clear();
    m_open = false;
    return SetError(kResOk);
}

int32_t CDirResourceFile::Flush() {
    return SetError(kResErrUnsupported);
}

int32_t CDirResourceFile::GetFileName(CBoundedString& out) {
    out.Clear();
    if (!m_open) return kResErrNotOpen;
    out.Assign(m_name.Text());
    return kResOk;
}

bool CDirResourceFile::CheckOpen() {
    if (m_open) return true;
    SetError(kResErrNotOpen);
    return false;
}

const std::vector<uint32_t>& CDirResourceFile::ListTypes(bool fresh) {
    if (fresh || !m_haveTypes) {
        m_types = ListChunkTypes(m_dirs);
        m_haveTypes = true;
    }
    return m_types;
}

int16_t CDirResourceFile::CountTypes() {
    if (!CheckOpen()) return 0;
    const std::size_t n = ListTypes(true).size();
    SetError(kResOk);
    return static_cast<int16_t>(std::min<std::size_t>(n, std::numeric_limits<int16_t>::max()));
}

uint32_t CDirResourceFile::GetTypeAt(int32_t index) {
    if (!CheckOpen()) return 0;
    const std::vector<uint32_t>& types = ListTypes(false);
    if (index < 1 || static_cast<std::size_t>(index) > types.size()) {
        SetError(kResErrTypeIndex);
        return 0;
    }
    SetError(kResOk);
    return types[static_cast<std::size_t>(index) - 1];
}

const std::vector<DirectoryItem>& CDirResourceFile::ListChunks(uint32_t type, bool fresh) {
    type = LeftAlignType(type);
    if (fresh || !m_haveItems || m_itemsType != type) {
        ListChunksOfType(m_dirs, type, m_items);
        std::erase_if(m_items, [](const DirectoryItem& item) { return !Fits16(item.id); });
        m_haveItems = true;
        m_itemsType = type;
    }
    return m_items;
}

int16_t CDirResourceFile::CountChunks(uint32_t type) {
    if (!CheckOpen()) return 0;
    const std::size_t n = ListChunks(type, true).size();
    SetError(kResOk);
    return static_cast<int16_t>(std::min<std::size_t>(n, std::numeric_limits<int16_t>::max()));
}

CChunk* CDirResourceFile::Load(DirectoryChunk& found, ByteOrderRoutine routine) {
    for (LoadedItem& item : m_loaded) {
        if (item.type == found.type && item.id == found.id && item.label == found.label) {
            SetError(kResOk);
            return item.handle;
        }
    }
    std::unique_ptr<CChunk, CChunkFree> handle(CChunk::Create(found.size));
    if (!handle) {
        SetError(kResErrNoMemory);
        return nullptr;
    }
    // A body that cannot be read whole is not handed out half filled.
    if (found.size > 0 && !found.file->ReadAll(handle->Body())) {
        SetError(kResErrShortRead);
        return nullptr;
    }
    found.file.reset();
    if (routine) routine(handle->Body(), handle->Size());
    m_loaded.push_back(LoadedItem{found.type, found.id, found.label, handle.get()});
    SetError(kResOk);
    return handle.release();
}

CChunk* CDirResourceFile::GetChunk(uint32_t type, int16_t id, ByteOrderRoutine routine) {
    if (!CheckOpen()) return nullptr;
    DirectoryChunk found;
    const int status = FindChunkById(m_dirs, type, id, found);
    if (status != kDirFound) {
        SetError(MapStatus(status));
        return nullptr;
    }
    return Load(found, routine);
}

CChunk* CDirResourceFile::GetChunkVariant(uint32_t type, int16_t id, int32_t variant,
                                          ByteOrderRoutine routine) {
    if (!CheckOpen()) return nullptr;
    if (variant != 0) {
        SetError(kResErrNoVariants);
        return nullptr;
    }
    return GetChunk(type, id, routine);
}

CChunk* CDirResourceFile::GetChunkByLabel(uint32_t type, const CBoundedString& label,
                                          ByteOrderRoutine routine) {
    if (!CheckOpen()) return nullptr;
    DirectoryChunk found;
    const int status = FindChunkByLabel(m_dirs, type, label.Text(), kNoChunkId, found);
    if (status != kDirFound) {
        SetError(MapStatus(status));
        return nullptr;
    }
    return Load(found, routine);
}

CChunk* CDirResourceFile::GetChunkAt(uint32_t type, int32_t index, ByteOrderRoutine routine) {
    if (!CheckOpen()) return nullptr;
    const std::vector<DirectoryItem>& items = ListChunks(type, false);
    if (index < 1 || static_cast<std::size_t>(index) > items.size()) {
        SetError(kResErrNoChunk);
        return nullptr;
    }
    DirectoryChunk found;
    const int status = OpenDirectoryItem(items[static_cast<std::size_t>(index) - 1], found);
    if (status != kDirFound) {
        SetError(MapStatus(status));
        return nullptr;
    }
    return Load(found, routine);
}

int32_t CDirResourceFile::DescribeChunkAt(uint32_t type, int32_t index, ChunkFacts& facts) {
    // The body is read to learn its size: a file here has no header to tell it.
    const size_t held = m_loaded.size();
    CChunk* chunk = GetChunkAt(type, index);
    if (!chunk) return LastError();
    const LoadedItem* item = FindItem(chunk);
    facts.id = Fits16(item->id) ? static_cast<int16_t>(item->id) : 0;
    facts.variant = 0;
    facts.label = item->label.Text();
    facts.size = chunk->Size();
    // A handle made for this is given back; one the caller held before stays held.
    return SetError(m_loaded.size() > held ? ReleaseChunk(chunk) : kResOk);
}

CDirResourceFile::LoadedItem* CDirResourceFile::FindItem(const CChunk* chunk) {
    if (chunk) {
        for (LoadedItem& item : m_loaded)
            if (item.handle == chunk) return &item;
    }
    SetError(kResErrUnknownChunk);
    return nullptr;
}

int32_t CDirResourceFile::GetLabel(CChunk* chunk, CBoundedString& out) {
    out.Clear();
    const LoadedItem* item = FindItem(chunk);
    if (!item) return kResErrUnknownChunk;
    out.Assign(item->label.Text());
    return SetError(kResOk);
}

uint32_t CDirResourceFile::GetType(CChunk* chunk) {
    const LoadedItem* item = FindItem(chunk);
    if (!item) return 0;
    SetError(kResOk);
    return item->type;
}

int32_t CDirResourceFile::GetId(CChunk* chunk, int16_t& id) {
    const LoadedItem* item = FindItem(chunk);
    if (!item) return kResErrUnknownChunk;
    id = Fits16(item->id) ? static_cast<int16_t>(item->id) : 0;
    return SetError(kResOk);
}

int32_t CDirResourceFile::Reserved22(CChunk*, uint16_t& out) {
    out = 0;
    return SetError(kResErrUnsupported);
}

int32_t CDirResourceFile::GetVariant(CChunk* chunk) {
    if (!FindItem(chunk)) return 0;
    SetError(kResOk);
    return 0;
}

int32_t CDirResourceFile::MakeLabelUnique(uint32_t, CBoundedString&) {
    return SetError(kResErrUnsupported);
}

int16_t CDirResourceFile::NextFreeId(uint32_t) {
    SetError(kResErrUnsupported);
    return 0;
}

int32_t CDirResourceFile::Release(CChunk* chunk) {
    const LoadedItem* item = FindItem(chunk);
    if (!item) return kResErrUnknownChunk;
    m_loaded.erase(m_loaded.begin() + (item - m_loaded.data()));
    return SetError(kResOk);
}

int32_t CDirResourceFile::Reserved27(CChunk*) {
    return SetError(kResErrUnsupported);
}

bool CDirResourceFile::IsNative(CChunk* chunk) {
    if (FindItem(chunk)) SetError(kResOk);
    return true;
}

int32_t CDirResourceFile::SetId(CChunk*, int16_t) {
    return SetError(kResErrUnsupported);
}

int32_t CDirResourceFile::AddChunk(CChunk*, uint32_t, int16_t, const CBoundedString&, bool) {
    return SetError(kResErrUnsupported);
}

int32_t CDirResourceFile::AddChunkVariant(CChunk*, uint32_t, int16_t, const CBoundedString&,
                                          int32_t, bool) {
    return SetError(kResErrUnsupported);
}

int32_t CDirResourceFile::WriteChunk(CChunk*) {
    return SetError(kResErrUnsupported);
}
int32_t CDirResourceFile::DeleteChunk(CChunk*) {
    return SetError(kResErrUnsupported);
}

int32_t CDirResourceFile::SetIdAndLabel(CChunk*, int16_t, const CBoundedString&, int32_t) {
    return SetError(kResErrUnsupported);
}

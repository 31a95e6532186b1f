#include "FuzzSupport.h"

#include <algorithm>
#include <cstring>

#include "common/BoundedString.h"
#include "resource/IffFileV1.h"
#include "resource/IffFileV2.h"
#include "resource/IffFormat.h"

namespace fuzz {

CMemoryFiles::Handle* CMemoryFiles::Find(PlatformFile file) {
    auto it = m_handles.find(file);
    return it == m_handles.end() ? nullptr : &it->second;
}

PlatformFile CMemoryFiles::Open(const char* path, PlatformAccess access, PlatformOpen how,
                                const PlatformOpenOptions&) {
    if (!path || !*path) return kNoPlatformFile;
    auto it = files.find(path);
    if (how == PlatformOpen::CreateAlways)
        files[path].clear();
    else if (it == files.end())
        return kNoPlatformFile;
    const PlatformFile handle = m_next++;
    m_handles[handle] = Handle{path, 0, access != PlatformAccess::Read};
    return handle;
}

int64_t CMemoryFiles::Read(PlatformFile file, void* buf, int64_t count) {
    Handle* h = Find(file);
    if (!h || count < 0) return -1;
    const std::vector<uint8_t>& bytes = files[h->path];
    const int64_t size = int64_t(bytes.size());
    const int64_t n = h->position >= size ? 0 : std::min(count, size - h->position);
    if (n > 0) std::memcpy(buf, bytes.data() + h->position, size_t(n));
    h->position += n;
    return n;
}

int64_t CMemoryFiles::Write(PlatformFile file, const void* buf, int64_t count) {
    Handle* h = Find(file);
    if (!h || !h->writable || count < 0) return -1;
    std::vector<uint8_t>& bytes = files[h->path];
    if (int64_t(bytes.size()) < h->position + count) bytes.resize(size_t(h->position + count));
    if (count > 0) std::memcpy(bytes.data() + h->position, buf, size_t(count));
    h->position += count;
    return count;
}

int64_t CMemoryFiles::Seek(PlatformFile file, int64_t offset) {
    Handle* h = Find(file);
    if (!h || offset < 0) return -1;
    h->position = offset;
    return offset;
}

bool CMemoryFiles::SetEnd(PlatformFile file) {
    Handle* h = Find(file);
    if (!h || !h->writable) return false;
    files[h->path].resize(size_t(h->position));
    return true;
}

bool CMemoryFiles::Flush(PlatformFile file) {
    return Find(file) != nullptr;
}

int64_t CMemoryFiles::Size(PlatformFile file) {
    Handle* h = Find(file);
    return h ? int64_t(files[h->path].size()) : -1;
}

void CMemoryFiles::Close(PlatformFile file) {
    m_handles.erase(file);
}

bool CMemoryFiles::Delete(const char* path) {
    return path && files.erase(path) > 0;
}

std::vector<uint8_t> CInput::Blob() {
    const size_t n = std::min<size_t>(U16(), m_size - std::min(m_pos, m_size));
    std::vector<uint8_t> out(m_data + m_pos, m_data + m_pos + n);
    m_pos += n;
    return out;
}

std::vector<uint8_t> CInput::Rest() {
    if (m_pos >= m_size) return {};
    std::vector<uint8_t> out(m_data + m_pos, m_data + m_size);
    m_pos = m_size;
    return out;
}

void PutU16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

void PutBlob(std::vector<uint8_t>& out, const std::vector<uint8_t>& blob) {
    const size_t n = std::min<size_t>(blob.size(), 0xFFFF);
    PutU16(out, uint16_t(n));
    out.insert(out.end(), blob.begin(), blob.begin() + long(n));
}

namespace {

void PutHeader(std::vector<uint8_t>& out, const ImageChunk& c, int32_t headerSize) {
    const size_t at = out.size();
    out.resize(at + size_t(headerSize), 0);
    uint8_t* h = out.data() + at;
    iff::PutBE32(h, c.type);
    iff::PutBE32(h + 4, uint32_t(headerSize + int32_t(c.body.size())));
    iff::PutBE16(h + 8, uint16_t(c.id));
    iff::PutBE16(h + 10, c.flags);
    if (headerSize == iff::kChunkHeaderV1) {
        iff::PutBE32(h + 12, 0xFFFFFFFFu);
    } else {
        for (size_t i = 0; i < c.label.size() && i < size_t(iff::kMaxLabelChars); ++i)
            h[12 + i] = uint8_t(c.label[i]);
    }
}

const std::vector<uint8_t>& HeaderV25() {
    // Made once by the container itself: a new 2.5 file is exactly its header.
    static const std::vector<uint8_t> header = [] {
        CMemoryFiles files;
        CPlatformFilesScope scope(files);
        CIffFileV2 file;
        (void)file.Create(CMemoryIff::kPath);
        std::vector<uint8_t> bytes = files.files[CMemoryIff::kPath];
        bytes.resize(iff::kFileHeaderSize, 0);
        return bytes;
    }();
    return header;
}

} // namespace

std::vector<uint8_t> BuildIffV2(const std::vector<ImageChunk>& chunks) {
    std::vector<uint8_t> out = HeaderV25();
    for (const ImageChunk& c : chunks) {
        PutHeader(out, c, iff::kChunkHeaderV2);
        out.insert(out.end(), c.body.begin(), c.body.end());
    }
    return out;
}

std::vector<uint8_t> BuildIffV1(const std::vector<ImageChunk>& chunks) {
    std::vector<uint8_t> out(iff::kHeaderV1, iff::kHeaderV1 + iff::kFileHeaderSize);
    for (const ImageChunk& c : chunks) {
        PutHeader(out, c, iff::kChunkHeaderV1);
        out.insert(out.end(), c.body.begin(), c.body.end());
    }
    return out;
}

CMemoryIff::CMemoryIff(std::vector<uint8_t> image, bool v2, bool writable)
    : m_scope(m_files), m_v2(v2) {
    m_files.files[kPath] = std::move(image);
    Reopen(writable);
}

CMemoryIff::~CMemoryIff() {
    // The file closes while the memory layer is still installed.
    if (m_file && m_file->IsOpen()) (void)m_file->Close();
    m_file.reset();
}

std::unique_ptr<CResourceFile> CMemoryIff::Take() {
    m_open = false;
    return std::move(m_file);
}

bool CMemoryIff::Reopen(bool writable) {
    if (m_file && m_file->IsOpen()) (void)m_file->Close();
    if (m_v2)
        m_file = std::make_unique<CIffFileV2>();
    else
        m_file = std::make_unique<CIffFileV1>();
    m_file->SetReadOnlyOpen(!writable);
    m_open = m_file->Open(kPath) == kResOk;
    return m_open;
}

void WalkAllChunks(CResourceFile& file) {
    const int16_t types = file.CountTypes();
    for (int32_t t = 1; t <= types; ++t) {
        const uint32_t type = file.GetTypeAt(t);
        const int16_t n = file.CountChunks(type);
        for (int32_t i = 1; i <= n; ++i) {
            CChunk* chunk = file.GetChunkAt(type, i, nullptr);
            if (!chunk) continue;
            CFixedString<64> label;
            file.GetLabel(chunk, label);
            int16_t id = 0;
            file.GetId(chunk, id);
            file.GetVariant(chunk);
            // A second fetch by id and by label must hand out the same handle.
            CChunk* again = file.GetChunk(type, id, nullptr);
            if (again && again != chunk) (void)file.ReleaseChunk(again);
            if (label.Length() > 0) {
                CChunk* byLabel = file.GetChunkByLabel(type, label, nullptr);
                if (byLabel && byLabel != chunk) (void)file.ReleaseChunk(byLabel);
            }
            (void)file.ReleaseChunk(chunk);
        }
    }
}

} // namespace fuzz

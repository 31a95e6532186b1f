#include "resource/ResourceFile.h"

#include <atomic>

#include "common/BoundedString.h"
#include "resource/IffFormat.h"

#include <cstring>
#include <new>

CChunk* CChunk::Create(int32_t size) {
    if (size < 0) size = 0;
    CChunk* chunk = new (std::nothrow) CChunk;
    if (!chunk) return nullptr;
    chunk->m_body = new (std::nothrow) uint8_t[size_t(size) + 1];
    if (!chunk->m_body) {
        delete chunk;
        return nullptr;
    }
    std::memset(chunk->m_body, 0xA3, size_t(size));
    chunk->m_size = size;
    return chunk;
}

void CChunk::Free(CChunk* chunk) {
    delete chunk;
}

CChunk::~CChunk() {
    delete[] m_body;
}

bool CChunk::Resize(int32_t n) {
    if (n < 0) n = 0;
    uint8_t* body = new (std::nothrow) uint8_t[size_t(n) + 1];
    if (!body) return false;
    const int32_t keep = n < m_size ? n : m_size;
    if (keep > 0) std::memcpy(body, m_body, size_t(keep));
    delete[] m_body;
    m_body = body;
    m_size = n;
    return true;
}

namespace {
// Every table object installs the reader, also on the threads that read many files at once.
std::atomic<StringTableReader> g_stringTableReader{nullptr};
} // namespace

void SetStringTableReader(StringTableReader reader) {
    g_stringTableReader.store(reader, std::memory_order_relaxed);
}
StringTableReader GetStringTableReader() {
    return g_stringTableReader.load(std::memory_order_relaxed);
}

CResourceFile::~CResourceFile() = default;

int32_t CResourceFile::GetString(CBoundedString& out, int16_t tableId, int32_t index) {
    out.Clear();
    if (!IsOpen()) return SetError(kResErrNotOpen);
    const StringTableReader reader = GetStringTableReader();
    if (!reader) return SetError(kResOk);
    return SetError(reader(*this, out, tableId, index));
}

int32_t CResourceFile::ReleaseChunk(CChunk* chunk) {
    if (int32_t e = Release(chunk)) return e;
    CChunk::Free(chunk);
    return kResOk;
}

namespace iff {

const uint8_t kHeaderV1[kFileHeaderSize] = {
    'I', 'F', 'F', ' ', 'F', 'I', 'L', 'E', ' ', '1', '.', '0', ':', 'T', 'Y', 'P',
    'E', ' ', 'F', 'O', 'L', 'L', 'O', 'W', 'E', 'D', ' ', 'B', 'Y', ' ', 'S', 'I',
    'Z', 'E', 0,   ' ', 'V', 'O', 'R', 'L', 'A', 'N', 'D', ' ', 'T', 'E', 'M', 'I',
    'S', 'K', ' ', '&', ' ', 'O', 'R', 'V', 'A', 'N', ' ', '1', '9', '9', '6', 0};

const uint8_t kHeaderV2Pattern[kFileHeaderSize] = {
    'I', 'F', 'F', ' ', 'F', 'I', 'L', 'E', ' ', '*', '.', '*', ':', 'T', 'Y', 'P',
    'E', ' ', 'F', 'O', 'L', 'L', 'O', 'W', 'E', 'D', ' ', 'B', 'Y', ' ', 'S', 'I',
    'Z', 'E', 0,   ' ', 'V', 'O', 'R', 'L', 'A', 'N', 'D', ' ', 'T', 'E', 'M', 'I',
    'S', 'K', ' ', '&', ' ', 'O', 'R', 'V', 'A', 'N', ' ', '1', '*', '*', '*', '*'};

void TypeCodeText(uint32_t type, char out[5]) {
    for (int i = 0; i < 4; ++i) {
        const char c = char((type >> (24 - 8 * i)) & 0xFF);
        out[i] = (c >= 0x20 && c <= 0x7E) ? c : '?';
    }
    out[4] = 0;
}

} // namespace iff

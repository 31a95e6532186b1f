// Shared pieces of the fuzz targets: an in-memory file layer, a reader over the fuzz input and
// builders of IFF file images, so that every target runs the real container code without disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/PlatformFiles.h"

class CResourceFile;

namespace fuzz {

// Files held in memory, by path as passed. Handles are small numbers private to this instance.
class CMemoryFiles final : public IPlatformFiles {
public:
    PlatformFile Open(const char* path, PlatformAccess access, PlatformOpen how,
                      const PlatformOpenOptions& options) override;
    int64_t Read(PlatformFile file, void* buf, int64_t count) override;
    int64_t Write(PlatformFile file, const void* buf, int64_t count) override;
    int64_t Seek(PlatformFile file, int64_t offset) override;
    bool SetEnd(PlatformFile file) override;
    bool Flush(PlatformFile file) override;
    int64_t Size(PlatformFile file) override;
    void Close(PlatformFile file) override;
    bool Delete(const char* path) override;

    std::map<std::string, std::vector<uint8_t>> files;

private:
    struct Handle {
        std::string path;
        int64_t position = 0;
        bool writable = false;
    };
    Handle* Find(PlatformFile file);
    std::map<PlatformFile, Handle> m_handles;
    PlatformFile m_next = 3;
};

// Reads the fuzz input front to back; past its end every value is 0 and every blob empty.
class CInput {
public:
    CInput(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    uint16_t U16() {
        const uint16_t high = Byte();
        return uint16_t((high << 8) | Byte());
    }
    // A blob prefixed by its 16-bit big-endian length, cut at the end of the input.
    std::vector<uint8_t> Blob();
    std::vector<uint8_t> Rest();
    bool Empty() const { return m_pos >= m_size; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// Writers of the same layout, for the seed generator.
void PutU16(std::vector<uint8_t>& out, uint16_t v);
void PutBlob(std::vector<uint8_t>& out, const std::vector<uint8_t>& blob);

struct ImageChunk {
    uint32_t type = 0;
    int16_t id = 0;
    uint16_t flags = 0x0010; // native
    std::string label;
    std::vector<uint8_t> body;
};

// A 2.5 file (no resource map: opened by scanning) or a 1.0 file holding the chunks in order.
std::vector<uint8_t> BuildIffV2(const std::vector<ImageChunk>& chunks);
std::vector<uint8_t> BuildIffV1(const std::vector<ImageChunk>& chunks);

// An IFF file image opened from memory. The memory layer is installed for the object's life.
class CMemoryIff {
public:
    static constexpr const char* kPath = "fuzz.iff";
    // Opens image as version 2.x (v2 true) or 1.0, read-only or writable.
    CMemoryIff(std::vector<uint8_t> image, bool v2, bool writable);
    ~CMemoryIff();
    CMemoryIff(const CMemoryIff&) = delete;
    CMemoryIff& operator=(const CMemoryIff&) = delete;

    // The open file, or nullptr when it did not open.
    CResourceFile* File() { return m_open ? m_file.get() : nullptr; }
    // Hands the file over (to an owner that closes it); the memory layer stays installed.
    std::unique_ptr<CResourceFile> Take();
    // Closes and opens the file again (changes reach the image first).
    bool Reopen(bool writable);
    const std::vector<uint8_t>& Image() { return m_files.files[kPath]; }

private:
    CMemoryFiles m_files;
    CPlatformFilesScope m_scope;
    bool m_v2;
    std::unique_ptr<CResourceFile> m_file;
    bool m_open = false;
};

// Fetches every chunk of every type, by index and by label, and gives each back.
void WalkAllChunks(CResourceFile& file);

} // namespace fuzz

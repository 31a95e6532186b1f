// Resource directories: every chunk is a file of its own, named "#", id, "#", label and an
// extension made from the chunk type, looked up along an ordered list of directories. Read-only.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "common/TGString.h"
#include "platform/PlatformFiles.h"

// Normalised directories (each ends in '\', or is empty for the working directory), in search
// order.
using DirectoryList = std::vector<CTGString>;

// Results of this layer.
enum DirectoryStatus : int {
    kDirFound = 0,
    kDirNotFound = 5,
    kDirOutOfMemory = 6,
};

// Id of a chunk file whose name carries none.
inline constexpr int32_t kNoChunkId = INT32_MIN;
// Type that matches every extension.
inline constexpr uint32_t kAnyChunkType = 0x2A2A2A2Au; // "****"

// A chunk file opened read-only, byte for byte. Closed when destroyed.
class CChunkFile {
public:
    CChunkFile(PlatformFile file, int32_t size) : m_file(file), m_size(size) {}
    ~CChunkFile();
    CChunkFile(const CChunkFile&) = delete;
    CChunkFile& operator=(const CChunkFile&) = delete;

    int32_t Size() const { return m_size; }
    // Reads the whole file from its start into buf (Size() bytes); false when fewer bytes came.
    bool ReadAll(void* buf);

private:
    PlatformFile m_file;
    int32_t m_size;
};

// What a successful find hands out.
struct DirectoryChunk {
    std::unique_ptr<CChunkFile> file;
    int32_t size = 0; // body size: the file's length
    CTGString label;
    uint32_t type = 0;
    int32_t id = kNoChunkId;
};

// One chunk file found by a listing.
struct DirectoryItem {
    CTGString directory; // as in the list
    CTGString fileName;  // as on disk
    CTGString label;     // the name after the id prefix, up to its first '.'
    uint32_t type = 0;
    int32_t id = kNoChunkId;
};

// Left-aligns a type code given with fewer than four letters (shifted into the high bytes).
uint32_t LeftAlignType(uint32_t type);
// "." and the type's first three letters (stopping at a zero byte); ".*" for the wildcard type.
CTGString ChunkFileExtension(uint32_t type);

DirectoryList ParseDirectoryList(const char* text);
// True when the list is not empty and every directory exists.
bool CheckDirectories(const DirectoryList& dirs);

// Each gives kDirFound and fills chunk, or another status. A file that matches but cannot be
// opened ends the search with that status.
int FindChunkById(const DirectoryList& dirs, uint32_t type, int32_t id, DirectoryChunk& chunk);
// id may be kNoChunkId.
int FindChunkByLabel(const DirectoryList& dirs, uint32_t type, const char* label, int32_t id,
                     DirectoryChunk& chunk);

// Every chunk file of the type, the first directory winning for equal id and label (ignoring
// case), ordered by id and then label. Returns kDirFound (the list may be empty).
int ListChunksOfType(const DirectoryList& dirs, uint32_t type, std::vector<DirectoryItem>& items);
// Opens a listed item; the chunk takes the item's type, id and label.
int OpenDirectoryItem(const DirectoryItem& item, DirectoryChunk& chunk);

// The distinct types present, from the extensions of the files, in order of discovery.
std::vector<uint32_t> ListChunkTypes(const DirectoryList& dirs);

// Opens a file read-only; its length becomes the size. kDirNotFound when it cannot be opened,
// kDirOutOfMemory when no file object can be made or the file is too large to hold.
int OpenChunkFile(const char* path, std::unique_ptr<CChunkFile>& file);

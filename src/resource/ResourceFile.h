// The resource-file interface: every file kind (IFF 1.0, IFF 2.x, directories, sets of files)
// answers this one table of operations. Chunk bodies travel as CChunk handles.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

class CBoundedString;

// Where the chunk chain of a file breaks: the file path and the offset of the first header that
// does not fit (-1: the chain is whole).
struct ChainBreak {
    std::string path;
    int32_t offset = -1;
};

// What a listing shows of one chunk.
struct ChunkFacts {
    int16_t id = 0;
    int32_t variant = 0;
    std::string label; // as GetLabel gives it into 64 bytes
    int32_t size = 0;  // of the body
};

// Status codes: 0 is success; every failure is negative.
enum : int32_t {
    kResOk = 0,
    kResErrObject = -1,        // a stored object could not be made, or a body is impossible
    kResErrCannotDelete = -39, // the file to delete could not be deleted
    kResErrNoSuchFile = -40,   // the file to delete does not exist
    kResErrCannotCreate = -42, // the file could not be created
    kResErrFileExists = -43,   // the file to create already exists
    kResErrNotWritable = -45,  // the file is not writable
    kResErrShortWrite = -46,   // a write wrote fewer bytes than asked
    kResErrAlreadyOpen = -47,  // the object already has a file open
    kResErrShortRead = -48,    // a read returned fewer bytes than asked, or a seek failed
    kResErrNotOpen = -49,      // no file is open
    kResErrCannotOpen = -50,   // open, set length or flush failed; or operation unsupported by kind
    kResErrNoVariants = -91,   // variants are not supported by this kind
    kResErrNoMemberTakes = -92, // no member of a resource set takes this type
    kResErrBadHeader = -93,     // the file header is not one this kind reads
    kResErrNoWritableMember = -94,
    kResErrUnsupported = -95,    // the operation is not supported
    kResErrNoNameKey = -96,      // no name key could be assigned
    kResErrDamaged = -97,        // the chunk chain breaks before the end of the file: never written
    kResErrNoChunk = -98,        // no such chunk (by type/id/index, or by handle)
    kResErrUnknownChunk = -99,   // no such chunk by label, or a write got an unknown handle
    kResErrTypeIndex = -100,     // type index out of range
    kResErrNoMemory = -200,      // out of memory
    kResErrNoKindMatched = -250, // no file kind matched the path
};

// A chunk body in memory. The handle owns its buffer; the resource file that loaded or received a
// handle keeps its type, id, flags and label, identifying the chunk by the handle's address.
class CChunk {
public:
    // A new handle of size bytes (size < 0 counts as 0), every byte 0xA3; nullptr when memory runs
    // out.
    static CChunk* Create(int32_t size);
    // Releases buffer and handle; nullptr is ignored.
    static void Free(CChunk* chunk);

    uint8_t* Body() { return m_body; }
    const uint8_t* Body() const { return m_body; }
    int32_t Size() const { return m_size; }
    static int32_t SizeOf(const CChunk* chunk) { return chunk ? chunk->m_size : 0; }
    // New buffer of n bytes keeping min(old, n) bytes; on failure keeps the old buffer, returns
    // false.
    bool Resize(int32_t n);

    CChunk(const CChunk&) = delete;
    CChunk& operator=(const CChunk&) = delete;

private:
    CChunk() = default;
    ~CChunk();
    uint8_t* m_body = nullptr;
    int32_t m_size = 0;
};

// Deleter for holding a handle the caller owns (after Release) in a std::unique_ptr.
struct CChunkFree {
    void operator()(CChunk* chunk) const { CChunk::Free(chunk); }
};

// Converts a freshly loaded big-endian body to native order in place. Applied once, only to bodies
// stored without the native flag 0x0010; the chunk is then marked native in memory.
using ByteOrderRoutine = void (*)(uint8_t* body, int32_t size);

class CResourceFile;

// GetString reads string tables, which live above this layer: the string-table code installs a
// reader here. It fills out with string index (1-based) of table id in the current language
// and returns a status. Without a reader GetString leaves out empty.
using StringTableReader = int32_t (*)(CResourceFile& file, CBoundedString& out, int16_t tableId,
                                      int32_t index);
void SetStringTableReader(StringTableReader reader);
StringTableReader GetStringTableReader();

// The resource-file interface. Operations returning a handle, count, type or nothing report
// failure only through LastError(); those returning a status return it (the ones marked
// "sets LastError" do both).
//
// Handle ownership: a handle fetched (GetChunk...) or given to AddChunk belongs to the file while
// attached: DeleteChunk and Close free it. Release detaches it and hands it back to the caller,
// who frees it; ReleaseChunk does both and is how every fetch ends. Two fetches of one chunk
// return the same handle.
class CResourceFile {
public:
    // 1
    virtual ~CResourceFile();
    // 2-4: status results. Open tries read-write, then read-only, unless read-only opens were
    // requested with SetReadOnlyOpen/OpenReadOnly (then only read-only: nothing is ever written).
    [[nodiscard]] virtual int32_t Create(const char* path) = 0;
    [[nodiscard]] virtual int32_t Delete(const char* path) = 0;
    [[nodiscard]] virtual int32_t Open(const char* path) = 0;
    // 5-7
    [[nodiscard]] virtual int32_t Suspend() = 0;
    [[nodiscard]] virtual int32_t Resume() = 0;
    [[nodiscard]] virtual int32_t Close() = 0; // also sets LastError
    // 8: writes pending chunks; sets and returns LastError.
    [[nodiscard]] virtual int32_t Flush() = 0;
    // 9-11
    virtual bool IsWritable() = 0;
    virtual int32_t GetFileName(CBoundedString& out) = 0;
    virtual bool IsOpen() = 0;
    // 12-14: indexes are 1-based. GetTypeAt out of range: -100 and 0.
    virtual int16_t CountTypes() = 0;
    virtual uint32_t GetTypeAt(int32_t index) = 0;
    virtual int16_t CountChunks(uint32_t type) = 0;
    // 15-18: nullptr and LastError (-98 not found, -49 not open, -91 variants unsupported).
    virtual CChunk* GetChunk(uint32_t type, int16_t id, ByteOrderRoutine routine = nullptr) = 0;
    virtual CChunk* GetChunkByLabel(uint32_t type, const CBoundedString& label,
                                    ByteOrderRoutine routine = nullptr) = 0;
    virtual CChunk* GetChunkAt(uint32_t type, int32_t index,
                               ByteOrderRoutine routine = nullptr) = 0;
    virtual CChunk* GetChunkVariant(uint32_t type, int16_t id, int32_t variant,
                                    ByteOrderRoutine routine = nullptr) = 0;
    // 19-23: questions about an attached handle; all set LastError.
    virtual int32_t GetLabel(CChunk* chunk, CBoundedString& out) = 0;
    virtual uint32_t GetType(CChunk* chunk) = 0;
    virtual int32_t GetId(CChunk* chunk, int16_t& id) = 0;
    virtual int32_t Reserved22(CChunk* chunk, uint16_t& out) = 0; // always -95, out = 0
    virtual int32_t GetVariant(CChunk* chunk) = 0;
    // 24: appends 0, 1, 2 ... to the label as passed in until no chunk of the type carries it
    // (ignoring ASCII case). Sets and returns LastError.
    [[nodiscard]] virtual int32_t MakeLabelUnique(uint32_t type, CBoundedString& label) = 0;
    // 25: max(128, highest id of the type) + 1.
    virtual int16_t NextFreeId(uint32_t type) = 0;
    // 26: writes the chunk if never written, detaches the handle (not freed). Sets LastError.
    [[nodiscard]] virtual int32_t Release(CChunk* chunk) = 0;
    virtual int32_t Reserved27(CChunk* chunk) = 0; // always -95
    // 28: the chunk's native flag; true when not open or unknown.
    virtual bool IsNative(CChunk* chunk) = 0;
    // 29-34: changes; all set and return LastError. Nothing reaches the disk before WriteChunk,
    // Release, Flush or Close, except DeleteChunk and SetIdAndLabel of a written chunk.
    [[nodiscard]] virtual int32_t SetId(CChunk* chunk, int16_t id) = 0;
    [[nodiscard]] virtual int32_t AddChunk(CChunk* chunk, uint32_t type, int16_t id,
                                           const CBoundedString& label, bool native) = 0;
    [[nodiscard]] virtual int32_t AddChunkVariant(CChunk* chunk, uint32_t type, int16_t id,
                                                  const CBoundedString& label, int32_t variant,
                                                  bool native) = 0;
    [[nodiscard]] virtual int32_t WriteChunk(CChunk* chunk) = 0;
    [[nodiscard]] virtual int32_t DeleteChunk(CChunk* chunk) = 0;
    [[nodiscard]] virtual int32_t SetIdAndLabel(CChunk* chunk, int16_t id,
                                                const CBoundedString& label, int32_t variant) = 0;
    // 35: string index (1-based) of string table tableId in the current language; out stays
    // empty when there is none. Sets and returns LastError.
    virtual int32_t GetString(CBoundedString& out, int16_t tableId, int32_t index);
    // The chunk GetChunkAt(type, index) gives, described without taking a handle (one the
    // caller holds stays held): 0, or the status GetChunkAt would leave in LastError (which it
    // sets). A kind that can tell the facts from the chunk's header reads no body.
    virtual int32_t DescribeChunkAt(uint32_t type, int32_t index, ChunkFacts& facts) = 0;

    CResourceFile(const CResourceFile&) = delete;
    CResourceFile& operator=(const CResourceFile&) = delete;

    int32_t LastError() const { return m_lastError; }
    // Release; on error returns it and keeps the handle, else frees the handle and returns 0.
    [[nodiscard]] int32_t ReleaseChunk(CChunk* chunk);

    // Read-only opening: while set, Open (and Resume) open the file read-only, so no byte of it
    // changes (no map invalidation, no upgrade, no compaction). Composite kinds pass it on.
    void SetReadOnlyOpen(bool readOnly) { m_readOnlyOpen = readOnly; }
    bool ReadOnlyOpen() const { return m_readOnlyOpen; }
    [[nodiscard]] int32_t OpenReadOnly(const char* path) {
        m_readOnlyOpen = true;
        return Open(path);
    }

    // After an open or a change refused with kResErrDamaged: where the chain breaks. Kept until
    // the next Open. A set answers for the member that refused.
    virtual const ChainBreak& BrokenChain() const { return m_break; }

protected:
    CResourceFile() = default;
    int32_t SetError(int32_t error) { return m_lastError = error; }
    void SetBrokenChain(ChainBreak at) { m_break = std::move(at); }

private:
    int32_t m_lastError = 0;
    bool m_readOnlyOpen = false;
    ChainBreak m_break;
};

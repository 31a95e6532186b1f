// The chunk chain of an open IFF file: header I/O, free-space allocation, freeing and
// compaction. Shared by both file versions; only the chunk-header size differs.
#pragma once

#include "fileio/FileObject.h"
#include "resource/IffFormat.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace iff {

// Bytes a buffer takes without zeroing them first: every byte is read into or copied over
// before it is used. Growing keeps nothing of what the buffer held.
class RawBytes {
public:
    uint8_t* data() noexcept { return m_bytes.get(); }
    const uint8_t* data() const noexcept { return m_bytes.get(); }
    size_t size() const noexcept { return m_size; }
    // Throws std::bad_alloc when the memory is not there.
    void resize(size_t n) {
        if (n > m_capacity) {
            m_bytes = std::make_unique_for_overwrite<uint8_t[]>(n);
            m_capacity = n;
        }
        m_size = n;
    }

private:
    std::unique_ptr<uint8_t[]> m_bytes;
    size_t m_size = 0;
    size_t m_capacity = 0;
};

struct ChunkHeader {
    uint32_t type = 0;
    int32_t size = 0;
    int16_t id = 0;
    uint16_t flags = 0;
    int32_t nameKey = -1; // 1.0 layout
    char label[64] = {};  // 2.x layout, NUL-terminated
};

class CIffStore {
public:
    explicit CIffStore(int32_t headerSize);
    ~CIffStore();
    CIffStore(const CIffStore&) = delete;
    CIffStore& operator=(const CIffStore&) = delete;

    void Attach(std::unique_ptr<CFileObject> file);
    std::unique_ptr<CFileObject> Detach();
    CFileObject* File() const { return m_file.get(); }
    int32_t HeaderSize() const { return m_headerSize; }

    // Raw I/O at an offset; status results (-48 short read or failed seek, -46 short write).
    int32_t ReadAt(int32_t pos, void* buf, int32_t count) {
        // Most reads are headers and small bodies the bytes read ahead hold already.
        if (count > 0 && count <= kReadAheadFirst)
            if (const uint8_t* held = Ahead(pos, count)) {
                std::memcpy(buf, held, size_t(count));
                return 0;
            }
        return ReadThrough(pos, buf, count);
    }
    int32_t WriteAt(int32_t pos, const void* buf, int32_t count);
    // Makes the file end at length (and forgets what was read ahead).
    bool SetLength(int32_t length);
    // Forgets the bytes read ahead; whoever changes the file other than through the store
    // calls it.
    void ForgetReads();

    // A complete header at pos whose size is sane: at least one header, within the file, and a
    // body of at most 0x40000000 bytes. Anything else ends a walk of the chain.
    bool ReadChunkHeader(int32_t pos, ChunkHeader& h);
    // ReadChunkHeader for a walk that indexes the chain: h gets the type, size, id and flags
    // only, and the 2.x label is seen where it lies (read ahead, or in scratch): at most
    // kMaxLabelChars bytes, ending at the first NUL if there is one ("" in a 1.0 file). Valid
    // until the next read or write.
    bool ViewChunkHeader(int32_t pos, ChunkHeader& h, uint8_t (&scratch)[kChunkHeaderV2],
                         const char*& label) {
        const uint8_t* b = HeaderBytes(pos, m_headerSize, scratch);
        if (!b) return false;
        ParseLink(b, h);
        label = m_headerSize == kChunkHeaderV2 ? reinterpret_cast<const char*>(b + 12) : "";
        return SaneHeader(pos, h);
    }
    // Reads only: false when fewer than a header's bytes are there.
    bool ReadRawHeader(int32_t pos, ChunkHeader& h);
    int32_t WriteChunkHeader(int32_t pos, const ChunkHeader& h);

    // How the chain starting at pos ends: where (end) and why. A break whose bytes can only be
    // the remains of a chunk being appended when a write stopped (fewer bytes than a header, or
    // a free chunk cut short by the end of the file) is a Tail: it holds nothing and the next
    // append drops it. Any other break makes the file Damaged: chunks may lie behind it, so the
    // file must not be written.
    enum class End { Whole, Tail, Damaged, ReadFailed };
    End WalkToEnd(int32_t pos, int32_t& end);
    // Classifies a chain that stopped at pos (no header could be taken there).
    End BreakAt(int32_t pos);

    // Finds room for a chunk of need bytes (header included) and returns its offset in pos;
    // appended tells whether it lies at the end of the chain rather than in free space. The
    // place is left as a free chunk of need bytes whose header is placeholder marked free (so
    // that writing the real header later changes nothing but its type and flags), or a plain
    // free header without one. A tail at the end of the chain is cut off before appending.
    int32_t Allocate(int32_t need, int32_t& pos, bool* appended = nullptr,
                     const ChunkHeader* placeholder = nullptr);
    // The header written where a chunk goes until its body is in place: h, free.
    static ChunkHeader Placeholder(const ChunkHeader& h);
    // Marks the chunk at pos free and counts its size as free space.
    int32_t FreeChunk(int32_t pos);
    // Cuts off the remains of a stopped append found when the chain was walked (tailAt).
    int32_t DropTail();
    // BreakAt for a walk of the whole chain from its first chunk. An end found whole or with a
    // tail is noted: until the chain is next written, compaction need not walk it again.
    End EndOfWholeWalk(int32_t pos);
    // Moves every used chunk down over the free ones. moved(from, to) reports each move;
    // dropMaps also drops resource-map chunks. Keeps the chain whole after every move.
    int32_t Compact(bool dropMaps, const std::function<void(int32_t, int32_t)>& moved);

    int32_t freeSpace = 0;
    int64_t headerReads = 0; // chunk headers read since attaching
    // The last header read failed in the file layer, so it did not find where the chain ends:
    // nothing may be appended there, and a walk that stopped there has not seen every chunk.
    bool readFailed = false;
    int32_t lastAlloc = -1; // where the previous allocation search stopped (<= 0: none)
    int32_t tailAt = -1;    // where the remains of a stopped append begin (-1: none seen)
    // The file header names a resource map, which is written last: no append can have stopped
    // since, so any break in the chain is damage.
    bool mapClaimsWhole = false;

private:
    // Compaction reads the chain in blocks of this many bytes, and packs a window where it was
    // read. Reading a stretch again costs less than the fresh memory a larger block would take,
    // and a block that stays in the processor's cache copies faster.
    static constexpr int32_t kCompactBlock = 1 << 17;
    struct CompactBlock {
        RawBytes bytes;
        std::vector<std::pair<int32_t, int32_t>> moves; // a window's chunks: from, to
        int32_t start = 0;
        int32_t length = 0; // 0: nothing read
        int32_t valid = 0;  // the bytes before this offset were written over since being read
        bool Holds(int32_t pos, int32_t count) const;
    };
    // The count bytes at pos where the bytes read ahead hold them; nullptr when they do not.
    const uint8_t* Ahead(int32_t pos, int32_t count) const {
        if (pos < m_aheadStart || pos - m_aheadStart > m_aheadLength - count) return nullptr;
        return m_ahead.data() + (pos - m_aheadStart);
    }
    // ReadAt for what the bytes read ahead do not hold (reading ahead again for a small read).
    int32_t ReadThrough(int32_t pos, void* buf, int32_t count);
    void ParseHeader(const uint8_t* bytes, ChunkHeader& h) const;
    // Type, size, id and flags only: all a walk of the chain needs, without the label.
    static void ParseLink(const uint8_t* b, ChunkHeader& h) {
        h.type = GetBE32(b);
        h.size = int32_t(GetBE32(b + 4));
        h.id = int16_t(GetBE16(b + 8));
        h.flags = GetBE16(b + 10);
    }
    // ReadChunkHeader without the label, for walks that only follow the chain.
    bool ReadLink(int32_t pos, ChunkHeader& h);
    // The first count bytes of a header at pos that lies whole in the file: where the bytes read
    // ahead hold them, else read into scratch; nullptr (a failed read noted) when they cannot be
    // read.
    const uint8_t* HeaderBytes(int32_t pos, int32_t count, uint8_t* scratch) {
        readFailed = false;
        if (!m_file || pos < 0 || pos > m_file->Length() - m_headerSize) return nullptr;
        ++headerReads;
        // A walk of the chain parses its headers where the bytes read ahead hold them.
        if (const uint8_t* held = Ahead(pos, count)) return held;
        return HeaderBytesRead(pos, count, scratch);
    }
    // HeaderBytes when the bytes read ahead do not hold the header.
    const uint8_t* HeaderBytesRead(int32_t pos, int32_t count, uint8_t* scratch);
    // A header read at pos is usable: its size holds a header, a body we take, and fits the file.
    bool SaneHeader(int32_t pos, const ChunkHeader& h) const {
        return h.size >= m_headerSize && h.size - m_headerSize <= kMaxBodySize &&
               h.size <= m_file->Length() - pos;
    }
    // ReadChunkHeader through the block, which is read again when it does not hold pos.
    bool BlockHeader(CompactBlock& block, int32_t pos, ChunkHeader& h);
    // The same for a header the block holds, taken from its bytes.
    bool HeldHeader(const CompactBlock& block, int32_t pos, ChunkHeader& h);
    // Moves the used chunks among span bytes of neighbouring chunks at from (all in the block)
    // down by shift, packed together into used bytes; shift leaves room for a free header
    // behind them. Free chunks (and maps, with dropMaps) of the window join the free space.
    int32_t MoveWindow(CompactBlock& block, int32_t from, int32_t span, int32_t used, int32_t shift,
                       bool dropMaps, const std::function<void(int32_t, int32_t)>& moved);
    // The header of a free chunk of size bytes, a placeholder for like when given.
    static ChunkHeader FreeHeader(int32_t size, const ChunkHeader* like = nullptr);
    int32_t WriteFreeHeader(int32_t pos, int32_t size, const ChunkHeader* like = nullptr);
    // The header's bytes on disk (m_headerSize of them).
    void FormatHeader(const ChunkHeader& h, uint8_t* bytes) const;
    // Copies the chunk of size bytes at from to to, its header last: until then a free chunk of
    // cover bytes stands at to, and rest bytes (if any) behind the copy become a free chunk.
    int32_t CopyChunk(int32_t from, int32_t to, int32_t size, int32_t cover, int32_t rest,
                      uint8_t* buf);

    std::unique_ptr<CFileObject> m_file;
    int32_t m_headerSize;
    int32_t m_chainEnd = -1; // as noted by the last whole walk; -1: unknown or written since
    // Bytes read ahead by a small read, for the next ones: a little at first, and more while
    // the reads go on through the file (a walk of the chain, the chunks of a type in turn), up
    // to a size that stays in the processor's cache.
    static constexpr int32_t kReadAheadFirst = 4096;
    static constexpr int32_t kReadAheadMost = 1 << 16;
    RawBytes m_ahead;
    int32_t m_aheadStart = 0;
    int32_t m_aheadLength = 0;
    int32_t m_aheadSize = kReadAheadFirst; // what the next read ahead takes
};

} // namespace iff

#include "resource/IffStore.h"

#include "fileio/FileObject.h"
#include "resource/IffFormat.h"
#include "resource/ResourceFile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

namespace iff {

CIffStore::CIffStore(int32_t headerSize) : m_headerSize(headerSize) {}
CIffStore::~CIffStore() = default;

void CIffStore::Attach(std::unique_ptr<CFileObject> file) {
    m_file = std::move(file);
    freeSpace = 0;
    lastAlloc = -1;
    headerReads = 0;
    readFailed = false;
    tailAt = -1;
    mapClaimsWhole = false;
    m_chainEnd = -1;
    ForgetReads();
}

std::unique_ptr<CFileObject> CIffStore::Detach() {
    ForgetReads();
    return std::move(m_file);
}

int32_t CIffStore::ReadThrough(int32_t pos, void* buf, int32_t count) {
    if (!m_file || pos < 0) return kResErrShortRead;
    // Small reads (headers, small bodies) come from the bytes read ahead with an earlier one:
    // walking a chain of small chunks then costs one read per stretch, not two calls a chunk.
    // Callers come here only when the bytes read ahead do not hold the read.
    if (count > 0 && count <= kReadAheadFirst && count <= m_file->Length() - pos) {
        // A read that lands within one stretch behind the last goes on through the file.
        const int64_t past = int64_t(pos) - m_aheadStart - m_aheadLength;
        const bool onwards = m_aheadLength > 0 && past >= -count && past < m_aheadSize;
        m_aheadSize = onwards ? std::min(m_aheadSize * 2, kReadAheadMost) : kReadAheadFirst;
        ForgetReads();
        // Once the reads go on through the file the buffer takes its largest size at once
        // rather than anew at each step: only the pages read into take memory.
        if (int32_t(m_ahead.size()) < m_aheadSize)
            m_ahead.resize(size_t(m_aheadSize > kReadAheadFirst ? kReadAheadMost : m_aheadSize));
        const int32_t n = std::min(m_aheadSize, m_file->Length() - pos);
        if (!m_file->Seek(pos)) return kResErrShortRead;
        const int32_t got = m_file->Read(m_ahead.data(), n);
        if (got < count) return kResErrShortRead;
        m_aheadStart = pos;
        m_aheadLength = got;
        std::memcpy(buf, m_ahead.data(), size_t(count));
        return kResOk;
    }
    if (!m_file->Seek(pos)) return kResErrShortRead;
    if (count <= 0) return kResOk;
    return m_file->Read(buf, count) == count ? kResOk : kResErrShortRead;
}

bool CIffStore::SetLength(int32_t length) {
    ForgetReads();
    m_chainEnd = -1;
    return m_file->SetLength(length);
}

void CIffStore::ForgetReads() {
    m_aheadStart = 0;
    m_aheadLength = 0;
}

int32_t CIffStore::WriteAt(int32_t pos, const void* buf, int32_t count) {
    ForgetReads();
    // The file header is no part of the chain.
    if (int64_t(pos) + count > kFileHeaderSize) m_chainEnd = -1;
    if (!m_file || pos < 0 || !m_file->Seek(pos)) return kResErrShortRead;
    if (count <= 0) return kResOk;
    int32_t done = m_file->Write(buf, count);
    // A write cut short goes on once from where it stopped: a header left half written could
    // make a moved chunk look free.
    if (done > 0 && done < count)
        done += m_file->Write(static_cast<const uint8_t*>(buf) + done, count - done);
    return done == count ? kResOk : kResErrShortWrite;
}

void CIffStore::ParseHeader(const uint8_t* b, ChunkHeader& h) const {
    ParseLink(b, h);
    if (m_headerSize == kChunkHeaderV1) {
        h.nameKey = int32_t(GetBE32(b + 12));
        h.label[0] = 0;
    } else {
        h.nameKey = -1;
        const void* nul = std::memchr(b + 12, 0, size_t(kMaxLabelChars));
        const size_t n =
            nul ? size_t(static_cast<const uint8_t*>(nul) - (b + 12)) : size_t(kMaxLabelChars);
        std::memcpy(h.label, b + 12, n);
        h.label[n] = 0;
    }
}

const uint8_t* CIffStore::HeaderBytesRead(int32_t pos, int32_t count, uint8_t* scratch) {
    if (ReadThrough(pos, scratch, count) == kResOk) return scratch;
    readFailed = true;
    return nullptr;
}

bool CIffStore::ReadRawHeader(int32_t pos, ChunkHeader& h) {
    uint8_t scratch[kChunkHeaderV2];
    const uint8_t* b = HeaderBytes(pos, m_headerSize, scratch);
    if (!b) return false;
    ParseHeader(b, h);
    return true;
}

bool CIffStore::ReadChunkHeader(int32_t pos, ChunkHeader& h) {
    return ReadRawHeader(pos, h) && SaneHeader(pos, h);
}

bool CIffStore::ReadLink(int32_t pos, ChunkHeader& h) {
    uint8_t scratch[12];
    const uint8_t* b = HeaderBytes(pos, int32_t(sizeof scratch), scratch);
    if (!b) return false;
    ParseLink(b, h);
    return SaneHeader(pos, h);
}

int32_t CIffStore::WriteChunkHeader(int32_t pos, const ChunkHeader& h) {
    uint8_t b[kChunkHeaderV2];
    FormatHeader(h, b);
    return WriteAt(pos, b, m_headerSize);
}

void CIffStore::FormatHeader(const ChunkHeader& h, uint8_t* b) const {
    std::memset(b, 0, size_t(m_headerSize));
    PutBE32(b, h.type);
    PutBE32(b + 4, uint32_t(h.size));
    PutBE16(b + 8, uint16_t(h.id));
    PutBE16(b + 10, h.flags);
    if (m_headerSize == kChunkHeaderV1) {
        PutBE32(b + 12, uint32_t(h.nameKey));
    } else {
        for (int n = 0; n < kMaxLabelChars && h.label[n] != 0; ++n)
            b[12 + n] = uint8_t(h.label[n]);
    }
}

ChunkHeader CIffStore::FreeHeader(int32_t size, const ChunkHeader* like) {
    ChunkHeader h;
    if (like) h = Placeholder(*like);
    h.type = kTypeFree;
    h.size = size;
    h.flags = uint16_t(h.flags | kFlagFree);
    return h;
}

int32_t CIffStore::WriteFreeHeader(int32_t pos, int32_t size, const ChunkHeader* like) {
    return WriteChunkHeader(pos, FreeHeader(size, like));
}

ChunkHeader CIffStore::Placeholder(const ChunkHeader& h) {
    ChunkHeader p = h;
    p.type = kTypeFree;
    p.flags = uint16_t(h.flags | kFlagFree);
    return p;
}

CIffStore::End CIffStore::BreakAt(int32_t pos) {
    if (readFailed) return End::ReadFailed;
    const int32_t length = m_file ? m_file->Length() : 0;
    if (pos == length) return End::Whole;
    if (pos > length || mapClaimsWhole) return End::Damaged;
    if (length - pos < m_headerSize) return End::Tail;
    ChunkHeader h;
    if (!ReadRawHeader(pos, h)) return readFailed ? End::ReadFailed : End::Damaged;
    // An append writes a free chunk of the right size first.
    const bool sane = h.size >= m_headerSize && h.size - m_headerSize <= kMaxBodySize;
    if (h.type == kTypeFree && (h.flags & kFlagFree) && sane && h.size > length - pos)
        return End::Tail;
    return End::Damaged;
}

CIffStore::End CIffStore::EndOfWholeWalk(int32_t pos) {
    const End how = BreakAt(pos);
    if (how == End::Whole || how == End::Tail) m_chainEnd = pos;
    return how;
}

CIffStore::End CIffStore::WalkToEnd(int32_t pos, int32_t& end) {
    ChunkHeader h;
    while (ReadLink(pos, h))
        pos += h.size;
    end = pos;
    return BreakAt(pos);
}

int32_t CIffStore::Allocate(int32_t need, int32_t& pos, bool* appended,
                            const ChunkHeader* placeholder) {
    if (appended) *appended = false;
    if (!m_file) return kResErrNotOpen;
    if (need < m_headerSize) return kResErrObject;
    int32_t p = lastAlloc > 0 ? lastAlloc : kFileHeaderSize;
    if (p > m_file->Length()) p = kFileHeaderSize;
    ChunkHeader h;
    while (ReadChunkHeader(p, h)) {
        lastAlloc = p;
        if (h.flags & kFlagFree) {
            // Merge the run of free chunks that follows.
            int32_t merged = h.size;
            ChunkHeader next;
            while (ReadChunkHeader(p + merged, next) && (next.flags & kFlagFree))
                merged += next.size;
            if (merged != h.size) {
                h.size = merged;
                if (int32_t e = WriteChunkHeader(p, h)) return e;
            }
            if (merged == need || merged >= need + m_headerSize) {
                // The rest (if any) gets its own header first, so the chain stays whole.
                if (merged != need)
                    if (int32_t e = WriteFreeHeader(p + need, merged - need)) return e;
                if (merged != need || placeholder)
                    if (int32_t e = WriteFreeHeader(p, need, placeholder)) return e;
                freeSpace -= need;
                pos = p;
                return kResOk;
            }
        }
        p += h.size;
    }
    // Only the end of the chain, or the remains of an append that stopped, may be written over:
    // behind anything else there may be chunks.
    switch (BreakAt(p)) {
    case End::ReadFailed:
        return kResErrShortRead;
    case End::Damaged:
        return kResErrDamaged;
    case End::Tail:
        if (!SetLength(p)) return kResErrCannotOpen;
        break;
    case End::Whole:
        break;
    }
    if (appended) *appended = true;
    if (int32_t e = WriteFreeHeader(p, need, placeholder)) {
        SetLength(p); // a header cut short is not left behind the chain
        return e;
    }
    lastAlloc = p;
    pos = p;
    return kResOk;
}

int32_t CIffStore::FreeChunk(int32_t pos) {
    ChunkHeader h;
    if (!ReadChunkHeader(pos, h)) return kResErrShortRead;
    if (h.flags & kFlagFree) return kResOk;
    // The flag word alone decides whether the chunk is free, so it goes first and on its own:
    // a write cut short cannot leave a used chunk that has lost its type. Neither write touches
    // the chunk's size, so the chain still ends where it did.
    const int32_t chainEnd = m_chainEnd;
    uint8_t flags[2];
    PutBE16(flags, uint16_t(h.flags | kFlagFree));
    const int32_t e = WriteAt(pos + 10, flags, 2);
    if (!e) {
        freeSpace += h.size;
        // From here the chunk is free whatever its type says; the type only tells readers of
        // the file at a glance, so a failure to write it fails nothing.
        uint8_t type[4];
        PutBE32(type, kTypeFree);
        static_cast<void>(WriteAt(pos, type, 4));
    }
    m_chainEnd = chainEnd;
    return e;
}

int32_t CIffStore::DropTail() {
    if (tailAt < 0) return kResOk;
    const int32_t chainEnd = m_chainEnd;
    if (!SetLength(tailAt)) return kResErrCannotOpen;
    if (chainEnd == tailAt) m_chainEnd = chainEnd;
    tailAt = -1;
    return kResOk;
}

int32_t CIffStore::CopyChunk(int32_t from, int32_t to, int32_t size, int32_t cover, int32_t rest,
                             uint8_t* buf) {
    // The chain must stay whole should anything stop us between any two writes, so the chunk's
    // own header is written last: until then a free chunk of cover bytes at the new place leads
    // a scan past the gap, the body goes behind it, and the rest bytes between the moved chunk
    // and the next one become a free chunk of their own.
    uint8_t header[kChunkHeaderV2];
    if (int32_t e = ReadAt(from, header, m_headerSize)) return e;
    // The free chunk standing in for it carries its id and label already: the header written
    // last then changes only its type and flags, so a torn write cannot cut the label.
    ChunkHeader moved;
    if (!ReadRawHeader(from, moved)) return kResErrShortRead;
    if (int32_t e = WriteFreeHeader(to, cover, &moved)) return e;
    for (int32_t done = m_headerSize; done < size;) {
        const int32_t n = size - done < kTransferBuffer ? size - done : kTransferBuffer;
        if (int32_t e = ReadAt(from + done, buf, n)) return e;
        if (int32_t e = WriteAt(to + done, buf, n)) return e;
        done += n;
    }
    if (rest > 0)
        if (int32_t e = WriteFreeHeader(to + size, rest)) return e;
    return WriteAt(to, header, m_headerSize);
}

bool CIffStore::CompactBlock::Holds(int32_t pos, int32_t count) const {
    return pos >= start && pos >= valid && count >= 0 &&
           int64_t(pos) + count <= int64_t(start) + length;
}

bool CIffStore::BlockHeader(CompactBlock& block, int32_t pos, ChunkHeader& h) {
    if (!block.Holds(pos, m_headerSize)) {
        // The next stretch of the chain, read at once: its headers and the bodies of the
        // small chunks that move together come from memory.
        const int64_t left = int64_t(m_file->Length()) - pos;
        if (pos < 0 || left < m_headerSize) return ReadChunkHeader(pos, h);
        const int32_t n = int32_t(std::min<int64_t>(left, int64_t(block.bytes.size())));
        block.length = 0;
        if (ReadAt(pos, block.bytes.data(), n) != kResOk) return ReadChunkHeader(pos, h);
        block.start = block.valid = pos;
        block.length = n;
    }
    return HeldHeader(block, pos, h);
}

bool CIffStore::HeldHeader(const CompactBlock& block, int32_t pos, ChunkHeader& h) {
    ++headerReads;
    readFailed = false;
    ParseLink(block.bytes.data() + (pos - block.start), h);
    return SaneHeader(pos, h);
}

int32_t CIffStore::MoveWindow(CompactBlock& block, int32_t from, int32_t span, int32_t used,
                              int32_t shift, bool dropMaps,
                              const std::function<void(int32_t, int32_t)>& moved) {
    // The used chunks of the window, packed together where the window lies in the block: every
    // write below lands before from, so the block still holds the file from the window's end on.
    uint8_t* bytes = block.bytes.data() + (from - block.start);
    block.valid = from + span;
    const int32_t to = from - shift;
    block.moves.clear();
    int32_t packed = 0;
    for (int32_t at = 0; at < span;) {
        ChunkHeader c;
        ParseLink(bytes + at, c);
        if (!(c.flags & kFlagFree) && !(dropMaps && c.type == kTypeMap)) {
            if (packed != at) std::memmove(bytes + packed, bytes + at, size_t(c.size));
            block.moves.emplace_back(from + at, to + packed);
            packed += c.size;
        }
        at += c.size;
    }
    // The same order as a single chunk's move: a free chunk covering the whole gap goes in
    // with the packed bytes behind its header (one write), the rest of the gap gets its own
    // header, and the first chunk's header, written last, brings every copy in at once. Only
    // then does the old window (its copies and free chunks) join the rest, in one header write:
    // a first header cut short leaves a free chunk, and the old copies must still be there.
    ChunkHeader first;
    ParseHeader(bytes, first);
    uint8_t own[kChunkHeaderV2];
    std::memcpy(own, bytes, size_t(m_headerSize));
    FormatHeader(FreeHeader(shift, &first), bytes);
    if (int32_t e = WriteAt(to, bytes, used)) return e;
    std::memcpy(bytes, own, size_t(m_headerSize));
    if (int32_t e = WriteFreeHeader(to + used, shift - used)) return e;
    if (int32_t e = WriteAt(to, bytes, m_headerSize)) return e;
    if (moved)
        for (const auto& [old, now] : block.moves)
            moved(old, now);
    if (int32_t e = WriteFreeHeader(to + used, shift - used + span)) return e;
    freeSpace += used;
    return kResOk;
}

int32_t CIffStore::Compact(bool dropMaps, const std::function<void(int32_t, int32_t)>& moved) {
    if (!m_file) return kResErrNotOpen;
    std::unique_ptr<uint8_t[]> buf(new (std::nothrow) uint8_t[kTransferBuffer]);
    if (!buf) return kResErrNoMemory;
    // Moving chunks over a broken chain would write over what lies behind the break; the
    // remains of a stopped append are cut off first.
    CompactBlock block;
    try {
        block.bytes.resize(size_t(std::clamp<int64_t>(m_file->Length(), 1, kCompactBlock)));
        // A window holds at most one move for each header the block has room for.
        block.moves.reserve(block.bytes.size() / size_t(m_headerSize) + 1);
    } catch (const std::bad_alloc&) {
        return kResErrNoMemory;
    }
    // Only the headers are needed to find where the chain ends: read through the read-ahead,
    // which does not bring in the bodies of large chunks as a block would.
    int32_t chainEnd = m_chainEnd;
    const End end = chainEnd >= 0 ? BreakAt(chainEnd) : WalkToEnd(kFileHeaderSize, chainEnd);
    switch (end) {
    case End::ReadFailed:
        return kResErrShortRead;
    case End::Damaged:
        return kResErrDamaged;
    case End::Tail:
        if (!SetLength(chainEnd)) return kResErrCannotOpen;
        break;
    case End::Whole:
        break;
    }
    int32_t p = kFileHeaderSize;
    int32_t shift = 0;
    int32_t last = -1; // where the last used chunk now lies
    ChunkHeader h;
    while (BlockHeader(block, p, h)) {
        if ((h.flags & kFlagFree) || (dropMaps && h.type == kTypeMap)) {
            shift += h.size;
            p += h.size;
            continue;
        }
        if (shift == 0) {
            last = p;
            p += h.size;
            continue;
        }
        // Neighbouring chunks that fit into the gap with room for a free header behind them
        // move together, straight from the block.
        if (h.size + m_headerSize <= shift && !block.Holds(p, h.size) && block.start != p) {
            block.length = 0; // read again from here, so the window starts in the block
            if (!BlockHeader(block, p, h)) break;
        }
        int32_t used = 0, span = 0, lastUsed = 0;
        if (block.Holds(p, h.size)) {
            // Only what the block holds joins the window: reading another block would drop
            // the bytes of the chunks already taken. The block holds every byte from p on.
            const int32_t blockEnd = block.start + block.length;
            ChunkHeader c = h;
            for (int32_t at = p;;) {
                // Free chunks inside the window are left behind; only the used bytes must fit.
                if (!(c.flags & kFlagFree) && !(dropMaps && c.type == kTypeMap)) {
                    if (int64_t(used) + c.size + m_headerSize > shift) break;
                    lastUsed = used;
                    used += c.size;
                }
                span += c.size;
                at += c.size;
                if (blockEnd - at < m_headerSize || !HeldHeader(block, at, c) ||
                    c.size > blockEnd - at)
                    break;
            }
        }
        if (used > 0) {
            if (int32_t e = MoveWindow(block, p, span, used, shift, dropMaps, moved)) return e;
            last = p - shift + lastUsed;
            shift += span - used;
            p += span;
            continue;
        }
        // The moves below write only below the chunk's end and behind the chain, which the
        // block does not reach: from the chunk's end on it still holds what the file holds.
        block.valid = p + h.size;
        const int32_t to = p - shift;
        last = to;
        const bool overlaps = h.size + m_headerSize > shift;
        if (overlaps && chainEnd == m_file->Length() && chainEnd <= INT32_MAX - h.size) {
            // Moving a chunk onto its own old bytes would lose it if we stopped midway: it
            // goes behind the chain first, its old place joins the gap, and it comes down
            // from there. Stopping anywhere leaves one or two equal copies, never none.
            if (int32_t e = CopyChunk(p, chainEnd, h.size, h.size, 0, buf.get())) return e;
            if (int32_t e = WriteFreeHeader(to, shift + h.size)) return e;
            if (moved) moved(p, chainEnd);
            if (int32_t e = CopyChunk(chainEnd, to, h.size, shift + h.size, shift, buf.get()))
                return e;
            if (moved) moved(chainEnd, to);
            if (int32_t e = FreeChunk(chainEnd)) return e;
            if (!SetLength(chainEnd)) return kResErrCannotOpen;
        } else if (!overlaps) {
            // The old copy stays in the chain until the new one is complete: the free chunk
            // behind the new copy ends where the old one begins, and the old one is freed
            // last. A header write cut anywhere leaves one copy or two, never none.
            if (int32_t e = CopyChunk(p, to, h.size, shift, shift - h.size, buf.get())) return e;
            if (moved) moved(p, to);
            if (int32_t e = FreeChunk(p)) return e;
        } else {
            // (Only when the file is too large to grow behind its chain.) The free chunk in
            // front covers the old copy too, which the move overwrites.
            if (int32_t e = CopyChunk(p, to, h.size, shift + h.size, shift, buf.get())) return e;
            if (moved) moved(p, to);
        }
        p += h.size;
    }
    lastAlloc = -1;
    // A header that could not be read is not the end of the chain.
    if (readFailed) return kResErrShortRead;
    if (p == m_file->Length()) {
        if (!SetLength(p - shift)) return kResErrCannotOpen;
        freeSpace = 0;
        // No free chunk is left: the next allocation need not walk the chain to its end.
        lastAlloc = last;
    } else {
        // The chain ends before the end of the file: keep the unreadable tail as it is,
        // behind the free chunk that now closes the chain.
        freeSpace = shift;
    }
    return kResOk;
}

} // namespace iff

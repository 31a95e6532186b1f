// The chunk chain: allocation (reuse, split, skip, merge, forward search) and compaction.
#include <gtest/gtest.h>

#include "IffTestUtil.h"
#include "fileio/FileObject.h"
#include "platform/FaultFiles.h"
#include "resource/IffCheck.h"
#include "resource/IffFileV1.h"
#include "resource/IffStore.h"

using namespace iff_test;

namespace {

// Walks the 1.0 chunk chain of a file's bytes; true when it ends exactly at the end.
bool ChainIsWhole(const std::vector<uint8_t>& bytes) {
    size_t pos = 64;
    while (pos + 16 <= bytes.size()) {
        const int32_t size = int32_t(iff::GetBE32(bytes.data() + pos + 4));
        if (size < 16 || size_t(size) > bytes.size() - pos) return false;
        pos += size_t(size);
    }
    return pos == bytes.size();
}

class IffStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        CIffFileV1 f;
        ASSERT_EQ(f.Create(path.c_str()), 0);
        store.Attach(OpenFileObject(path.c_str(), true));
        ASSERT_NE(store.File(), nullptr);
    }
    // A used chunk of need bytes, allocated and written in full.
    int32_t Put(int32_t need, uint8_t fill = 0x11) {
        int32_t pos = -1;
        EXPECT_EQ(store.Allocate(need, pos), 0);
        std::vector<uint8_t> body(size_t(need - 16), fill);
        EXPECT_EQ(store.WriteAt(pos + 16, body.data(), int32_t(body.size())), 0);
        iff::ChunkHeader h;
        h.type = kTTAB;
        h.size = need;
        h.id = int16_t(pos);
        EXPECT_EQ(store.WriteChunkHeader(pos, h), 0);
        return pos;
    }
    iff::ChunkHeader At(int32_t pos) {
        iff::ChunkHeader h;
        EXPECT_TRUE(store.ReadChunkHeader(pos, h));
        return h;
    }

    ScratchDir dir = ScratchDir::InMemory();
    std::string path = dir / "chain.iff";
    iff::CIffStore store{16};
};

TEST_F(IffStoreTest, AppendsAtTheEnd) {
    EXPECT_EQ(Put(100), 64);
    EXPECT_EQ(Put(200), 164);
    EXPECT_EQ(store.File()->Length(), 364);
    EXPECT_EQ(store.freeSpace, 0);
}

TEST_F(IffStoreTest, ExactFreeChunkIsReusedWhole) {
    Put(100);
    const int32_t b = Put(200);
    Put(100);
    ASSERT_EQ(store.FreeChunk(b), 0);
    EXPECT_EQ(At(b).type, iff::kTypeFree);
    EXPECT_EQ(store.freeSpace, 200);
    store.lastAlloc = -1;
    int32_t pos = -1;
    ASSERT_EQ(store.Allocate(200, pos), 0);
    EXPECT_EQ(pos, b);
    EXPECT_EQ(store.freeSpace, 0);
}

TEST_F(IffStoreTest, LargerFreeChunkIsSplitWhenTheRestHoldsAHeader) {
    Put(100);
    const int32_t b = Put(200);
    Put(100);
    ASSERT_EQ(store.FreeChunk(b), 0);
    store.lastAlloc = -1;
    int32_t pos = -1;
    ASSERT_EQ(store.Allocate(184, pos), 0); // 200 = 184 + 16: exactly room for the rest's header
    EXPECT_EQ(pos, b);
    EXPECT_EQ(At(b).size, 184);
    const iff::ChunkHeader rest = At(b + 184);
    EXPECT_EQ(rest.size, 16);
    EXPECT_TRUE(rest.flags & iff::kFlagFree);
    EXPECT_EQ(store.freeSpace, 16);
}

TEST_F(IffStoreTest, FreeChunkTooSmallForTheRestIsSkipped) {
    Put(100);
    const int32_t b = Put(200);
    const int32_t c = Put(100);
    ASSERT_EQ(store.FreeChunk(b), 0);
    store.lastAlloc = -1;
    int32_t pos = -1;
    ASSERT_EQ(store.Allocate(185, pos), 0);
    EXPECT_EQ(pos, c + 100);
    EXPECT_EQ(store.freeSpace, 200);
}

TEST_F(IffStoreTest, AdjacentFreeChunksAreMergedOnDisk) {
    Put(100);
    const int32_t b = Put(200);
    const int32_t c = Put(100);
    Put(50);
    ASSERT_EQ(store.FreeChunk(b), 0);
    ASSERT_EQ(store.FreeChunk(c), 0);
    store.lastAlloc = -1;
    int32_t pos = -1;
    ASSERT_EQ(store.Allocate(1000, pos), 0); // too big: merged, then appended
    EXPECT_EQ(At(b).size, 300);
    EXPECT_TRUE(At(b).flags & iff::kFlagFree);
    store.lastAlloc = -1;
    ASSERT_EQ(store.Allocate(300, pos), 0);
    EXPECT_EQ(pos, b);
}

TEST_F(IffStoreTest, SearchOnlyMovesForwardFromTheLastAllocation) {
    const int32_t a = Put(100);
    Put(100);
    const int32_t end = store.File()->Length();
    ASSERT_EQ(store.FreeChunk(a), 0);
    int32_t pos = -1;
    ASSERT_EQ(store.Allocate(100, pos), 0);
    EXPECT_EQ(pos, end);
}

TEST_F(IffStoreTest, CompactionKeepsTheChainWholeAfterEveryMove) {
    std::vector<int32_t> used;
    std::vector<int32_t> freed;
    for (int i = 0; i < 8; ++i) {
        const int32_t p = Put(i % 3 == 0 ? 60000 : 300 + i, uint8_t(i));
        (i % 2 ? freed : used).push_back(p);
    }
    for (int32_t p : freed)
        ASSERT_EQ(store.FreeChunk(p), 0);
    const int32_t end = store.File()->Length();
    int moves = 0, behind = 0;
    ASSERT_EQ(store.Compact(false,
                            [&](int32_t, int32_t to) {
                                ++moves;
                                behind += to >= end;
                                EXPECT_TRUE(ChainIsWhole(ReadAll(path)));
                            }),
              0);
    // The chunk of 302 bytes is larger than the gap of 301 below it: it goes behind the chain
    // first and moves down from there.
    EXPECT_EQ(moves, 4);
    EXPECT_EQ(behind, 1);
    // Every used chunk, in its old order, with its own bytes.
    const std::vector<uint8_t> bytes = ReadAll(path);
    size_t pos = 64;
    for (size_t i = 0; i < 8; i += 2) {
        ASSERT_LE(pos + 16, bytes.size());
        const size_t size = iff::GetBE32(bytes.data() + pos + 4);
        EXPECT_EQ(size, i % 3 == 0 ? 60000u : 300u + i);
        EXPECT_EQ(bytes[pos + 16], uint8_t(i));
        EXPECT_EQ(bytes[pos + size - 1], uint8_t(i));
        pos += size;
    }
    EXPECT_EQ(pos, bytes.size());
    store.Detach();
    IffCheckReport report;
    ASSERT_TRUE(CheckIffFile(path.c_str(), report));
    EXPECT_EQ(report.freeChunks, 0);
    EXPECT_EQ(report.chunks, 4);
    EXPECT_EQ(store.freeSpace, 0);
}

// Small reads come from bytes read ahead, but a write or a new length is never hidden by them.
TEST_F(IffStoreTest, BytesReadAheadNeverHideAChange) {
    std::vector<int32_t> at;
    for (int i = 0; i < 40; ++i)
        at.push_back(Put(40 + i, uint8_t(i)));
    store.Detach();
    CFaultFiles counting;
    CPlatformFilesScope scope(counting);
    iff::CIffStore s{16};
    s.Attach(OpenFileObject(path.c_str(), true));
    ASSERT_NE(s.File(), nullptr);
    iff::ChunkHeader h;
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(s.ReadChunkHeader(at[size_t(i)], h));
        EXPECT_EQ(h.size, 40 + i);
    }
    // The whole chain came in a read or two (a seek and a read each).
    EXPECT_LE(counting.Operations(), 4);
    h.id = 999;
    ASSERT_EQ(s.WriteChunkHeader(at[3], h), 0);
    ASSERT_TRUE(s.ReadChunkHeader(at[3], h));
    EXPECT_EQ(h.id, 999);
    uint8_t byte = 0;
    ASSERT_EQ(s.ReadAt(at[5] + 16, &byte, 1), 0);
    EXPECT_EQ(byte, 5);
    ASSERT_TRUE(s.SetLength(at[5]));
    EXPECT_FALSE(s.ReadChunkHeader(at[5], h));
    EXPECT_NE(s.ReadAt(at[5] + 16, &byte, 1), 0);
    ASSERT_TRUE(s.ReadChunkHeader(at[4], h));
    EXPECT_EQ(h.size, 44);
    s.Detach().reset();
}

// Small neighbours move through a gap together, many at a time, with every byte and the order
// kept, the chain whole whenever a move is reported, and far fewer file operations than chunks.
TEST_F(IffStoreTest, CompactionMovesSmallNeighboursTogether) {
    struct Kept {
        int32_t size;
        uint8_t fill;
    };
    std::vector<Kept> kept;
    std::vector<int32_t> freed;
    uint32_t seed = 7;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    for (int i = 0; i < 600; ++i) {
        const int32_t size = 17 + int32_t(next() >> 16) % 180;
        const bool free = i < 3 || next() % 5 == 0;
        const int32_t p = Put(size, uint8_t(i));
        if (free)
            freed.push_back(p);
        else
            kept.push_back({size, uint8_t(i)});
    }
    for (int32_t p : freed)
        ASSERT_EQ(store.FreeChunk(p), 0);
    store.Detach();
    CFaultFiles counting;
    {
        CPlatformFilesScope scope(counting);
        iff::CIffStore s{16};
        s.Attach(OpenFileObject(path.c_str(), true));
        ASSERT_NE(s.File(), nullptr);
        int moves = 0;
        ASSERT_EQ(s.Compact(false,
                            [&](int32_t from, int32_t to) {
                                ++moves;
                                EXPECT_LT(to, from);
                                if (moves % 50 == 0) {
                                    EXPECT_TRUE(ChainIsWhole(ReadAll(path)));
                                }
                            }),
                  0);
        EXPECT_EQ(moves, int(kept.size()));
        EXPECT_EQ(s.freeSpace, 0);
    }
    EXPECT_LT(counting.Operations(), int64_t(kept.size()));
    const std::vector<uint8_t> bytes = ReadAll(path);
    size_t pos = 64;
    for (const Kept& k : kept) {
        ASSERT_LE(pos + 16, bytes.size());
        const size_t size = iff::GetBE32(bytes.data() + pos + 4);
        ASSERT_EQ(size, size_t(k.size));
        EXPECT_EQ(iff::GetBE32(bytes.data() + pos), kTTAB);
        EXPECT_EQ(iff::GetBE16(bytes.data() + pos + 10) & iff::kFlagFree, 0);
        EXPECT_EQ(bytes[pos + 16], k.fill);
        EXPECT_EQ(bytes[pos + size - 1], k.fill);
        pos += size;
    }
    EXPECT_EQ(pos, bytes.size());
    IffCheckReport report;
    EXPECT_TRUE(CheckIffFile(path.c_str(), report));
    EXPECT_EQ(report.chunks, int32_t(kept.size()));
}

// Compaction trusts where a whole walk found the chain's end only until the chain is written:
// freeing a chunk keeps the end, an append moves it.
TEST_F(IffStoreTest, ANotedChainEndLastsUntilTheChainIsWritten) {
    const int32_t a = Put(100, 1);
    Put(120, 2);
    const int32_t c = Put(140, 3);
    ASSERT_EQ(store.EndOfWholeWalk(store.File()->Length()), iff::CIffStore::End::Whole);
    ASSERT_EQ(store.FreeChunk(a), 0);
    const int32_t appended = Put(160, 4);
    ASSERT_EQ(store.FreeChunk(c), 0);
    std::vector<std::pair<int32_t, int32_t>> moves;
    ASSERT_EQ(store.Compact(false, [&](int32_t from, int32_t to) { moves.emplace_back(from, to); }),
              0);
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(moves.back(), std::make_pair(appended, 64 + 120));
    const std::vector<uint8_t> bytes = ReadAll(path);
    ASSERT_EQ(bytes.size(), size_t(64 + 120 + 160));
    EXPECT_EQ(bytes[64 + 16], 2);
    EXPECT_EQ(bytes[64 + 120 + 16], 4);
    EXPECT_TRUE(ChainIsWhole(bytes));
}

// Whatever operation of a compaction fails, the compaction says so (a partial write is continued
// and may succeed).
TEST_F(IffStoreTest, CompactionReportsEveryFailedOperation) {
    for (int i = 0; i < 6; ++i) {
        const int32_t p = Put(i == 3 ? 5000 : 200 + 10 * i, uint8_t(i));
        if (i == 1 || i == 4) {
            ASSERT_EQ(store.FreeChunk(p), 0);
        }
    }
    store.Detach();
    const std::vector<uint8_t> base = ReadAll(path);
    int64_t operations = 0;
    std::vector<uint8_t> compacted;
    for (int64_t k = 0; k == 0 || k <= operations; ++k) {
        WriteAll(path, base);
        CFaultFiles faults;
        CPlatformFilesScope scope(faults);
        iff::CIffStore s{16};
        s.Attach(OpenFileObject(path.c_str(), true));
        ASSERT_NE(s.File(), nullptr);
        faults.Arm(k, FaultKind::Fail);
        const int32_t status = s.Compact(false, nullptr);
        s.Detach().reset();
        if (k == 0) {
            ASSERT_EQ(status, 0);
            operations = faults.Operations();
            ASSERT_GT(operations, 20);
            compacted = ReadAll(path);
        } else {
            EXPECT_TRUE(faults.Fired()) << k;
            // Only the type written to a chunk already marked free may fail unseen: it changes
            // nothing that compaction keeps.
            EXPECT_TRUE(status != 0 || ReadAll(path) == compacted)
                << "operation " << k << " failed unreported";
        }
    }
}

TEST_F(IffStoreTest, DamagedChainIsNeitherCompactedNorAppendedTo) {
    Put(100);
    const int32_t b = Put(200);
    Put(100);
    ASSERT_EQ(store.FreeChunk(b), 0);
    const std::vector<uint8_t> junk = {1, 2, 3, 4, 0, 0, 0, 5, 9, 9, 9, 9, 9, 9, 9, 9, 7};
    const int32_t end = store.File()->Length();
    ASSERT_EQ(store.WriteAt(end, junk.data(), int32_t(junk.size())), 0);
    const std::vector<uint8_t> before = ReadAll(path);
    int32_t endAt = 0;
    EXPECT_EQ(store.WalkToEnd(64, endAt), iff::CIffStore::End::Damaged);
    EXPECT_EQ(endAt, end);
    EXPECT_EQ(store.Compact(false, nullptr), kResErrDamaged);
    int32_t pos = -1;
    store.lastAlloc = end - 100;
    EXPECT_EQ(store.Allocate(500, pos), kResErrDamaged);
    EXPECT_EQ(ReadAll(path), before);
}

TEST_F(IffStoreTest, RemainsOfAStoppedAppendAreDroppedByTheNextOne) {
    Put(100);
    const int32_t end = Put(200) + 200;
    // A free header cut short by the end of the file, then fewer bytes than a header: what an
    // append leaves when it stops after its first write.
    iff::ChunkHeader h;
    h.type = iff::kTypeFree;
    h.size = 5000;
    h.flags = iff::kFlagFree;
    for (const std::vector<uint8_t>& tail :
         {std::vector<uint8_t>{}, std::vector<uint8_t>{1, 2, 3}}) {
        if (tail.empty())
            ASSERT_EQ(store.WriteChunkHeader(end, h), 0);
        else
            ASSERT_EQ(store.WriteAt(end, tail.data(), int32_t(tail.size())), 0);
        int32_t endAt = 0;
        EXPECT_EQ(store.WalkToEnd(64, endAt), iff::CIffStore::End::Tail);
        EXPECT_EQ(endAt, end);
        EXPECT_EQ(Put(300), end);
        EXPECT_EQ(store.File()->Length(), end + 300);
        EXPECT_TRUE(ChainIsWhole(ReadAll(path)));
        ASSERT_TRUE(store.File()->SetLength(end));
        store.lastAlloc = -1;
    }
}

} // namespace

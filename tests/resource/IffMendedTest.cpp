// Files that lie: impossible sizes, maps that do not match, writes that fail.
#include <gtest/gtest.h>

#include <csignal>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "IffTestUtil.h"
#include "resource/IffCheck.h"
#include "resource/IffFileV1.h"
#include "resource/IffFileV2.h"

using namespace iff_test;

namespace {

template <class Kind> void MakeTwoChunkFile(const std::string& path) {
    Kind f;
    ASSERT_EQ(f.Create(path.c_str()), 0);
    ASSERT_EQ(f.Open(path.c_str()), 0);
    CChunk* a = MakeBody(Pattern(10, 1));
    ASSERT_EQ(f.AddChunk(a, kTTAB, 1, Label("a"), true), 0);
    ASSERT_EQ(f.ReleaseChunk(a), 0);
    CChunk* b = MakeBody(Pattern(20, 2));
    ASSERT_EQ(f.AddChunk(b, kSTR, 2, Label("b"), true), 0);
    ASSERT_EQ(f.ReleaseChunk(b), 0);
    ASSERT_EQ(f.Close(), 0);
}

std::vector<uint8_t> BadHeader(int32_t headerSize, int32_t size) {
    std::vector<uint8_t> h(size_t(headerSize), 0);
    iff::PutBE32(h.data(), kOBJD);
    iff::PutBE32(h.data() + 4, uint32_t(size));
    return h;
}

template <class Kind> void ExpectScanStopsAtBadSize(int32_t headerSize, int32_t badSize) {
    ScratchDir dir = ScratchDir::InMemory();
    std::string p = dir / "f.iff";
    MakeTwoChunkFile<Kind>(p);
    auto bytes = ReadAll(p);
    if (headerSize == iff::kChunkHeaderV2) iff::PutBE32(bytes.data() + 60, 0); // force a scan
    const int32_t breakAt = int32_t(bytes.size());
    auto bad = BadHeader(headerSize, badSize);
    bytes.insert(bytes.end(), bad.begin(), bad.end());
    bytes.resize(bytes.size() + 40, 0xEE);
    WriteAll(p, bytes);
    {
        // Read-only, the chunks before the break are there.
        Kind f;
        ASSERT_EQ(f.OpenReadOnly(p.c_str()), 0);
        EXPECT_EQ(f.CountChunks(kTTAB), 1);
        EXPECT_EQ(f.CountChunks(kOBJD), 0);
        CChunk* c = f.GetChunk(kSTR, 2);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(BodyOf(c), Pattern(20, 2));
        EXPECT_EQ(f.ReleaseChunk(c), kResOk);
    }
    // Writing there could overwrite what lies behind the break: a writable open is refused and
    // says where the chain breaks.
    Kind f;
    EXPECT_EQ(f.Open(p.c_str()), kResErrDamaged);
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(f.BrokenChain().offset, breakAt);
    EXPECT_EQ(f.BrokenChain().path, p);
    EXPECT_EQ(ReadAll(p), bytes);
}

TEST(IffMendedTest, ScanEndsAtImpossibleSizesKeepingEarlierChunks) {
    for (int32_t size : {0, 5, 15, -1, 0x7FFFFFF0, 4000}) {
        SCOPED_TRACE(size);
        ExpectScanStopsAtBadSize<CIffFileV1>(iff::kChunkHeaderV1, size);
    }
    for (int32_t size : {0, 75, -76, 0x40000100, 0x7FFFFFFF, 4000}) {
        SCOPED_TRACE(size);
        ExpectScanStopsAtBadSize<CIffFileV2>(iff::kChunkHeaderV2, size);
    }
}

TEST(IffMendedTest, HeaderChecks) {
    ScratchDir dir = ScratchDir::InMemory();
    std::string p = dir / "f.iff";
    MakeTwoChunkFile<CIffFileV1>(p);
    const auto v1 = ReadAll(p);
    CIffFileV1 f1;
    CIffFileV2 f2;
    EXPECT_EQ(f2.Open(p.c_str()), kResErrBadHeader);
    EXPECT_FALSE(f2.IsOpen());
    for (size_t i = 0; i < 64; ++i) {
        auto bytes = v1;
        bytes[i] ^= 0x01;
        WriteAll(p, bytes);
        ASSERT_EQ(f1.Open(p.c_str()), kResErrBadHeader) << i;
        EXPECT_FALSE(f1.IsOpen());
    }
    MakeTwoChunkFile<CIffFileV2>(p = dir / "g.iff");
    auto v2 = ReadAll(p);
    EXPECT_EQ(f1.Open(p.c_str()), kResErrBadHeader);
    v2[57] = 'X'; // inside the fixed text
    WriteAll(p, v2);
    EXPECT_EQ(f2.Open(p.c_str()), kResErrBadHeader);
    v2 = ReadAll(dir / "g.iff");
    v2[57] = 'N';
    v2[11] = '3'; // version 2.3
    WriteAll(p, v2);
    EXPECT_EQ(f2.Open(p.c_str()), kResErrBadHeader);
    v2[11] = '0'; // version 2.0: the map offset bytes are not read
    WriteAll(p, v2);
    ASSERT_EQ(f2.Open(p.c_str()), 0);
    EXPECT_FALSE(f2.IndexedFromMap());
    EXPECT_EQ(f2.CountTypes(), 2);
    EXPECT_EQ(f2.Close(), kResOk);
    std::vector<uint8_t> shortFile(v2.begin(), v2.begin() + 40);
    WriteAll(p, shortFile);
    EXPECT_EQ(f2.Open(p.c_str()), kResErrShortRead);
}

struct MapFile {
    std::vector<uint8_t> bytes;
    int32_t mapOffset;
    int32_t strOffset;
    size_t firstEntryOffset; // file position of the first map entry's offset field
};

MapFile MakeMapFile(const std::string& p) {
    MakeTwoChunkFile<CIffFileV2>(p);
    MapFile m;
    m.bytes = ReadAll(p);
    m.mapOffset = int32_t(iff::GetBE32(m.bytes.data() + 60));
    m.strOffset = 64 + 76 + 10;
    // prefix 12, free 4, type count 4, type 4, entry count 4
    m.firstEntryOffset = size_t(m.mapOffset) + 76 + 12 + 16;
    return m;
}

TEST(IffMendedTest, MapWhoseEntriesDoNotMatchIsIgnored) {
    ScratchDir dir = ScratchDir::InMemory();
    std::string p = dir / "f.iff";
    MapFile m = MakeMapFile(p);
    ASSERT_EQ(iff::GetLE32(m.bytes.data() + m.firstEntryOffset), 64u);
    // The TTAB entry now names a place inside its body, where no chunk starts.
    iff::PutLE32(m.bytes.data() + m.firstEntryOffset, 100u);
    WriteAll(p, m.bytes);
    IffCheckReport report;
    EXPECT_FALSE(CheckIffFile(p.c_str(), report));
    {
        CIffFileV2 f;
        ASSERT_EQ(f.OpenReadOnly(p.c_str()), 0);
        CChunk* a = f.GetChunk(kTTAB, 1);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(BodyOf(a), Pattern(10, 1));
        EXPECT_FALSE(f.IndexedFromMap());
        EXPECT_EQ(f.CountChunks(kTTAB), 1);
        EXPECT_EQ(f.CountChunks(kSTR), 1);
        EXPECT_EQ(f.ReleaseChunk(a), kResOk);
        EXPECT_EQ(f.Close(), kResOk);
        EXPECT_EQ(ReadAll(p), m.bytes);
    }
    {
        // A writer checks the map against the chunks before its first write.
        CIffFileV2 f;
        ASSERT_EQ(f.Open(p.c_str()), 0);
        CChunk* c = MakeBody(Pattern(5, 5));
        ASSERT_EQ(f.AddChunk(c, kBHAV, 5, Label(""), true), 0);
        ASSERT_EQ(f.ReleaseChunk(c), 0);
        ASSERT_EQ(f.Close(), 0);
    }
    EXPECT_TRUE(CheckIffFile(p.c_str(), report)) << report.problems[0];
    CIffFileV2 f;
    ASSERT_EQ(f.Open(p.c_str()), 0);
    EXPECT_TRUE(f.IndexedFromMap());
    CChunk* s = f.GetChunk(kSTR, 2);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(BodyOf(s), Pattern(20, 2));
    EXPECT_EQ(f.ReleaseChunk(s), kResOk);
}

TEST(IffMendedTest, MapsWithImpossibleCountsOrOffsetsAreIgnored) {
    ScratchDir dir = ScratchDir::InMemory();
    std::string p = dir / "f.iff";
    const MapFile m = MakeMapFile(p);
    const size_t typeCount = size_t(m.mapOffset) + 76 + 12 + 4;
    const size_t entryCount = typeCount + 8;
    struct Patch {
        size_t at;
        uint32_t value;
    };
    for (Patch patch :
         {Patch{typeCount, 0x7FFFFFFF}, Patch{entryCount, 0x7FFFFFFF},
          Patch{m.firstEntryOffset, 0x7FFFFF00}, Patch{m.firstEntryOffset, 3},
          Patch{m.firstEntryOffset, uint32_t(m.strOffset)},
          Patch{size_t(m.mapOffset) + 4, 0x7FFFFFF0}, Patch{60, 0x7FFFFFF0}, Patch{60, 65}}) {
        SCOPED_TRACE(patch.at);
        auto bytes = m.bytes;
        if (patch.at == 60 || patch.at == size_t(m.mapOffset) + 4)
            iff::PutBE32(bytes.data() + patch.at, patch.value);
        else
            iff::PutLE32(bytes.data() + patch.at, patch.value);
        WriteAll(p, bytes);
        CIffFileV2 f;
        ASSERT_EQ(f.OpenReadOnly(p.c_str()), 0);
        EXPECT_FALSE(f.IndexedFromMap());
        CChunk* a = f.GetChunk(kTTAB, 1);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(BodyOf(a), Pattern(10, 1));
        EXPECT_EQ(f.ReleaseChunk(a), kResOk);
    }
}

// Writes that the file system refuses are reported, and the chunk is written by a later try.
// A file-size limit makes them fail, which only POSIX offers; the fault sweeps cover Windows.
#ifndef _WIN32
template <class Kind> void ExpectFailedWritesReported() {
    ScratchDir dir = ScratchDir::InMemory();
    std::string p = dir / "f.iff";
    MakeTwoChunkFile<Kind>(p);
    Kind f;
    ASSERT_EQ(f.Open(p.c_str()), 0);
    const auto length = ReadAll(p).size();
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto old = std::signal(SIGXFSZ, SIG_IGN);
    rlimit low = saved;
    low.rlim_cur = rlim_t(length + 200);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &low), 0);
    CChunk* c = MakeBody(Pattern(5000, 7));
    ASSERT_EQ(f.AddChunk(c, kBHAV, 7, Label("big"), true), 0);
    const int32_t w = f.WriteChunk(c);
    const int32_t r = f.Release(c);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
    std::signal(SIGXFSZ, old);
    EXPECT_LT(w, 0);
    EXPECT_LT(r, 0);
    EXPECT_EQ(f.LastError(), r);
    ASSERT_EQ(f.ReleaseChunk(c), 0); // now it fits
    ASSERT_EQ(f.Close(), 0);
    ASSERT_EQ(f.Open(p.c_str()), 0);
    CChunk* d = f.GetChunk(kBHAV, 7);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(BodyOf(d), Pattern(5000, 7));
    EXPECT_EQ(f.ReleaseChunk(d), kResOk);
    EXPECT_EQ(f.Close(), kResOk);
    IffCheckReport report;
    EXPECT_TRUE(CheckIffFile(p.c_str(), report)) << report.problems[0];
}

TEST(IffMendedTest, FailingWritesNeverReportSuccess) {
    ExpectFailedWritesReported<CIffFileV1>();
    ExpectFailedWritesReported<CIffFileV2>();
}
#endif

} // namespace

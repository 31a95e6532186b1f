// Behaviour of the two IFF file kinds through the resource-file interface.
#include <gtest/gtest.h>

#include <algorithm>
#include <type_traits>

#include "IffTestUtil.h"
#include "resource/IffCheck.h"
#include "resource/IffFileV1.h"
#include "resource/IffFileV2.h"

using namespace iff_test;

namespace {

template <class Kind> class IffKindTest : public ::testing::Test {
protected:
    ScratchDir dir = ScratchDir::InMemory();
    std::string path = dir / "file.iff";

    // A new file, opened, holding chunks (type TTAB) with ids 200.. and the given bodies.
    void MakeFile(Kind& f, const std::vector<std::vector<uint8_t>>& bodies) {
        ASSERT_EQ(f.Create(path.c_str()), 0);
        ASSERT_EQ(f.Open(path.c_str()), 0);
        int16_t id = 200;
        for (const auto& b : bodies) {
            CChunk* c = MakeBody(b);
            ASSERT_EQ(f.AddChunk(c, kTTAB, id++, Label("x"), true), 0);
            ASSERT_EQ(f.ReleaseChunk(c), 0);
        }
    }
};

using Kinds = ::testing::Types<CIffFileV1, CIffFileV2>;
TYPED_TEST_SUITE(IffKindTest, Kinds);

TYPED_TEST(IffKindTest, NewFileIsHeaderOnlyAndEmpty) {
    TypeParam f;
    ASSERT_EQ(f.Create(this->path.c_str()), 0);
    EXPECT_EQ(ReadAll(this->path).size(), 64u);
    EXPECT_EQ(f.Create(this->path.c_str()), kResErrFileExists);
    ASSERT_EQ(f.Open(this->path.c_str()), 0);
    EXPECT_EQ(f.Open(this->path.c_str()), kResErrAlreadyOpen);
    EXPECT_EQ(f.Create((this->dir / "other.iff").c_str()), kResErrAlreadyOpen);
    EXPECT_EQ(f.CountTypes(), 0);
    EXPECT_EQ(f.GetTypeAt(1), 0u);
    EXPECT_EQ(f.LastError(), kResErrTypeIndex);
    EXPECT_EQ(f.Close(), 0);
    EXPECT_EQ(f.Close(), kResErrNotOpen);
    EXPECT_EQ(f.Delete((this->dir / "missing.iff").c_str()), kResErrNoSuchFile);
    EXPECT_EQ(f.Delete(this->path.c_str()), 0);
    EXPECT_EQ(f.Open(this->path.c_str()), kResErrCannotOpen);
}

TYPED_TEST(IffKindTest, FetchesShareOneHandleUntilReleased) {
    TypeParam f;
    this->MakeFile(f, {Pattern(10, 1)});
    CChunk* a = f.GetChunk(kTTAB, 200);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(f.GetChunk(kTTAB, 200), a);
    EXPECT_EQ(BodyOf(a), Pattern(10, 1));
    EXPECT_EQ(f.ReleaseChunk(a), 0);
    CChunk* b = f.GetChunk(kTTAB, 200);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(BodyOf(b), Pattern(10, 1));
    EXPECT_EQ(f.ReleaseChunk(b), 0);
    EXPECT_EQ(f.GetChunk(kTTAB, 201), nullptr);
    EXPECT_EQ(f.LastError(), kResErrNoChunk);
    EXPECT_EQ(f.GetChunkAt(kTTAB, 0), nullptr);
    EXPECT_EQ(f.GetChunkAt(kTTAB, 2), nullptr);
    EXPECT_EQ(f.LastError(), kResErrNoChunk);
    uint16_t r = 7;
    EXPECT_EQ(f.Reserved22(nullptr, r), kResErrUnsupported);
    EXPECT_EQ(r, 0);
}

TYPED_TEST(IffKindTest, AddChunkReplacesAndKeepsTheVeryHandleBeingAdded) {
    TypeParam f;
    this->MakeFile(f, {Pattern(10, 1)});
    CChunk* a = f.GetChunk(kTTAB, 200);
    ASSERT_NE(a, nullptr);
    ASSERT_TRUE(a->Resize(30));
    a->Body()[29] = 0x5A;
    ASSERT_EQ(f.AddChunk(a, kTTAB, 200, Label("new"), true), 0);
    EXPECT_EQ(f.CountChunks(kTTAB), 1);
    EXPECT_EQ(f.GetChunk(kTTAB, 200), a);
    EXPECT_EQ(f.ReleaseChunk(a), 0);
    ASSERT_EQ(f.Close(), 0);
    ASSERT_EQ(f.Open(this->path.c_str()), 0);
    CChunk* b = f.GetChunk(kTTAB, 200);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Size(), 30);
    EXPECT_EQ(b->Body()[29], 0x5A);
    Label l;
    EXPECT_EQ(f.GetLabel(b, l), 0);
    EXPECT_STREQ(l.Text(), "new");
    EXPECT_EQ(f.ReleaseChunk(b), kResOk);
    EXPECT_EQ(f.Close(), kResOk);
    IffCheckReport report;
    EXPECT_TRUE(CheckIffFile(this->path.c_str(), report)) << report.problems[0];
}

TYPED_TEST(IffKindTest, ReadOnlyFilesRefuseChangesAndStayByteForByte) {
    {
        TypeParam f;
        this->MakeFile(f, {Pattern(100, 1), Pattern(20000, 2)});
        CChunk* big = f.GetChunk(kTTAB, 201);
        ASSERT_EQ(f.DeleteChunk(big), 0);
        ASSERT_EQ(f.Close(), 0);
    }
    // Leave enough free space for compaction and a map that a writable close would rewrite.
    {
        TypeParam f;
        ASSERT_EQ(f.Open(this->path.c_str()), 0);
        CChunk* c = MakeBody(Pattern(50, 3));
        ASSERT_EQ(f.AddChunk(c, kTTAB, 300, Label(""), true), 0);
        ASSERT_EQ(f.WriteChunk(c), 0);
        CChunk* d = f.GetChunk(kTTAB, 300);
        ASSERT_EQ(f.DeleteChunk(d), 0);
        // Keep the file below the compaction threshold.
        EXPECT_LT(f.FreeSpace(), 10240);
    }
    const auto before = ReadAll(this->path);
    TypeParam f;
    ASSERT_EQ(f.OpenReadOnly(this->path.c_str()), 0);
    EXPECT_FALSE(f.IsWritable());
    CChunk* a = f.GetChunk(kTTAB, 200);
    ASSERT_NE(a, nullptr);
    CChunk* n = MakeBody(Pattern(5, 9));
    EXPECT_EQ(f.AddChunk(n, kTTAB, 400, Label("no"), true), kResErrNotWritable);
    CChunk::Free(n);
    EXPECT_EQ(f.WriteChunk(a), kResErrNotWritable);
    EXPECT_EQ(f.DeleteChunk(a), kResErrNotWritable);
    EXPECT_EQ(f.SetIdAndLabel(a, 5, Label("z"), 0), kResErrNotWritable);
    EXPECT_EQ(f.CountChunks(kTTAB), 1);
    EXPECT_EQ(f.ReleaseChunk(a), 0);
    EXPECT_EQ(f.Close(), 0);
    EXPECT_EQ(ReadAll(this->path), before);
}

TYPED_TEST(IffKindTest, NextFreeIdAndUniqueLabels) {
    TypeParam f;
    this->MakeFile(f, {});
    EXPECT_EQ(f.NextFreeId(kSTR), 129);
    auto add = [&](uint32_t type, int16_t id, const char* label) {
        CChunk* c = MakeBody(Pattern(4, uint32_t(id)));
        ASSERT_EQ(f.AddChunk(c, type, id, Label(label), true), 0);
        ASSERT_EQ(f.ReleaseChunk(c), 0);
    };
    add(kSTR, 5, "L");
    EXPECT_EQ(f.NextFreeId(kSTR), 129);
    add(kSTR, 300, "l0");
    EXPECT_EQ(f.NextFreeId(kSTR), 301);
    add(kBHAV, 128, "Other");
    EXPECT_EQ(f.NextFreeId(kBHAV), 129);
    Label l("L");
    EXPECT_EQ(f.MakeLabelUnique(kSTR, l), 0);
    EXPECT_STREQ(l.Text(), "L1");
    Label o("other");
    EXPECT_EQ(f.MakeLabelUnique(kSTR, o), kResOk);
    EXPECT_STREQ(o.Text(), "other");
    // A full-length label that is taken still becomes unique, within 63 characters.
    const std::string long63(63, 'q');
    add(kSTR, 400, long63.c_str());
    Label q(long63.c_str());
    EXPECT_EQ(f.MakeLabelUnique(kSTR, q), kResOk);
    EXPECT_EQ(q.Length(), 63);
    EXPECT_STREQ(q.Text(), (std::string(62, 'q') + "0").c_str());
    // The top id taken: the next free one is not a wrapped negative id.
    add(kOBJD, 32767, "");
    EXPECT_EQ(f.NextFreeId(kOBJD), 129);
}

TYPED_TEST(IffKindTest, ByteOrderRoutineRunsOnceOnNonNativeBodies) {
    static int calls;
    calls = 0;
    ByteOrderRoutine swap = [](uint8_t* body, int32_t size) {
        ++calls;
        for (int32_t i = 0; i + 1 < size; i += 2)
            std::swap(body[i], body[i + 1]);
    };
    {
        TypeParam f;
        this->MakeFile(f, {});
        CChunk* c = MakeBody({1, 2, 3, 4});
        ASSERT_EQ(f.AddChunk(c, kTTAB, 1, Label(""), false), 0); // stored big-endian
        ASSERT_EQ(f.ReleaseChunk(c), 0);
        CChunk* n = MakeBody({1, 2});
        ASSERT_EQ(f.AddChunk(n, kTTAB, 2, Label(""), true), 0);
        ASSERT_EQ(f.ReleaseChunk(n), 0);
        ASSERT_EQ(f.Close(), 0);
    }
    TypeParam f;
    ASSERT_EQ(f.Open(this->path.c_str()), 0);
    CChunk* c = f.GetChunk(kTTAB, 1, swap);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(BodyOf(c), (std::vector<uint8_t>{2, 1, 4, 3}));
    EXPECT_TRUE(f.IsNative(c));
    EXPECT_EQ(f.GetChunk(kTTAB, 1, swap), c);
    EXPECT_EQ(calls, 1);
    // Released unchanged: the on-disk flags come back, so the next fetch converts again.
    ASSERT_EQ(f.ReleaseChunk(c), 0);
    c = f.GetChunk(kTTAB, 1, swap);
    EXPECT_EQ(calls, 2);
    // Rewritten after conversion: stored native from now on.
    ASSERT_EQ(f.WriteChunk(c), 0);
    ASSERT_EQ(f.ReleaseChunk(c), 0);
    c = f.GetChunk(kTTAB, 1, swap);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(BodyOf(c), (std::vector<uint8_t>{2, 1, 4, 3}));
    EXPECT_EQ(f.ReleaseChunk(c), kResOk);
    CChunk* n = f.GetChunk(kTTAB, 2, swap);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(f.ReleaseChunk(n), kResOk);
}

TYPED_TEST(IffKindTest, LabelsAreCutAt63AndFoundIgnoringCase) {
    TypeParam f;
    this->MakeFile(f, {});
    const std::string long70 = std::string(60, 'a') + "BCDEFGHIJK";
    CChunk* c = MakeBody(Pattern(3, 1));
    Label l70;
    l70.Assign(long70.c_str());
    ASSERT_EQ(l70.Length(), 63);
    // A label given in a bigger buffer is still stored as its first 63 characters.
    CFixedString<100> big(long70.c_str());
    ASSERT_EQ(f.AddChunk(c, kTTAB, 7, big, true), 0);
    ASSERT_EQ(f.ReleaseChunk(c), 0);
    ASSERT_EQ(f.Close(), 0);
    ASSERT_EQ(f.Open(this->path.c_str()), 0);
    CFixedString<100> upper((std::string(60, 'A') + "bcd").c_str());
    CChunk* d = f.GetChunkByLabel(kTTAB, upper);
    ASSERT_NE(d, nullptr);
    Label got;
    f.GetLabel(d, got);
    EXPECT_EQ(std::string(got.Text()), long70.substr(0, 63));
    EXPECT_EQ(f.ReleaseChunk(d), kResOk);
    EXPECT_EQ(f.GetChunkByLabel(kSTR, upper), nullptr);
    EXPECT_EQ(f.LastError(), kResErrUnknownChunk);
}

// What the calls on a fetched handle tell of the chunk at index (no handle of it held).
int32_t FetchFacts(CResourceFile& f, uint32_t type, int32_t index, ChunkFacts& x) {
    CChunk* c = f.GetChunkAt(type, index);
    if (!c) return f.LastError();
    Label label;
    EXPECT_EQ(f.GetId(c, x.id), kResOk);
    x.variant = f.GetVariant(c);
    EXPECT_EQ(f.GetLabel(c, label), kResOk);
    x.label = label.Text();
    x.size = c->Size();
    return f.ReleaseChunk(c);
}

// A listing describes each chunk from its header alone; it must tell what fetching the chunk
// tells, and fail where fetching fails.
TYPED_TEST(IffKindTest, DescribingAChunkTellsWhatFetchingItTells) {
    constexpr bool kV2 = std::is_same_v<TypeParam, CIffFileV2>;
    {
        TypeParam f;
        this->MakeFile(f, {Pattern(10, 1), Pattern(0, 2), Pattern(300, 3)});
        CChunk* c = MakeBody(Pattern(5, 4));
        ASSERT_EQ(f.AddChunk(c, kSTR, 7, Label((std::string(60, 'q') + "long").c_str()), true), 0);
        ASSERT_EQ(f.ReleaseChunk(c), 0);
        if (kV2) {
            c = MakeBody(Pattern(6, 5));
            ASSERT_EQ(f.AddChunkVariant(c, kTTAB, 9, Label("v"), 3, true), 0);
            ASSERT_EQ(f.ReleaseChunk(c), 0);
        }
        ASSERT_EQ(f.Close(), 0);
    }
    // Every index of every type, one past the last included, through both ways.
    auto list = [&](bool fromHeader) {
        TypeParam f;
        EXPECT_EQ(f.OpenReadOnly(this->path.c_str()), 0);
        std::vector<std::string> rows;
        for (int32_t t = 1; t <= f.CountTypes(); ++t) {
            const uint32_t type = f.GetTypeAt(t);
            for (int32_t i = 0; i <= f.CountChunks(type) + 1; ++i) {
                ChunkFacts x;
                const int32_t e =
                    fromHeader ? f.DescribeChunkAt(type, i, x) : FetchFacts(f, type, i, x);
                EXPECT_EQ(f.LastError(), e);
                rows.push_back(std::to_string(type) + " " + std::to_string(i) + ": " +
                               std::to_string(e) + " " + std::to_string(x.id) + " " +
                               std::to_string(x.variant) + " " + x.label + " " +
                               std::to_string(x.size));
            }
        }
        return rows;
    };
    const std::vector<std::string> whole = list(true);
    EXPECT_EQ(whole, list(false));
    EXPECT_EQ(whole.size(), kV2 ? 9u : 8u);
    // A header that no longer says what the index says: both fail alike, or both see the file
    // as it is once the index is taken from it again.
    std::vector<uint8_t> bytes = ReadAll(this->path);
    const std::string q(60, 'q');
    auto at = std::search(bytes.begin(), bytes.end(), q.begin(), q.end());
    ASSERT_NE(at, bytes.end());
    *at = 'Q';
    for (size_t p = 64; p + 12 <= bytes.size();) { // the first TTAB chunk's type, spoilt
        const uint32_t size = uint32_t(bytes[p + 4]) << 24 | uint32_t(bytes[p + 5]) << 16 |
                              uint32_t(bytes[p + 6]) << 8 | bytes[p + 7];
        if (bytes[p] == 'T' && bytes[p + 1] == 'T') {
            bytes[p] = 'X';
            break;
        }
        p += size;
    }
    WriteAll(this->path, bytes);
    const std::vector<std::string> spoilt = list(true);
    EXPECT_EQ(spoilt, list(false));
    EXPECT_NE(spoilt, whole);
    // A handle held by a client is what both describe, unwritten size and all.
    TypeParam f;
    ChunkFacts x;
    EXPECT_EQ(f.DescribeChunkAt(kTTAB, 1, x), kResErrNotOpen);
    ASSERT_EQ(f.Open(this->path.c_str()), 0);
    CChunk* held = f.GetChunkAt(kSTR, 1);
    ASSERT_NE(held, nullptr);
    ASSERT_TRUE(held->Resize(40));
    ASSERT_EQ(f.DescribeChunkAt(kSTR, 1, x), kResOk);
    EXPECT_EQ(x.size, 40);
    EXPECT_EQ(f.GetChunkAt(kSTR, 1), held); // still held: describing it let nothing go
    EXPECT_EQ(f.ReleaseChunk(held), kResOk);
}

TYPED_TEST(IffKindTest, SetIdAndLabelRewritesTheHeaderInPlace) {
    TypeParam f;
    this->MakeFile(f, {Pattern(40, 1)});
    const auto size = ReadAll(this->path).size();
    CChunk* c = f.GetChunk(kTTAB, 200);
    ASSERT_EQ(f.SetIdAndLabel(c, 250, Label("Renamed"), 0), 0);
    ASSERT_EQ(f.SetId(c, 251), 0);
    EXPECT_EQ(f.ReleaseChunk(c), kResOk);
    ASSERT_EQ(f.Close(), 0);
    ASSERT_EQ(f.Open(this->path.c_str()), 0);
    EXPECT_EQ(f.GetChunk(kTTAB, 200), nullptr);
    c = f.GetChunk(kTTAB, 251);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(BodyOf(c), Pattern(40, 1));
    Label l;
    f.GetLabel(c, l);
    EXPECT_STREQ(l.Text(), "Renamed");
    EXPECT_EQ(f.ReleaseChunk(c), kResOk);
    EXPECT_EQ(f.Close(), kResOk);
    if (std::is_same_v<TypeParam, CIffFileV2>) {
        EXPECT_GE(ReadAll(this->path).size(), size); // header rewritten, body not moved
    }
}

// Compaction at close starts at 10240 bytes of free space.
TYPED_TEST(IffKindTest, CompactionThreshold) {
    const int32_t h = std::is_same_v<TypeParam, CIffFileV1> ? 16 : 76;
    for (int32_t freeBytes : {10239, 10240}) {
        std::string p = this->dir / ("t" + std::to_string(freeBytes) + ".iff");
        TypeParam f;
        ASSERT_EQ(f.Create(p.c_str()), 0);
        ASSERT_EQ(f.Open(p.c_str()), 0);
        for (int16_t id = 1; id <= 3; ++id) {
            CChunk* c = MakeBody(Pattern(id == 2 ? size_t(freeBytes - h) : 1000, uint32_t(id)));
            ASSERT_EQ(f.AddChunk(c, kTTAB, id, Label(""), true), 0);
            ASSERT_EQ(f.ReleaseChunk(c), 0);
        }
        ASSERT_EQ(f.DeleteChunk(f.GetChunk(kTTAB, 2)), 0);
        EXPECT_EQ(f.FreeSpace(), freeBytes);
        ASSERT_EQ(f.Close(), 0);
        IffCheckReport report;
        EXPECT_TRUE(CheckIffFile(p.c_str(), report));
        if (freeBytes == 10239)
            EXPECT_GT(report.freeBytes, 0);
        else
            EXPECT_EQ(report.freeChunks, 0);
        ASSERT_EQ(f.Open(p.c_str()), 0);
        CChunk* c3 = f.GetChunk(kTTAB, 3);
        ASSERT_NE(c3, nullptr);
        EXPECT_EQ(BodyOf(c3), Pattern(1000, 3));
        EXPECT_EQ(f.ReleaseChunk(c3), kResOk);
        EXPECT_EQ(f.Close(), kResOk);
    }
}

// Compaction moves bodies larger than its transfer buffer in pieces.
TYPED_TEST(IffKindTest, CompactionMovesLargeBodiesInPieces) {
    TypeParam f;
    this->MakeFile(f, {Pattern(1000, 1), Pattern(30000, 2), Pattern(130001, 3), Pattern(77, 4)});
    ASSERT_EQ(f.DeleteChunk(f.GetChunk(kTTAB, 201)), 0);
    ASSERT_EQ(f.Compact(), 0);
    // Still usable after compacting while open.
    CChunk* c = f.GetChunk(kTTAB, 202);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(BodyOf(c), Pattern(130001, 3));
    EXPECT_EQ(f.ReleaseChunk(c), kResOk);
    ASSERT_EQ(f.Close(), 0);
    IffCheckReport report;
    EXPECT_TRUE(CheckIffFile(this->path.c_str(), report));
    EXPECT_EQ(report.freeChunks, 0);
    ASSERT_EQ(f.Open(this->path.c_str()), 0);
    for (int16_t id : {200, 202, 203}) {
        CChunk* d = f.GetChunk(kTTAB, id);
        ASSERT_NE(d, nullptr);
        const size_t sizes[] = {1000, 30000, 130001, 77};
        EXPECT_EQ(BodyOf(d), Pattern(sizes[id - 200], uint32_t(id - 199)));
        EXPECT_EQ(f.ReleaseChunk(d), kResOk);
    }
}

TEST(IffFileV1Test, VariantsAreNotSupported) {
    ScratchDir dir = ScratchDir::InMemory();
    std::string p = dir / "v1.iff";
    CIffFileV1 f;
    ASSERT_EQ(f.Create(p.c_str()), 0);
    ASSERT_EQ(f.Open(p.c_str()), 0);
    CChunk* c = MakeBody(Pattern(8, 1));
    ASSERT_EQ(f.AddChunkVariant(c, kTTAB, 5, Label("dropped"), 3, true), 0);
    Label l("x");
    EXPECT_EQ(f.GetLabel(c, l), 0);
    EXPECT_STREQ(l.Text(), "");
    EXPECT_EQ(f.GetVariant(c), 0);
    EXPECT_EQ(f.GetChunkVariant(kTTAB, 5, 1), nullptr);
    EXPECT_EQ(f.LastError(), kResErrNoVariants);
    EXPECT_EQ(f.SetIdAndLabel(c, 6, Label(""), 1), kResErrNoVariants);
    EXPECT_EQ(f.ReleaseChunk(c), 0);
    EXPECT_EQ(f.Suspend(), kResErrCannotOpen);
    EXPECT_EQ(f.Resume(), kResErrCannotOpen);
}

TEST(IffFileV1Test, NewestChunksAndTypesCountFirst) {
    ScratchDir dir = ScratchDir::InMemory();
    std::string p = dir / "v1.iff";
    CIffFileV1 f;
    ASSERT_EQ(f.Create(p.c_str()), 0);
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(f.Open(p.c_str()), 0);
        if (round == 0) {
            for (auto [type, id] : {std::pair{kTTAB, 1}, {kSTR, 2}, {kTTAB, 3}}) {
                CChunk* c = MakeBody(Pattern(8, uint32_t(id)));
                ASSERT_EQ(f.AddChunk(c, type, int16_t(id), Label(""), true), 0);
                ASSERT_EQ(f.ReleaseChunk(c), 0);
            }
        }
        EXPECT_EQ(f.GetTypeAt(1), kSTR);
        EXPECT_EQ(f.GetTypeAt(2), kTTAB);
        CChunk* c = f.GetChunkAt(kTTAB, 1);
        int16_t id = 0;
        f.GetId(c, id);
        EXPECT_EQ(id, 3);
        EXPECT_EQ(f.ReleaseChunk(c), kResOk);
        ASSERT_EQ(f.Close(), 0);
    }
}

TEST(IffFileV2Test, VariantsFallBackToThePlainChunk) {
    ScratchDir dir = ScratchDir::InMemory();
    std::string p = dir / "v2.iff";
    CIffFileV2 f;
    ASSERT_EQ(f.Create(p.c_str()), 0);
    ASSERT_EQ(f.Open(p.c_str()), 0);
    for (int v : {0, 3}) {
        CChunk* c = MakeBody(Pattern(8, uint32_t(v)));
        ASSERT_EQ(f.AddChunkVariant(c, kTTAB, 9, Label("v"), v, true), 0);
        ASSERT_EQ(f.ReleaseChunk(c), 0);
    }
    ASSERT_EQ(f.Close(), 0);
    ASSERT_EQ(f.Open(p.c_str()), 0);
    EXPECT_EQ(f.CountChunks(kTTAB), 2);
    CChunk* v3 = f.GetChunkVariant(kTTAB, 9, 3);
    ASSERT_NE(v3, nullptr);
    EXPECT_EQ(f.GetVariant(v3), 3);
    EXPECT_EQ(BodyOf(v3), Pattern(8, 3));
    CChunk* v5 = f.GetChunkVariant(kTTAB, 9, 5);
    ASSERT_NE(v5, nullptr);
    EXPECT_EQ(f.GetVariant(v5), 0);
    EXPECT_EQ(f.GetChunk(kTTAB, 9), v5);
    // The label lookup finds only the plain chunk.
    EXPECT_EQ(f.GetChunkByLabel(kTTAB, Label("V")), v5);
    EXPECT_EQ(f.ReleaseChunk(v3), kResOk);
    EXPECT_EQ(f.ReleaseChunk(v5), kResOk);
    CFixedString<8> name;
    EXPECT_EQ(f.GetFileName(name), 0);
    EXPECT_EQ(f.Suspend(), 0);
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(f.Resume(), 0);
    EXPECT_EQ(f.CountChunks(kTTAB), 2);
}

TEST(IffFileV2Test, ReopenFromTheMapReadsOnlyTheMapHeader) {
    ScratchDir dir = ScratchDir::InMemory();
    std::string p = dir / "v2.iff";
    CIffFileV2 f;
    ASSERT_EQ(f.Create(p.c_str()), 0);
    ASSERT_EQ(f.Open(p.c_str()), 0);
    for (int16_t id = 1; id <= 50; ++id) {
        CChunk* c = MakeBody(Pattern(size_t(id) * 3, uint32_t(id)));
        ASSERT_EQ(f.AddChunk(c, id % 2 ? kTTAB : kSTR, id,
                             Label(("n" + std::to_string(id)).c_str()), true),
                  0);
        ASSERT_EQ(f.ReleaseChunk(c), 0);
    }
    ASSERT_EQ(f.Close(), 0);
    const auto bytes = ReadAll(p);
    EXPECT_NE(iff::GetBE32(bytes.data() + 60), 0u);
    EXPECT_EQ(bytes[9], '2');
    EXPECT_EQ(bytes[11], '5');
    ASSERT_EQ(f.OpenReadOnly(p.c_str()), 0);
    EXPECT_TRUE(f.IndexedFromMap());
    EXPECT_EQ(f.HeaderReads(), 1);
    EXPECT_EQ(f.CountChunks(kTTAB), 25);
    EXPECT_EQ(f.CountChunks(kSTR), 25);
    EXPECT_EQ(f.CountTypes(), 2);
    CChunk* c = f.GetChunk(kSTR, 10);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(BodyOf(c), Pattern(30, 10));
    EXPECT_EQ(f.ReleaseChunk(c), kResOk);
    EXPECT_EQ(f.Close(), kResOk);
    EXPECT_EQ(ReadAll(p), bytes);

    // The same file with the map offset cleared is scanned; the map chunk is not a resource.
    auto scanned = bytes;
    iff::PutBE32(scanned.data() + 60, 0);
    WriteAll(p, scanned);
    ASSERT_EQ(f.OpenReadOnly(p.c_str()), 0);
    EXPECT_FALSE(f.IndexedFromMap());
    EXPECT_EQ(f.CountTypes(), 2);
    EXPECT_EQ(f.CountChunks(iff::kTypeMap), 0);
    EXPECT_EQ(f.GetChunk(iff::kTypeMap, 0), nullptr);
    EXPECT_EQ(f.Close(), kResOk);
}

TEST(IffFileV2Test, FirstWriteInvalidatesTheMapAtOnce) {
    ScratchDir dir = ScratchDir::InMemory();
    std::string p = dir / "v2.iff";
    CIffFileV2 f;
    ASSERT_EQ(f.Create(p.c_str()), 0);
    ASSERT_EQ(f.Open(p.c_str()), 0);
    CChunk* c = MakeBody(Pattern(8, 1));
    ASSERT_EQ(f.AddChunk(c, kTTAB, 1, Label(""), true), 0);
    ASSERT_EQ(f.ReleaseChunk(c), 0);
    ASSERT_EQ(f.Close(), 0);
    ASSERT_EQ(f.Open(p.c_str()), 0);
    ASSERT_TRUE(f.IndexedFromMap());
    c = MakeBody(Pattern(8, 2));
    ASSERT_EQ(f.AddChunk(c, kTTAB, 2, Label(""), true), 0);
    EXPECT_NE(iff::GetBE32(ReadAll(p).data() + 60), 0u); // adding alone writes nothing
    ASSERT_EQ(f.WriteChunk(c), 0);
    EXPECT_EQ(iff::GetBE32(ReadAll(p).data() + 60), 0u);
    // A crash now leaves a file that is scanned and still holds everything written.
    const std::string copy = dir / "crashed.iff";
    WriteAll(copy, ReadAll(p));
    CIffFileV2 other;
    ASSERT_EQ(other.OpenReadOnly(copy.c_str()), 0);
    EXPECT_FALSE(other.IndexedFromMap());
    EXPECT_EQ(other.CountChunks(kTTAB), 2);
    EXPECT_EQ(other.Close(), kResOk);
    EXPECT_EQ(f.ReleaseChunk(c), kResOk);
    ASSERT_EQ(f.Close(), 0);
    IffCheckReport report;
    EXPECT_TRUE(CheckIffFile(p.c_str(), report));
    EXPECT_EQ(report.mapEntries, 2);
}

TEST(IffFileV2Test, AddedButUnwrittenChunksSurviveClose) {
    ScratchDir dir = ScratchDir::InMemory();
    std::string p = dir / "v2.iff";
    CIffFileV2 f;
    ASSERT_EQ(f.Create(p.c_str()), 0);
    ASSERT_EQ(f.Open(p.c_str()), 0);
    ASSERT_EQ(f.AddChunk(MakeBody(Pattern(8, 1)), kTTAB, 1, Label(""), true), 0);
    ASSERT_EQ(f.Close(), 0);
    ASSERT_EQ(f.Open(p.c_str()), 0);
    EXPECT_EQ(f.CountChunks(kTTAB), 1);
}

} // namespace

namespace {

// A chunk whose label was cleared keeps its name key; a new label must not share that key.
TEST(IffFileV1Test, ClearedLabelKeysAreNotHandedOutAgain) {
    ScratchDir dir = ScratchDir::InMemory();
    std::string p = dir / "v1.iff";
    CIffFileV1 f;
    ASSERT_EQ(f.Create(p.c_str()), 0);
    ASSERT_EQ(f.Open(p.c_str()), 0);
    CChunk* a = MakeBody(Pattern(4, 1));
    ASSERT_EQ(f.AddChunk(a, kTTAB, 1, Label("a"), true), 0);
    ASSERT_EQ(f.SetIdAndLabel(a, 1, Label(""), 0), 0);
    CChunk* b = MakeBody(Pattern(4, 2));
    ASSERT_EQ(f.AddChunk(b, kTTAB, 2, Label("b"), true), 0);
    ASSERT_EQ(f.SetIdAndLabel(a, 1, Label("x"), 0), 0);
    Label l;
    f.GetLabel(b, l);
    EXPECT_STREQ(l.Text(), "b");
    ASSERT_EQ(f.DeleteChunk(a), 0);
    f.GetLabel(b, l);
    EXPECT_STREQ(l.Text(), "b");
    ASSERT_EQ(f.ReleaseChunk(b), 0);
}

} // namespace

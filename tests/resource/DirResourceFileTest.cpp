#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "ScratchDir.h"
#include "platform/PlatformFiles.h"
#include "resource/DirResourceFile.h"
#include "resource/KindsTestUtil.h"

using namespace kinds_test;

namespace {

// Swaps bytes 0 and 1, to see that the routine ran.
void SwapFirstTwo(uint8_t* body, int32_t size) {
    if (size >= 2) std::swap(body[0], body[1]);
}

// Platform files whose reads stop early, like a file cut short while it is read.
class ShortReads : public IPlatformFiles {
public:
    PlatformFile Open(const char* path, PlatformAccess access, PlatformOpen how,
                      const PlatformOpenOptions& options) override {
        return m_real.Open(path, access, how, options);
    }
    int64_t Read(PlatformFile file, void* buf, int64_t count) override {
        return m_real.Read(file, buf, std::min<int64_t>(count, 2) - (m_reads++ > 0 ? 2 : 0));
    }
    int64_t Write(PlatformFile file, const void* buf, int64_t count) override {
        return m_real.Write(file, buf, count);
    }
    int64_t Seek(PlatformFile file, int64_t offset) override { return m_real.Seek(file, offset); }
    bool SetEnd(PlatformFile file) override { return m_real.SetEnd(file); }
    bool Flush(PlatformFile file) override { return m_real.Flush(file); }
    int64_t Size(PlatformFile file) override { return m_real.Size(file); }
    void Close(PlatformFile file) override { m_real.Close(file); }
    bool Delete(const char* path) override { return m_real.Delete(path); }

private:
    IPlatformFiles& m_real = SystemPlatformFiles();
    int m_reads = 0;
};

class DirKind : public ::testing::Test {
protected:
    void SetUp() override {
        root.Write("Chair.dir/#7#Menu.tta", "menu names");
        root.Write("Chair.dir/#128#Chair.obj", "definition");
        root.Write("Chair.dir/#129#Part.obj", "part");
        root.Write("Chair.dir/#70000#huge.obj", "id beyond 16 bits");
        root.Write("Chair.dir/#1#grey.pal", "AB");
        path = root.Str() + "/Chair.dir";
    }
    ScratchDir root;
    std::string path;
};

} // namespace

TEST_F(DirKind, OpensExistingDirectoriesOnly) {
    CDirResourceFile dir;
    EXPECT_EQ(dir.Open((root.Str() + "/missing.dir").c_str()), kResErrAlreadyOpen);
    EXPECT_EQ(dir.Open(""), kResErrAlreadyOpen); // no directory named at all
    EXPECT_EQ(dir.Open("./"), kResErrAlreadyOpen);
    EXPECT_FALSE(dir.IsOpen());
    ASSERT_EQ(dir.Open(path.c_str()), kResOk);
    EXPECT_EQ(dir.Open(path.c_str()), kResErrAlreadyOpen);
    EXPECT_FALSE(dir.IsWritable());
    EXPECT_EQ(dir.Close(), kResOk);
    EXPECT_EQ(dir.Close(), kResErrNotOpen);
    EXPECT_EQ(dir.GetChunk(kTTAB, 7), nullptr);
    EXPECT_EQ(dir.LastError(), kResErrNotOpen);

    // Relative, with backslashes, leading "./" and any case.
    ScopedCwd cwd(root.Path());
    EXPECT_EQ(dir.Open(".\\./CHAIR.DIR"), kResOk);
    EXPECT_EQ(Fetch(dir, kOBJD, 128), "definition");
}

TEST_F(DirKind, FetchesByIdAndLabelWithItsListOfLoadedItems) {
    CDirResourceFile dir;
    ASSERT_EQ(dir.Open(path.c_str()), kResOk);
    CChunk* ttab = dir.GetChunk(kTTAB, 7);
    ASSERT_NE(ttab, nullptr);
    EXPECT_EQ(Text(ttab), "menu names");
    EXPECT_EQ(dir.GetChunk(kTTAB, 7), ttab); // already loaded
    CChunk* ttas = dir.GetChunk(kTTAs, 7);   // same file, other type: its own item
    ASSERT_NE(ttas, nullptr);
    EXPECT_NE(ttas, ttab);
    EXPECT_EQ(Text(ttas), "menu names");
    EXPECT_EQ(dir.GetType(ttas), kTTAs);

    Label label;
    int16_t id = 0;
    EXPECT_EQ(dir.GetLabel(ttab, label), kResOk);
    EXPECT_STREQ(label.Text(), "Menu");
    EXPECT_EQ(dir.GetId(ttab, id), kResOk);
    EXPECT_EQ(id, 7);
    EXPECT_EQ(dir.GetVariant(ttab), 0);
    EXPECT_TRUE(dir.IsNative(ttab));

    CChunk* byLabel = dir.GetChunkByLabel(kOBJD, Label("chair"));
    ASSERT_NE(byLabel, nullptr);
    EXPECT_EQ(dir.GetId(byLabel, id), kResOk);
    EXPECT_EQ(id, 128);
    EXPECT_EQ(dir.GetChunkByLabel(kOBJD, Label("nothing")), nullptr);
    EXPECT_EQ(dir.LastError(), kResErrNoChunk);
    EXPECT_EQ(dir.GetChunk(kOBJD, 5), nullptr);
    EXPECT_EQ(dir.LastError(), kResErrNoChunk);
    EXPECT_EQ(dir.GetChunkVariant(kOBJD, 128, 1), nullptr);
    EXPECT_EQ(dir.LastError(), kResErrNoVariants);

    EXPECT_EQ(dir.ReleaseChunk(ttab), kResOk);
    EXPECT_EQ(dir.ReleaseChunk(ttas), kResOk);
    CChunk* again = dir.GetChunk(kTTAB, 7, SwapFirstTwo); // new handle: the routine runs
    EXPECT_EQ(Text(again), "emnu names");
    EXPECT_EQ(dir.ReleaseChunk(again), kResOk);

    // Unknown handles.
    EXPECT_EQ(dir.Release(again), kResErrUnknownChunk);
    EXPECT_EQ(dir.GetLabel(again, label), kResErrUnknownChunk);
    EXPECT_EQ(dir.GetType(again), 0u);
    EXPECT_EQ(dir.LastError(), kResErrUnknownChunk);
    // byLabel stays attached: Close frees it (checked by the leak sanitizer).
}

TEST_F(DirKind, IsReadOnly) {
    CDirResourceFile dir;
    ASSERT_EQ(dir.Open(path.c_str()), kResOk);
    CChunk* chunk = dir.GetChunk(kOBJD, 128);
    ASSERT_NE(chunk, nullptr);
    CChunk* fresh = MakeBody("x");
    EXPECT_EQ(dir.AddChunk(fresh, kOBJD, 300, Label(""), true), kResErrUnsupported);
    EXPECT_EQ(dir.AddChunkVariant(fresh, kOBJD, 300, Label(""), 0, true), kResErrUnsupported);
    CChunk::Free(fresh);
    EXPECT_EQ(dir.WriteChunk(chunk), kResErrUnsupported);
    EXPECT_EQ(dir.DeleteChunk(chunk), kResErrUnsupported);
    EXPECT_EQ(dir.SetId(chunk, 3), kResErrUnsupported);
    EXPECT_EQ(dir.SetIdAndLabel(chunk, 3, Label("x"), 0), kResErrUnsupported);
    EXPECT_EQ(dir.Flush(), kResErrUnsupported);
    Label label("x");
    EXPECT_EQ(dir.MakeLabelUnique(kOBJD, label), kResErrUnsupported);
    EXPECT_EQ(dir.Create((root.Str() + "/new.dir").c_str()), kResErrUnsupported);
    EXPECT_EQ(dir.Delete(path.c_str()), kResErrUnsupported);
    EXPECT_EQ(dir.Suspend(), kResOk);
    EXPECT_EQ(dir.Resume(), kResOk);
    EXPECT_EQ(dir.ReleaseChunk(chunk), kResOk);
}

// Listing is this kind's choice: files of the type whose names carry a 16-bit id, by id.
TEST_F(DirKind, ListsTypesAndChunks) {
    CDirResourceFile dir;
    ASSERT_EQ(dir.Open(path.c_str()), kResOk);
    std::vector<uint32_t> types;
    for (int32_t i = 1; i <= dir.CountTypes(); ++i)
        types.push_back(dir.GetTypeAt(i));
    std::sort(types.begin(), types.end());
    EXPECT_EQ(types, (std::vector<uint32_t>{0x6F626A00u, 0x70616C00u, 0x74746100u}));
    EXPECT_EQ(dir.GetTypeAt(4), 0u);
    EXPECT_EQ(dir.LastError(), kResErrTypeIndex);

    ASSERT_EQ(dir.CountChunks(kOBJD), 2); // #70000# cannot be a chunk id
    CChunk* first = dir.GetChunkAt(kOBJD, 1);
    CChunk* second = dir.GetChunkAt(kOBJD, 2);
    EXPECT_EQ(Text(first), "definition");
    EXPECT_EQ(Text(second), "part");
    Label label;
    EXPECT_EQ(dir.GetLabel(second, label), kResOk);
    EXPECT_STREQ(label.Text(), "Part");
    EXPECT_EQ(dir.GetChunkAt(kOBJD, 3), nullptr);
    EXPECT_EQ(dir.LastError(), kResErrNoChunk);
    EXPECT_EQ(dir.GetChunkAt(kOBJD, 0), nullptr);
    EXPECT_EQ(dir.CountChunks(kTTAB), 1);
    EXPECT_EQ(dir.CountChunks(kTTAs), 1);
    EXPECT_EQ(dir.CountChunks(kSPR2), 0);
    // Described while held, a chunk stays held.
    ChunkFacts facts;
    ASSERT_EQ(dir.DescribeChunkAt(kOBJD, 2, facts), kResOk);
    EXPECT_EQ(facts.label, "Part");
    EXPECT_EQ(facts.size, 4);
    EXPECT_EQ(dir.GetChunkAt(kOBJD, 2), second);
    EXPECT_EQ(dir.ReleaseChunk(first), kResOk);
    EXPECT_EQ(dir.ReleaseChunk(second), kResOk);
    ASSERT_EQ(dir.DescribeChunkAt(kOBJD, 1, facts), kResOk);
    EXPECT_EQ(facts.id, 128);
    EXPECT_EQ(facts.size, 10);
    EXPECT_EQ(dir.DescribeChunkAt(kOBJD, 4, facts), kResErrNoChunk);

    // A walk uses the listing of its count: a file gone meanwhile fails, the others keep their
    // places; the next count sees the change.
    ASSERT_EQ(dir.CountChunks(kOBJD), 2);
    std::filesystem::remove(root.Path() / "Chair.dir" / "#128#Chair.obj");
    EXPECT_EQ(dir.GetChunkAt(kOBJD, 1), nullptr);
    EXPECT_EQ(dir.LastError(), kResErrNoChunk);
    EXPECT_EQ(Fetch(dir, kOBJD, 129), "part");
    CChunk* part = dir.GetChunkAt(kOBJD, 2);
    EXPECT_EQ(Text(part), "part");
    EXPECT_EQ(dir.ReleaseChunk(part), kResOk);
    EXPECT_EQ(dir.CountChunks(kOBJD), 1);
}

TEST_F(DirKind, SeveralDirectoriesInOnePath) {
    root.Write("extra/#7#Menu.tta", "shadowed");
    root.Write("extra/#9#More.tta", "more");
    CDirResourceFile dir;
    ASSERT_EQ(dir.Open((path + ";  " + root.Str() + "/extra").c_str()), kResOk);
    EXPECT_EQ(Fetch(dir, kTTAB, 7), "menu names");
    EXPECT_EQ(Fetch(dir, kTTAB, 9), "more");
    EXPECT_EQ(dir.CountChunks(kTTAB), 2);
}

TEST_F(DirKind, ShortReadFailsTheFetch) {
    CDirResourceFile dir;
    ASSERT_EQ(dir.Open(path.c_str()), kResOk);
    ShortReads shortReads;
    CPlatformFilesScope scope(shortReads);
    EXPECT_EQ(dir.GetChunk(kOBJD, 128), nullptr);
    EXPECT_EQ(dir.LastError(), kResErrShortRead);
}

// What users lose when saving goes wrong, tried as users meet it: a file system that fills up
// during a save, a damaged chunk header in the middle of a file, a chunk replaced from another
// file of the object, and what a stopped write leaves at the end of a file.
#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <string>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif
#include <vector>

#include "IffTestUtil.h"
#include "model/StringTable.h"
#include "model/TreeTable.h"
#include "platform/FaultFiles.h"
#include "resource/IffCheck.h"
#include "resource/IffFileV2.h"
#include "resource/ResourceKinds.h"

using namespace iff_test;

namespace {

constexpr uint32_t kTTAs = MakeTypeCode("TTAs");
constexpr uint32_t kSPR2 = MakeTypeCode("SPR2");

using Chunks = std::map<std::pair<uint32_t, int16_t>, std::vector<uint8_t>>;

// Every chunk of a 2.x file by a read-only scan or map.
Chunks ReadChunks(const std::string& path) {
    Chunks out;
    CIffFileV2 f;
    if (f.OpenReadOnly(path.c_str()) != kResOk) return out;
    for (int32_t t = 1; t <= f.CountTypes(); ++t) {
        const uint32_t type = f.GetTypeAt(t);
        for (int32_t i = 1; i <= f.CountChunks(type); ++i) {
            CChunk* c = f.GetChunkAt(type, i);
            if (!c) continue;
            int16_t id = 0;
            f.GetId(c, id);
            out[{type, id}] = BodyOf(c);
            (void)f.ReleaseChunk(c);
        }
    }
    return out;
}

// An object file: behaviours, a sprite and a tree table of ten entries named in three languages.
void MakeObject(const std::string& path) {
    CIffFileV2 f;
    ASSERT_EQ(f.Create(path.c_str()), kResOk);
    ASSERT_EQ(f.Open(path.c_str()), kResOk);
    for (int16_t i = 0; i < 6; ++i) {
        CChunk* c = MakeBody(Pattern(200 + 50 * size_t(i), uint32_t(i)));
        ASSERT_EQ(f.AddChunk(c, kBHAV, int16_t(4096 + i), Label("routine"), true), kResOk);
        ASSERT_EQ(f.ReleaseChunk(c), kResOk);
    }
    CTreeTable table(16);
    for (int i = 0; i < 10; ++i) {
        CTreeTableEntry& e = table.AddEntry();
        e.actionId = int16_t(4096 + i % 6);
        e.stringIndex = i;
        e.name = ("Interaction " + std::to_string(i)).c_str();
    }
    for (int language : {1, 3, 4}) {
        SetCurrentLanguage(language);
        ASSERT_EQ(table.SaveAs(&f, 128, "interactions"), kResOk);
    }
    SetCurrentLanguage(1);
    CChunk* sprite = MakeBody(Pattern(3000, 99));
    ASSERT_EQ(f.AddChunk(sprite, kSPR2, 300, Label("sprite"), true), kResOk);
    ASSERT_EQ(f.ReleaseChunk(sprite), kResOk);
    CChunk* after = MakeBody(Pattern(400, 98));
    ASSERT_EQ(f.AddChunk(after, kSTR, 200, Label("after the sprite"), true), kResOk);
    ASSERT_EQ(f.ReleaseChunk(after), kResOk);
    // No free space left: a longer table has to grow the file.
    ASSERT_EQ(f.Compact(), kResOk);
    ASSERT_EQ(f.Close(), kResOk);
}

// Loads tree table 128 through the object file, lengthens every name and saves: the status of
// the first step that failed, 0 when all went through.
int32_t LengthenNames(const std::string& path) {
    CObjectResourceFile file;
    if (int32_t e = file.Open(path.c_str())) return e;
    CTreeTable table(16);
    int32_t status = table.Load(&file, 128);
    if (!status) {
        for (CTreeTableEntry& e : table.Entries())
            e.name = (std::string(e.name.Text()) + ", said at much greater length").c_str();
        status = table.Save("interactions");
    }
    const int32_t closed = file.Close();
    return status ? status : closed;
}

int32_t ChunkOffset(const std::string& path, uint32_t type, int16_t id) {
    const std::vector<uint8_t> bytes = ReadAll(path);
    for (size_t pos = 64; pos + 76 <= bytes.size();) {
        const uint32_t size = iff::GetBE32(&bytes[pos + 4]);
        if (iff::GetBE32(&bytes[pos]) == type && int16_t(iff::GetBE16(&bytes[pos + 8])) == id &&
            !(iff::GetBE16(&bytes[pos + 10]) & iff::kFlagFree))
            return int32_t(pos);
        if (size < 76) break;
        pos += size;
    }
    return -1;
}

// With the file limited to its own size, every save that needs to grow it fails; whatever
// failed, every chunk reads back as it was or as it was meant to be. The limit is a POSIX one
// (a child process under RLIMIT_FSIZE); on Windows the fault sweeps fill the disk instead.
#ifndef _WIN32
TEST(SafeSaveTest, FileThatCannotGrowLosesNothing) {
    ScratchDir dir = ScratchDir::InMemory();
    const std::string path = dir / "object.iff";
    MakeObject(path);
    const Chunks before = ReadChunks(path);
    const std::vector<uint8_t> bytes = ReadAll(path);
    for (size_t extra : {size_t(0), size_t(700), size_t(2000)}) {
        SCOPED_TRACE(extra);
        WriteAll(path, bytes);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{rlim_t(bytes.size() + extra), rlim_t(bytes.size() + extra)};
            setrlimit(RLIMIT_FSIZE, &limit);
            _exit(LengthenNames(path) == kResOk ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        const Chunks now = ReadChunks(path);
        ASSERT_EQ(now.size(), before.size());
        for (const auto& [key, body] : before) {
            ASSERT_TRUE(now.count(key));
            if (key.first != kTTAB && key.first != kTTAs) {
                EXPECT_EQ(now.at(key), body);
            }
        }
        // The names are there in every language, old or new.
        for (int language : {1, 3, 4}) {
            SetCurrentLanguage(language);
            CIffFileV2 f;
            ASSERT_EQ(f.OpenReadOnly(path.c_str()), kResOk);
            CTreeTable table(16);
            ASSERT_EQ(table.Load(&f, 128), kResOk);
            ASSERT_EQ(table.Count(), 10);
            for (int i = 0; i < 10; ++i)
                EXPECT_EQ(std::string(table.Entry(i)->name.Text()).rfind("Interaction ", 0), 0u);
        }
        SetCurrentLanguage(1);
        IffCheckReport report;
        EXPECT_TRUE(CheckIffFile(path.c_str(), report));
        if (extra == 0) {
            EXPECT_EQ(WEXITSTATUS(status), 1);
        }
    }
}
#endif

// One damaged size field in the middle of the file: the chunks behind it are never dropped from
// the map nor overwritten, whether the file opens through its map or by a scan.
TEST(SafeSaveTest, DamagedHeaderMeansNothingIsWritten) {
    ScratchDir dir = ScratchDir::InMemory();
    const std::string path = dir / "object.iff";
    MakeObject(path);
    const int32_t sprite = ChunkOffset(path, kSPR2, 300);
    ASSERT_GT(sprite, 0);
    std::vector<uint8_t> bytes = ReadAll(path);
    iff::PutBE32(&bytes[size_t(sprite) + 4], 10);
    for (bool withMap : {true, false}) {
        SCOPED_TRACE(withMap);
        if (!withMap) iff::PutBE32(&bytes[iff::kMapOffsetPos], 0);
        WriteAll(path, bytes);
        for (int attempt = 0; attempt < 4; ++attempt)
            EXPECT_EQ(LengthenNames(path), kResErrDamaged);
        EXPECT_EQ(ReadAll(path), bytes);

        CObjectResourceFile file;
        if (withMap) {
            // The map still lists every chunk: the file is read through it, and the first write
            // finds the break.
            ASSERT_EQ(file.Open(path.c_str()), kResOk);
            EXPECT_EQ(file.CountChunks(kSTR), 1);
            CTreeTable table(16);
            ASSERT_EQ(table.Load(&file, 128), kResOk);
            EXPECT_EQ(table.Save("interactions"), kResErrDamaged);
            EXPECT_EQ(file.Close(), kResOk);
        } else {
            EXPECT_EQ(file.Open(path.c_str()), kResErrDamaged);
            EXPECT_EQ(file.BrokenChain().offset, sprite);
            EXPECT_EQ(file.BrokenChain().path, path);
            file.SetReadOnlyOpen(true);
            ASSERT_EQ(file.Open(path.c_str()), kResOk);
            EXPECT_EQ(file.CountChunks(kBHAV), 6);
            (void)file.Close();
        }
        EXPECT_EQ(ReadAll(path), bytes);

        IffCheckReport report;
        EXPECT_FALSE(CheckIffFile(path.c_str(), report));
        EXPECT_EQ(report.chainBreak, sprite);
        EXPECT_FALSE(report.interruptedTail);
        for (const std::string& p : report.problems)
            EXPECT_EQ(p.find("does not point at a map chunk"), std::string::npos) << p;
    }
}

// A size field grown over the next chunk hides it from the chain, which still ends where the
// file does. The resource map still names the hidden chunk, so the first write is refused.
TEST(SafeSaveTest, ChunkHiddenByAGrownSizeIsNeverOverwritten) {
    ScratchDir dir = ScratchDir::InMemory();
    const std::string path = dir / "object.iff";
    MakeObject(path);
    const int32_t first = ChunkOffset(path, kBHAV, 4096);
    const int32_t hidden = ChunkOffset(path, kBHAV, 4097);
    ASSERT_GT(first, 0);
    std::vector<uint8_t> bytes = ReadAll(path);
    ASSERT_EQ(first + int32_t(iff::GetBE32(&bytes[size_t(first) + 4])), hidden);
    iff::PutBE32(&bytes[size_t(first) + 4], iff::GetBE32(&bytes[size_t(first) + 4]) +
                                                iff::GetBE32(&bytes[size_t(hidden) + 4]));
    WriteAll(path, bytes);
    EXPECT_EQ(LengthenNames(path), kResErrDamaged);
    EXPECT_EQ(ReadAll(path), bytes);
    CObjectResourceFile file;
    ASSERT_EQ(file.Open(path.c_str()), kResOk);
    CTreeTable table(16);
    ASSERT_EQ(table.Load(&file, 128), kResOk);
    EXPECT_EQ(table.Save("interactions"), kResErrDamaged);
    EXPECT_EQ(file.BrokenChain().offset, first);
    (void)file.Close();
    EXPECT_EQ(ReadAll(path), bytes);
}

// A sprite stored in the object's main file, replaced once the object has a sprite file: the new
// one goes to the sprite file before the old one is deleted, whichever write fails.
TEST(SafeSaveTest, ReplacingAChunkFromAnotherFileOfTheObject) {
    ScratchDir dir = ScratchDir::InMemory();
    const std::string base = dir / "split";
    {
        CIffFileV2 iff;
        ASSERT_EQ(iff.Create((base + ".iff").c_str()), kResOk);
        ASSERT_EQ(iff.Open((base + ".iff").c_str()), kResOk);
        CChunk* c = MakeBody(Pattern(500, 1));
        ASSERT_EQ(iff.AddChunk(c, kSPR2, 300, Label("old sprite"), true), kResOk);
        ASSERT_EQ(iff.ReleaseChunk(c), kResOk);
        ASSERT_EQ(iff.Close(), kResOk);
        CIffFileV2 spf;
        ASSERT_EQ(spf.Create((base + ".spf").c_str()), kResOk);
    }
    const std::vector<uint8_t> iffBytes = ReadAll(base + ".iff");
    const std::vector<uint8_t> spfBytes = ReadAll(base + ".spf");
    auto replace = [&] {
        CObjectResourceFile set;
        if (set.Open(base.c_str()) != kResOk) return;
        CChunk* c = MakeBody(Pattern(700, 2));
        if (set.AddChunk(c, kSPR2, 300, Label("new sprite"), true) != kResOk)
            CChunk::Free(c);
        else
            (void)set.ReleaseChunk(c);
        (void)set.Close();
    };
    auto sprite = [&]() -> std::vector<uint8_t> {
        CObjectResourceFile set;
        set.SetReadOnlyOpen(true);
        if (set.Open(base.c_str()) != kResOk) return {};
        std::vector<uint8_t> body;
        if (CChunk* c = set.GetChunk(kSPR2, 300)) {
            body = BodyOf(c);
            (void)set.ReleaseChunk(c);
        }
        return body;
    };
    replace();
    EXPECT_EQ(sprite(), Pattern(700, 2));
    EXPECT_EQ(ChunkOffset(base + ".iff", kSPR2, 300), -1);
    EXPECT_GT(ChunkOffset(base + ".spf", kSPR2, 300), 0);

    CFaultFiles faults;
    int64_t points = 0;
    {
        WriteAll(base + ".iff", iffBytes);
        WriteAll(base + ".spf", spfBytes);
        CPlatformFilesScope scope(faults);
        faults.Arm(0, FaultKind::None);
        replace();
        points = faults.Operations();
    }
    for (FaultKind kind : {FaultKind::Fail, FaultKind::Crash, FaultKind::NoSpace}) {
        for (int64_t k = 1; k <= points; ++k) {
            WriteAll(base + ".iff", iffBytes);
            WriteAll(base + ".spf", spfBytes);
            {
                CPlatformFilesScope scope(faults);
                faults.Arm(k, kind);
                replace();
            }
            const std::vector<uint8_t> now = sprite();
            EXPECT_TRUE(now == Pattern(500, 1) || now == Pattern(700, 2))
                << "fault " << int(kind) << " at " << k;
        }
    }
}

// Rewriting a chunk with a body of the same size keeps its place and the file's length.
TEST(SafeSaveTest, SameSizeRewriteKeepsItsPlace) {
    ScratchDir dir = ScratchDir::InMemory();
    const std::string path = dir / "object.iff";
    MakeObject(path);
    const int32_t at = ChunkOffset(path, kBHAV, 4098);
    const size_t length = ReadAll(path).size();
    CIffFileV2 f;
    ASSERT_EQ(f.Open(path.c_str()), kResOk);
    CChunk* c = f.GetChunk(kBHAV, 4098);
    ASSERT_NE(c, nullptr);
    c->Body()[0] ^= 0xFF;
    const std::vector<uint8_t> changed = BodyOf(c);
    ASSERT_EQ(f.WriteChunk(c), kResOk);
    ASSERT_EQ(f.ReleaseChunk(c), kResOk);
    ASSERT_EQ(f.Close(), kResOk);
    EXPECT_EQ(ChunkOffset(path, kBHAV, 4098), at);
    EXPECT_EQ(ReadChunks(path).at({kBHAV, 4098}), changed);
    // The map is rewritten on closing, so only it may move: the length stays within one map.
    EXPECT_LE(ReadAll(path).size(), length + 200);
}

// What an append leaves when it stops after its first write is not damage: the file still opens
// for writing, and the next write cuts it off.
TEST(SafeSaveTest, RemainsOfAStoppedAppendAreDroppedByTheNextSave) {
    ScratchDir dir = ScratchDir::InMemory();
    const std::string path = dir / "object.iff";
    MakeObject(path);
    std::vector<uint8_t> bytes = ReadAll(path);
    iff::PutBE32(&bytes[iff::kMapOffsetPos], 0);
    const size_t end = bytes.size();
    std::vector<uint8_t> free(76, 0);
    iff::PutBE32(free.data(), iff::kTypeFree);
    iff::PutBE32(free.data() + 4, 900);
    iff::PutBE16(free.data() + 10, iff::kFlagFree);
    bytes.insert(bytes.end(), free.begin(), free.end());
    WriteAll(path, bytes);
    IffCheckReport report;
    EXPECT_FALSE(CheckIffFile(path.c_str(), report));
    EXPECT_EQ(report.chainBreak, int32_t(end));
    EXPECT_TRUE(report.interruptedTail);
    EXPECT_EQ(LengthenNames(path), kResOk);
    EXPECT_TRUE(CheckIffFile(path.c_str(), report)) << report.problems.front();
}

} // namespace

// Fault sweeps: every file operation of an edit is made to fail, to move only part of its bytes,
// or to be the point where the process dies; afterwards the file must open and every chunk the
// edit was not writing must read back byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "IffTestUtil.h"
#include "model/StringTable.h"
#include "model/TreeTable.h"
#include "platform/FaultFiles.h"
#include "resource/IffCheck.h"
#include "resource/IffFileV1.h"
#include "resource/IffFileV2.h"

using namespace iff_test;

namespace {

constexpr uint32_t kTTAs = MakeTypeCode("TTAs");
constexpr uint32_t kFILL = MakeTypeCode("FILL");
constexpr uint32_t kSPR2 = MakeTypeCode("SPR2");

enum class Version { V1, V25 };

using Key = std::pair<uint32_t, int16_t>;
struct Content {
    std::vector<uint8_t> body;
    std::string label;
};
using Snapshot = std::map<Key, Content>;

std::unique_ptr<CResourceFile> NewIff(Version v) {
    if (v == Version::V1) return std::make_unique<CIffFileV1>();
    return std::make_unique<CIffFileV2>();
}

// Every chunk of the file, opened read-only; false when it does not open.
bool Snap(const std::string& path, Version v, Snapshot& out) {
    out.clear();
    auto file = NewIff(v);
    if (file->OpenReadOnly(path.c_str()) != kResOk) return false;
    for (int32_t t = 1; t <= file->CountTypes(); ++t) {
        const uint32_t type = file->GetTypeAt(t);
        for (int32_t i = 1; i <= file->CountChunks(type); ++i) {
            CChunk* chunk = file->GetChunkAt(type, i);
            if (!chunk) continue;
            int16_t id = 0;
            file->GetId(chunk, id);
            Label label;
            file->GetLabel(chunk, label);
            out[{type, id}] = Content{BodyOf(chunk), label.Text()};
            file->ReleaseChunk(chunk);
        }
    }
    file->Close();
    return true;
}

void Add(CResourceFile& file, uint32_t type, int16_t id, const char* label, size_t size) {
    CChunk* chunk = MakeBody(Pattern(size, uint32_t(type ^ uint32_t(id) ^ size)));
    ASSERT_EQ(file.AddChunk(chunk, type, id, Label(label), true), kResOk);
    ASSERT_EQ(file.ReleaseChunk(chunk), kResOk);
}

// A tree table of n entries named in the current language.
void SaveTable(CResourceFile& file, int16_t id, int n, const char* prefix) {
    CTreeTable table(8);
    for (int i = 0; i < n; ++i) {
        CTreeTableEntry& e = table.AddEntry();
        e.actionId = int16_t(4096 + i % 4);
        e.stringIndex = i;
        e.flags = i % 3 == 0 ? CTreeTable::kCommentMarkFlag : 0;
        e.name = (std::string(prefix) + std::to_string(i)).c_str();
    }
    ASSERT_EQ(table.SaveAs(&file, id, "interactions"), kResOk);
}

// An object file of either version: behaviours, a definition, a large sprite, two tree tables
// with their names, and filler chunks between them that are freed when free is set (by marking
// their headers, so that no compaction runs before the edit under test).
void MakeBase(const std::string& path, Version v, bool free, int fillerSize, int spriteSize) {
    std::filesystem::remove(path);
    {
        auto file = NewIff(v);
        ASSERT_EQ(file->Create(path.c_str()), kResOk);
        ASSERT_EQ(file->Open(path.c_str()), kResOk);
        Add(*file, kOBJD, 128, "Sample object", 216);
        Add(*file, kFILL, 1, "", size_t(fillerSize));
        for (int16_t i = 0; i < 4; ++i)
            Add(*file, kBHAV, int16_t(4096 + i), "routine", 40 + 30 * size_t(i));
        Add(*file, kFILL, 2, "", size_t(fillerSize));
        Add(*file, kSPR2, 2000, "sprite", size_t(spriteSize));
        SaveTable(*file, 128, 5, "first ");
        Add(*file, kFILL, 3, "", size_t(fillerSize));
        SaveTable(*file, 129, 3, "other ");
        Add(*file, kSTR, 300, "strings", 120);
        ASSERT_EQ(file->Close(), kResOk);
    }
    if (!free) return;
    // Mark the fillers (and a 2.5 map) free and drop the map offset: the file then opens by a scan
    // and holds the fillers' bytes as free space.
    std::vector<uint8_t> bytes = ReadAll(path);
    const size_t header = v == Version::V1 ? iff::kChunkHeaderV1 : iff::kChunkHeaderV2;
    for (size_t pos = iff::kFileHeaderSize; pos + header <= bytes.size();) {
        const uint32_t type = iff::GetBE32(&bytes[pos]);
        const uint32_t size = iff::GetBE32(&bytes[pos + 4]);
        ASSERT_GE(size, header);
        if (type == kFILL || type == iff::kTypeMap) {
            iff::PutBE32(&bytes[pos], iff::kTypeFree);
            iff::PutBE16(&bytes[pos + 10],
                         uint16_t(iff::GetBE16(&bytes[pos + 10]) | iff::kFlagFree));
        }
        pos += size;
    }
    if (v == Version::V25) iff::PutBE32(&bytes[iff::kMapOffsetPos], 0);
    WriteAll(path, bytes);
}

// An edit: runs on the open file, calls arm() where the swept part starts, and closes the file.
struct Scenario {
    const char* name;
    Version version;
    bool freeFillers;
    int fillerSize;
    std::set<Key> written; // chunks the edit writes or deletes
    std::function<void(CResourceFile& file, const std::function<void()>& arm)> edit;
    int spriteSize = 6000;
};

struct Counts {
    int64_t runs = 0;   // fault points of this kind tried
    int64_t opened = 0; // the file opened afterwards
    int64_t kept = 0;   // every untouched chunk read back byte for byte
    int64_t labels = 0; // ... with its label
    int64_t later = 0;  // ... and still after a further writable session
};

struct Tally {
    int64_t points = 0; // fault points: operations of the fault-free edit
    std::map<FaultKind, Counts> kinds;
    std::vector<std::string> failures;
};

const char* KindName(FaultKind k) {
    switch (k) {
    case FaultKind::Fail:
        return "fail";
    case FaultKind::Partial:
        return "partial";
    case FaultKind::Crash:
        return "crash";
    case FaultKind::TornCrash:
        return "torn crash";
    default:
        return "none";
    }
}

// Which untouched chunks of base are missing or changed in now ("" when none).
std::string Lost(const Snapshot& base, const Snapshot& now, const std::set<Key>& written,
                 bool labels) {
    std::string lost;
    for (const auto& [key, content] : base) {
        if (written.count(key)) continue;
        auto it = now.find(key);
        const bool ok = it != now.end() && it->second.body == content.body &&
                        (!labels || it->second.label == content.label);
        if (!ok) {
            char type[5];
            iff::TypeCodeText(key.first, type);
            lost += std::string(lost.empty() ? "" : ", ") + type + " " + std::to_string(key.second);
        }
    }
    return lost;
}

class FaultSweep : public ::testing::Test {
protected:
    // Runs the edit on a fresh copy of the base file with kind armed at operation k (0: none);
    // returns the counted operations.
    int64_t RunEdit(const Scenario& s, FaultKind kind, int64_t k) {
        std::filesystem::copy_file(basePath, workPath,
                                   std::filesystem::copy_options::overwrite_existing);
        CFaultFiles faults;
        {
            CPlatformFilesScope scope(faults);
            auto file = NewIff(s.version);
            EXPECT_EQ(file->Open(workPath.c_str()), kResOk);
            s.edit(*file, [&] { faults.Arm(k, kind); });
            // Destroying the objects must not write past a crash either: the layer refuses it.
            file.reset();
        }
        return faults.Operations();
    }

    Tally Sweep(const Scenario& s) {
        MakeBase(basePath, s.version, s.freeFillers, s.fillerSize, s.spriteSize);
        Snapshot base;
        EXPECT_TRUE(Snap(basePath, s.version, base));
        Tally tally;
        tally.points = RunEdit(s, FaultKind::None, 0);
        {
            // The fault-free edit keeps the untouched chunks too.
            Snapshot now;
            EXPECT_TRUE(Snap(workPath, s.version, now));
            EXPECT_EQ(Lost(base, now, s.written, true), "") << s.name << ": fault-free edit";
        }
        for (FaultKind kind :
             {FaultKind::Fail, FaultKind::Partial, FaultKind::Crash, FaultKind::TornCrash}) {
            Counts& c = tally.kinds[kind];
            for (int64_t k = 1; k <= tally.points; ++k) {
                RunEdit(s, kind, k);
                ++c.runs;
                Snapshot now;
                const std::string where = std::string(KindName(kind)) + " at " + std::to_string(k);
                if (!Snap(workPath, s.version, now)) {
                    tally.failures.push_back(where + ": does not open");
                    continue;
                }
                ++c.opened;
                const std::string lost = Lost(base, now, s.written, false);
                if (!lost.empty()) {
                    IffCheckReport report;
                    CheckIffFile(workPath.c_str(), report);
                    std::string problems;
                    for (const std::string& p : report.problems)
                        problems += "; " + p;
                    tally.failures.push_back(where + ": lost " + lost + problems);
                    continue;
                }
                ++c.kept;
                const std::string unlabelled = Lost(base, now, s.written, true);
                if (unlabelled.empty())
                    ++c.labels;
                else
                    tally.failures.push_back(where + ": labels lost " + unlabelled);
                // The next writable session (which rescans or repairs) keeps them too.
                {
                    auto file = NewIff(s.version);
                    if (file->Open(workPath.c_str()) == kResOk) {
                        if (CChunk* c = MakeBody({1, 2, 3})) {
                            if (file->AddChunk(c, kFILL, 77, Label("later"), true) != kResOk)
                                CChunk::Free(c);
                        }
                        file->Close();
                    }
                }
                if (Snap(workPath, s.version, now) && Lost(base, now, s.written, false).empty())
                    ++c.later;
                else
                    tally.failures.push_back(where + ": lost in the next session");
            }
        }
        std::printf("[sweep] %s: %lld fault points\n", s.name, (long long)tally.points);
        for (const auto& [kind, c] : tally.kinds)
            std::printf(
                "    %-10s tried %lld, opened %lld, kept every untouched chunk %lld (with labels "
                "%lld), still after the next session %lld\n",
                KindName(kind), (long long)c.runs, (long long)c.opened, (long long)c.kept,
                (long long)c.labels, (long long)c.later);
        for (size_t i = 0; i < tally.failures.size() && i < 12; ++i)
            std::printf("    %s\n", tally.failures[i].c_str());
        return tally;
    }

    // A failed or partial operation, or a crash between two operations, keeps everything. A
    // write torn at a sector boundary is only counted: a chunk header that straddles the tear
    // can lose a label or a moved chunk, which only a journal could prevent.
    void Expect(const Tally& t) {
        EXPECT_GT(t.points, 0);
        for (const auto& [kind, c] : t.kinds) {
            if (kind == FaultKind::TornCrash) continue;
            EXPECT_EQ(c.runs, t.points) << KindName(kind);
            EXPECT_EQ(c.opened, c.runs) << KindName(kind);
            EXPECT_EQ(c.kept, c.runs) << KindName(kind);
            EXPECT_EQ(c.labels, c.runs) << KindName(kind);
            EXPECT_EQ(c.later, c.runs) << KindName(kind);
        }
        EXPECT_EQ(t.kinds.at(FaultKind::TornCrash).opened, t.points);
    }

    ScratchDir dir;
    std::string basePath = dir / "base.iff";
    std::string workPath = dir / "work.iff";
};

const std::set<Key> kTableChunks = {{kTTAB, 128}, {kTTAs, 128}};

// Loads tree table 128, renames its entries, adds three, saves it with its names and closes.
void EditTable(CResourceFile& file, const std::function<void()>& arm) {
    CTreeTable table(8);
    ASSERT_EQ(table.Load(&file, 128), 0);
    for (CTreeTableEntry& e : table.Entries())
        e.name = (std::string(e.name.Text()) + " renamed").c_str();
    for (int i = 0; i < 3; ++i) {
        CTreeTableEntry& e = table.AddEntry();
        e.stringIndex = table.Count() - 1;
        e.name = "added";
    }
    arm();
    table.SaveAs(&file, 128, "interactions");
    file.Close();
}

// Replaces behaviour 4097 with a body 500 bytes larger and closes.
void EditReplace(CResourceFile& file, const std::function<void()>& arm) {
    CChunk* old = file.GetChunk(kBHAV, 4097);
    ASSERT_TRUE(old);
    std::vector<uint8_t> body = BodyOf(old);
    ASSERT_EQ(file.ReleaseChunk(old), kResOk);
    body.resize(body.size() + 500, 0x5A);
    arm();
    CChunk* larger = MakeBody(body);
    if (file.AddChunk(larger, kBHAV, 4097, Label("routine"), true) != kResOk)
        CChunk::Free(larger);
    else if (file.WriteChunk(larger) == kResOk)
        file.ReleaseChunk(larger);
    file.Close();
}

// Deletes behaviour 4099 and closes; the free space makes the close compact.
void EditCompact(CResourceFile& file, const std::function<void()>& arm) {
    arm();
    if (CChunk* c = file.GetChunk(kBHAV, 4099)) {
        if (file.DeleteChunk(c) != kResOk) file.ReleaseChunk(c);
    }
    file.Close();
}

TEST_F(FaultSweep, SavingTreeTableIn10File) {
    Expect(Sweep({"tree table + TTAs save and close, 1.0", Version::V1, true, 300, kTableChunks,
                  EditTable}));
}

TEST_F(FaultSweep, SavingTreeTableIn25File) {
    Expect(Sweep({"tree table + TTAs save and close, 2.5", Version::V25, false, 300, kTableChunks,
                  EditTable}));
}

TEST_F(FaultSweep, ReplacingChunkWithLargerOne) {
    Expect(Sweep({"replace with a larger chunk, 1.0",
                  Version::V1,
                  false,
                  300,
                  {{kBHAV, 4097}},
                  EditReplace}));
    Expect(Sweep({"replace with a larger chunk, 2.5",
                  Version::V25,
                  false,
                  300,
                  {{kBHAV, 4097}},
                  EditReplace}));
}

TEST_F(FaultSweep, ClosingWithCompaction) {
    Expect(Sweep(
        {"close with compaction, 1.0", Version::V1, true, 4000, {{kBHAV, 4099}}, EditCompact}));
    Expect(Sweep(
        {"close with compaction, 2.5", Version::V25, true, 4000, {{kBHAV, 4099}}, EditCompact}));
}

} // namespace

namespace {

// A chunk larger than the gap below it cannot move onto its own old bytes safely: it is copied
// behind the last chunk first, so a failure or crash in the middle keeps it too.
TEST_F(FaultSweep, CompactionMovingChunkLargerThanItsGap) {
    for (Version v : {Version::V1, Version::V25}) {
        Expect(Sweep({v == Version::V1 ? "close with compaction, sprite larger than its gap, 1.0"
                                       : "close with compaction, sprite larger than its gap, 2.5",
                      v,
                      true,
                      5200,
                      {{kBHAV, 4099}},
                      EditCompact,
                      20000}));
    }
}

} // namespace

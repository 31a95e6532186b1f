// Fault sweeps: every file operation of an edit is made to fail, to move only part of its bytes,
// to run out of disk space, or to be the point where the process dies (cleanly, or tearing the
// write at a sector boundary). Afterwards every chunk, the ones being written included, must read
// back byte for byte (body and label) as before the edit or as after it, also after a further
// writable session, which must leave a file that passes the check.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
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
#include "resource/ResourceKinds.h"
#include "stream/FieldStream.h"

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
    bool operator==(const Content&) const = default;
};
using Snapshot = std::map<Key, Content>;

std::unique_ptr<CResourceFile> NewIff(Version v) {
    if (v == Version::V1) return std::make_unique<CIffFileV1>();
    return std::make_unique<CIffFileV2>();
}

// Every chunk as a reader finds it by type and id, opened read-only; false when it does not open.
bool Snap(const std::string& path, Version v, Snapshot& out) {
    out.clear();
    auto file = NewIff(v);
    if (file->OpenReadOnly(path.c_str()) != kResOk) return false;
    std::set<Key> keys;
    for (int32_t t = 1; t <= file->CountTypes(); ++t) {
        const uint32_t type = file->GetTypeAt(t);
        for (int32_t i = 1; i <= file->CountChunks(type); ++i) {
            CChunk* chunk = file->GetChunkAt(type, i);
            if (!chunk) continue;
            int16_t id = 0;
            file->GetId(chunk, id);
            keys.insert({type, id});
            (void)file->ReleaseChunk(chunk);
        }
    }
    for (const Key& key : keys) {
        CChunk* chunk = file->GetChunk(key.first, key.second);
        if (!chunk) continue;
        Label label;
        file->GetLabel(chunk, label);
        out[key] = Content{BodyOf(chunk), label.Text()};
        (void)file->ReleaseChunk(chunk);
    }
    (void)file->Close();
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

// A version 5 body of n entries (plain fields), which loading upgrades to version 9 at once.
std::vector<uint8_t> Version5Table(int16_t n) {
    auto write = [n](CFieldStream& out) {
        int16_t count = n, version = 5;
        out.Words(&count, 1);
        out.Words(&version, 1);
        for (int16_t i = 0; i < n; ++i) {
            int16_t action = int16_t(4096 + i % 4), guard = 0, motives = 3;
            int32_t flags = i, stringIndex = i, autonomy = 40 + i, extra = -1;
            float attenuation = 0.25f * float(i);
            out.Words(&action, 1);
            out.Words(&guard, 1);
            out.Words(&motives, 1);
            out.Longs(&flags, 1);
            out.Longs(&stringIndex, 1);
            out.RawLongs(&attenuation, 1);
            out.Longs(&autonomy, 1);
            out.Longs(&extra, 1);
            for (int16_t k = 0; k < motives; ++k) {
                int16_t value = int16_t(10 * k + i);
                out.Words(&value, 1);
            }
        }
    };
    CFieldStream measure;
    write(measure);
    std::vector<uint8_t> body(size_t(measure.Position()));
    CFieldStream out(body.data(), int32_t(body.size()), CFieldStream::Mode::Write);
    write(out);
    out.Finish();
    return body;
}

// An object file of either version: behaviours, a definition, a large sprite, two tree tables
// with their names (the first one stored as version 5), and filler chunks between them that are
// freed when free is set (by marking their headers, so that no compaction runs before the edit
// under test; such a 2.5 file has no map and opens by a scan). smallChunks small behaviours
// follow the first filler, so that a compaction moves many neighbours at once.
void MakeBase(const std::string& path, Version v, bool free, int fillerSize, int spriteSize,
              int smallChunks) {
    std::filesystem::remove(path);
    {
        auto file = NewIff(v);
        ASSERT_EQ(file->Create(path.c_str()), kResOk);
        ASSERT_EQ(file->Open(path.c_str()), kResOk);
        Add(*file, kOBJD, 128, "Sample object", 216);
        Add(*file, kFILL, 1, "", size_t(fillerSize));
        for (int i = 0; i < smallChunks; ++i)
            Add(*file, kBHAV, int16_t(5000 + i), i % 2 ? "" : "small", 1 + size_t(i) * 7 % 61);
        for (int16_t i = 0; i < 4; ++i)
            Add(*file, kBHAV, int16_t(4096 + i), "routine", 40 + 30 * size_t(i));
        Add(*file, kFILL, 2, "", size_t(fillerSize));
        Add(*file, kSPR2, 2000, "sprite", size_t(spriteSize));
        SaveTable(*file, 128, 5, "first ");
        Add(*file, kFILL, 3, "", size_t(fillerSize));
        SaveTable(*file, 129, 3, "other ");
        Add(*file, kSTR, 300, "strings", 120);
        CChunk* old = MakeBody(Version5Table(5));
        ASSERT_EQ(file->AddChunk(old, kTTAB, 128, Label("interactions"), true), kResOk);
        ASSERT_EQ(file->ReleaseChunk(old), kResOk);
        ASSERT_EQ(file->Close(), kResOk);
    }
    if (!free) return;
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

using Arm = std::function<void()>;

// An edit: opens the file at path itself, calls arm() where the swept part starts, and closes.
struct Scenario {
    const char* name;
    Version version;
    bool freeFillers;
    int fillerSize;
    std::function<void(const std::string& path, Version v, const Arm& arm)> edit;
    int spriteSize = 6000;
    // For an edit of several steps: the first steps alone, whose result is a state too.
    std::function<void(const std::string& path, Version v, const Arm& arm)> firstSteps = nullptr;
    int smallChunks = 0;
};

struct Counts {
    int64_t runs = 0;   // fault points of this kind tried
    int64_t opened = 0; // the file opened afterwards
    int64_t kept = 0;   // every chunk read back as before or as after the edit
    int64_t later = 0;  // ... and still after a further writable session
    int64_t clean = 0;  // ... which left a file that passes the check
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
    case FaultKind::NoSpace:
        return "no space";
    default:
        return "none";
    }
}

std::string KeyText(const Key& key) {
    char type[5];
    iff::TypeCodeText(key.first, type);
    return std::string(type) + " " + std::to_string(key.second);
}

// The chunks of now that are in none of the states the edit passes through (before it, after
// each of its steps): "" when none.
std::string Lost(const std::vector<Snapshot>& states, const Snapshot& now) {
    std::set<Key> keys;
    for (const auto& [key, content] : now)
        keys.insert(key);
    for (const Snapshot& s : states)
        for (const auto& [key, content] : s)
            keys.insert(key);
    auto state = [](const Snapshot& s, const Key& key) -> std::optional<Content> {
        auto it = s.find(key);
        if (it == s.end()) return std::nullopt;
        return it->second;
    };
    std::string lost;
    for (const Key& key : keys) {
        const auto is = state(now, key);
        bool ok = false, sameBody = false;
        for (const Snapshot& s : states) {
            const auto allowed = state(s, key);
            ok = ok || is == allowed;
            sameBody = sameBody || (is && allowed && is->body == allowed->body);
        }
        if (ok) continue;
        const char* why = !is ? "missing" : sameBody ? "label" : "body";
        lost += std::string(lost.empty() ? "" : ", ") + KeyText(key) + " (" + why + ")";
    }
    return lost;
}

std::string CheckProblems(const std::string& path) {
    IffCheckReport report;
    CheckIffFile(path.c_str(), report);
    std::string problems;
    for (const std::string& p : report.problems)
        problems += "; " + p;
    return problems;
}

class FaultSweep : public ::testing::Test {
protected:
    // Runs the edit on a fresh copy of the base file with kind armed at operation k (0: none);
    // returns the counted operations.
    int64_t RunEdit(const Scenario& s, FaultKind kind, int64_t k) {
        // Removed first: MinGW's copy_file takes any two files for the same one (no inode
        // numbers) and refuses to overwrite.
        std::filesystem::remove(workPath);
        std::filesystem::copy_file(basePath, workPath);
        CFaultFiles faults;
        {
            // Destroying the objects must not write past a crash either: the layer refuses it.
            CPlatformFilesScope scope(faults);
            s.edit(workPath, s.version, [&] { faults.Arm(k, kind); });
        }
        return faults.Operations();
    }

    Tally Sweep(const Scenario& s) {
        MakeBase(basePath, s.version, s.freeFillers, s.fillerSize, s.spriteSize, s.smallChunks);
        std::vector<Snapshot> states(1);
        EXPECT_TRUE(Snap(basePath, s.version, states.back()));
        if (s.firstSteps) {
            Scenario first = s;
            first.edit = s.firstSteps;
            RunEdit(first, FaultKind::None, 0);
            states.emplace_back();
            EXPECT_TRUE(Snap(workPath, s.version, states.back()));
        }
        Tally tally;
        tally.points = RunEdit(s, FaultKind::None, 0);
        states.emplace_back();
        EXPECT_TRUE(Snap(workPath, s.version, states.back()));
        EXPECT_NE(states.front(), states.back()) << s.name << ": the edit changes nothing";
        EXPECT_EQ(CheckProblems(workPath), "") << s.name << ": fault-free edit";
        for (FaultKind kind : {FaultKind::Fail, FaultKind::Partial, FaultKind::NoSpace,
                               FaultKind::Crash, FaultKind::TornCrash}) {
            Counts& c = tally.kinds[kind];
            for (int64_t k = 1; k <= tally.points; ++k) {
                RunEdit(s, kind, k);
                ++c.runs;
                if (const char* keep = std::getenv("SWEEP_KEEP"))
                    if (std::string(keep) == std::string(KindName(kind)) + ":" + std::to_string(k))
                        std::filesystem::copy_file(
                            workPath, "/tmp/sweep-kept.iff",
                            std::filesystem::copy_options::overwrite_existing);
                const std::string where = std::string(KindName(kind)) + " at " + std::to_string(k);
                Snapshot now;
                if (!Snap(workPath, s.version, now)) {
                    tally.failures.push_back(where + ": does not open" + CheckProblems(workPath));
                    continue;
                }
                ++c.opened;
                if (std::string lost = Lost(states, now); !lost.empty()) {
                    tally.failures.push_back(where + ": " + lost + CheckProblems(workPath));
                    continue;
                }
                ++c.kept;
                // The next writable session keeps every chunk and leaves a sound file.
                {
                    auto file = NewIff(s.version);
                    if (file->Open(workPath.c_str()) == kResOk) {
                        if (CChunk* chunk = MakeBody({1, 2, 3})) {
                            if (file->AddChunk(chunk, kFILL, 77, Label("later"), true) != kResOk)
                                CChunk::Free(chunk);
                        }
                        (void)file->Close();
                    }
                }
                Snapshot later;
                if (Snap(workPath, s.version, later)) {
                    later.erase({kFILL, 77});
                    if (Lost(states, later).empty() && (later == now)) {
                        ++c.later;
                        const std::string problems = CheckProblems(workPath);
                        if (problems.empty())
                            ++c.clean;
                        else
                            tally.failures.push_back(where + ": after the next session" + problems);
                        continue;
                    }
                }
                tally.failures.push_back(where + ": changed in the next session");
            }
        }
        std::printf("[sweep] %s: %lld fault points\n", s.name, (long long)tally.points);
        for (const auto& [kind, c] : tally.kinds)
            std::printf("    %-10s tried %lld, opened %lld, every chunk as before or after %lld, "
                        "still after the next session %lld, which passes the check %lld\n",
                        KindName(kind), (long long)c.runs, (long long)c.opened, (long long)c.kept,
                        (long long)c.later, (long long)c.clean);
        for (size_t i = 0; i < tally.failures.size() && i < 12; ++i)
            std::printf("    %s\n", tally.failures[i].c_str());
        return tally;
    }

    static void Expect(const Tally& t) {
        EXPECT_GT(t.points, 0);
        for (const auto& [kind, c] : t.kinds) {
            EXPECT_EQ(c.runs, t.points) << KindName(kind);
            EXPECT_EQ(c.opened, c.runs) << KindName(kind);
            EXPECT_EQ(c.kept, c.runs) << KindName(kind);
            EXPECT_EQ(c.later, c.runs) << KindName(kind);
            EXPECT_EQ(c.clean, c.runs) << KindName(kind);
        }
    }

    ScratchDir dir = ScratchDir::InMemory();
    std::string basePath = dir / "base.iff";
    std::string workPath = dir / "work.iff";
};

// Opens the file with its own kind and runs body on it; arms the fault after opening.
template <class Body>
void OnOpenFile(const std::string& path, Version v, const Arm& arm, Body body) {
    auto file = NewIff(v);
    ASSERT_EQ(file->Open(path.c_str()), kResOk);
    body(*file, arm);
}

// Loads tree table 129, renames its entries, adds three, saves it with its names and closes.
void EditTable(const std::string& path, Version v, const Arm& arm) {
    OnOpenFile(path, v, arm, [](CResourceFile& file, const Arm& arm) {
        CTreeTable table(8);
        ASSERT_EQ(table.Load(&file, 129), 0);
        for (CTreeTableEntry& e : table.Entries())
            e.name = (std::string(e.name.Text()) + " renamed").c_str();
        for (int i = 0; i < 3; ++i) {
            CTreeTableEntry& e = table.AddEntry();
            e.stringIndex = table.Count() - 1;
            e.name = "added";
        }
        arm();
        table.SaveAs(&file, 129, "interactions");
        (void)file.Close();
    });
}

// Replaces behaviour 4097 with a body 500 bytes larger and closes.
void EditReplace(const std::string& path, Version v, const Arm& arm) {
    OnOpenFile(path, v, arm, [](CResourceFile& file, const Arm& arm) {
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
            (void)file.ReleaseChunk(larger);
        (void)file.Close();
    });
}

// Rewrites behaviour 4098 in place with a changed body of the same size and closes.
void EditInPlace(const std::string& path, Version v, const Arm& arm) {
    OnOpenFile(path, v, arm, [](CResourceFile& file, const Arm& arm) {
        CChunk* chunk = file.GetChunk(kBHAV, 4098);
        ASSERT_TRUE(chunk);
        for (int32_t i = 0; i < chunk->Size(); ++i)
            chunk->Body()[i] = uint8_t(chunk->Body()[i] ^ 0xFF);
        arm();
        if (file.WriteChunk(chunk) == kResOk) (void)file.ReleaseChunk(chunk);
        (void)file.Close();
    });
}

// Deletes behaviour 4099 and closes; the free space makes the close compact.
void EditCompact(const std::string& path, Version v, const Arm& arm) {
    OnOpenFile(path, v, arm, [](CResourceFile& file, const Arm& arm) {
        arm();
        if (CChunk* c = file.GetChunk(kBHAV, 4099)) {
            if (file.DeleteChunk(c) != kResOk) (void)file.ReleaseChunk(c);
        }
        (void)file.Close();
    });
}

// The whole path of an apply: open as an object file (1.0 files through the kind that reads
// them), load tree table 128 (stored as version 5, so loading upgrades it), lengthen every name,
// save with the names, close (map, and compaction when there is free space to take back).
void ApplySteps(const std::string& path, Version v, const Arm& arm, bool edit) {
    arm();
    std::unique_ptr<CResourceFile> file;
    if (v == Version::V1)
        file = std::make_unique<CSplitResourceFile>();
    else
        file = std::make_unique<CObjectResourceFile>();
    if (file->Open(path.c_str()) != kResOk) return;
    CTreeTable table(16);
    if (table.Load(file.get(), 128) == kResOk && edit) {
        for (CTreeTableEntry& e : table.Entries())
            e.name = (std::string("a much longer name for ") + std::to_string(e.stringIndex) + " " +
                      e.name.Text())
                         .c_str();
        table.Entries().front().flags ^= 0x10;
        table.Save("interactions");
    }
    (void)file->Close();
}

void EditApply(const std::string& path, Version v, const Arm& arm) {
    ApplySteps(path, v, arm, true);
}

// Only opening and loading, which upgrades the stored table.
void UpgradeOnly(const std::string& path, Version v, const Arm& arm) {
    ApplySteps(path, v, arm, false);
}

TEST_F(FaultSweep, SavingTreeTableIn10File) {
    Expect(Sweep({"tree table + TTAs save and close, 1.0", Version::V1, true, 300, EditTable}));
}

TEST_F(FaultSweep, SavingTreeTableIn25File) {
    Expect(Sweep({"tree table + TTAs save and close, 2.5", Version::V25, false, 300, EditTable}));
}

TEST_F(FaultSweep, ReplacingChunkWithLargerOne) {
    Expect(Sweep({"replace with a larger chunk, 1.0", Version::V1, false, 300, EditReplace}));
    Expect(Sweep({"replace with a larger chunk, 2.5", Version::V25, false, 300, EditReplace}));
}

TEST_F(FaultSweep, RewritingChunkOfTheSameSize) {
    Expect(Sweep({"rewrite in place, 1.0", Version::V1, false, 300, EditInPlace}));
    Expect(Sweep({"rewrite in place, 2.5", Version::V25, true, 300, EditInPlace}));
}

TEST_F(FaultSweep, ClosingWithCompaction) {
    Expect(Sweep({"close with compaction, 1.0", Version::V1, true, 4000, EditCompact}));
    Expect(Sweep({"close with compaction, 2.5", Version::V25, true, 4000, EditCompact}));
}

// A chunk larger than the gap below it cannot move onto its own old bytes safely: it is copied
// behind the last chunk first, so a failure or crash in the middle keeps it too.
TEST_F(FaultSweep, CompactionMovingChunkLargerThanItsGap) {
    Expect(Sweep({"close with compaction, sprite larger than its gap, 1.0", Version::V1, true, 5200,
                  EditCompact, 20000}));
    Expect(Sweep({"close with compaction, sprite larger than its gap, 2.5", Version::V25, true,
                  5200, EditCompact, 20000}));
}

// Many small neighbours move through the gap a window at a time: a stop anywhere keeps them.
TEST_F(FaultSweep, CompactionMovingManySmallChunks) {
    Expect(Sweep({"close with compaction, 60 small chunks, 1.0", Version::V1, true, 2000,
                  EditCompact, 6000, nullptr, 60}));
    Expect(Sweep({"close with compaction, 60 small chunks, 2.5", Version::V25, true, 2000,
                  EditCompact, 6000, nullptr, 60}));
}

TEST_F(FaultSweep, ApplyPathIn10File) {
    Expect(Sweep({"apply: open, upgrade, save, close with compaction, 1.0", Version::V1, true, 4000,
                  EditApply, 6000, UpgradeOnly}));
}

TEST_F(FaultSweep, ApplyPathIn25File) {
    Expect(Sweep({"apply: open from the map, upgrade, save, close with a new map, 2.5",
                  Version::V25, false, 300, EditApply, 6000, UpgradeOnly}));
    Expect(Sweep({"apply: open by a scan, upgrade, save, close with compaction, 2.5", Version::V25,
                  true, 4000, EditApply, 6000, UpgradeOnly}));
}

} // namespace

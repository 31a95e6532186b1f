// The command line when saving cannot be done as asked: every failure names its cause
// in words before the status, a damaged file is never written, a short table is never saved
// shorter in silence, and the smaller refusals (demo over existing files, preview views, unknown
// subcommands, floats JSON has no number for). Run through the built binary, in a child process
// whose limits and user the test sets.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <random>
#include <sstream>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "ScratchDir.h"
#include "cli/CliUnderTest.h"
#include "model/ModelFiles.h"
#include "model/StringTable.h"
#include "model/TreeTable.h"

using namespace modeltest;
using nlohmann::json;

namespace {

void Spit(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

struct Outcome {
    int status = -1;
    std::string out, err;
};

// How the child that runs the binary is limited.
struct Limits {
    rlim_t fileSize = RLIM_INFINITY; // RLIMIT_FSIZE: no write may reach past this many bytes
    bool asNobody = false;           // run as user nobody when the test runs as root
};

constexpr uid_t kNobody = 65534;

Outcome Cli(const std::string& scratch, const std::vector<std::string>& args, Limits limits = {}) {
    const std::string o = scratch + "/cli.out", e = scratch + "/cli.err";
    const pid_t pid = fork();
    if (pid == 0) {
        const int fo = open(o.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int fe = open(e.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fo < 0 || fe < 0 || dup2(fo, 1) < 0 || dup2(fe, 2) < 0) _exit(126);
        if (limits.fileSize != RLIM_INFINITY) {
            const rlimit r{limits.fileSize, limits.fileSize};
            if (setrlimit(RLIMIT_FSIZE, &r) != 0) _exit(125);
        }
        if (limits.asNobody && geteuid() == 0) {
            if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)
                _exit(124);
        }
        std::vector<std::string> words{CliUnderTest()};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& w : words)
            argv.push_back(w.data());
        argv.push_back(nullptr);
        execv(words[0].c_str(), argv.data());
        _exit(127);
    }
    Outcome r;
    int raw = 0;
    if (pid > 0 && waitpid(pid, &raw, 0) == pid && WIFEXITED(raw)) r.status = WEXITSTATUS(raw);
    r.out = ReadWholeFile(o);
    r.err = ReadWholeFile(e);
    return r;
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The demo's object file in a scratch directory, made by the binary itself.
class Trial : public ::testing::Test {
protected:
    void SetUp() override {
        scratch = dir.Str();
        demo = dir / "demo";
        const Outcome made = Cli(scratch, {"demo", demo});
        ASSERT_EQ(made.status, 0) << made.err;
        sample = demo + "/sample.iff";
    }
    Outcome Run(const std::vector<std::string>& args, Limits limits = {}) {
        return Cli(scratch, args, limits);
    }
    std::string Edits(const std::string& text) {
        const std::string p = dir / "edits.json";
        Spit(p, text);
        chmod(p.c_str(), 0644);
        return p;
    }
    // The names of a tree table in US English, read by the library, read-only.
    std::vector<std::string> Names(int16_t id, int32_t* storedCount = nullptr) {
        std::vector<std::string> names;
        auto file = OpenFile(sample, true);
        if (!file) return names;
        CTreeTable t(16);
        if (t.Load(file.get(), id) != 0) return names;
        if (storedCount) *storedCount = t.StoredCount();
        for (const CTreeTableEntry& e : t.Entries())
            names.emplace_back(e.name.Text());
        return names;
    }
    Bytes Body(uint32_t type, int16_t id) {
        auto file = OpenFile(sample, true);
        return file ? Get(*file, type, id) : Bytes{};
    }

    ScratchDir dir;
    std::string scratch, demo, sample;
};

// An edit document that lengthens the names of the sofa's ten entries.
std::string LongerNames() {
    std::string text = R"({"entries":[)";
    for (int i = 0; i < 10; ++i)
        text += std::string(i ? "," : "") + R"({"index":)" + std::to_string(i) +
                R"(,"name":"A much longer name for the interaction that is number )" +
                std::to_string(i) + R"("})";
    return text + "]}";
}

} // namespace

// ---- Causes in words -------------------------------------------------------------------------

TEST_F(Trial, ReadOnlyFileIsNamedAsSuch) {
    if (CliIsWindowsBuild()) GTEST_SKIP() << "Wine runs as the user who owns its prefix only";
    chmod(demo.c_str(), 0755);
    chmod(scratch.c_str(), 0755);
    chmod(sample.c_str(), 0444);
    if (geteuid() == 0) {
        // Root writes any file: the binary runs as nobody, for whom the mode holds.
        const Outcome probe = Run({"chunks", sample}, {RLIM_INFINITY, true});
        if (probe.status == 124) GTEST_SKIP() << "cannot run the binary as user nobody";
    }
    const std::string before = ReadWholeFile(sample);
    const Outcome r = Run({"apply", sample, Edits(R"({"entries":[{"index":0,"name":"x"}]})")},
                          {RLIM_INFINITY, true});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.err, "the file is read-only (permission denied) (status -45)")) << r.err;
    EXPECT_TRUE(Has(r.err, "nothing was saved")) << r.err;
    EXPECT_TRUE(ReadWholeFile(sample) == before) << "the file changed";
    // Reading needs no writing.
    EXPECT_EQ(Run({"ttab", sample, "--json"}, {RLIM_INFINITY, true}).status, 0);
}

TEST_F(Trial, DirectoryGivenAsAFileIsNamedAsSuch) {
    const std::string folder = demo + "/folder.iff";
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"ttab", folder, "--json"},
                                               {"apply", folder, Edits(R"({"entries":[]})")},
                                               {"ttab", demo},
                                               {"compact", folder}}) {
        const Outcome r = Run(args);
        EXPECT_EQ(r.status, 1) << args[0] << " " << args[1];
        EXPECT_TRUE(Has(r.err, "a directory was given where a file was expected (status "))
            << r.err;
    }
}

TEST_F(Trial, FileInUseByAnotherProgramIsNamedAsSuch) {
    // Windows keeps its share modes apart from POSIX locks; its own are tested in the platform's
    // Windows tests.
    if (CliIsWindowsBuild()) GTEST_SKIP() << "a POSIX lock does not reach the Windows program";
    const std::string before = ReadWholeFile(sample);
    const std::string edits = Edits(R"({"entries":[{"index":0,"name":"x"}]})");
    const int fd = open(sample.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    // Another program writing the file (the share-mode lock of a writer): nothing opens it.
    ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"ttab", sample, "--json"}, {"apply", sample, edits}, {"compact", sample}}) {
        const Outcome r = Run(args);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_TRUE(Has(r.err, "the file is in use by another program (status ")) << r.err;
    }
    // Another program reading it: reading works, writing is refused.
    ASSERT_EQ(flock(fd, LOCK_SH | LOCK_NB), 0);
    EXPECT_EQ(Run({"ttab", sample, "--json"}).status, 0);
    const Outcome r = Run({"apply", sample, edits});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.err, "the file is in use by another program (status -45)")) << r.err;
    EXPECT_TRUE(Has(r.err, "nothing was saved")) << r.err;
    close(fd);
    EXPECT_TRUE(ReadWholeFile(sample) == before) << "the file changed";
}

// A file system with no room at all to grow: a file-size limit equal to the
// file's size fails every write past its end. The cause is named, and no name and no interaction
// is lost: each entry keeps its old name or has the new one.
TEST_F(Trial, NoRoomToGrowIsNamedAndLosesNothing) {
    if (CliIsWindowsBuild()) GTEST_SKIP() << "Windows has no file-size limit to set";
    // Without free space every longer chunk has to go behind the last one.
    ASSERT_EQ(Run({"compact", sample}).status, 0);
    const std::vector<std::string> old = Names(128);
    ASSERT_EQ(old.size(), 10u);
    const Outcome r = Run({"apply", sample, Edits(LongerNames())},
                          {rlim_t(std::filesystem::file_size(sample)), false});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.err, "the file would grow past the file-size limit (status -")) << r.err;

    const std::vector<std::string> after = Names(128);
    ASSERT_EQ(after.size(), 10u) << "the tree table lost interactions";
    for (size_t i = 0; i < after.size(); ++i) {
        const std::string longer =
            "A much longer name for the interaction that is number " + std::to_string(i);
        EXPECT_TRUE(after[i] == old[i] || after[i] == longer) << i << ": " << after[i];
    }
    // Every language keeps its names.
    auto file = OpenFile(sample, true);
    ASSERT_TRUE(file);
    CStringTable names;
    names.Configure(file.get(), kTTAs, 128, false, 0);
    ASSERT_EQ(names.Load(true, false), 0);
    EXPECT_GE(names.Count(2), 10); // French
    EXPECT_GE(names.Count(3), 10); // German
}

// A names table that would hold more than 32767 strings: the cause in words, and nothing saved
// (flags and autonomy are not saved without the names).
TEST(SavingCli, NamesTableOverItsLimitIsNamedAndNothingIsSaved) {
    ScratchDir dir;
    const std::string scratch = dir.Str();
    const std::string path = dir / "big.iff";
    {
        auto file = NewFile(path);
        ASSERT_TRUE(file);
        ASSERT_EQ(Put(*file, kOBJD, 128, ObjdBody(128), "Big"), 0);
        CTreeTable table(16);
        for (int i = 0; i < 2; ++i) {
            CTreeTableEntry& e = table.AddEntry();
            e.stringIndex = i;
            e.name = i ? "Two" : "One";
        }
        ASSERT_EQ(table.SaveAs(file.get(), 128, "Big menu"), 0);
        // 16000 English names and one of their own in French and in German: saving pads both
        // with English copies, 48000 strings in all.
        std::vector<LangItem> items;
        for (int i = 0; i < 16000; ++i)
            items.push_back({1, "n" + std::to_string(i), ""});
        items.push_back({3, "un", ""});
        items.push_back({4, "eins", ""});
        ASSERT_EQ(Put(*file, kTTAs, 128, MultiLanguage(items)), 0);
        ASSERT_EQ(file->Close(), 0);
    }
    const std::string before = ReadWholeFile(path);
    Spit(dir / "edits.json", R"({"entries":[{"index":0,"name":"Uno","flags":5,"autonomy":20}]})");
    const Outcome r = Cli(scratch, {"apply", path, dir / "edits.json"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.err, "Could not save tree table: the names table would hold more than "
                           "32767 strings (status -2); nothing was saved"))
        << r.err;
    EXPECT_TRUE(ReadWholeFile(path) == before) << "the file changed";
}

// An entry whose string index is 32767, in a file whose names table already holds its 32767
// strings: a new name for it has no place, so apply fails saying so and writes nothing.
TEST(SavingCli, NameWithoutAPlaceIsNamedAndNothingIsSaved) {
    ScratchDir dir;
    const std::string scratch = dir.Str();
    const std::string path = dir / "full.iff";
    {
        auto file = NewFile(path);
        ASSERT_TRUE(file);
        ASSERT_EQ(Put(*file, kOBJD, 128, ObjdBody(128), "Full"), 0);
        std::vector<LangItem> items;
        for (int i = 0; i < 32767; ++i)
            items.push_back({1, "n" + std::to_string(i), ""});
        ASSERT_EQ(Put(*file, kTTAs, 128, MultiLanguage(items)), 0);
        CTreeTable table(16);
        for (int32_t index : {0, 32767}) {
            CTreeTableEntry& e = table.AddEntry();
            e.actionId = 4200;
            e.stringIndex = index;
            e.name = index ? "?4200" : "n0";
        }
        ASSERT_EQ(table.SaveAs(file.get(), 128, "Full menu"), 0);
        ASSERT_EQ(file->Close(), 0);
    }
    const std::string before = ReadWholeFile(path);
    Spit(dir / "edits.json", R"({"entries":[{"index":1,"name":"Stretch","flags":5}]})");
    const Outcome r = Cli(scratch, {"apply", path, dir / "edits.json"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.err, "Could not save tree table: an interaction's string index lies outside "
                           "the names table's 32767 places"))
        << r.err;
    EXPECT_TRUE(Has(r.err, "nothing was saved")) << r.err;
    EXPECT_TRUE(ReadWholeFile(path) == before) << "the file changed";
}

// ---- A damaged file is never written ---------------------------------------------------------

// A damaged header in the demo file: the size field of the chunk header at 36037 (a sprite in the
// middle of the demo file) set to 10.
class DamagedTrial : public Trial {
protected:
    static constexpr int32_t kBreak = 36037;
    void Damage(bool dropMap) {
        std::string bytes = ReadWholeFile(sample);
        ASSERT_GT(bytes.size(), size_t(kBreak + 76));
        ASSERT_EQ(bytes.substr(kBreak, 4), "SPR2");
        const char size10[4] = {0, 0, 0, 10};
        bytes.replace(kBreak + 4, 4, size10, 4);
        // Without a map offset the file is indexed by scanning, which stops at the break.
        if (dropMap) bytes.replace(60, 4, std::string(4, '\0'));
        Spit(sample, bytes);
    }
    void Expect(bool dropMap) {
        Damage(dropMap);
        const std::string before = ReadWholeFile(sample);
        const std::string damaged = ": the file is damaged at offset " + std::to_string(kBreak) +
                                    "; nothing was written (see tavimet-cli check)";
        Outcome r = Run({"apply", sample, Edits(LongerNames())});
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(Has(r.err, "tavimet-cli: " + sample + damaged)) << r.err;
        EXPECT_TRUE(ReadWholeFile(sample) == before) << "the file changed";
        // The same file by name.
        r = Run({"apply", demo + "/sample", Edits(R"({"entries":[]})")});
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(Has(r.err, damaged)) << r.err;
        EXPECT_TRUE(ReadWholeFile(sample) == before) << "the file changed";
        r = Run({"compact", sample});
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(Has(r.err, damaged)) << r.err;
        EXPECT_TRUE(ReadWholeFile(sample) == before) << "the file changed";

        r = Run({"check", sample});
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(Has(r.out, "the chunk chain breaks at offset " + std::to_string(kBreak)))
            << r.out;
        // Reading keeps working; chunks lists what can be read and names the damage.
        EXPECT_EQ(Run({"ttab", sample, "--json"}).status, 0);
        EXPECT_EQ(Run({"objects", sample, "--json"}).status, 0);
        r = Run({"chunks", sample, "--json"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(Has(r.err, "is damaged at offset " + std::to_string(kBreak))) << r.err;
        const json listed = json::parse(r.out, nullptr, false);
        ASSERT_TRUE(listed.is_object()) << r.out;
        EXPECT_GE(listed["chunks"].size(), 20u);
        EXPECT_TRUE(ReadWholeFile(sample) == before) << "the file changed";
    }
};

TEST_F(DamagedTrial, IndexedFromItsMapTheFirstWriteIsRefused) {
    Expect(false);
}

TEST_F(DamagedTrial, IndexedByScanningTheWritableOpenIsRefused) {
    Expect(true);
}

// ---- A short table is never saved shorter in silence -----------------------------------------

// A short table: TTAB 128 three bytes shorter, its last entry cut.
class ShortTableTrial : public Trial {
protected:
    void SetUp() override {
        Trial::SetUp();
        auto file = OpenFile(sample);
        ASSERT_TRUE(file);
        Bytes body = Get(*file, kTTAB, 128);
        ASSERT_GT(body.size(), 3u);
        body.resize(body.size() - 3);
        ASSERT_EQ(Put(*file, kTTAB, 128, body, LabelOf(*file, kTTAB, 128)), 0);
        ASSERT_EQ(file->Close(), 0);
    }
};

TEST_F(ShortTableTrial, CheckTtabAndApplySayItAndApplyKeepsTheFile) {
    Outcome r = Run({"check", sample});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.out, "TTAB 128 \"Sofa interactions\" is short: its body holds 9 of its 10 "
                           "entries"))
        << r.out;

    r = Run({"ttab", sample, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const json doc = json::parse(r.out);
    EXPECT_EQ(doc["truncated"], true);
    EXPECT_EQ(doc["stored_count"], 10);
    EXPECT_EQ(doc["read_count"], 9);
    EXPECT_EQ(doc["entries"].size(), 9u);
    EXPECT_TRUE(Has(r.err, "warning: TTAB 128 is short: its body holds 9 of its 10 entries"))
        << r.err;

    const std::string before = ReadWholeFile(sample);
    r = Run({"apply", sample, Edits(R"({"entries":[]})")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.err, "9 of its 10 entries")) << r.err;
    EXPECT_TRUE(Has(r.err, "--allow-truncated")) << r.err;
    EXPECT_TRUE(ReadWholeFile(sample) == before) << "the file changed";

    r = Run({"apply", sample, Edits(R"({"entries":[]})"), "--allow-truncated"});
    EXPECT_EQ(r.status, 0) << r.err;
    int32_t stored = 0;
    EXPECT_EQ(Names(128, &stored).size(), 9u);
    EXPECT_EQ(stored, 9);
    r = Run({"ttab", sample, "--json"});
    ASSERT_EQ(r.status, 0);
    EXPECT_FALSE(json::parse(r.out).contains("truncated"));
    EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST_F(Trial, ACompleteTableHasNoTruncatedKeyAndCheckIsClean) {
    Outcome r = Run({"ttab", sample, "--json"});
    ASSERT_EQ(r.status, 0);
    const json doc = json::parse(r.out);
    EXPECT_FALSE(doc.contains("truncated"));
    EXPECT_FALSE(doc.contains("stored_count"));
    EXPECT_TRUE(r.err.empty()) << r.err;
    r = Run({"check", sample});
    EXPECT_EQ(r.status, 0) << r.out;
    // By name: the object's files, each labelled.
    r = Run({"check", demo + "/sample"});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(Has(r.out, sample + ": IFF 2.5")) << r.out;
}

TEST(SavingCli, ShortObjectDefinitionsAndStringTablesAreReported) {
    ScratchDir dir;
    const std::string scratch = dir.Str();
    const std::string path = dir / "short.iff";
    {
        auto file = NewFile(path);
        ASSERT_TRUE(file);
        const Bytes objd = ObjdBody(-1);
        Bytes cut(objd.begin(), objd.begin() + 200);
        Bytes old(objd.begin(), objd.begin() + 100);
        old[0] = 136; // an older version is short by nature
        ASSERT_EQ(Put(*file, kOBJD, 128, objd, "Whole"), 0);
        ASSERT_EQ(Put(*file, kOBJD, 129, cut, "Cut"), 0);
        ASSERT_EQ(Put(*file, kOBJD, 130, old, "Old"), 0);
        // A string table whose count claims three strings and holds one.
        Writer w;
        w.W(-3).W(3).B(1).Z("one").Z("");
        ASSERT_EQ(Put(*file, kSTR, 300, w.b, "cut strings"), 0);
        ASSERT_EQ(file->Close(), 0);
    }
    const Outcome r = Cli(scratch, {"check", path});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.out, "OBJD 129 \"Cut\" is short: version 138 has 216 bytes, the body "
                           "holds 200"))
        << r.out;
    EXPECT_FALSE(Has(r.out, "OBJD 128")) << r.out;
    EXPECT_FALSE(Has(r.out, "OBJD 130")) << r.out;
    EXPECT_TRUE(Has(r.out, "STR# 300 \"cut strings\" is short")) << r.out;
}

// ---- Smaller faults ---------------------------------------------------------------------------

TEST_F(Trial, DemoRefusesToOverwriteWithoutForce) {
    Spit(sample, "edited");
    const std::string registry = ReadWholeFile(demo + "/registry.ini");
    Outcome r = Run({"demo", demo});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Has(r.err, "--force")) << r.err;
    EXPECT_EQ(ReadWholeFile(sample), "edited");
    EXPECT_EQ(ReadWholeFile(demo + "/registry.ini"), registry);

    // Any one of the three files is enough to refuse, and nothing is made.
    const std::string other = dir / "other";
    ASSERT_EQ(mkdir(other.c_str(), 0755), 0);
    Spit(other + "/registry.ini", "mine");
    r = Run({"demo", other});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(ReadWholeFile(other + "/registry.ini"), "mine");
    EXPECT_FALSE(std::filesystem::exists(other + "/sample.iff"));
    EXPECT_FALSE(std::filesystem::exists(other + "/gamedata"));

    r = Run({"demo", demo, "--force"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Run({"ttab", sample, "--json"}).status, 0);
}

TEST(SavingCli, DemoRefusesAnEmptyFolderName) {
    ScratchDir dir;
    const std::string scratch = dir.Str();
    const bool there =
        std::filesystem::exists("/sample.iff") || std::filesystem::exists("/gamedata");
    const Outcome r = Cli(scratch, {"demo", ""});
    EXPECT_EQ(r.status, 2);
    if (!there) {
        EXPECT_FALSE(std::filesystem::exists("/sample.iff"));
        EXPECT_FALSE(std::filesystem::exists("/gamedata"));
    }
}

TEST_F(Trial, PreviewViewOutsideItsRangeIsAUsageError) {
    for (const char* view : {"12", "-1", "100"}) {
        const std::string png = dir / (std::string("v") + view + ".png");
        const Outcome r = Run({"preview", sample, "-o", png, "--view", view});
        EXPECT_EQ(r.status, 2) << view;
        EXPECT_FALSE(std::filesystem::exists(png)) << view;
    }
    const std::string png = dir / "v11.png";
    EXPECT_EQ(Run({"preview", sample, "-o", png, "--view", "11"}).status, 0);
    EXPECT_TRUE(std::filesystem::exists(png));
}

TEST(SavingCli, ApplyOnAnObjectWithoutTreeTableFails) {
    ScratchDir dir;
    const std::string scratch = dir.Str();
    const std::string path = dir / "bare.iff";
    {
        auto file = NewFile(path);
        ASSERT_TRUE(file);
        ASSERT_EQ(Put(*file, kOBJD, 128, ObjdBody(-1), "Bare"), 0);
        ASSERT_EQ(file->Close(), 0);
    }
    const std::string before = ReadWholeFile(path);
    Spit(dir / "edits.json", R"({"entries":[]})");
    const Outcome r = Cli(scratch, {"apply", path, dir / "edits.json"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.err, "has no tree table")) << r.err;
    EXPECT_TRUE(ReadWholeFile(path) == before) << "the file changed";
    EXPECT_EQ(Cli(scratch, {"ttab", path}).status, 1);
}

TEST(SavingCli, AnUnknownSubcommandIsNamed) {
    ScratchDir dir;
    const std::string scratch = dir.Str();
    Outcome r = Cli(scratch, {"bogus"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Has(r.err, "unknown subcommand \"bogus\"")) << r.err;
    r = Cli(scratch, {"bogus", "--json"});
    EXPECT_EQ(r.status, 2);
    r = Cli(scratch, {});
    EXPECT_EQ(r.status, 2);
}

// ---- Every float a file can hold survives ttab -> apply ------------------------------------

namespace {

float FromBits(uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

} // namespace

TEST(SavingCli, EveryAttenuationValueSurvivesTtabThenApply) {
    ScratchDir dir;
    const std::string scratch = dir.Str();
    const std::string path = dir / "floats.iff";
    std::vector<uint32_t> bits = {
        0x7FC00000, // the default quiet NaN
        0x7FC00001, // a quiet NaN with a payload
        0x7F800001, // a signalling NaN
        0xFFC00000, // a negative NaN
        0xFFFFFFFF, // every bit set
        0x7F800000, // +inf
        0xFF800000, // -inf
        0x80000000, // -0
        0x00000000, // +0
        0x7F7FFFFF, // FLT_MAX
        0xFF7FFFFF, // -FLT_MAX
        0x00000001, // the smallest denormal
        0x807FFFFF, // the largest negative denormal
        0x00800000, // FLT_MIN
        0x3DCCCCCD, // 0.1
        0x4B800000, // 16777216
        0x3F800000, // 1
    };
    std::mt19937 random(12);
    for (int i = 0; i < 200; ++i)
        bits.push_back(uint32_t(random()));
    {
        auto file = NewFile(path);
        ASSERT_TRUE(file);
        ASSERT_EQ(Put(*file, kOBJD, 128, ObjdBody(128), "Floats"), 0);
        CTreeTable table(16);
        for (size_t i = 0; i < bits.size(); ++i) {
            CTreeTableEntry& e = table.AddEntry();
            e.stringIndex = int32_t(i);
            e.name = "e";
            e.attenuationLevel = 0;
            e.attenuationValue = FromBits(bits[i]);
        }
        ASSERT_EQ(table.SaveAs(file.get(), 128, "Floats menu"), 0);
        ASSERT_EQ(file->Close(), 0);
    }
    Bytes before;
    {
        auto file = OpenFile(path, true);
        ASSERT_TRUE(file);
        before = Get(*file, kTTAB, 128);
    }
    Outcome r = Cli(scratch, {"ttab", path, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Has(r.out, R"("attenuation_value":"nan")")) << r.out.substr(0, 400);
    EXPECT_TRUE(Has(r.out, R"("attenuation_value":"nan:0x7fc00001")"));
    EXPECT_TRUE(Has(r.out, R"("attenuation_value":"nan:0x7f800001")"));
    EXPECT_TRUE(Has(r.out, R"("attenuation_value":"inf")"));
    EXPECT_TRUE(Has(r.out, R"("attenuation_value":"-inf")"));
    EXPECT_TRUE(Has(r.out, R"("attenuation_value":-0.0)"));
    EXPECT_FALSE(Has(r.out, "null"));
    const json doc = json::parse(r.out);
    ASSERT_EQ(doc["entries"].size(), bits.size());
    json edits = {{"entries", json::array()}};
    for (size_t i = 0; i < bits.size(); ++i)
        edits["entries"].push_back(
            {{"index", i}, {"attenuation_value", doc["entries"][i]["attenuation_value"]}});
    Spit(dir / "edits.json", edits.dump());
    r = Cli(scratch, {"apply", path, dir / "edits.json"});
    ASSERT_EQ(r.status, 0) << r.err;
    auto file = OpenFile(path, true);
    ASSERT_TRUE(file);
    EXPECT_TRUE(Get(*file, kTTAB, 128) == before) << "the table's body changed";

    // Strings that name no float are usage errors.
    const std::string bytesBefore = ReadWholeFile(path);
    file.reset();
    for (const char* bad : {R"("NaN")", R"("nan:0x7f800000")", R"("nan:0x7fc0000")",
                            R"("nan:0x7fc00000 ")", R"("infinity")", R"("")", "true", "3.5e38"}) {
        Spit(dir / "bad.json",
             std::string(R"({"entries":[{"index":0,"attenuation_value":)") + bad + "}]}");
        EXPECT_EQ(Cli(scratch, {"apply", path, dir / "bad.json"}).status, 2) << bad;
    }
    EXPECT_TRUE(ReadWholeFile(path) == bytesBefore) << "the file changed";
}

// The read commands on several files at once: a folder of good, damaged, unreadable and split
// objects, walked with --recursive, with output that does not depend on --jobs.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "ScratchDir.h"
#include "cli/CliUnderTest.h"
#include "resource/IffFileV2.h"
#include "resource/IffTestUtil.h"
#include "sample/Sample.h"

using nlohmann::json;
namespace fs = std::filesystem;

namespace {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

// Holds an exclusive lock on a file as another program would: our readers are refused it.
class HeldFile {
public:
    explicit HeldFile(const std::string& path) : m_fd(open(path.c_str(), O_RDWR)) {
        if (m_fd >= 0 && flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            close(m_fd);
            m_fd = -1;
        }
    }
    ~HeldFile() {
        if (m_fd >= 0) close(m_fd);
    }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    bool Held() const { return m_fd >= 0; }

private:
    int m_fd;
};

class BatchCli : public ::testing::Test {
protected:
    void SetUp() override {
        root = scratch / "objects";
        fs::create_directories(root + "/sub/deeper");
        fs::create_directories(root + "/x.iff");
        std::string error;
        ASSERT_EQ(sample::WriteObjectFile(root + "/good.iff", error), 0) << error;
        fs::copy_file(root + "/good.iff", root + "/Upper.IFF");
        fs::copy_file(root + "/good.iff", root + "/sub/deeper/deep.iff");
        fs::copy_file(root + "/good.iff", root + "/x.iff/inside.iff");
        fs::copy_file(root + "/good.iff", root + "/busy.iff");
        iff_test::WriteAll(root + "/notes.txt", std::vector<uint8_t>(10, 'n'));
        // Cut in the middle of a chunk: the chain breaks there.
        std::vector<uint8_t> bytes = iff_test::ReadAll(root + "/good.iff");
        bytes.resize(bytes.size() / 2);
        iff_test::WriteAll(root + "/truncated.iff", bytes);
        // A split pair: the object in pair.iff, an empty sprite file beside it.
        fs::copy_file(root + "/good.iff", root + "/pair.iff");
        CIffFileV2 spf;
        ASSERT_EQ(spf.Create((root + "/pair.spf").c_str()), 0);
        // A link back up must not make the walk go round for ever. (Wine shows the Windows
        // program a POSIX link as a plain folder, which it cannot tell from one.)
        if (!CliIsWindowsBuild()) fs::create_directory_symlink("..", root + "/sub/up");
    }

    Result Run(const std::string& args) {
        const std::string o = scratch / "out.txt", e = scratch / "err.txt";
        const std::string command =
            std::string("'") + CliUnderTest() + "' " + args + " >'" + o + "' 2>'" + e + "'";
        const int raw = std::system(command.c_str());
        Result r;
        r.out = ReadWholeFile(o);
        r.err = ReadWholeFile(e);
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        return r;
    }

    // Runs args with --jobs 1 and --jobs 4 and expects the same bytes from both.
    Result RunBothWays(const std::string& args) {
        const Result one = Run(args + " --jobs 1");
        const Result four = Run(args + " --jobs 4");
        EXPECT_EQ(one.status, four.status) << args;
        EXPECT_EQ(one.out, four.out) << args;
        EXPECT_EQ(one.err, four.err) << args;
        return four;
    }

    std::string Q(const std::string& path) const { return "'" + path + "'"; }

    // The paths a walk of root reports, in order.
    std::vector<std::string> Expected() const {
        return {root + "/Upper.IFF",
                root + "/busy.iff",
                root + "/good.iff",
                root + "/pair.iff",
                root + "/sub/deeper/deep.iff",
                root + "/truncated.iff",
                root + "/x.iff/inside.iff"};
    }

    static std::vector<std::string> Paths(const json& doc) {
        std::vector<std::string> paths;
        for (const json& f : doc["files"])
            paths.push_back(f["path"]);
        return paths;
    }

    static const json& Element(const json& doc, const std::string& path) {
        for (const json& f : doc["files"])
            if (f["path"] == path) return f;
        static const json none;
        return none;
    }

    ScratchDir scratch = ScratchDir::InMemory();
    std::string root;
};

TEST_F(BatchCli, CheckWalksAFolderAndReportsEachFile) {
    // A POSIX lock does not reach the Windows program, which keeps share modes instead.
    if (CliIsWindowsBuild())
        GTEST_SKIP() << "no file can be held from here for the Windows program";
    HeldFile held(root + "/busy.iff");
    ASSERT_TRUE(held.Held());
    Result r = RunBothWays("check -r " + Q(root) + " --json");
    EXPECT_EQ(r.status, 1);
    const json doc = json::parse(r.out);
    EXPECT_EQ(Paths(doc), Expected());
    for (const std::string& good :
         {root + "/good.iff", root + "/Upper.IFF", root + "/sub/deeper/deep.iff"}) {
        const json& e = Element(doc, good);
        EXPECT_EQ(e["status"], 0) << e;
        EXPECT_EQ(e["clean"], true) << e;
        EXPECT_EQ(e["scans"].size(), 1u);
    }
    const json& busy = Element(doc, root + "/busy.iff");
    EXPECT_LT(busy["status"].get<int>(), 0) << busy;
    EXPECT_NE(busy["error"].get<std::string>().find("in use"), std::string::npos) << busy;
    const json& cut = Element(doc, root + "/truncated.iff");
    EXPECT_EQ(cut["status"], 0) << cut;
    EXPECT_EQ(cut["clean"], false);
    EXPECT_GE(cut["scans"][0]["chain_break"].get<int>(), 64);
    // The pair is one object: both of its files are scanned under the .iff path.
    const json& pair = Element(doc, root + "/pair.iff");
    ASSERT_EQ(pair["scans"].size(), 2u) << pair;
    EXPECT_EQ(pair["scans"][1]["file"], root + "/pair.spf");
    EXPECT_EQ(pair["clean"], true) << pair;

    // Text: one line for each file with problems, then the totals.
    r = RunBothWays("check -r " + Q(root));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.find(root + "/good.iff"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(root + "/truncated.iff: the chunk chain breaks at offset"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("7 files checked: 5 clean, 2 with problems\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.err.find("busy.iff"), std::string::npos) << r.err;
}

TEST_F(BatchCli, GoodFilesAloneSucceed) {
    const Result r = Run("check " + Q(root + "/good.iff") + " " + Q(root + "/sub"));
    // Without --recursive a directory is checked as the file it names, and fails.
    EXPECT_EQ(r.status, 1);
    const Result walked = Run("check -r " + Q(root + "/good.iff") + " " + Q(root + "/sub"));
    EXPECT_EQ(walked.status, 0) << walked.out << walked.err;
    EXPECT_EQ(walked.out, "2 files checked: 2 clean, 0 with problems\n");
}

TEST_F(BatchCli, ListingCommandsKeepTheOneFileFieldsInEachElement) {
    // A POSIX lock does not reach the Windows program, which keeps share modes instead.
    if (CliIsWindowsBuild())
        GTEST_SKIP() << "no file can be held from here for the Windows program";
    HeldFile held(root + "/busy.iff");
    ASSERT_TRUE(held.Held());
    for (const std::string command : {"chunks", "objects", "ttab"}) {
        SCOPED_TRACE(command);
        const Result r = RunBothWays(command + " -r " + Q(root) + " --json");
        EXPECT_EQ(r.status, 1);
        const json doc = json::parse(r.out);
        EXPECT_EQ(Paths(doc), Expected());
        const json& busy = Element(doc, root + "/busy.iff");
        EXPECT_LT(busy["status"].get<int>(), 0);
        EXPECT_TRUE(busy.contains("error"));

        // Each good element is the one-file document plus path and status.
        const Result one = Run(command + " " + Q(root + "/good.iff") + " --json");
        ASSERT_EQ(one.status, 0) << one.err;
        json single = json::parse(one.out);
        json element = Element(doc, root + "/good.iff");
        EXPECT_EQ(element["status"], 0);
        element.erase("path");
        element.erase("status");
        EXPECT_EQ(element, single);
        // The pair opens by name, so it holds what good.iff holds (and, for chunks, the
        // empty sprite file adds nothing).
        json pair = Element(doc, root + "/pair.iff");
        EXPECT_EQ(pair["status"], 0) << pair;
        pair.erase("path");
        pair.erase("status");
        EXPECT_EQ(pair, single);
    }
    // A damaged file is listed as far as it can be read.
    const Result chunks =
        Run("chunks " + Q(root + "/truncated.iff") + " " + Q(root + "/good.iff") + " --json");
    const json doc = json::parse(chunks.out);
    EXPECT_EQ(doc["files"][0]["status"], 0);
    EXPECT_LT(doc["files"][0]["chunks"].size(), doc["files"][1]["chunks"].size());
    EXPECT_NE(chunks.err.find("damaged at offset"), std::string::npos);
}

TEST_F(BatchCli, PathsKeepTheirOrderAndOneBadPathStopsNothing) {
    const std::string missing = root + "/missing.iff";
    const Result r = RunBothWays("objects " + Q(root + "/sub/deeper/deep.iff") + " " + Q(missing) +
                                 " " + Q(root + "/good.iff") + " --json");
    EXPECT_EQ(r.status, 1);
    const json doc = json::parse(r.out);
    EXPECT_EQ(Paths(doc), (std::vector<std::string>{root + "/sub/deeper/deep.iff", missing,
                                                    root + "/good.iff"}));
    EXPECT_EQ(doc["files"][0]["status"], 0);
    EXPECT_FALSE(doc["files"][0]["objects"].empty());
    EXPECT_LT(doc["files"][1]["status"].get<int>(), 0);
    EXPECT_NE(doc["files"][1]["error"].get<std::string>().find("missing.iff"), std::string::npos);
    EXPECT_EQ(doc["files"][2]["status"], 0);

    // Text listings name each file before its own output.
    const Result text =
        Run("ttab " + Q(root + "/good.iff") + " " + Q(root + "/sub/deeper/deep.iff"));
    EXPECT_EQ(text.status, 0) << text.err;
    const size_t first = text.out.find(root + "/good.iff:\nTTAB ");
    const size_t second = text.out.find(root + "/sub/deeper/deep.iff:\nTTAB ");
    EXPECT_NE(first, std::string::npos) << text.out;
    EXPECT_NE(second, std::string::npos) << text.out;
    EXPECT_LT(first, second);
}

TEST_F(BatchCli, OnePathWithoutRecursiveKeepsTheOneFileForm) {
    const Result r = Run("chunks " + Q(root + "/good.iff") + " --json");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("{\"chunks\":[", 0), 0u) << r.out;
    const Result check = Run("check " + Q(root + "/good.iff"));
    EXPECT_EQ(check.status, 0);
    EXPECT_EQ(check.out.rfind(root + "/good.iff: IFF 2.5", 0), 0u) << check.out;
    EXPECT_EQ(check.out.substr(check.out.size() - 3), "OK\n");
    // One path with --recursive is a batch of one.
    const Result one = Run("objects -r " + Q(root + "/good.iff") + " --json");
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(json::parse(one.out)["files"].size(), 1u);
    // An empty folder is a batch of nothing, which succeeds.
    fs::create_directory(root + "/empty");
    const Result none = Run("chunks -r " + Q(root + "/empty") + " --json");
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, "{\"files\":[]}\n");
    EXPECT_EQ(Run("chunks " + Q(root + "/good.iff") + " --jobs 0").status, 2);
}

TEST_F(BatchCli, AFolderThatCannotBeReadIsReportedAndTheWalkGoesOn) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    fs::create_directory(root + "/closed");
    ASSERT_EQ(chmod((root + "/closed").c_str(), 0), 0);
    const Result r = Run("objects -r " + Q(root) + " --json");
    chmod((root + "/closed").c_str(), 0700);
    EXPECT_EQ(r.status, 1);
    const json doc = json::parse(r.out);
    const json& closed = Element(doc, root + "/closed");
    EXPECT_LT(closed["status"].get<int>(), 0) << r.out;
    EXPECT_EQ(Element(doc, root + "/good.iff")["status"], 0);
}

} // namespace

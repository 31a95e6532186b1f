// chunks, check and compact on 1.0 and 2.5 files made here, run through the built binary.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sys/wait.h>

#include <nlohmann/json.hpp>

#include "cli/CliUnderTest.h"
#include "resource/IffFileV1.h"
#include "resource/IffFileV2.h"
#include "resource/IffTestUtil.h"

using namespace iff_test;
using nlohmann::json;

namespace {

struct Result {
    int status;
    std::string out;
};

Result RunCli(const std::string& args) {
    const std::string cmd = "'" + CliUnderTest() + "' " + args + " 2>/dev/null";
    Result r{-1, {}};
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    const int raw = pclose(p);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

// Chunks TTAB 128 (label "caf\xe9"), STR# 129, TTAB 130 variant 2 (2.5 only); one large chunk
// deleted so that the file holds free space below the compaction threshold... or above it.
// The tables' bodies start as empty tables do (check reads them), the rest is a pattern.
template <class Kind> void Make(const std::string& path, int32_t freeBody) {
    Kind f;
    ASSERT_EQ(f.Create(path.c_str()), 0);
    ASSERT_EQ(f.Open(path.c_str()), 0);
    auto add = [&](uint32_t type, int16_t id, const char* label, size_t size, int variant) {
        std::vector<uint8_t> body = Pattern(size, uint32_t(id));
        if (type == kTTAB) std::copy_n("\0\0\x09\0\0", 5, body.begin()); // 0 entries, version 9
        if (type == kSTR) std::copy_n("\xFD\xFF\0\0", 4, body.begin());  // 0 strings
        CChunk* c = MakeBody(body);
        ASSERT_EQ(variant ? f.AddChunkVariant(c, type, id, Label(label), variant, true)
                          : f.AddChunk(c, type, id, Label(label), true),
                  0);
        ASSERT_EQ(f.ReleaseChunk(c), 0);
    };
    add(kTTAB, 128, "caf\xe9", 10, 0);
    add(kBHAV, 200, "", size_t(freeBody), 0);
    add(kSTR, 129, "names", 20, 0);
    if (std::is_same_v<Kind, CIffFileV2>) add(kTTAB, 130, "v", 5, 2);
    ASSERT_EQ(f.DeleteChunk(f.GetChunk(kBHAV, 200)), 0);
    ASSERT_EQ(f.Close(), 0);
}

template <class Kind> void Exercise(bool v2) {
    ScratchDir dir = ScratchDir::InMemory();
    const std::string p = dir / "f.iff";
    Make<Kind>(p, 2000);
    const auto before = ReadAll(p);

    Result r = RunCli("chunks '" + p + "' --json");
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\"caf\\u00e9\""), std::string::npos);
    json j = json::parse(r.out);
    ASSERT_EQ(j["chunks"].size(), v2 ? 3u : 2u);
    for (const json& c : j["chunks"]) {
        EXPECT_TRUE(c.contains("type") && c.contains("id") && c.contains("variant") &&
                    c.contains("label") && c.contains("size"));
        if (c["type"] == "STR#") {
            EXPECT_EQ(c["id"], 129);
            EXPECT_EQ(c["size"], 20);
            EXPECT_EQ(c["label"], "names");
        }
        if (c["id"] == 130) {
            EXPECT_EQ(c["variant"], 2);
        }
    }
    // Types come as the resource set lists them: each file's types from its last down.
    EXPECT_EQ(j["chunks"][0]["type"], v2 ? "STR#" : "TTAB") << r.out;

    r = RunCli("check '" + p + "'");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(ReadAll(p), before);

    r = RunCli("compact '" + p + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_LT(ReadAll(p).size(), before.size());
    r = RunCli("check '" + p + "'");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("0 free chunks"), std::string::npos) << r.out;
    r = RunCli("chunks '" + p + "' --json");
    EXPECT_EQ(json::parse(r.out)["chunks"].size(), v2 ? 3u : 2u);

    // A chain that runs past the end of the file is reported.
    auto bytes = ReadAll(p);
    iff::PutBE32(bytes.data() + 64 + 4, 0x00100000);
    WriteAll(p, bytes);
    r = RunCli("check '" + p + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("problem"), std::string::npos);
}

TEST(ContainerCli, Version1) {
    Exercise<CIffFileV1>(false);
}
TEST(ContainerCli, Version25) {
    Exercise<CIffFileV2>(true);
}

// An object split into NAME.iff and NAME.spf, given by name as ttab takes it: check and compact
// take both files and label each; a path with its extension takes that file only.
TEST(ContainerCli, CheckAndCompactOpenASplitObjectByName) {
    ScratchDir dir = ScratchDir::InMemory();
    Make<CIffFileV2>(dir / "obj.iff", 5000);
    Make<CIffFileV2>(dir / "obj.spf", 3000);
    Result r = RunCli("check '" + (dir / "obj") + "'");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find((dir / "obj.iff") + ": IFF 2.5"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find((dir / "obj.spf") + ": IFF 2.5"), std::string::npos) << r.out;
    r = RunCli("check '" + (dir / "obj.iff") + "'");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.find("obj.spf"), std::string::npos) << r.out;

    const size_t iff = ReadAll(dir / "obj.iff").size(), spf = ReadAll(dir / "obj.spf").size();
    r = RunCli("compact '" + (dir / "obj") + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find((dir / "obj.iff") + ": " + std::to_string(iff) + " bytes before"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find((dir / "obj.spf") + ": " + std::to_string(spf) + " bytes before"),
              std::string::npos)
        << r.out;
    EXPECT_LT(ReadAll(dir / "obj.iff").size(), iff);
    EXPECT_LT(ReadAll(dir / "obj.spf").size(), spf);
    r = RunCli("check '" + (dir / "obj") + "'");
    EXPECT_EQ(r.status, 0) << r.out;
}

TEST(ContainerCli, Failures) {
    ScratchDir dir = ScratchDir::InMemory();
    EXPECT_EQ(RunCli("chunks '" + (dir / "missing.iff") + "' --json").status, 1);
    EXPECT_EQ(RunCli("check '" + (dir / "missing.iff") + "'").status, 1);
    EXPECT_EQ(RunCli("compact '" + (dir / "missing.iff") + "'").status, 1);
    EXPECT_EQ(RunCli("chunks").status, 2);
    WriteAll(dir / "text.iff", std::vector<uint8_t>(100, 'x'));
    EXPECT_EQ(RunCli("chunks '" + (dir / "text.iff") + "'").status, 1);
    EXPECT_EQ(RunCli("check '" + (dir / "text.iff") + "'").status, 1);
}

} // namespace

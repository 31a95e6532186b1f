// The sample object's picture against golden images made by our own renderer, and the
// command line's preview.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "ByteWriter.h"
#include "ScratchDir.h"
#include "common/BoundedString.h"
#include "model/ObjectDefinitions.h"
#include "preview/ObjectPreview.h"
#include "preview/PngFile.h"
#include "preview/SpriteDecoder.h"
#include "resource/IffFileV2.h"
#include "resource/ResourceKinds.h"
#include "sample/Sample.h"

namespace {

namespace fs = std::filesystem;

std::string GoldenPath(const char* name) {
    const char* root = std::getenv("TAVIMET_SOURCE_DIR");
    return std::string(root ? root : ".") + "/tests/preview/data/" + name;
}

// Renders an object of the sample and compares it with data/NAME; with TAVIMET_UPDATE_GOLDEN
// set, rewrites the golden image instead.
void CheckGolden(CObjectDefinition& definition, int view, ColorRef background, int grid,
                 const char* name) {
    DibPtr picture = RenderObjectPreview(definition, view, background, grid);
    ASSERT_TRUE(picture);
    std::string error;
    if (std::getenv("TAVIMET_UPDATE_GOLDEN")) {
        ASSERT_TRUE(WritePng(*picture, GoldenPath(name), error)) << error;
        return;
    }
    RgbImage golden;
    ASSERT_TRUE(ReadPng(GoldenPath(name), golden, error)) << error;
    const RgbImage mine = ToRgbImage(*picture);
    ASSERT_EQ(mine.width, golden.width) << name;
    ASSERT_EQ(mine.height, golden.height) << name;
    int differing = 0;
    for (std::size_t i = 0; i < mine.rgb.size(); ++i)
        differing += mine.rgb[i] != golden.rgb[i];
    EXPECT_EQ(differing, 0) << name;
}

class SampleObject : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir / "sample.iff";
        std::string error;
        ASSERT_EQ(sample::WriteObjectFile(path, error), 0) << error;
        before = ReadWholeFile(path);
        auto file = std::make_unique<CObjectResourceFile>();
        file->SetReadOnlyOpen(true);
        ASSERT_EQ(file->Open(path.c_str()), 0);
        objects.SetResourceFile(std::move(file));
        objects.LoadDefinitions();
        ASSERT_FALSE(objects.Masters().empty());
    }
    ScratchDir dir{"tavimet-preview"};
    std::string path;
    std::string before;
    CObjectSet objects;
};

TEST_F(SampleObject, SofaAtViewNineMatchesGolden) {
    CObjectDefinition& sofa = *objects.Masters().front();
    ASSERT_EQ(sofa.Id(), sample::kSofaMasterId);
    ASSERT_EQ(sofa.Parts().size(), 2u);
    CheckGolden(sofa, 9, MakeColorRef(0xC0, 0xC0, 0xC0), 0, "sample_sofa_view9.png");
    // The measuring pass left each part's depth: the right tile is one step deeper.
    EXPECT_EQ(sofa.Parts()[0]->previewDepth, 0);
    EXPECT_EQ(sofa.Parts()[1]->previewDepth, 347);
}

TEST_F(SampleObject, LampAtViewNineWithGridMatchesGolden) {
    CObjectDefinition* lamp = objects.FindDefinition(sample::kLampId);
    ASSERT_TRUE(lamp);
    CheckGolden(*lamp, 9, MakeColorRef(0xC0, 0xC0, 0xC0), 1, "sample_lamp_view9_grid.png");
}

TEST_F(SampleObject, EveryViewDrawsAndTheFileIsUntouched) {
    CObjectDefinition& sofa = *objects.Masters().front();
    int previousWidth = 0;
    for (int view = 0; view < 12; ++view) {
        DibPtr picture = RenderObjectPreview(sofa, view, 0, 0);
        ASSERT_TRUE(picture) << view;
        EXPECT_GT(picture->Width(), 33) << view;
        if (view % 4 == 0) {
            EXPECT_GT(picture->Width(), previousWidth) << view; // zoom steps grow
            previousWidth = picture->Width();
        }
    }
    objects.CloseFile();
    EXPECT_EQ(ReadWholeFile(path), before);
}

#ifdef TAVIMET_CLI_PATH
int RunCli(const std::string& args, const fs::path& errFile) {
    const std::string cmd = std::string(TAVIMET_CLI_PATH) + " " + args + " 2>" + errFile.string();
    const int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

TEST_F(SampleObject, CliWritesTheSamePictureAsPng) {
    const fs::path out = dir.Path() / "sofa.png";
    ASSERT_EQ(RunCli("preview '" + path + "' -o '" + out.string() + "'", dir.Path() / "err"), 0);
    RgbImage cli, golden;
    std::string error;
    ASSERT_TRUE(ReadPng(out.string(), cli, error)) << error;
    ASSERT_TRUE(ReadPng(GoldenPath("sample_sofa_view9.png"), golden, error)) << error;
    EXPECT_EQ(cli.width, golden.width);
    EXPECT_TRUE(cli.rgb == golden.rgb);
    EXPECT_EQ(ReadWholeFile(path), before);

    EXPECT_EQ(RunCli("preview '" + path + "' -o '" + out.string() + "' --background 12345",
                     dir.Path() / "err"),
              2);
    EXPECT_EQ(
        RunCli("preview '" + path + "' -o '" + out.string() + "' --object 999", dir.Path() / "err"),
        1);
}

// An object file whose only sprite holds an unknown colour-only command.
void WriteBadTokenFile(const std::string& path) {
    CIffFileV2 file;
    ASSERT_EQ(file.Create(path.c_str()), 0);
    ASSERT_EQ(file.Open(path.c_str()), 0);
    auto add = [&](uint32_t type, int16_t id, const std::vector<uint8_t>& body) {
        CChunk* chunk = CChunk::Create(int32_t(body.size()));
        std::memcpy(chunk->Body(), body.data(), body.size());
        CFixedString<64> label("x");
        ASSERT_EQ(file.AddChunk(chunk, type, id, label, true), 0);
        ASSERT_EQ(file.ReleaseChunk(chunk), 0);
    };
    std::vector<uint8_t> objd(216, 0);
    objd[0] = 138;
    objd[6] = 100; // base graphic id
    objd[8] = 1;   // graphic count
    add(0x4F424A44, 128, objd);
    ByteWriter dgrp;
    dgrp.U16(20003).U32(1).U32(0).U32(0).U32(1);
    dgrp.U32(200).U32(0).U32(0).U32(0).F32(0).U32(0);
    add(kTypeDGRP, 100, dgrp.bytes);
    add(kTypeSPR, 200, SpriteBody(1, {SprFrame(2, 2, {4, 0, 0x0A, 1, 5, 0})}));
    ASSERT_EQ(file.Close(), 0);
}

TEST(PreviewCli, BadTokenExitsOneAndWritesNothing) {
    ScratchDir dir{"tavimet-preview"};
    const std::string path = dir / "bad.iff";
    WriteBadTokenFile(path);
    const fs::path out = dir.Path() / "bad.png";
    EXPECT_EQ(
        RunCli("preview '" + path + "' -o '" + out.string() + "' --view 0", dir.Path() / "err"), 1);
    EXPECT_FALSE(fs::exists(out));
    EXPECT_NE(ReadWholeFile(dir.Path() / "err").find("bad token"), std::string::npos);

    // The library gives no picture either way.
    auto file = std::make_unique<CObjectResourceFile>();
    file->SetReadOnlyOpen(true);
    ASSERT_EQ(file->Open(path.c_str()), 0);
    CObjectSet objects;
    objects.SetResourceFile(std::move(file));
    objects.LoadDefinitions();
    ASSERT_EQ(objects.Masters().size(), 1u);
    bool badToken = false;
    EXPECT_FALSE(RenderObjectPreviewNoThrow(*objects.Masters()[0], 0, 0, 0, &badToken));
    EXPECT_TRUE(badToken);
    EXPECT_THROW(RenderObjectPreview(*objects.Masters()[0], 0, 0, 0), CBadTokenError);
}
#endif

} // namespace

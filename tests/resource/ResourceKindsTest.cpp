#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "ScratchDir.h"
#include "resource/IffFileV1.h"
#include "resource/IffFileV2.h"
#include "resource/KindsTestUtil.h"
#include "resource/ResourceKinds.h"

using namespace kinds_test;
namespace fs = std::filesystem;

namespace {

// A set over files opened one by one, for building unusual member lists.
template <class FileKind>
std::unique_ptr<CResourceFile> OpenMember(const std::string& path, bool readOnly = false) {
    auto file = std::make_unique<FileKind>();
    const int32_t e = readOnly ? file->OpenReadOnly(path.c_str()) : file->Open(path.c_str());
    EXPECT_EQ(e, kResOk) << path;
    return file;
}

std::string LabelOf(CResourceFile& file, CChunk* chunk) {
    CFixedString<64> out;
    file.GetLabel(chunk, out);
    return out.Text();
}

} // namespace

TEST(ResolvePathForRow, ExtensionRules) {
    EXPECT_EQ(ResolvePathForRow("a/b/behavior", ".iff"), "a/b/behavior.iff");
    EXPECT_EQ(ResolvePathForRow("a\\b.x\\obj", ".spf"), "a\\b.x\\obj.spf");
    EXPECT_EQ(ResolvePathForRow("obj.IFF", ".iff"), "obj.IFF");
    EXPECT_EQ(ResolvePathForRow("obj.iff", ".spf"), std::nullopt);
    EXPECT_EQ(ResolvePathForRow("dir/", ".iff"), std::nullopt);
    EXPECT_EQ(ResolvePathForRow("obj", "iff"), std::nullopt);
    EXPECT_EQ(ResolvePathForRow("obj", "."), std::nullopt);
}

TEST(MultiFormatFile, RowsAreCheckedWhenAdded) {
    CMultiFormatFile file;
    EXPECT_EQ(file.Open("anything"), kResErrNoKindMatched); // no rows
    EXPECT_FALSE(file.AddRow(0, ".iff"));
    EXPECT_FALSE(file.AddRow(4, ".iff"));
    EXPECT_FALSE(file.AddRow(2, ".toolong"));
    for (int i = 0; i < CMultiFormatFile::kMaxRows; ++i)
        EXPECT_TRUE(file.AddRow(2, ".iff"));
    EXPECT_FALSE(file.AddRow(2, ".iff"));
}

TEST(SplitResourceFile, CreateMakesOnlyTheTwo25Files) {
    ScratchDir root;
    const std::string base = root.Str() + "/behavior";
    CSplitResourceFile split;
    ASSERT_EQ(split.Create(base.c_str()), kResOk);
    EXPECT_FALSE(split.IsOpen()); // Create does not open
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(root.Path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"behavior.iff", "behavior.spf"}));
    for (const char* ext : {".iff", ".spf"}) {
        CIffFileV2 v2;
        ASSERT_EQ(v2.Open((base + ext).c_str()), kResOk);
        EXPECT_EQ(v2.Version(), iff::kVersion25);
        CIffFileV1 v1;
        EXPECT_NE(v1.Open((base + ext).c_str()), kResOk);
    }
    EXPECT_EQ(split.Create(base.c_str()), kResErrFileExists);
    EXPECT_EQ(split.Create((root.Str() + "/").c_str()), kResErrNoKindMatched);
}

TEST(SplitResourceFile, OnlyIffFileGivesOneMember) {
    ScratchDir root;
    const std::string base = root.Str() + "/obj";
    ASSERT_EQ(MakeFile<CIffFileV2>(base + ".iff", {{kTTAB, 128, "tree", "T"}}), kResOk);
    CSplitResourceFile split;
    ASSERT_EQ(split.Open(base.c_str()), kResOk);
    ASSERT_EQ(split.MemberCount(), 1); // the 1.0 row rejects the 2.5 header
    EXPECT_EQ(Fetch(split, kTTAB, 128), "T");
    // With one file no filter is set: sprites go there too.
    CChunk* sprite = MakeBody("S");
    EXPECT_EQ(split.AddChunk(sprite, kSPR2, 1, CFixedString<64>(""), true), kResOk);
    EXPECT_EQ(split.ReleaseChunk(sprite), kResOk);
    CFixedString<260> name;
    EXPECT_EQ(split.GetFileName(name), kResOk);
    std::string expected = base; // as the file layer records it, without the extension
    for (char& c : expected)
        c = c == '/' ? '\\' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(name.Text(), expected);
    EXPECT_EQ(split.Close(), kResOk);
    EXPECT_EQ(split.MemberCount(), 0);

    // A path naming the extension tries only its rows; a wrong header is reported as such.
    ASSERT_EQ(MakeFile<CIffFileV1>(root.Str() + "/old.iff", {{kTTAB, 1, "", "x"}}), kResOk);
    CObjectResourceFile object;
    EXPECT_EQ(object.Open((root.Str() + "/old.iff").c_str()), kResErrBadHeader);
    EXPECT_EQ(object.Open((root.Str() + "/old.txt").c_str()), kResErrNoKindMatched);
    EXPECT_EQ(split.Open((root.Str() + "/OLD.IFF").c_str()), kResOk); // 1.0 row
}

TEST(SplitResourceFile, SpritesGoToSpfOtherChunksToIff) {
    ScratchDir root;
    const std::string base = root.Str() + "/obj";
    ASSERT_EQ(MakeFile<CIffFileV2>(base + ".iff", {{kPALT, 1, "iff palette", "I"}}), kResOk);
    ASSERT_EQ(MakeFile<CIffFileV2>(base + ".spf", {{kPALT, 1, "spf palette", "S"}}), kResOk);
    {
        CSplitResourceFile split;
        ASSERT_EQ(split.Open(base.c_str()), kResOk);
        ASSERT_EQ(split.MemberCount(), 2);
        // Lookups ask the members in order: the ".iff" copy wins.
        EXPECT_EQ(Fetch(split, kPALT, 1), "I");
        CChunk* sprite = MakeBody("sprite");
        ASSERT_EQ(split.AddChunk(sprite, kSPR2, 100, CFixedString<64>("walk"), true), kResOk);
        EXPECT_EQ(split.ReleaseChunk(sprite), kResOk);
        CChunk* tree = MakeBody("tree");
        ASSERT_EQ(split.AddChunk(tree, kTTAB, 128, CFixedString<64>("menu"), true), kResOk);
        EXPECT_EQ(split.ReleaseChunk(tree), kResOk);
    }
    CIffFileV2 iffFile, spfFile;
    ASSERT_EQ(iffFile.Open((base + ".iff").c_str()), kResOk);
    ASSERT_EQ(spfFile.Open((base + ".spf").c_str()), kResOk);
    EXPECT_EQ(Fetch(iffFile, kTTAB, 128), "tree");
    EXPECT_EQ(Fetch(spfFile, kSPR2, 100), "sprite");
    EXPECT_EQ(iffFile.CountChunks(kSPR2), 0);
    EXPECT_EQ(spfFile.CountChunks(kTTAB), 0);
}

TEST(SplitResourceFile, DeleteRemovesEveryFile) {
    ScratchDir root;
    const std::string base = root.Str() + "/obj";
    CSplitResourceFile split;
    ASSERT_EQ(split.Create(base.c_str()), kResOk);
    ASSERT_EQ(split.Open(base.c_str()), kResOk);
    EXPECT_EQ(split.Delete(base.c_str()), kResErrAlreadyOpen); // not under its own members
    EXPECT_EQ(split.Close(), kResOk);
    EXPECT_EQ(split.Delete(base.c_str()), kResOk);
    EXPECT_FALSE(fs::exists(base + ".iff"));
    EXPECT_FALSE(fs::exists(base + ".spf"));
    EXPECT_EQ(split.Delete(base.c_str()), kResErrNoSuchFile);
}

TEST(ObjectResourceFile, OpensADirectoryObject) {
    ScratchDir root;
    root.Write("chair.dir/#128#chair.obj", "definition");
    root.Write("chair.dir/#5#menu.tta", "tree");
    CObjectResourceFile object;
    ASSERT_EQ(object.Open((root.Str() + "/chair").c_str()), kResOk);
    ASSERT_EQ(object.MemberCount(), 1);
    EXPECT_FALSE(object.IsWritable());
    ASSERT_EQ(object.CountChunks(kOBJD), 1);
    CChunk* def = object.GetChunkAt(kOBJD, 1);
    EXPECT_EQ(Text(def), "definition");
    EXPECT_EQ(LabelOf(object, def), "chair");
    EXPECT_EQ(object.ReleaseChunk(def), kResOk);
    EXPECT_EQ(Fetch(object, kTTAB, 5), "tree");
    CChunk* add = MakeBody("x");
    EXPECT_EQ(object.AddChunk(add, kTTAB, 6, CFixedString<64>(""), true), kResErrNoWritableMember);
    CChunk::Free(add);
}

TEST(ResourceSet, ReadOnlyMemberRefusesReplacement) {
    ScratchDir root;
    root.Write("obj.dir/#5#menu.tta", "stored");
    ASSERT_EQ(MakeFile<CIffFileV2>(root.Str() + "/obj.iff", {}), kResOk);
    CObjectResourceFile object;
    ASSERT_EQ(object.Open((root.Str() + "/obj").c_str()), kResOk);
    ASSERT_EQ(object.MemberCount(), 2);
    CChunk* replacement = MakeBody("new");
    EXPECT_EQ(object.AddChunk(replacement, kTTAB, 5, CFixedString<64>("menu"), true),
              kResErrUnknownChunk);
    CChunk::Free(replacement);
    EXPECT_EQ(Fetch(object, kTTAB, 5), "stored");
    EXPECT_EQ(object.Member(0)->CountChunks(kTTAB), 0);

    // The same through a read-only IFF member.
    ASSERT_EQ(MakeFile<CIffFileV2>(root.Str() + "/ro.iff", {{kTTAB, 5, "", "old"}}), kResOk);
    ASSERT_EQ(MakeFile<CIffFileV2>(root.Str() + "/rw.iff", {}), kResOk);
    CResourceSet set;
    set.AddMember(OpenMember<CIffFileV2>(root.Str() + "/ro.iff", true));
    set.AddMember(OpenMember<CIffFileV2>(root.Str() + "/rw.iff"));
    CChunk* again = MakeBody("new");
    EXPECT_EQ(set.AddChunk(again, kTTAB, 5, CFixedString<64>(""), true), kResErrUnknownChunk);
    CChunk::Free(again);
    EXPECT_EQ(Fetch(set, kTTAB, 5), "old");
    EXPECT_EQ(set.Member(1)->CountChunks(kTTAB), 0);
}

TEST(ResourceSet, ReplacesExistingChunkWhereverItLives) {
    ScratchDir root;
    ASSERT_EQ(MakeFile<CIffFileV2>(root.Str() + "/a.iff", {{kOBJD, 1, "", "one"}}), kResOk);
    ASSERT_EQ(MakeFile<CIffFileV2>(root.Str() + "/b.iff", {{kOBJD, 2, "", "two"}}), kResOk);
    CResourceSet set;
    set.AddMember(OpenMember<CIffFileV2>(root.Str() + "/a.iff"));
    set.AddMember(OpenMember<CIffFileV2>(root.Str() + "/b.iff"));
    set.ExcludeType(0, kOBJD); // new OBJD chunks go to b

    CChunk* moved = MakeBody("one again");
    ASSERT_EQ(set.AddChunk(moved, kOBJD, 1, CFixedString<64>("x"), true), kResOk);
    EXPECT_EQ(set.ReleaseChunk(moved), kResOk);
    EXPECT_EQ(set.Member(0)->CountChunks(kOBJD), 0);
    EXPECT_EQ(set.Member(1)->CountChunks(kOBJD), 2);

    // Re-adding the handle that stands for the stored chunk keeps the caller's body.
    CChunk* fetched = set.GetChunk(kOBJD, 2);
    ASSERT_NE(fetched, nullptr);
    fetched->Body()[0] = 'T';
    ASSERT_EQ(set.AddChunk(fetched, kOBJD, 2, CFixedString<64>("y"), true), kResOk);
    EXPECT_EQ(set.ReleaseChunk(fetched), kResOk);
    EXPECT_EQ(Fetch(set, kOBJD, 2), "Two");
    EXPECT_EQ(set.Member(1)->CountChunks(kOBJD), 2);
}

TEST(ResourceSet, AddingAVariantKeepsVariantZero) {
    ScratchDir root;
    ASSERT_EQ(MakeFile<CIffFileV2>(root.Str() + "/a.iff", {{kSTR, 7, "", "base"}}), kResOk);
    CResourceSet set;
    set.AddMember(OpenMember<CIffFileV2>(root.Str() + "/a.iff"));
    CChunk* v3 = MakeBody("variant");
    ASSERT_EQ(set.AddChunkVariant(v3, kSTR, 7, CFixedString<64>(""), 3, true), kResOk);
    EXPECT_EQ(set.ReleaseChunk(v3), kResOk);
    EXPECT_EQ(Fetch(set, kSTR, 7), "base");
    CChunk* got = set.GetChunkVariant(kSTR, 7, 3);
    EXPECT_EQ(Text(got), "variant");
    EXPECT_EQ(set.ReleaseChunk(got), kResOk);
}

TEST(ResourceSet, FiltersGiveMinus92AndMinus94) {
    ScratchDir root;
    ASSERT_EQ(MakeFile<CIffFileV2>(root.Str() + "/a.iff", {}), kResOk);
    ASSERT_EQ(MakeFile<CIffFileV2>(root.Str() + "/b.iff", {}), kResOk);
    CResourceSet set;
    set.AddMember(OpenMember<CIffFileV2>(root.Str() + "/a.iff"));
    set.AddMember(OpenMember<CIffFileV2>(root.Str() + "/b.iff", true));
    set.IncludeType(0, kSPR2);
    set.ExcludeType(0, kTTAB); // ignored: the list is in include mode
    EXPECT_TRUE(set.MemberTakes(0, kSPR2));
    EXPECT_FALSE(set.MemberTakes(0, kTTAB));
    set.ExcludeType(1, kTTAB);
    CChunk* chunk = MakeBody("x");
    // a does not take TTAB, b does not either.
    EXPECT_EQ(set.AddChunk(chunk, kTTAB, 1, CFixedString<64>(""), true), kResErrNoMemberTakes);
    // b takes OBJD but is read-only; a does not take it.
    EXPECT_EQ(set.AddChunk(chunk, kOBJD, 1, CFixedString<64>(""), true), kResErrNoWritableMember);
    CChunk::Free(chunk);
    EXPECT_FALSE(set.AddMember(nullptr));
}

TEST(ResourceSet, LabelledChunkLosesItsLabelInA10Member) {
    ScratchDir root;
    ASSERT_EQ(MakeFile<CIffFileV1>(root.Str() + "/old.iff", {}), kResOk);
    CSplitResourceFile split;
    ASSERT_EQ(split.Open((root.Str() + "/old").c_str()), kResOk);
    CChunk* chunk = MakeBody("t");
    ASSERT_EQ(split.AddChunk(chunk, kTTAB, 3, CFixedString<64>("named"), true), kResOk);
    EXPECT_EQ(LabelOf(split, chunk), "");
    EXPECT_EQ(split.ReleaseChunk(chunk), kResOk);
}

TEST(ResourceSet, MakeLabelUniqueAcrossMembers) {
    ScratchDir root;
    ASSERT_EQ(
        MakeFile<CIffFileV2>(root.Str() + "/a.iff", {{kTTAB, 1, "x", ""}, {kTTAB, 2, "x00", ""}}),
        kResOk);
    ASSERT_EQ(MakeFile<CIffFileV2>(root.Str() + "/b.iff",
                                   {{kTTAB, 1, "x0", ""}, {kTTAB, 2, "anonymous 0", ""}}),
              kResOk);
    CResourceSet set;
    set.AddMember(OpenMember<CIffFileV2>(root.Str() + "/a.iff"));
    CFixedString<64> label;
    EXPECT_EQ(set.MakeLabelUnique(kTTAB, label), kResOk);
    EXPECT_STREQ(label.Text(), "anonymous 0");
    set.AddMember(OpenMember<CIffFileV2>(root.Str() + "/b.iff"));
    label.Clear();
    EXPECT_EQ(set.MakeLabelUnique(kTTAB, label), kResOk);
    EXPECT_STREQ(label.Text(), "anonymous 00");
    // a turns x into x0, b into x00, which a holds: unique in both only as x000.
    label.Assign("x");
    EXPECT_EQ(set.MakeLabelUnique(kTTAB, label), kResOk);
    EXPECT_STREQ(label.Text(), "x000");
}

TEST(ResourceSet, IndexesAndTypesRunThroughTheMembers) {
    ScratchDir root;
    ASSERT_EQ(
        MakeFile<CIffFileV2>(root.Str() + "/a.iff",
                             {{kOBJD, 1, "a1", "A1"}, {kOBJD, 2, "a2", "A2"}, {kTTAB, 1, "", "t"}}),
        kResOk);
    ASSERT_EQ(
        MakeFile<CIffFileV2>(root.Str() + "/b.iff", {{kPALT, 1, "", "p"}, {kOBJD, 3, "b1", "B1"}}),
        kResOk);
    CResourceSet set;
    set.AddMember(OpenMember<CIffFileV2>(root.Str() + "/a.iff"));
    set.AddMember(OpenMember<CIffFileV2>(root.Str() + "/b.iff"));
    EXPECT_EQ(set.CountChunks(kOBJD), 3);
    CChunk* third = set.GetChunkAt(kOBJD, 3);
    EXPECT_EQ(Text(third), "B1");
    EXPECT_EQ(LabelOf(set, third), "b1");
    int16_t id = 0;
    EXPECT_EQ(set.GetId(third, id), kResOk);
    EXPECT_EQ(id, 3);
    EXPECT_EQ(set.GetType(third), kOBJD);
    EXPECT_EQ(set.ReleaseChunk(third), kResOk);
    EXPECT_EQ(set.GetChunkAt(kOBJD, 4), nullptr);
    EXPECT_EQ(set.LastError(), kResErrNoChunk);

    // Each member's types from its last down to its first, members in order.
    ASSERT_EQ(set.CountTypes(), 3);
    EXPECT_EQ(set.GetTypeAt(1), kTTAB);
    EXPECT_EQ(set.GetTypeAt(2), kOBJD);
    EXPECT_EQ(set.GetTypeAt(3), kPALT);
    EXPECT_EQ(set.GetTypeAt(4), 0u);
    EXPECT_EQ(set.LastError(), kResOk);

    // Handles nobody holds.
    CChunk* stranger = MakeBody("s");
    CFixedString<64> label;
    EXPECT_EQ(set.GetLabel(stranger, label), kResErrUnknownChunk);
    EXPECT_EQ(set.Release(stranger), kResErrUnknownChunk);
    EXPECT_EQ(set.WriteChunk(stranger), kResErrUnknownChunk);
    EXPECT_EQ(set.DeleteChunk(stranger), kResErrUnknownChunk);
    EXPECT_EQ(set.Reserved27(stranger), kResErrUnsupported);
    CChunk::Free(stranger);

    EXPECT_EQ(set.NextFreeId(kOBJD), 129);
    EXPECT_TRUE(set.IsOpen());
    EXPECT_EQ(set.Close(), kResOk);
    EXPECT_FALSE(set.IsOpen());
    EXPECT_EQ(set.MemberCount(), 2); // a plain set keeps its members
}

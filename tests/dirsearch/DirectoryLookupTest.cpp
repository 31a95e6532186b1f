#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "ScratchDir.h"
#include "dirsearch/DirectoryLookup.h"

namespace {

constexpr uint32_t kTTAB = 0x54544142; // "TTAB"
constexpr uint32_t kTTAs = 0x54544173; // "TTAs"
constexpr uint32_t kSPR2 = 0x53505232; // "SPR2"
constexpr uint32_t kOBJD = 0x4F424A44; // "OBJD"

std::vector<std::string> Texts(const DirectoryList& dirs) {
    std::vector<std::string> out;
    for (const CTGString& d : dirs)
        out.emplace_back(d.Text());
    return out;
}

std::string Body(const DirectoryChunk& chunk) {
    std::string bytes(static_cast<std::size_t>(chunk.size), '\0');
    if (!chunk.file || !chunk.file->ReadAll(bytes.data())) return "<unreadable>";
    return bytes;
}

using Strings = std::vector<std::string>;

} // namespace

TEST(ParseDirectoryList, TwoRelativeEntriesWithSlashAndBlanks) {
    EXPECT_EQ(Texts(ParseDirectoryList("objects/new;  more")),
              (Strings{".\\objects\\new\\", ".\\more\\"}));
    EXPECT_EQ(Texts(ParseDirectoryList(".\\a;.;b\\")), (Strings{".\\a\\", ".\\", ".\\b\\"}));
}

TEST(ParseDirectoryList, AbsoluteNetworkAndRootedEntriesGetNoPrefix) {
    EXPECT_EQ(Texts(ParseDirectoryList("C:\\Game\\Data")), (Strings{"C:\\Game\\Data\\"}));
    EXPECT_EQ(Texts(ParseDirectoryList("d:/x/")), (Strings{"d:\\x\\"}));
    EXPECT_EQ(Texts(ParseDirectoryList("\\\\server\\share")), (Strings{"\\\\server\\share\\"}));
    EXPECT_EQ(Texts(ParseDirectoryList("/tmp/res.dir")), (Strings{"\\tmp\\res.dir\\"}));
    // "C:" alone is not absolute.
    EXPECT_EQ(Texts(ParseDirectoryList("C:")), (Strings{".\\C:\\"}));
}

TEST(ParseDirectoryList, LeadingSemicolonEmptyTextAndLongEntries) {
    EXPECT_EQ(Texts(ParseDirectoryList(";a")), (Strings{"", ".\\a\\"}));
    EXPECT_EQ(Texts(ParseDirectoryList("a;")), (Strings{".\\a\\"}));
    EXPECT_TRUE(ParseDirectoryList("").empty());
    EXPECT_FALSE(CheckDirectories(ParseDirectoryList("")));
    const std::string longEntry(300, 'x');
    const auto dirs = Texts(ParseDirectoryList((longEntry + ";y").c_str()));
    ASSERT_EQ(dirs.size(), 2u);
    EXPECT_EQ(dirs[0], ".\\" + std::string(255, 'x') + "\\");
    EXPECT_EQ(dirs[1], ".\\y\\");
}

TEST(TypeCodes, LeftAlignmentAndExtensions) {
    EXPECT_EQ(LeftAlignType(0x41), 0x41000000u);
    EXPECT_EQ(LeftAlignType(0x5454), 0x54540000u);
    EXPECT_EQ(LeftAlignType(0x545441), 0x54544100u);
    EXPECT_EQ(LeftAlignType(kTTAB), kTTAB);
    EXPECT_STREQ(ChunkFileExtension(kTTAB).Text(), ".TTA");
    EXPECT_STREQ(ChunkFileExtension(kTTAs).Text(), ".TTA");
    EXPECT_STREQ(ChunkFileExtension(0x5454).Text(), ".TT");
    EXPECT_STREQ(ChunkFileExtension(kAnyChunkType).Text(), ".*");
}

TEST(CheckDirectories, EveryDirectoryMustExist) {
    ScratchDir root;
    root.MakeDir("a/b");
    root.MakeDir("c");
    ScopedCwd cwd(root.Path());
    EXPECT_TRUE(CheckDirectories(ParseDirectoryList("a/b;  c")));
    EXPECT_TRUE(CheckDirectories(ParseDirectoryList("A\\B"))); // any case
    EXPECT_FALSE(CheckDirectories(ParseDirectoryList("a/b;missing")));
    EXPECT_TRUE(CheckDirectories(ParseDirectoryList((root.Str() + "/c").c_str())));
}

TEST(FindChunk, TypesSharingThreeLettersShareOneFile) {
    ScratchDir root;
    root.Write("res/#7#Menu.tta", "names");
    const DirectoryList dirs = ParseDirectoryList((root.Str() + "/res").c_str());

    for (uint32_t type : {kTTAB, kTTAs}) {
        DirectoryChunk byId;
        ASSERT_EQ(FindChunkById(dirs, type, 7, byId), kDirFound);
        EXPECT_EQ(Body(byId), "names");
        EXPECT_EQ(byId.size, 5);
        EXPECT_STREQ(byId.label.Text(), "Menu");
        EXPECT_EQ(byId.type, type);
        EXPECT_EQ(byId.id, 7);

        DirectoryChunk byLabel, byLabelAndId;
        ASSERT_EQ(FindChunkByLabel(dirs, type, "menu", kNoChunkId, byLabel), kDirFound);
        EXPECT_EQ(byLabel.id, 7); // read back from the name
        EXPECT_STREQ(byLabel.label.Text(), "menu");
        ASSERT_EQ(FindChunkByLabel(dirs, type, "Menu", 7, byLabelAndId), kDirFound);
        EXPECT_EQ(Body(byLabelAndId), "names");
    }
    DirectoryChunk none;
    EXPECT_EQ(FindChunkById(dirs, kTTAB, 8, none), kDirNotFound);
    EXPECT_EQ(FindChunkById(dirs, kSPR2, 7, none), kDirNotFound);
    EXPECT_EQ(FindChunkByLabel(dirs, kTTAB, "Men", kNoChunkId, none), kDirNotFound);
    EXPECT_FALSE(none.file);
    // Left-aligned three-letter type and the wildcard type find it too.
    DirectoryChunk shortType, any;
    EXPECT_EQ(FindChunkById(dirs, 0x545441, 7, shortType), kDirFound);
    EXPECT_EQ(FindChunkById(dirs, kAnyChunkType, 7, any), kDirFound);
    EXPECT_EQ(Body(any), "names");
}

TEST(FindChunk, DirectoriesAreSearchedInOrder) {
    ScratchDir root;
    root.Write("one/#1#a.obj", "first");
    root.Write("two/#1#a.obj", "second");
    root.Write("two/#2#b.obj", "only two");
    root.Write("two/plain.obj", "no id");
    ScopedCwd cwd(root.Path());
    const DirectoryList dirs = ParseDirectoryList("one;two");
    DirectoryChunk c1, c2, c3;
    ASSERT_EQ(FindChunkById(dirs, kOBJD, 1, c1), kDirFound);
    EXPECT_EQ(Body(c1), "first");
    ASSERT_EQ(FindChunkByLabel(dirs, kOBJD, "B", kNoChunkId, c2), kDirFound);
    EXPECT_EQ(Body(c2), "only two");
    EXPECT_EQ(c2.id, 2);
    // A file without an id is found by its label alone and carries no id.
    ASSERT_EQ(FindChunkByLabel(dirs, kOBJD, "plain", kNoChunkId, c3), kDirFound);
    EXPECT_EQ(Body(c3), "no id");
    EXPECT_EQ(c3.id, kNoChunkId);
}

TEST(FindChunk, FirstMatchInNameOrder) {
    ScratchDir root;
    root.Write("#7#beta.tta", "b");
    root.Write("#7#Alpha.tta", "a");
    const DirectoryList dirs = ParseDirectoryList(root.Str().c_str());
    DirectoryChunk c;
    ASSERT_EQ(FindChunkById(dirs, kTTAB, 7, c), kDirFound);
    EXPECT_STREQ(c.label.Text(), "Alpha");
}

TEST(FindChunk, OpenFailureEndsTheLookup) {
    ScratchDir root;
    root.MakeDir("one/#3#x.obj"); // matches the pattern but cannot be opened as a file
    root.Write("two/#3#x.obj", "later");
    const DirectoryList dirs =
        ParseDirectoryList((root.Str() + "/one;" + root.Str() + "/two").c_str());
    DirectoryChunk c;
    EXPECT_EQ(FindChunkById(dirs, kOBJD, 3, c), kDirNotFound);
    EXPECT_FALSE(c.file);
}

TEST(FindChunk, LabelsAreMatchedLiterally) {
    ScratchDir root;
    root.Write("r/#1#abc.str", "x");
    root.Write("r/#2#x#y.str", "hash");
    const DirectoryList dirs = ParseDirectoryList((root.Str() + "/r").c_str());
    DirectoryChunk c;
    EXPECT_EQ(FindChunkByLabel(dirs, 0x53545223, "*", kNoChunkId, c), kDirNotFound);
    EXPECT_EQ(FindChunkByLabel(dirs, 0x53545223, "a?c", kNoChunkId, c), kDirNotFound);
    EXPECT_EQ(FindChunkByLabel(dirs, 0x53545223, "../r/#1#abc", kNoChunkId, c), kDirNotFound);
    EXPECT_EQ(FindChunkByLabel(dirs, 0x53545223, "y", kNoChunkId, c), kDirNotFound);
    ASSERT_EQ(FindChunkByLabel(dirs, 0x53545223, "x#y", kNoChunkId, c), kDirFound);
    EXPECT_EQ(c.id, 2);
}

TEST(ChunkFile, ShortReadIsReported) {
    ScratchDir root;
    const std::string path = root.Write("#1#a.obj", "0123456789");
    std::unique_ptr<CChunkFile> file;
    ASSERT_EQ(OpenChunkFile(path.c_str(), file), kDirFound);
    ASSERT_EQ(file->Size(), 10);
    std::error_code ec;
    std::filesystem::resize_file(path, 4, ec);
    std::string buf(10, '\0');
#ifdef _WIN32
    // The reader's share mode keeps every writer out: the file cannot shrink under it.
    EXPECT_TRUE(ec);
    EXPECT_TRUE(file->ReadAll(buf.data()));
    EXPECT_EQ(buf, "0123456789");
#else
    ASSERT_FALSE(ec);
    EXPECT_FALSE(file->ReadAll(buf.data()));
#endif
    EXPECT_EQ(OpenChunkFile((root.Str() + "/missing.obj").c_str(), file), kDirNotFound);
    EXPECT_FALSE(file);
}

TEST(ListChunks, FilesOfTheTypeFirstDirectoryWinning) {
    ScratchDir root;
    root.Write("one/#129#Second.tta", "a");
    root.Write("one/#5#First.TTA", "b");
    root.Write("two/#129#second.tta", "dup");
    root.Write("two/#130#third.tta", "c");
    root.Write("two/#131#other.spr", "d");
    root.MakeDir("two/#132#dir.tta");
    const DirectoryList dirs =
        ParseDirectoryList((root.Str() + "/one;" + root.Str() + "/two").c_str());
    std::vector<DirectoryItem> items;
    ASSERT_EQ(ListChunksOfType(dirs, kTTAs, items), kDirFound);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].id, 5);
    EXPECT_STREQ(items[0].label.Text(), "First");
    EXPECT_EQ(items[1].id, 129);
    EXPECT_EQ(items[2].id, 130);
    DirectoryChunk c;
    ASSERT_EQ(OpenDirectoryItem(items[1], c), kDirFound);
    EXPECT_EQ(Body(c), "a");
    EXPECT_EQ(c.type, kTTAs);

    ASSERT_EQ(ListChunksOfType(dirs, kAnyChunkType, items), kDirFound);
    EXPECT_EQ(items.size(), 4u);
}

TEST(ListChunkTypes, DistinctShortExtensions) {
    ScratchDir root;
    root.Write("#1#a.tta");
    root.Write("#2#b.tta");
    root.Write("#3#c.ab");
    root.Write("readme.text"); // four letters: not a type
    root.Write("noext");
    root.MakeDir("sub.dgr");
    auto types = ListChunkTypes(ParseDirectoryList(root.Str().c_str()));
    std::sort(types.begin(), types.end());
    EXPECT_EQ(types, (std::vector<uint32_t>{0x61620000u, 0x74746100u}));
}

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "ScratchDir.h"
#include "platform/FileSearch.h"

namespace {

std::set<std::string> FindAll(const std::string& pattern, bool filesOnly = true) {
    std::set<std::string> names;
    FindFileData d;
    CFindHandle h = FindFirstFile(pattern, d);
    if (!h) return names;
    do {
        if (!filesOnly || !d.isDirectory) names.insert(d.fileName);
    } while (FindNextFile(h, d));
    return names;
}

} // namespace

TEST(WildcardMatch, StarDotStarMatchesEveryName) {
    for (const char* n : {"a", "a.b", "#7#x.tta", ".hidden", "no_ext", "a.b.c"})
        EXPECT_TRUE(WildcardMatch("*.*", n)) << n;
}

TEST(WildcardMatch, QuestionMarkAndStar) {
    EXPECT_TRUE(WildcardMatch("a?c", "abc"));
    EXPECT_FALSE(WildcardMatch("a?c", "ac"));
    EXPECT_FALSE(WildcardMatch("a?c", "abbc"));
    EXPECT_TRUE(WildcardMatch("???.txt", "ab.txt")); // '?' takes nothing before a dot
    EXPECT_TRUE(WildcardMatch("#*#label.tta", "#12#label.tta"));
    EXPECT_FALSE(WildcardMatch("#*#label.tta", "#12#label2.tta"));
    EXPECT_TRUE(WildcardMatch("#7#*.tta", "#7#.tta"));
    EXPECT_TRUE(WildcardMatch("#7#*.tta", "#7#a.b.tta"));
    EXPECT_FALSE(WildcardMatch("#7#*.tta", "#70#a.tta"));
}

TEST(WildcardMatch, IgnoresCaseAndDotStarTakesNamesWithoutExtension) {
    EXPECT_TRUE(WildcardMatch("#7#*.TTA", "#7#Menu.tta"));
    EXPECT_TRUE(WildcardMatch("readme.*", "README"));
    EXPECT_TRUE(WildcardMatch("readme.*", "readme.md"));
    EXPECT_TRUE(WildcardMatch("*.", "noext"));
    EXPECT_FALSE(WildcardMatch("*.", "has.ext"));
    EXPECT_FALSE(WildcardMatch("", "a"));
}

TEST(FileSearch, EnumeratesDirectoryWithBackslashesAndAnyCase) {
    ScratchDir dir;
    dir.Write("Sub/#1#One.tta", "1");
    dir.Write("Sub/#2#two.SPR", "22");
    dir.Write("Sub/other.txt");
    dir.MakeDir("Sub/nested.tta");
    std::string base = dir.Str();
    std::replace(base.begin(), base.end(), '/', '\\');

    EXPECT_EQ(FindAll(base + "\\sub\\*.tta"), (std::set<std::string>{"#1#One.tta"}));
    EXPECT_EQ(FindAll(base + "\\SUB\\#*#*.spr"), (std::set<std::string>{"#2#two.SPR"}));
    EXPECT_EQ(FindAll(dir.Str() + "/Sub/*.*"),
              (std::set<std::string>{"#1#One.tta", "#2#two.SPR", "other.txt"}));
    // Directories are reported too, flagged as such, like "." and "..".
    const auto all = FindAll(dir.Str() + "/Sub/*.*", false);
    EXPECT_TRUE(all.count("nested.tta") && all.count(".") && all.count(".."));

    FindFileData d;
    CFindHandle h = FindFirstFile(dir.Str() + "/Sub/#2#*.spr", d);
    ASSERT_TRUE(h);
    EXPECT_EQ(d.size, 2u);
    EXPECT_FALSE(d.isDirectory);
    EXPECT_FALSE(FindNextFile(h, d));
    EXPECT_FALSE(FindNextFile(h, d)); // stays at its end
    FindClose(h);
    EXPECT_FALSE(h);
    EXPECT_FALSE(FindNextFile(h, d));
}

TEST(FileSearch, MatchesComeInNameOrderIgnoringCase) {
    ScratchDir dir;
    for (const char* n : {"b.x", "A.x", "_u.x", "#9#z.x", "#10#y.x", "a.x"})
        dir.Write(n);
    std::vector<std::string> order;
    FindFileData d;
    CFindHandle h = FindFirstFile(dir.Str() + "/*.x", d);
    ASSERT_TRUE(h);
    do {
        order.push_back(d.fileName);
    } while (FindNextFile(h, d));
#ifdef _WIN32 // "a.x" is "A.x" again in a Windows folder
    EXPECT_EQ(order, (std::vector<std::string>{"#10#y.x", "#9#z.x", "A.x", "b.x", "_u.x"}));
#else
    EXPECT_EQ(order, (std::vector<std::string>{"#10#y.x", "#9#z.x", "A.x", "a.x", "b.x", "_u.x"}));
#endif
}

TEST(FileSearch, NothingFoundGivesInvalidHandle) {
    ScratchDir dir;
    FindFileData d;
    EXPECT_FALSE(FindFirstFile(dir.Str() + "/missing/*.*", d));
    EXPECT_FALSE(FindFirstFile(dir.Str() + "/*.tta", d));
    EXPECT_FALSE(FindFirstFile(dir.Str() + "/", d));
    // An empty existing directory still lists "." and "..", so "*.*" finds something.
    EXPECT_TRUE(FindFirstFile(dir.Str() + "/*.*", d));
}

TEST(FileSearch, RelativePatternSearchesWorkingDirectory) {
    ScratchDir dir;
    dir.Write("a.iff");
    ScopedCwd cwd(dir.Path());
    EXPECT_EQ(FindAll("*.IFF"), (std::set<std::string>{"a.iff"}));
    EXPECT_EQ(FindAll(".\\*.iff"), (std::set<std::string>{"a.iff"}));
}

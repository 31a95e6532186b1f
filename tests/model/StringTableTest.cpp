#include <gtest/gtest.h>

#include "model/ModelFiles.h"
#include "model/StringTable.h"
#include "resource/ResourceSet.h"

using namespace modeltest;

namespace {

constexpr int kUS = 0, kFrench = 2, kGerman = 3;

struct LanguageGuard {
    int32_t saved = GetCurrentLanguage();
    ~LanguageGuard() { SetCurrentLanguage(saved); }
};

class StringTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir / "strings.iff";
        file = NewFile(path);
        ASSERT_TRUE(file);
    }
    // A table of (type, id) loaded in a slot.
    int32_t Load(CStringTable& t, uint32_t type, int16_t id, int slot, bool all, bool fill = true) {
        t.Configure(file.get(), type, id, type == kCaret, slot);
        return t.Load(all, fill);
    }
    std::vector<LangItem> Stored(uint32_t type, int16_t id) {
        Bytes b = Get(*file, type, id);
        std::vector<LangItem> out;
        EXPECT_GE(b.size(), 4u);
        EXPECT_EQ(b[0], 0xFD);
        EXPECT_EQ(b[1], 0xFF);
        size_t at = 4;
        auto z = [&](std::string& s) {
            while (at < b.size() && b[at])
                s.push_back(char(b[at++]));
            ++at;
        };
        const int count = b[2] | (b[3] << 8);
        for (int i = 0; i < count && at < b.size(); ++i) {
            LangItem item;
            item.code = b[at++];
            z(item.text);
            z(item.comment);
            out.push_back(item);
        }
        EXPECT_EQ(at, b.size());
        return out;
    }

    ScratchDir dir;
    std::string path;
    std::unique_ptr<CIffFileV2> file;
    LanguageGuard language;
};

} // namespace

TEST_F(StringTableTest, FrenchFilledFromEnglishIsSavedAsAFrenchSet) {
    ASSERT_EQ(Put(*file, kTTAs, 128, MultiLanguage({{1, "Sit", "c1"}, {1, "Eat", "c2"}}), "names"),
              0);
    CStringTable t;
    ASSERT_EQ(Load(t, kTTAs, 128, kFrench, false), 0);
    EXPECT_STREQ(t.Label(), "names");
    ASSERT_EQ(t.Count(kFrench), 2);
    EXPECT_EQ(t.Count(kUS), 0);
    EXPECT_STREQ(t.GetText(2), "Eat");
    EXPECT_STREQ(t.GetComment(2), "c2");
    EXPECT_EQ(t.Item(1)->sourceLanguage, kFrench);

    ASSERT_EQ(t.Save(), 0);
    const std::vector<LangItem> expected = {
        {1, "Sit", "c1"}, {1, "Eat", "c2"}, {3, "Sit", "c1"}, {3, "Eat", "c2"}};
    EXPECT_EQ(Stored(kTTAs, 128), expected);
    EXPECT_EQ(LabelOf(*file, kTTAs, 128), "names");
}

TEST_F(StringTableTest, AllLanguagesCopiesEnglishAndSavesOnlyEnglish) {
    const Bytes body = MultiLanguage({{1, "Sit", "c1"}, {1, "Eat", ""}});
    ASSERT_EQ(Put(*file, kTTAs, 128, body), 0);
    CStringTable t;
    ASSERT_EQ(Load(t, kTTAs, 128, kUS, true), 0);
    for (int slot = 1; slot < kLanguageCount; ++slot) {
        ASSERT_EQ(t.Count(slot), 2);
        EXPECT_STREQ(t.GetText(1, slot), "Sit");
        EXPECT_EQ(t.GetComment(1, slot), nullptr);
        EXPECT_EQ(t.Item(1, slot)->sourceLanguage, 0);
    }
    ASSERT_EQ(t.Save(), 0);
    EXPECT_EQ(Get(*file, kTTAs, 128), body);
}

TEST_F(StringTableTest, AllLanguagesInFrenchFillsFrenchWithComments) {
    ASSERT_EQ(Put(*file, kTTAs, 128, MultiLanguage({{1, "Sit", "c1"}})), 0);
    CStringTable t;
    ASSERT_EQ(Load(t, kTTAs, 128, kFrench, true), 0);
    EXPECT_STREQ(t.GetComment(1, kFrench), "c1");
    EXPECT_EQ(t.Item(1, kFrench)->sourceLanguage, kFrench);
    EXPECT_EQ(t.GetComment(1, kGerman), nullptr);
    EXPECT_EQ(t.Item(1, kGerman)->sourceLanguage, 0);
}

// Without the copies every language of its own reads as Load gives it, and the others are empty.
TEST_F(StringTableTest, AllLanguagesUncopiedLeavesOnlyTheCopiesOut) {
    ASSERT_EQ(Put(*file, kTTAs, 128,
                  MultiLanguage({{1, "Sit", "c1"}, {1, "Eat", ""}, {3, "Assis", "f"}})),
              0);
    CStringTable copied, uncopied;
    ASSERT_EQ(Load(copied, kTTAs, 128, kFrench, true), 0);
    uncopied.Configure(file.get(), kTTAs, 128, false, kFrench);
    ASSERT_EQ(uncopied.LoadAllLanguagesUncopied(true), 0);
    for (int slot = 0; slot < kLanguageCount; ++slot) {
        if (slot != 0 && slot != kFrench) {
            EXPECT_EQ(uncopied.Count(slot), 0) << slot;
            continue;
        }
        ASSERT_EQ(uncopied.Count(slot), copied.Count(slot)) << slot;
        for (int p = 1; p <= copied.Count(slot); ++p) {
            EXPECT_STREQ(uncopied.GetText(p, slot), copied.GetText(p, slot));
            EXPECT_STREQ(uncopied.GetComment(p, slot), copied.GetComment(p, slot));
        }
    }
}

TEST_F(StringTableTest, SecondRunOfALanguageStartsAgainAtOne) {
    ASSERT_EQ(Put(*file, kTTAs, 5,
                  MultiLanguage({{3, "A", ""}, {3, "B", ""}, {4, "G", ""}, {3, "C", "cc"}})),
              0);
    CStringTable t;
    ASSERT_EQ(Load(t, kTTAs, 5, kFrench, false), 0);
    ASSERT_EQ(t.Count(), 3);
    EXPECT_STREQ(t.GetText(1), "C");
    EXPECT_STREQ(t.GetComment(1), "cc");
    EXPECT_STREQ(t.GetText(2), "A");
    EXPECT_STREQ(t.GetText(3), "B");
    EXPECT_EQ(t.Count(kGerman), 0);
}

TEST_F(StringTableTest, CountedFormatsStoreInWorkingLanguageAndEnglish) {
    Writer plain;
    plain.W(-1).W(2).Z("one").Z("two");
    Writer commented;
    commented.W(-2).W(2).Z("one").Z("n1").Z("two").Z("n2");
    Writer prefixed;
    prefixed.W(2).B(6).Raw("it\xD5s t").B(4).Raw("f\xA1o!");
    ASSERT_EQ(Put(*file, kSTR, 1, plain.b), 0);
    ASSERT_EQ(Put(*file, kSTR, 2, commented.b), 0);
    ASSERT_EQ(Put(*file, kSTR, 3, prefixed.b), 0);

    CStringTable t;
    ASSERT_EQ(Load(t, kSTR, 1, kGerman, false), 0);
    for (int slot : {kGerman, kUS}) {
        ASSERT_EQ(t.Count(slot), 2);
        EXPECT_STREQ(t.GetText(1, slot), "one");
        EXPECT_STREQ(t.GetText(2, slot), "two");
        EXPECT_EQ(t.Item(2, slot)->sourceLanguage, slot);
    }
    ASSERT_EQ(Load(t, kSTR, 2, kUS, false), 0);
    EXPECT_STREQ(t.GetComment(2), "n2");
    ASSERT_EQ(Load(t, kSTR, 3, kUS, false), 0);
    EXPECT_STREQ(t.GetText(1), "it's t");
    EXPECT_STREQ(t.GetText(2), "foo!");
}

TEST_F(StringTableTest, BigEndianBodiesHaveOnlyTheirLeadingWordsSwapped) {
    Writer plain; // FF FF, then the count big-endian
    plain.B(0xFF).B(0xFF).B(0).B(2).Z("a").Z("b");
    Writer prefixed;
    prefixed.B(0).B(1).B(2).Raw("hi");
    ASSERT_EQ(Put(*file, kSTR, 1, plain.b, "", false), 0);
    ASSERT_EQ(Put(*file, kSTR, 2, prefixed.b, "", false), 0);
    CStringTable t;
    ASSERT_EQ(Load(t, kSTR, 1, kUS, false), 0);
    EXPECT_EQ(t.Count(), 2);
    EXPECT_STREQ(t.GetText(2), "b");
    ASSERT_EQ(Load(t, kSTR, 2, kUS, false), 0);
    EXPECT_STREQ(t.GetText(1), "hi");
}

TEST_F(StringTableTest, CaretBodiesAndLoadListFallBack) {
    ASSERT_EQ(Put(*file, kCaret, 7, Writer().Raw("x^Yes^^No^y^^ ^open").b), 0);
    CStringTable t;
    ASSERT_EQ(t.LoadList(file.get(), 7, false), 0);
    EXPECT_TRUE(t.IsCaret());
    EXPECT_EQ(t.Type(), kCaret);
    ASSERT_EQ(t.Count(), 3);
    EXPECT_STREQ(t.GetText(1), "Yes");
    EXPECT_STREQ(t.GetText(2), "No");
    EXPECT_STREQ(t.GetText(3), "");

    EXPECT_EQ(t.LoadList(file.get(), 8, false), kResErrNoChunk);
    EXPECT_EQ(t.Count(), 0);
}

TEST_F(StringTableTest, FailuresAndUnknownFormats) {
    CStringTable t;
    EXPECT_EQ(t.Load(false, true), -1); // no file
    ASSERT_EQ(Put(*file, kSTR, 1, Writer().W(-4).W(1).Z("x").b, "lab"), 0);
    ASSERT_EQ(Load(t, kSTR, 1, kUS, false), 0);
    EXPECT_EQ(t.Count(), 0);
    EXPECT_STREQ(t.Label(), "lab");
    EXPECT_EQ(Load(t, kSTR, 2, kUS, false), kResErrNoChunk);
    EXPECT_STREQ(t.Label(), "");
}

TEST_F(StringTableTest, SetOperationsKeepToTheirRanges) {
    CStringTable t;
    t.Configure(file.get(), kSTR, 1, false, kUS);
    t.SetText(2, "no");
    EXPECT_EQ(t.Count(), 0);
    t.SetText(1, "a");
    t.InsertText(99, "c");
    t.InsertText(-5, "first");
    t.SetComment(4, "no");
    t.SetComment(2, "note");
    EXPECT_EQ(t.Count(), 3);
    EXPECT_STREQ(t.GetText(1), "first");
    EXPECT_STREQ(t.GetComment(2), "note");
    t.SetText(2, "b");
    EXPECT_STREQ(t.GetComment(2), "note"); // SetText keeps the comment
    t.SetComment(2, nullptr);
    EXPECT_EQ(t.GetComment(2), nullptr);
    EXPECT_EQ(t.GetText(0), nullptr);
    EXPECT_EQ(t.GetText(4), nullptr);
    EXPECT_EQ(t.GetText(1, 25), nullptr);
    t.ClearLanguage(kUS);
    EXPECT_EQ(t.Count(), 0);

    // Padding appends empty texts of the working language and never shortens.
    t.SetText(1, "kept");
    t.PadTo(3);
    t.PadTo(2);
    t.PadTo(5, 99);
    ASSERT_EQ(t.Count(), 3);
    EXPECT_STREQ(t.GetText(1), "kept");
    EXPECT_STREQ(t.GetText(3), "");
    EXPECT_EQ(t.Item(3)->sourceLanguage, t.Item(1)->sourceLanguage);
}

TEST_F(StringTableTest, EmptyTableSavesFourBytesAsStrNumber) {
    CStringTable t;
    t.Configure(file.get(), 0, 9, false, kUS);
    ASSERT_EQ(t.Save(), 0);
    EXPECT_EQ(t.Type(), kSTR);
    EXPECT_EQ(Get(*file, kSTR, 9), (Bytes{0xFD, 0xFF, 0x00, 0x00}));
}

TEST_F(StringTableTest, CommentEditedInFrenchGivesWayToEnglish) {
    ASSERT_EQ(Put(*file, kTTAs, 3,
                  MultiLanguage({{1, "a", "e1"},
                                 {1, "b", "e2"},
                                 {1, "c", "e3"},
                                 {3, "fa", "f1"},
                                 {3, "fb", "f2"},
                                 {3, "fc", "f3"}})),
              0);
    CStringTable t;
    ASSERT_EQ(Load(t, kTTAs, 3, kFrench, false), 0);
    t.SetComment(3, "mine");
    t.SetText(3, "fc2");
    ASSERT_EQ(t.Save(), 0);
    const std::vector<LangItem> expected = {{1, "a", "e1"},  {1, "b", "e2"},  {1, "c", "e3"},
                                            {3, "fa", "e1"}, {3, "fb", "e2"}, {3, "fc2", "e3"}};
    EXPECT_EQ(Stored(kTTAs, 3), expected);
}

TEST_F(StringTableTest, ShorterLanguagesArePaddedAndFallBackSetsDropped) {
    ASSERT_EQ(Put(*file, kTTAs, 3,
                  MultiLanguage({{1, "a", "e1"}, {1, "b", ""}, {4, "g", "x"}, {5, "i", ""}})),
              0);
    CStringTable t;
    ASSERT_EQ(Load(t, kTTAs, 3, kGerman, false), 0);
    ASSERT_EQ(t.Save(), 0);
    // German keeps its own string and gets English b; Italian likewise; no other language.
    const std::vector<LangItem> expected = {{1, "a", "e1"}, {1, "b", ""},   {4, "g", "e1"},
                                            {4, "b", ""},   {5, "i", "e1"}, {5, "b", ""}};
    EXPECT_EQ(Stored(kTTAs, 3), expected);
}

TEST_F(StringTableTest, BodiesEndingEarlyKeepCompleteItems) {
    const Bytes multi = MultiLanguage({{1, "one", "c"}, {1, "two", "d"}});
    Bytes cut(multi.begin(), multi.end() - 1); // the last comment loses its NUL
    Writer plain;
    plain.W(-1).W(30).Z("a").Z("b").Raw("c");
    Writer prefixed;
    prefixed.W(3).B(1).Raw("a").B(200).Raw("short");
    Writer commented;
    commented.W(-2).W(2).Z("t1").Z("c1").Z("t2");
    ASSERT_EQ(Put(*file, kSTR, 1, cut), 0);
    ASSERT_EQ(Put(*file, kSTR, 2, plain.b), 0);
    ASSERT_EQ(Put(*file, kSTR, 3, prefixed.b), 0);
    ASSERT_EQ(Put(*file, kSTR, 4, commented.b), 0);
    ASSERT_EQ(Put(*file, kSTR, 5, Bytes{0xFF}), 0);
    const int expected[] = {1, 2, 1, 1, 0};
    for (int id = 1; id <= 5; ++id) {
        CStringTable t;
        ASSERT_EQ(Load(t, kSTR, int16_t(id), kUS, false), 0) << id;
        EXPECT_EQ(t.Count(), expected[id - 1]) << id;
    }
}

TEST_F(StringTableTest, MoreThan32767ItemsRefusesToSave) {
    const Bytes before = MultiLanguage({{1, "keep", ""}});
    ASSERT_EQ(Put(*file, kTTAs, 4, before), 0);
    CStringTable t;
    ASSERT_EQ(Load(t, kTTAs, 4, kFrench, false), 0);
    for (int i = 0; i < 32767; ++i)
        t.SetText(t.Count() + 1, "x");
    // French 32768 + English padded to... English alone has 1: 32769 in all.
    EXPECT_EQ(t.Save(), CStringTable::kErrTooManyStrings);
    EXPECT_EQ(Get(*file, kTTAs, 4), before);
    std::unique_ptr<CChunk, CChunkFree> body;
    EXPECT_EQ(t.PrepareSave(body), CStringTable::kErrTooManyStrings);
    EXPECT_FALSE(body);
}

TEST_F(StringTableTest, PreparingASaveWritesNothing) {
    ASSERT_EQ(Put(*file, kTTAs, 4, MultiLanguage({{1, "a", "c"}, {1, "b", ""}}), "names"), 0);
    file.reset();
    // Read-only: the merge reads the stored chunk, only the write is refused.
    auto readOnly = OpenFile(path, true);
    ASSERT_TRUE(readOnly);
    CStringTable t;
    t.Configure(readOnly.get(), kTTAs, 4, false, kFrench);
    ASSERT_EQ(t.Load(false, true), 0);
    t.SetText(2, "B");
    std::unique_ptr<CChunk, CChunkFree> body;
    ASSERT_EQ(t.PrepareSave(body), 0);
    ASSERT_TRUE(body);
    const Bytes expected =
        MultiLanguage({{1, "a", "c"}, {1, "b", ""}, {3, "a", "c"}, {3, "B", ""}});
    EXPECT_EQ(Bytes(body->Body(), body->Body() + body->Size()), expected);
    EXPECT_EQ(t.WritePrepared(std::move(body)), kResErrNotWritable);
    readOnly.reset();

    // The same body written by a writable file, under the stored label.
    file = OpenFile(path);
    ASSERT_TRUE(file);
    t.Configure(file.get(), kTTAs, 4, false, kFrench);
    ASSERT_EQ(t.PrepareSave(body), 0);
    EXPECT_EQ(t.WritePrepared(std::move(body)), 0);
    EXPECT_EQ(Get(*file, kTTAs, 4), expected);
    EXPECT_EQ(LabelOf(*file, kTTAs, 4), "names");
}

TEST_F(StringTableTest, BodiesRunningPastTheirEndAreNotedPerFormat) {
    struct Case {
        const char* what;
        uint32_t type;
        Bytes body;
        bool truncated;
        int count;
    };
    const Bytes multi = MultiLanguage({{1, "one", "c"}, {1, "two", "d"}});
    const std::vector<Case> cases = {
        {"empty body", kSTR, {}, false, 0},
        {"half a format word", kSTR, {0xFF}, true, 0},
        {"format without count", kSTR, {0xFF, 0xFF}, true, 0},
        {"unknown format", kSTR, Writer().W(-4).W(9).b, false, 0},
        {"prefixed, whole", kSTR, Writer().W(2).B(1).Raw("a").B(0).b, false, 2},
        {"prefixed, length beyond the end", kSTR, Writer().W(2).B(1).Raw("a").B(9).Raw("bc").b,
         true, 1},
        {"prefixed, count too large", kSTR, Writer().W(3).B(1).Raw("a").b, true, 1},
        {"plain, whole with bytes after", kSTR, Writer().W(-1).W(1).Z("a").Raw("zz").b, false, 1},
        {"plain, missing NUL", kSTR, Writer().W(-1).W(2).Z("a").Raw("b").b, true, 1},
        {"plain, count too large", kSTR, Writer().W(-1).W(30).Z("a").b, true, 1},
        {"plain, negative count", kSTR, Writer().W(-1).W(-3).Z("a").b, false, 0},
        {"commented, whole", kSTR, Writer().W(-2).W(1).Z("t").Z("c").b, false, 1},
        {"commented, comment cut", kSTR, Writer().W(-2).W(1).Z("t").Raw("c").b, true, 0},
        {"multi, whole", kTTAs, multi, false, 2},
        {"multi, missing NUL", kTTAs, Bytes(multi.begin(), multi.end() - 1), true, 1},
        {"multi, count too large", kTTAs, Writer().W(-3).W(5).B(1).Z("a").Z("").b, true, 1},
        {"caret, closed", kCaret, Writer().Raw("^a^ ^b^").b, false, 2},
        {"caret, never closed", kCaret, Writer().Raw("^a^ ^b").b, true, 1},
    };
    int16_t id = 1;
    for (const Case& c : cases) {
        ASSERT_EQ(Put(*file, c.type, id, c.body), 0) << c.what;
        CStringTable t;
        // A table that read a cut body first: the flag is reset by every Load.
        ASSERT_EQ(Put(*file, kSTR, 999, Bytes{0xFF}), 0);
        ASSERT_EQ(Load(t, kSTR, 999, kUS, false), 0);
        ASSERT_TRUE(t.WasTruncated());
        ASSERT_EQ(Load(t, c.type, id, kUS, false), 0) << c.what;
        EXPECT_EQ(t.WasTruncated(), c.truncated) << c.what;
        EXPECT_EQ(t.Count(), c.count) << c.what;
        ++id;
    }
    // A missing chunk is no short body.
    CStringTable t;
    ASSERT_EQ(Load(t, kSTR, 999, kUS, false), 0);
    EXPECT_EQ(Load(t, kSTR, 998, kUS, false), kResErrNoChunk);
    EXPECT_FALSE(t.WasTruncated());
}

TEST_F(StringTableTest, CaretTableMergesWithItsCaretChunk) {
    ASSERT_EQ(Put(*file, kCaret, 6, Writer().Raw("^one^^two^^three^").b, "old"), 0);
    CStringTable t;
    ASSERT_EQ(Load(t, kCaret, 6, kUS, false), 0);
    t.SetText(2, "TWO");
    t.ClearLanguage(kUS); // only this table's own edits shrink; the merge keeps the rest
    t.SetText(1, "ONE");
    ASSERT_EQ(t.Save(), 0);
    EXPECT_EQ(t.Type(), kSTR);
    const std::vector<LangItem> expected = {{1, "ONE", ""}, {1, "two", ""}, {1, "three", ""}};
    EXPECT_EQ(Stored(kSTR, 6), expected);
    EXPECT_EQ(LabelOf(*file, kSTR, 6), "old");
}

TEST_F(StringTableTest, SaveReportsTheFilesErrors) {
    ASSERT_EQ(Put(*file, kSTR, 1, MultiLanguage({{1, "a", ""}})), 0);
    file.reset();
    auto readOnly = OpenFile(path, true);
    ASSERT_TRUE(readOnly);
    CStringTable t;
    t.Configure(readOnly.get(), kSTR, 1, false, kUS);
    ASSERT_EQ(t.Load(false, true), 0);
    t.SetText(1, "b");
    EXPECT_EQ(t.Save(), kResErrNotWritable);
    EXPECT_EQ(t.Count(), 1);
}

TEST_F(StringTableTest, GetStringReadsTheCurrentLanguage) {
    ASSERT_EQ(Put(*file, kSTR, 232,
                  MultiLanguage({{1, "calm", ""}, {1, "lively", ""}, {3, "calme", ""}})),
              0);
    InstallStringTableReader();
    CFixedString<64> out;
    EXPECT_EQ(file->GetString(out, 232, 2), 0);
    EXPECT_STREQ(out.Text(), "lively");
    SetCurrentLanguage(3);
    EXPECT_EQ(file->GetString(out, 232, 1), 0);
    EXPECT_STREQ(out.Text(), "calme");
    file->GetString(out, 232, 2);
    EXPECT_STREQ(out.Text(), "");
    file->GetString(out, 999, 1);
    EXPECT_STREQ(out.Text(), "");
}

// Random tables of every body format: loading and saving without edits keeps every string, and
// the stored table then reads back the same.
TEST_F(StringTableTest, RandomTablesOfEveryFormatSurviveLoadAndSave) {
    std::mt19937 rng(1234);
    auto text = [&](bool allowEmpty) {
        std::string s;
        const int n = int(rng() % 12) + (allowEmpty ? 0 : 1);
        for (int i = 0; i < n; ++i) {
            char c = char(rng() % 255 + 1);
            if (c == '^') c = '~';
            s.push_back(c);
        }
        return s;
    };
    for (int round = 0; round < 60; ++round) {
        const int format = round % 5; // 0 prefixed, 1 plain, 2 commented, 3 multi, 4 caret
        const int slot = int(rng() % kLanguageCount);
        const int16_t id = int16_t(100 + round);
        std::vector<std::vector<LangItem>> sets(kLanguageCount);
        Writer w;
        const int n = int(rng() % 8);
        if (format == 3) {
            std::vector<LangItem> items;
            for (int code = 1; code <= kLanguageCount; ++code) {
                if (code > 1 && rng() % 3 != 0) continue;
                for (int i = 0; i < n; ++i) {
                    items.push_back({code, text(true), text(true)});
                    sets[size_t(code - 1)].push_back(items.back());
                }
            }
            w.b = MultiLanguage(items);
        } else {
            if (format == 0) w.W(n);
            if (format == 1) w.W(-1).W(n);
            if (format == 2) w.W(-2).W(n);
            for (int i = 0; i < n; ++i) {
                std::string t = text(format == 0 || format == 4 ? true : true);
                for (char& c : t)
                    if (uint8_t(c) == 0xA1 || uint8_t(c) == 0xD5) c = 'q';
                std::string comment = format == 2 ? text(true) : "";
                if (format == 0) w.B(uint8_t(t.size())).Raw(t);
                if (format == 1) w.Z(t);
                if (format == 2) w.Z(t).Z(comment);
                if (format == 4) w.Raw("^" + t + "^");
                sets[0].push_back({1, t, comment});
            }
            if (slot != 0) sets[size_t(slot)] = sets[0];
            for (auto& item : sets[size_t(slot)])
                item.code = slot + 1;
        }
        const uint32_t type = format == 4 ? kCaret : (round % 2 ? kSTR : kTTAs);
        ASSERT_EQ(Put(*file, type, id, w.b), 0);

        CStringTable t;
        ASSERT_EQ(Load(t, type, id, slot, false), 0);
        const auto& own = sets[size_t(slot)].empty() ? sets[0] : sets[size_t(slot)];
        ASSERT_EQ(t.Count(), int(own.size())) << round;
        for (int p = 1; p <= t.Count(); ++p)
            EXPECT_EQ(t.GetText(p), own[size_t(p - 1)].text);
        ASSERT_EQ(t.Save(), 0);

        // What the stored table must now hold: every set with strings of its own, comments
        // taken from English, shorter sets padded from English.
        if (sets[size_t(slot)].empty() && n > 0) sets[size_t(slot)] = sets[0];
        for (auto& item : sets[size_t(slot)])
            item.code = slot + 1;
        std::vector<LangItem> expected;
        for (int s = 0; s < kLanguageCount; ++s) {
            auto set = sets[size_t(s)];
            if (s > 0 && !set.empty()) {
                for (size_t p = 0; p < set.size() && p < sets[0].size(); ++p)
                    set[p].comment = sets[0][p].comment;
                for (size_t p = set.size(); p < sets[0].size(); ++p)
                    set.push_back({s + 1, sets[0][p].text, sets[0][p].comment});
            }
            expected.insert(expected.end(), set.begin(), set.end());
        }
        const uint32_t savedType = type == kCaret ? kSTR : type;
        EXPECT_EQ(Stored(savedType, id), expected) << "round " << round << " format " << format;

        CStringTable back;
        ASSERT_EQ(Load(back, savedType, id, 0, true), 0);
        for (int s = 0; s < kLanguageCount; ++s) {
            const auto& want = sets[size_t(s)].empty() && s > 0 ? sets[0] : sets[size_t(s)];
            ASSERT_EQ(back.Count(s), int(want.size()));
            for (int p = 1; p <= back.Count(s); ++p)
                EXPECT_EQ(back.GetText(p, s), want[size_t(p - 1)].text);
        }
    }
}

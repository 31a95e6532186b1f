#include <gtest/gtest.h>

#include <cmath>

#include "model/ModelFiles.h"
#include "model/StringTable.h"
#include "model/TreeTable.h"
#include "resource/ResourceSet.h"

using namespace modeltest;

namespace {

struct LanguageGuard {
    int32_t saved = GetCurrentLanguage();
    ~LanguageGuard() { SetCurrentLanguage(saved); }
};

class TreeTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir / "object.iff";
        file = NewFile(path);
        ASSERT_TRUE(file);
    }
    std::vector<LangItem> StoredStrings(int16_t id) {
        CStringTable t;
        t.Configure(file.get(), kTTAs, id, false, 0);
        EXPECT_EQ(t.Load(true, false), 0);
        std::vector<LangItem> out;
        for (int s = 0; s < kLanguageCount; ++s)
            for (int p = 1; p <= t.Count(s); ++p)
                if (t.Item(p, s)->sourceLanguage == s)
                    out.push_back(
                        {s + 1, t.GetText(p, s), t.GetComment(p, s) ? t.GetComment(p, s) : ""});
        return out;
    }

    ScratchDir dir;
    std::string path;
    std::unique_ptr<CIffFileV2> file;
    LanguageGuard language;
};

void ExpectSameEntry(const CTreeTableEntry& a, const CTreeTableEntry& b, bool names = true) {
    EXPECT_EQ(a.actionId, b.actionId);
    EXPECT_EQ(a.guardId, b.guardId);
    EXPECT_EQ(a.motiveCount, b.motiveCount);
    EXPECT_EQ(a.flags, b.flags);
    EXPECT_EQ(a.stringIndex, b.stringIndex);
    EXPECT_EQ(a.attenuationLevel, b.attenuationLevel);
    EXPECT_EQ(std::memcmp(&a.attenuationValue, &b.attenuationValue, 4), 0);
    EXPECT_EQ(a.autonomyThreshold, b.autonomyThreshold);
    EXPECT_EQ(a.extraValue, b.extraValue);
    for (int32_t k = 0; k < a.motiveCount; ++k) {
        EXPECT_EQ(a.motives[size_t(k)].min, b.motives[size_t(k)].min);
        EXPECT_EQ(a.motives[size_t(k)].delta, b.motives[size_t(k)].delta);
        EXPECT_EQ(a.motives[size_t(k)].personality, b.motives[size_t(k)].personality);
    }
    if (names) {
        EXPECT_EQ(a.name, b.name);
    }
}

} // namespace

TEST_F(TreeTableTest, ZeroFieldsCostOneBitEach) {
    CTreeTable t(16);
    CTreeTableEntry& e = t.AddEntry();
    e.motiveCount = 0;
    e.attenuationLevel = 0;
    e.autonomyThreshold = 0;
    e.extraValue = 0;
    ASSERT_EQ(t.SaveAs(file.get(), 200, "menu"), 0);
    EXPECT_EQ(Get(*file, kTTAB, 200), (Bytes{1, 0, 9, 0, 1, 0, 0}));
    EXPECT_EQ(LabelOf(*file, kTTAB, 200), "menu");
}

TEST_F(TreeTableTest, EmptyTableAndPreconditions) {
    CTreeTable t(16);
    EXPECT_EQ(t.Save("x"), -1);
    EXPECT_EQ(t.SaveAs(file.get(), 0, "x"), -1);
    EXPECT_EQ(t.SaveAs(nullptr, 5, "x"), -1);
    EXPECT_EQ(t.Load(file.get(), 0), -1);
    EXPECT_EQ(t.Load(file.get(), 300), CTreeTable::kErrNoTable);
    ASSERT_EQ(t.SaveAs(file.get(), 300, ""), 0);
    EXPECT_EQ(Get(*file, kTTAB, 300), (Bytes{0, 0, 9, 0, 1}));
    ASSERT_EQ(t.Load(file.get(), 300), 0);
    EXPECT_EQ(t.Count(), 0);
}

TEST_F(TreeTableTest, EffectiveAttenuation) {
    CTreeTableEntry e(16);
    e.attenuationValue = 7.5f;
    const float expected[] = {7.5f, 0.0f, 0.002f, 0.02f, 0.1f, 0.02f};
    for (uint32_t level = 0; level < 6; ++level) {
        e.attenuationLevel = level;
        EXPECT_EQ(CTreeTable::EffectiveAttenuation(e), expected[level]);
    }
}

TEST_F(TreeTableTest, Version3IsUpgradedAtOnceKeepingItsNames) {
    Writer w;
    w.W(2).W(3);
    w.W(4101).W(4102).W(3).W(-256).F(0.25f).W(10).W(-20).W(30); // flags sign-extended
    w.W(4201).W(0).W(1).W(0x40).F(1.5f).W(7);
    ASSERT_EQ(Put(*file, kTTAB, 128, w.b, "old menu"), 0);
    ASSERT_EQ(Put(*file, kTTAs, 128, MultiLanguage({{1, "Sit", ""}, {1, "Nap", ""}})), 0);

    CTreeTable t(16);
    ASSERT_EQ(t.Load(file.get(), 128), 0);
    EXPECT_EQ(t.StoredVersion(), 3);
    EXPECT_EQ(t.UpgradeStatus(), 0);
    const Bytes stored = Get(*file, kTTAB, 128);
    ASSERT_GE(stored.size(), 5u);
    EXPECT_EQ(Bytes(stored.begin(), stored.begin() + 5), (Bytes{2, 0, 9, 0, 1}));
    EXPECT_EQ(LabelOf(*file, kTTAB, 128), "old menu");

    CTreeTable back(16);
    ASSERT_EQ(back.Load(file.get(), 128), 0);
    ASSERT_EQ(back.Count(), 2);
    const CTreeTableEntry& a = *back.Entry(0);
    EXPECT_EQ(a.actionId, 4101);
    EXPECT_EQ(a.guardId, 4102);
    EXPECT_EQ(a.flags, 0xFFFFFF00u);
    EXPECT_EQ(a.attenuationLevel, 0u);
    EXPECT_EQ(a.attenuationValue, 0.25f);
    EXPECT_EQ(a.motives[0].delta, 10);
    EXPECT_EQ(a.motives[1].delta, -20);
    EXPECT_EQ(a.motives[2].delta, 30);
    EXPECT_EQ(a.motives[2].min, 0);
    EXPECT_EQ(a.motiveCount, 16);
    EXPECT_EQ(a.stringIndex, 0);
    EXPECT_EQ(back.Entry(1)->stringIndex, 1);
    EXPECT_EQ(back.Entry(1)->motives[0].delta, 7);
    EXPECT_EQ(a.name, CTGString("Sit"));
    EXPECT_EQ(back.Entry(1)->name, CTGString("Nap"));
    const std::vector<LangItem> names = {{1, "Sit", ""}, {1, "Nap", ""}};
    EXPECT_EQ(StoredStrings(128), names);
}

TEST_F(TreeTableTest, ReadOnlyFilesAreNotUpgraded) {
    Writer w;
    w.W(1).W(0).W(77).W(1).W(2).W(40); // version 0: action, n, (motive, value)
    ASSERT_EQ(Put(*file, kTTAB, 128, w.b), 0);
    file.reset();
    auto readOnly = OpenFile(path, true);
    CTreeTable t(16);
    ASSERT_EQ(t.Load(readOnly.get(), 128), 0);
    EXPECT_EQ(t.Entry(0)->motives[2].delta, 40);
    EXPECT_EQ(t.Entry(0)->attenuationLevel, 3u);
    readOnly.reset();
    auto again = OpenFile(path);
    EXPECT_EQ(Get(*again, kTTAB, 128), w.b);
}

TEST_F(TreeTableTest, EveryOlderLayoutReads) {
    struct Case {
        int version;
        Bytes body;
    };
    std::vector<Case> cases;
    // version 0 and 1: (motive index, value) pairs; indexes outside 0..15 are ignored
    cases.push_back({0, Writer().W(1).W(0).W(11).W(2).W(5).W(9).W(16).W(3).b});
    cases.push_back({1, Writer().W(1).W(1).W(11).W(12).W(2).W(5).W(9).W(-1).W(3).b});
    cases.push_back({2, Writer().W(1).W(2).W(11).W(12).W(1).F(0.5f).W(99).W(9).b});
    cases.push_back({4, Writer().W(1).W(4).W(11).W(12).W(1).L(0x140).L(6).F(0.5f).L(70).W(9).b});
    cases.push_back(
        {5, Writer().W(1).W(5).W(11).W(12).W(1).L(0x140).L(6).F(0.5f).L(70).L(33).W(9).b});
    cases.push_back({6, Writer()
                            .W(1)
                            .W(6)
                            .W(11)
                            .W(12)
                            .L(1)
                            .L(0x140)
                            .L(6)
                            .L(2)
                            .F(0.5f)
                            .L(70)
                            .L(33)
                            .W(4)
                            .W(5)
                            .W(6)
                            .b});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        file.reset();
        std::filesystem::remove(path);
        file = NewFile(path);
        ASSERT_EQ(Put(*file, kTTAB, 128, c.body), 0);
        file.reset();
        auto readOnly = OpenFile(path, true);
        CTreeTable t(16);
        ASSERT_EQ(t.Load(readOnly.get(), 128), 0);
        ASSERT_EQ(t.Count(), 1);
        const CTreeTableEntry& e = *t.Entry(0);
        EXPECT_EQ(e.actionId, 11);
        EXPECT_EQ(e.guardId, c.version == 0 ? 0 : 12);
        if (c.version <= 1) {
            EXPECT_EQ(e.motives[5].delta, 9);
            EXPECT_EQ(e.attenuationLevel, 3u);
        } else if (c.version < 6) {
            EXPECT_EQ(e.motives[0].delta, 9);
            EXPECT_EQ(e.attenuationLevel, 0u);
            EXPECT_EQ(e.attenuationValue, 0.5f);
        }
        if (c.version >= 4) {
            EXPECT_EQ(e.flags, 0x140u);
            EXPECT_EQ(e.stringIndex, 6);
            EXPECT_EQ(e.autonomyThreshold, 70u);
        } else {
            EXPECT_EQ(e.stringIndex, 0);
            EXPECT_EQ(e.autonomyThreshold, 50u);
        }
        EXPECT_EQ(e.extraValue, c.version >= 5 ? 33 : -1);
        if (c.version == 6) {
            EXPECT_EQ(e.motiveCount, 1);
            EXPECT_EQ(e.attenuationLevel, 2u);
            EXPECT_EQ(e.motives[0].min, 4);
            EXPECT_EQ(e.motives[0].delta, 5);
            EXPECT_EQ(e.motives[0].personality, 6);
        } else {
            EXPECT_EQ(e.motiveCount, 16);
        }
    }
}

TEST_F(TreeTableTest, Version7NamesComeFromTheAttachedStrings) {
    SetCurrentLanguage(3);
    Writer w;
    w.W(2).W(7);
    for (int i = 0; i < 2; ++i)
        w.W(20 + i).W(0).L(0).L(0).L(uint32_t(1 - i)).L(3).F(0).L(50).L(0);
    ASSERT_EQ(Put(*file, kTTAB, 9, w.b), 0);
    ASSERT_EQ(
        Put(*file, kTTAs, 9,
            MultiLanguage(
                {{1, "first", ""}, {1, "second", ""}, {3, "premier", ""}, {3, "second-fr", ""}})),
        0);
    CTreeTable t(16);
    ASSERT_EQ(t.Load(file.get(), 9), 0);
    EXPECT_EQ(t.Entry(0)->name, CTGString("premier"));
    EXPECT_EQ(t.Entry(1)->name, CTGString("second-fr"));
    // Upgraded: the names went to the strings at the entries' string indexes.
    CTreeTable back(16);
    ASSERT_EQ(back.Load(file.get(), 9), 0);
    EXPECT_EQ(back.StoredVersion(), 9);
    EXPECT_EQ(back.Entry(0)->name, CTGString("premier"));
    EXPECT_EQ(back.Entry(0)->stringIndex, 1);
}

TEST_F(TreeTableTest, NamesFallBackToRoutineLabelThenActionId) {
    CTreeTable t(16);
    for (int i = 0; i < 4; ++i) {
        CTreeTableEntry& e = t.AddEntry();
        e.stringIndex = 4 + i % 2; // strings 5 and 6
        e.actionId = int16_t(i == 3 ? -5 : 4096 + i);
    }
    ASSERT_EQ(t.SaveAs(file.get(), 128, "m"), 0);
    ASSERT_EQ(
        Put(*file, kTTAs, 128,
            MultiLanguage({{1, "a", ""}, {1, "b", ""}, {1, "c", ""}, {1, "d", ""}, {1, "", ""}})),
        0);
    ASSERT_EQ(Put(*file, kBHAV, 4096, Bytes{1, 2}, "Routine Zero"), 0);
    ASSERT_EQ(Put(*file, kBHAV, 4098, Bytes{1, 2}, ""), 0);
    ASSERT_EQ(t.Load(file.get(), 128), 0);
    EXPECT_EQ(t.Entry(0)->name, CTGString("Routine Zero"));
    EXPECT_EQ(t.Entry(1)->name, CTGString("?4097")); // no string 6, no routine
    EXPECT_EQ(t.Entry(2)->name, CTGString("?4098")); // routine without a label
    EXPECT_EQ(t.Entry(3)->name, CTGString("?-5"));
}

TEST_F(TreeTableTest, CommentMarkFollowsFlag0x80BothWays) {
    ASSERT_EQ(
        Put(*file, kTTAs, 128, MultiLanguage({{1, "a", "plain"}, {1, "b", "!"}, {1, "c", "!old"}})),
        0);
    CTreeTable t(16);
    for (int i = 0; i < 3; ++i) {
        CTreeTableEntry& e = t.AddEntry();
        e.stringIndex = i;
        e.name = "n";
    }
    t.Entry(0)->flags = 0x80;
    t.Entry(2)->flags = 0x80;
    ASSERT_EQ(t.SaveAs(file.get(), 128, "m"), 0);
    std::vector<LangItem> expected = {{1, "n", "!plain"}, {1, "n", " "}, {1, "n", "!old"}};
    EXPECT_EQ(StoredStrings(128), expected);
    for (auto& e : t.Entries())
        e.flags = 0;
    ASSERT_EQ(t.Save("m"), 0);
    expected = {{1, "n", "plain"}, {1, "n", " "}, {1, "n", "old"}};
    EXPECT_EQ(StoredStrings(128), expected);
}

TEST_F(TreeTableTest, SavingInFrenchCreatesAFrenchSet) {
    SetCurrentLanguage(3);
    ASSERT_EQ(Put(*file, kTTAs, 128, MultiLanguage({{1, "Sit", ""}, {1, "Eat", ""}})), 0);
    CTreeTable t(16);
    CTreeTableEntry& e = t.AddEntry();
    e.stringIndex = 1;
    e.name = "Manger";
    ASSERT_EQ(t.SaveAs(file.get(), 128, "m"), 0);
    const std::vector<LangItem> expected = {
        {1, "Sit", ""}, {1, "Eat", ""}, {3, "Sit", ""}, {3, "Manger", ""}};
    EXPECT_EQ(StoredStrings(128), expected);
}

TEST_F(TreeTableTest, SurplusMotiveRecordsAreKeptAndWrittenBack) {
    CTreeTable wide(20);
    CTreeTableEntry& e = wide.AddEntry();
    for (int k = 0; k < 20; ++k)
        e.motives[size_t(k)] = {int16_t(k), int16_t(-k), int16_t(2 * k)};
    e.name = "x";
    ASSERT_EQ(wide.SaveAs(file.get(), 128, "m"), 0);
    const Bytes stored = Get(*file, kTTAB, 128);

    CTreeTable t(16);
    ASSERT_EQ(t.Load(file.get(), 128), 0);
    ASSERT_EQ(t.Entry(0)->motiveCount, 20);
    ASSERT_EQ(t.Entry(0)->motives.size(), 20u);
    EXPECT_EQ(t.Entry(0)->motives[19].delta, 38);
    ASSERT_EQ(t.Save("m"), 0);
    EXPECT_EQ(Get(*file, kTTAB, 128), stored);
}

TEST_F(TreeTableTest, BodiesEndingEarlyKeepCompleteEntries) {
    CTreeTable t(16);
    for (int i = 0; i < 3; ++i) {
        CTreeTableEntry& e = t.AddEntry();
        e.actionId = int16_t(1000 + i);
        e.stringIndex = i;
        e.motives[3].delta = int16_t(300 + i);
    }
    ASSERT_EQ(t.SaveAs(file.get(), 128, "m"), 0);
    Bytes body = Get(*file, kTTAB, 128);
    Writer plain; // version 8: plain, with a count larger than the entries present
    plain.W(5).W(8).W(1).W(2).L(0).L(0).L(0).L(3).F(0).L(50).L(0);
    for (int cut = 1; cut <= 3; ++cut) {
        Bytes shorter(body.begin(), body.end() - cut);
        ASSERT_EQ(Put(*file, kTTAB, 129, shorter), 0);
        CTreeTable back(16);
        ASSERT_EQ(back.Load(file.get(), 129), 0);
        EXPECT_EQ(back.Count(), 2);
        EXPECT_TRUE(back.WasTruncated());
        EXPECT_EQ(back.StoredCount(), 3);
        EXPECT_EQ(back.Entry(1)->motives[3].delta, 301);
    }
    ASSERT_EQ(Put(*file, kTTAB, 130, plain.b), 0);
    CTreeTable back(16);
    ASSERT_EQ(back.Load(file.get(), 130), 0);
    EXPECT_EQ(back.Count(), 1);
    ASSERT_EQ(Put(*file, kTTAB, 131, Bytes{7}), 0);
    ASSERT_EQ(back.Load(file.get(), 131), 0);
    EXPECT_EQ(back.Count(), 0);
}

TEST_F(TreeTableTest, FailedNameSaveIsReported) {
    // The set's first member takes only TTAB; the TTAs can only go to a read-only member.
    const std::string other = dir / "names.iff";
    {
        auto names = NewFile(other);
        ASSERT_EQ(Put(*names, kTTAs, 128, MultiLanguage({{1, "a", ""}})), 0);
    }
    auto readOnly = OpenFile(other, true);
    ASSERT_TRUE(readOnly);
    CResourceSet set;
    ASSERT_TRUE(set.AddMember(std::move(file)));
    ASSERT_TRUE(set.AddMember(std::move(readOnly)));
    set.IncludeType(0, kTTAB);
    CTreeTable t(16);
    t.AddEntry().name = "new";
    EXPECT_LT(t.SaveAs(&set, 128, "m"), 0);
    bool exists = false;
    Get(*set.Member(0), kTTAB, 128, &exists);
    EXPECT_TRUE(exists);
    // What reached the disk: the table, not its names.
    EXPECT_TRUE(t.LastSave().table);
    EXPECT_FALSE(t.LastSave().names);
}

TEST_F(TreeTableTest, LastSaveSaysWhatWasWritten) {
    CTreeTable t(16);
    t.AddEntry().name = "a";
    ASSERT_EQ(t.SaveAs(file.get(), 128, "m"), 0);
    EXPECT_TRUE(t.LastSave().table);
    EXPECT_TRUE(t.LastSave().names);
    // Every SaveAs starts afresh, also one refused before writing.
    EXPECT_EQ(t.SaveAs(file.get(), 0, "m"), -1);
    EXPECT_FALSE(t.LastSave().table);
    EXPECT_FALSE(t.LastSave().names);
    file.reset();
    auto readOnly = OpenFile(path, true);
    EXPECT_EQ(t.SaveAs(readOnly.get(), 128, "m"), kResErrNotWritable);
    EXPECT_FALSE(t.LastSave().table);
    EXPECT_FALSE(t.LastSave().names);
    // A set of read-only files says so too, rather than that the stored chunk does not exist.
    CResourceSet set;
    ASSERT_TRUE(set.AddMember(std::move(readOnly)));
    EXPECT_EQ(t.SaveAs(&set, 128, "m"), kResErrNotWritable);
}

// Names that cannot be stored (more strings in all languages than the 16-bit count can say)
// must not leave a table saved without them: nothing is written at all.
TEST_F(TreeTableTest, NamesOverTheirLimitSaveNothing) {
    std::vector<LangItem> english;
    for (int i = 0; i < 20000; ++i)
        english.push_back({1, "n" + std::to_string(i), ""});
    ASSERT_EQ(Put(*file, kTTAs, 128, MultiLanguage(english)), 0);
    CTreeTable t(16);
    for (int i = 0; i < 3; ++i) {
        CTreeTableEntry& e = t.AddEntry();
        e.stringIndex = i;
        e.name = "x";
    }
    ASSERT_EQ(t.SaveAs(file.get(), 128, "m"), 0); // English alone: 20000 strings
    const Bytes table = Get(*file, kTTAB, 128);
    const Bytes names = Get(*file, kTTAs, 128);

    // In French the stored English is copied as the French set: 40000 in all.
    SetCurrentLanguage(3);
    CTreeTable french(16);
    ASSERT_EQ(french.Load(file.get(), 128), 0);
    french.Entry(0)->flags = 0x101;
    french.Entry(0)->autonomyThreshold = 7;
    french.Entry(1)->name = "nom";
    EXPECT_EQ(french.Save("m"), CStringTable::kErrTooManyStrings);
    EXPECT_FALSE(french.LastSave().table);
    EXPECT_FALSE(french.LastSave().names);
    EXPECT_EQ(Get(*file, kTTAB, 128), table);
    EXPECT_EQ(Get(*file, kTTAs, 128), names);
}

// An entry whose string index lies past the names table's last place shows its fall-back name;
// a new name for it cannot be stored, so the save is refused whole and says so.
TEST_F(TreeTableTest, NameWithoutAPlaceInTheNamesTableIsNotDroppedInSilence) {
    std::vector<LangItem> english;
    for (int i = 0; i < 32767; ++i)
        english.push_back({1, "n" + std::to_string(i), ""});
    ASSERT_EQ(Put(*file, kTTAs, 128, MultiLanguage(english)), 0);
    CTreeTable t(16);
    for (int32_t index : {0, 32767, -1}) {
        CTreeTableEntry& e = t.AddEntry();
        e.actionId = 4200;
        e.stringIndex = index;
        e.name = index == 0 ? "n0" : "?4200";
    }
    ASSERT_EQ(t.SaveAs(file.get(), 128, "m"), 0); // fall-back names: nothing to store
    const Bytes table = Get(*file, kTTAB, 128);
    const Bytes names = Get(*file, kTTAs, 128);

    CTreeTable loaded(16);
    ASSERT_EQ(loaded.Load(file.get(), 128), 0);
    EXPECT_STREQ(loaded.Entry(1)->name.Text(), "?4200");
    for (int entry : {1, 2}) {
        loaded.Entry(0)->flags = 0x101;
        loaded.Entry(entry)->name = "a name of its own";
        EXPECT_EQ(loaded.Save("m"), CTreeTable::kErrNameHasNoPlace);
        EXPECT_FALSE(loaded.LastSave().table);
        EXPECT_EQ(Get(*file, kTTAB, 128), table);
        EXPECT_EQ(Get(*file, kTTAs, 128), names);
        loaded.Entry(entry)->name = "?4200";
    }
    EXPECT_EQ(loaded.Save("m"), 0);
}

// Random tables saved in random languages and loaded back: every field survives, and each
// language reads the names last saved in it, falling back to English.
TEST_F(TreeTableTest, RandomTablesRoundTripInSeveralLanguages) {
    std::mt19937 rng(99);
    auto r16 = [&] { return int16_t(uint16_t(rng())); };
    auto small = [&](int bits) { return int32_t(rng() % (1u << bits)) - (1 << (bits - 1)); };
    for (int round = 0; round < 25; ++round) {
        const int16_t id = int16_t(128 + round);
        CTreeTable t(16);
        const int count = int(rng() % 12);
        std::vector<int> order(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            order[size_t(i)] = i;
        std::shuffle(order.begin(), order.end(), rng);
        for (int i = 0; i < count; ++i) {
            CTreeTableEntry& e = t.AddEntry();
            e.actionId = r16();
            e.guardId = rng() % 2 ? r16() : 0;
            e.motiveCount = int32_t(rng() % 17);
            e.flags = rng() % 2 ? uint32_t(rng()) : uint32_t(rng() % 0x200);
            e.stringIndex = order[size_t(i)];
            e.attenuationLevel = rng() % 6;
            uint32_t bits = rng() % 2 ? uint32_t(rng()) & 0x7F7FFFFF : 0;
            std::memcpy(&e.attenuationValue, &bits, 4);
            e.autonomyThreshold = uint32_t(small(16));
            e.extraValue = rng() % 3 ? -1 : int32_t(rng());
            for (auto& m : e.motives)
                m = {int16_t(small(6)), r16(), int16_t(small(10))};
        }
        std::vector<std::vector<std::string>> saved(kLanguageCount);
        for (int pass = 0; pass < 3; ++pass) {
            const int language = pass == 1 ? 1 : int(rng() % kLanguageCount) + 1;
            SetCurrentLanguage(language);
            std::vector<std::string> names;
            for (auto& e : t.Entries()) {
                std::string n = "L" + std::to_string(language) + "-" + std::to_string(rng() % 1000);
                e.name = n.c_str();
                names.push_back(n);
            }
            ASSERT_EQ(t.SaveAs(file.get(), id, "random"), 0);
            saved[size_t(language - 1)] = names;
        }
        for (int language = 1; language <= kLanguageCount; ++language) {
            SetCurrentLanguage(language);
            CTreeTable back(16);
            ASSERT_EQ(back.Load(file.get(), id), 0);
            ASSERT_EQ(back.Count(), t.Count());
            const auto& names =
                saved[size_t(language - 1)].empty() ? saved[0] : saved[size_t(language - 1)];
            for (int i = 0; i < t.Count(); ++i) {
                ExpectSameEntry(*back.Entry(i), *t.Entry(i), false);
                EXPECT_EQ(std::string(back.Entry(i)->name.Text()), names[size_t(i)]);
            }
        }
        // The English comments mirror flag 0x80 of the entry at each string.
        CStringTable strings;
        strings.Configure(file.get(), kTTAs, id, false, 0);
        ASSERT_EQ(strings.Load(false, false), 0);
        for (const auto& e : t.Entries()) {
            const char* c = strings.GetComment(e.stringIndex + 1);
            EXPECT_EQ(c && c[0] == '!', (e.flags & 0x80) != 0);
        }
    }
}

// Found by fuzzing (a run that timed out): a four-byte body of a negative version counts 29302
// entries made out of nothing. The upgrade names them in the working language only; padding
// every other language with English copies first had made it write twenty times the strings.
TEST_F(TreeTableTest, HugeCountOfANegativeVersionUpgradesInTheWorkingLanguageOnly) {
    SetCurrentLanguage(2);
    Writer w;
    w.W(29302).W(-32667);
    ASSERT_EQ(Put(*file, kTTAB, 128, w.b), 0);
    CTreeTable t(4);
    ASSERT_EQ(t.Load(file.get(), 128), 0);
    EXPECT_EQ(t.UpgradeStatus(), 0);
    ASSERT_EQ(t.Count(), 29302);
    EXPECT_EQ(t.Entry(29301)->stringIndex, 29301);
    const std::vector<LangItem> stored = StoredStrings(128);
    ASSERT_EQ(stored.size(), 29302u);
    EXPECT_EQ(stored.front().code, 2);
    EXPECT_EQ(stored.back().code, 2);
    // One set of 29302 empty texts and comments (3 bytes each) behind the 4-byte head.
    EXPECT_EQ(Get(*file, kTTAs, 128).size(), 4u + 29302u * 3u);
}

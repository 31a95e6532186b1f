#include "resource/ChunkIndex.h"

#include "resource/IffFormat.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using iff::ChunkIndex;
using iff::IndexEntry;

constexpr uint32_t kA = MakeTypeCode("AAAA");
constexpr uint32_t kB = MakeTypeCode("BBBB");
constexpr uint32_t kC = MakeTypeCode("CCCC");

std::vector<int16_t> Ids(ChunkIndex& index) {
    std::vector<int16_t> ids;
    index.ForEach([&](IndexEntry& e) { ids.push_back(e.id); });
    return ids;
}

IndexEntry& Put(ChunkIndex& index, uint32_t type, int16_t id, const char* label = "") {
    IndexEntry& e = index.Add(type);
    e.id = id;
    index.SetLabel(e, label);
    return e;
}

TEST(ChunkIndex, ListsByTypeInEitherOrder) {
    for (bool newestFirst : {false, true}) {
        ChunkIndex index;
        index.newestFirst = newestFirst;
        Put(index, kA, 1);
        Put(index, kB, 2);
        Put(index, kA, 3);
        ASSERT_EQ(index.TypeCount(), 2);
        EXPECT_EQ(index.TypeAt(1)->type, newestFirst ? kB : kA);
        EXPECT_EQ(index.TypeAt(3), nullptr);
        EXPECT_EQ(index.TypeAt(0), nullptr);
        iff::TypeNode& a = *index.FindType(kA);
        EXPECT_EQ(index.EntryAt(a, 1)->id, newestFirst ? 3 : 1);
        EXPECT_EQ(index.EntryAt(a, 3), nullptr);
        EXPECT_EQ(Ids(index),
                  newestFirst ? std::vector<int16_t>({2, 3, 1}) : std::vector<int16_t>({1, 3, 2}));
    }
}

// An entry stays where it is while others come and go; a removed one comes back as new.
TEST(ChunkIndex, EntriesStayPutAndRemovedOnesAreReusedAsNew) {
    ChunkIndex index;
    std::vector<IndexEntry*> entries;
    for (int16_t i = 0; i < 1500; ++i) // several blocks
        entries.push_back(&Put(index, i % 3 ? kA : kB, i));
    for (int16_t i = 0; i < 1500; ++i)
        ASSERT_EQ(entries[size_t(i)]->id, i);
    // Walked as stored, they come in the order they were added, whatever their types.
    std::vector<IndexEntry*> stored;
    index.ForEachStored([&](IndexEntry& e) { stored.push_back(&e); });
    EXPECT_EQ(stored, entries);

    IndexEntry* gone = entries[7];
    gone->offset = 700;
    gone->Replaces().push_back(64);
    gone->SetNameKey(3);
    EXPECT_TRUE(index.Remove(gone));
    EXPECT_FALSE(index.Remove(gone)) << "no longer listed";
    ChunkIndex other;
    EXPECT_FALSE(other.Remove(entries[8])) << "not this index's";
    // A removed entry still lies where it was, reset.
    int walked = 0;
    index.ForEachStored([&](IndexEntry& e) {
        if (&e == gone) {
            EXPECT_TRUE(e.offset == -1 && !e.HasReplaced() && e.type == 0);
        }
        ++walked;
    });
    EXPECT_EQ(walked, 1500);

    IndexEntry& again = index.Add(kC);
    EXPECT_EQ(&again, gone);
    EXPECT_EQ(again.type, kC);
    EXPECT_EQ(again.offset, -1);
    EXPECT_EQ(again.id, 0);
    EXPECT_STREQ(again.Label(), "");
    EXPECT_FALSE(again.HasReplaced());
    EXPECT_EQ(again.NameKey(), -1);
    EXPECT_EQ(again.Handle(), nullptr);
}

// Removing a type's last entry, or the whole type, drops the type; lookups of the other types
// still find them, wherever they now stand.
TEST(ChunkIndex, TypesGoWithTheirLastEntry) {
    ChunkIndex index;
    IndexEntry& a = Put(index, kA, 1);
    Put(index, kB, 2);
    Put(index, kC, 3);
    Put(index, kC, 4);
    ASSERT_NE(index.FindType(kC), nullptr); // remembered where it stands
    EXPECT_TRUE(index.Remove(&a));
    EXPECT_EQ(index.FindType(kA), nullptr);
    ASSERT_NE(index.FindType(kC), nullptr);
    EXPECT_EQ(index.FindType(kC)->entries.size(), 2u);
    index.RemoveType(kB);
    EXPECT_EQ(index.FindType(kB), nullptr);
    EXPECT_EQ(index.FindType(kC)->type, kC);
    EXPECT_EQ(Ids(index), std::vector<int16_t>({3, 4}));
    index.RemoveType(kB); // nothing left to remove
    EXPECT_EQ(index.TypeCount(), 1);
}

// Many types (a file whose every chunk has its own): each is found where it stands, also after
// types before it went and the ones behind moved up, and after the index was moved and cleared.
TEST(ChunkIndex, ManyTypesAreFoundWhereverTheyStand) {
    ChunkIndex index;
    std::vector<IndexEntry*> firsts;
    for (uint32_t t = 0; t < 3000; ++t)
        firsts.push_back(&Put(index, 0x41000000 + t, int16_t(t)));
    index.RemoveType(0x41000000 + 10);
    EXPECT_TRUE(index.Remove(firsts[20]));
    ChunkIndex moved = std::move(index);
    EXPECT_EQ(moved.TypeCount(), 2998);
    for (uint32_t t = 0; t < 3000; ++t) {
        const iff::TypeNode* node = moved.FindType(0x41000000 + t);
        if (t == 10 || t == 20) {
            EXPECT_EQ(node, nullptr) << t;
            continue;
        }
        ASSERT_NE(node, nullptr) << t;
        EXPECT_EQ(node->type, 0x41000000 + t);
        ASSERT_EQ(node->entries.size(), 1u);
        EXPECT_EQ(node->entries[0]->id, int16_t(t));
    }
    moved.Clear();
    EXPECT_EQ(moved.FindType(0x41000000 + 5), nullptr);
    EXPECT_EQ(Put(moved, 0x41000000 + 5, 1).type, 0x41000000u + 5);
    EXPECT_EQ(moved.TypeCount(), 1);
}

// A label as the resource map writes it, by its counted length, which must end at its NUL.
std::string Label(const IndexEntry& e) {
    EXPECT_EQ(std::strlen(e.Label()), e.LabelLength());
    return std::string(e.Label(), e.LabelLength());
}

TEST(ChunkIndex, LabelsAreCutAndKeptWhileTheIndexLives) {
    ChunkIndex index;
    const std::string longest(iff::kMaxLabelChars, 'x');
    IndexEntry& cut = Put(index, kA, 1, (longest + "yz").c_str());
    EXPECT_EQ(Label(cut), longest);
    IndexEntry& none = Put(index, kA, 2, nullptr);
    EXPECT_EQ(Label(none), "");
    // Enough labels for several blocks: every one still reads as it was set.
    std::vector<IndexEntry*> many;
    for (int i = 0; i < 2000; ++i)
        many.push_back(&Put(index, kB, int16_t(i), (std::to_string(i) + longest).c_str()));
    for (int i = 0; i < 2000; ++i)
        ASSERT_EQ(Label(*many[size_t(i)]),
                  (std::to_string(i) + longest).substr(0, iff::kMaxLabelChars));
    // Bytes counted rather than NUL-terminated: only those counted, still cut at a NUL.
    const char bytes[] = {'a', 'b', 'c', 'd'};
    index.SetLabel(none, bytes, 3);
    EXPECT_EQ(Label(none), "abc");
    index.SetLabel(none, "x\0y", 3);
    EXPECT_EQ(Label(none), "x");
    // A label set again from its own text.
    index.SetLabel(cut, cut.Label());
    EXPECT_EQ(Label(cut), longest);
}

// Moving an index moves its entries and labels along; the index moved from starts afresh.
TEST(ChunkIndex, MovingKeepsEntriesAndLeavesAnEmptyIndex) {
    ChunkIndex from;
    IndexEntry& e = Put(from, kA, 5, "kept");
    ChunkIndex to = std::move(from);
    ASSERT_NE(to.FindType(kA), nullptr);
    EXPECT_EQ(to.EntryAt(*to.FindType(kA), 1), &e);
    EXPECT_STREQ(e.Label(), "kept");
    IndexEntry& fresh = Put(from, kB, 6, "new");
    EXPECT_EQ(Ids(from), std::vector<int16_t>({6}));
    EXPECT_STREQ(fresh.Label(), "new");
    to = std::move(from);
    EXPECT_EQ(Ids(to), std::vector<int16_t>({6}));
}

// An entry's one pointer is its label until it takes extras, which then hold the label: the
// label reads the same before and after, set again either way, and goes along when the entry
// is moved; an entry reset drops its extras with their label.
TEST(ChunkIndex, LabelsStayWithEntriesThatTakeExtras) {
    ChunkIndex index;
    IndexEntry& e = Put(index, kA, 1, "before");
    e.SetNameKey(-1); // "none" on an entry without extras makes none
    EXPECT_EQ(e.NameKey(), -1);
    e.SetNameKey(7);
    EXPECT_EQ(Label(e), "before");
    index.SetLabel(e, "after");
    EXPECT_EQ(Label(e), "after");
    EXPECT_EQ(e.NameKey(), 7);
    e.Replaces().push_back(40);
    IndexEntry moved(std::move(e));
    EXPECT_EQ(Label(moved), "after");
    EXPECT_EQ(moved.NameKey(), 7);
    EXPECT_TRUE(moved.HasReplaced());
    EXPECT_EQ(Label(e), "");
    EXPECT_EQ(e.NameKey(), -1);
    EXPECT_FALSE(e.HasReplaced());
    // Assigning over an entry with extras of its own frees them (LeakSanitizer would tell).
    IndexEntry& other = Put(index, kA, 2, "other");
    other.SetNameKey(3);
    other = std::move(moved);
    EXPECT_EQ(Label(other), "after");
    EXPECT_EQ(other.NameKey(), 7);
    other = IndexEntry{};
    EXPECT_EQ(Label(other), "");
    EXPECT_EQ(other.Handle(), nullptr);
    EXPECT_EQ(other.NameKey(), -1);
}

TEST(ChunkIndex, ReplacedOffsetsAreKeptInOrder) {
    iff::OffsetList list;
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.begin(), list.end());
    iff::OffsetList more;
    list.append(more); // nothing to add
    EXPECT_TRUE(list.empty());
    more.push_back(300);
    more.push_back(400);
    list.push_back(100);
    list.append(more);
    std::vector<int32_t> seen(list.begin(), list.end());
    EXPECT_EQ(seen, std::vector<int32_t>({100, 300, 400}));
    EXPECT_EQ(list.back(), 400);
    list.pop_back();
    EXPECT_EQ(list.back(), 300);
}

} // namespace

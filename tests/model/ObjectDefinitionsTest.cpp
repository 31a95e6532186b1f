#include <gtest/gtest.h>

#include "model/ModelFiles.h"
#include "model/ObjectDefinitions.h"

using namespace modeltest;

namespace {

Bytes Objd(uint32_t version, int16_t treeTable, int16_t masterId, int16_t subIndex,
           size_t size = 216) {
    Bytes b(size, 0xEE);
    auto put = [&](size_t at, int32_t v) {
        if (at + 1 < b.size()) {
            b[at] = uint8_t(v);
            b[at + 1] = uint8_t(uint32_t(v) >> 8);
        }
    };
    put(0, int32_t(version & 0xFFFF));
    put(2, int32_t(version >> 16));
    put(6, 100);
    put(8, 4);
    put(14, treeTable);
    put(20, masterId);
    put(22, subIndex);
    return b;
}

std::unique_ptr<CObjectSet> SetOf(const std::string& path,
                                  const std::vector<std::pair<int16_t, Bytes>>& defs) {
    auto file = NewFile(path);
    for (const auto& [id, body] : defs)
        Put(*file, kOBJD, id, body, "def " + std::to_string(id));
    auto set = std::make_unique<CObjectSet>();
    set->SetResourceFile(std::move(file));
    set->LoadDefinitions();
    return set;
}

} // namespace

TEST(ObjectDefinitions, SingleTileObject) {
    ScratchDir dir;
    auto set = SetOf(dir / "one.iff", {{128, Objd(138, 129, 0, 0)}});
    ASSERT_EQ(set->Definitions().size(), 1u);
    ASSERT_EQ(set->Masters().size(), 1u);
    const CObjectDefinition& d = *set->Masters()[0];
    EXPECT_EQ(d.Id(), 128);
    EXPECT_EQ(d.MasterIndex(), 0);
    EXPECT_EQ(d.Name(), CTGString("def 128"));
    EXPECT_EQ(d.Version(), 138u);
    EXPECT_EQ(d.TreeTableId(), 129);
    EXPECT_EQ(d.BaseGraphicId(), 100);
    EXPECT_EQ(d.GraphicCount(), 4);
    EXPECT_TRUE(d.Parts().empty());
    EXPECT_EQ(d.Master(), nullptr);
    EXPECT_EQ(&d.Owner(), set.get());
    EXPECT_EQ(d.opacity, 255);
}

TEST(ObjectDefinitions, ThreeTileObjectAndAnOrphanPart) {
    ScratchDir dir;
    auto set = SetOf(dir / "three.iff", {{200, Objd(138, -1, 7, 0x0001)},
                                         {201, Objd(138, 300, 7, -1)},
                                         {202, Objd(138, -1, 9, 0x0001)},
                                         {203, Objd(138, -1, 7, 0x0100)},
                                         {204, Objd(138, 301, 0, 5)}});
    ASSERT_EQ(set->Definitions().size(), 5u);
    ASSERT_EQ(set->Masters().size(), 2u);
    const CObjectDefinition& master = *set->Masters()[0];
    EXPECT_EQ(master.Id(), 201);
    ASSERT_EQ(master.Parts().size(), 2u);
    EXPECT_EQ(master.Parts()[0]->Id(), 200);
    EXPECT_EQ(master.Parts()[1]->Id(), 203);
    EXPECT_EQ(master.Parts()[1]->Master(), &master);
    EXPECT_EQ(master.Parts()[1]->MasterIndex(), -1);
    EXPECT_EQ(set->Masters()[1]->Id(), 204);
    EXPECT_EQ(set->Masters()[1]->MasterIndex(), 1);
    const CObjectDefinition* orphan = set->FindDefinition(202);
    ASSERT_NE(orphan, nullptr);
    EXPECT_EQ(orphan->Master(), nullptr);
    EXPECT_EQ(orphan->MasterIndex(), -1);
}

TEST(ObjectDefinitions, OlderAndOddSizedBodiesAreNormalised) {
    Bytes v137 = Objd(137, 129, 0, 0, 100);
    auto d = CObjectDefinition::Normalise(v137.data(), int32_t(v137.size()));
    EXPECT_EQ(d[0], 138);
    EXPECT_EQ(d[14], 129);
    EXPECT_EQ(d[99], 0xEE);
    for (size_t i = 100; i < d.size(); ++i)
        ASSERT_EQ(d[i], 0) << i;

    Bytes odd = Objd(136, 1, 0, 0, 101);
    d = CObjectDefinition::Normalise(odd.data(), int32_t(odd.size()));
    EXPECT_EQ(d[0], 138);
    EXPECT_EQ(d[99], 0xEE);
    EXPECT_EQ(d[100], 0); // the word holding the odd last byte is cleared

    Bytes newer = Objd(138, 1, 0, 0, 100);
    d = CObjectDefinition::Normalise(newer.data(), int32_t(newer.size()));
    EXPECT_EQ(d[0], 138);
    EXPECT_EQ(d[100], 0);

    Bytes big = Objd(140, 1, 0, 0, 300);
    big[215] = 0x42;
    d = CObjectDefinition::Normalise(big.data(), int32_t(big.size()));
    EXPECT_EQ(d[215], 0x42);

    Bytes tiny{0x05};
    d = CObjectDefinition::Normalise(tiny.data(), 1);
    EXPECT_EQ(d[0], 0x05);
    EXPECT_EQ(d[1], 0);
    tiny[0] = 137; // cut inside the version field
    d = CObjectDefinition::Normalise(tiny.data(), 1);
    EXPECT_EQ(d[0], 138);
}

TEST(ObjectDefinitions, FileWithoutDefinitionsHasNoMasters) {
    ScratchDir dir;
    auto set = SetOf(dir / "none.iff", {});
    EXPECT_TRUE(set->Masters().empty());
    EXPECT_EQ(set->CloseFile(), 0);
    EXPECT_EQ(set->ResourceFile(), nullptr);
    set->LoadDefinitions();
    EXPECT_TRUE(set->Definitions().empty());
}

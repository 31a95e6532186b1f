#include <gtest/gtest.h>

#include "ByteWriter.h"
#include "preview/ColorPalette.h"

namespace {

std::vector<PaletteEntry> Greys() {
    std::vector<PaletteEntry> e(256);
    for (int i = 0; i < 256; ++i)
        e[size_t(i)] = {uint8_t(i), uint8_t(i), uint8_t(i), 0};
    return e;
}

TEST(Palette, GreyRampWithReservedColours) {
    CColorPalette p;
    p.LoadFromEntries(Greys().data(), true);
    EXPECT_TRUE(p.HasReservedSystemColors());
    EXPECT_EQ(p.FindNearestColor(128, 128, 128), 128);
    EXPECT_EQ(p.FindNearestColor(0, 0, 0), 10);
    EXPECT_EQ(p.FindNearestColor(255, 255, 255), 245);
    // No system palette: the copied values stay in the reserved entries.
    EXPECT_EQ(p.Entries()[3].red, 3);
    EXPECT_EQ(p.Entries()[250].blue, 250);

    p.LoadFromEntries(Greys().data(), false);
    EXPECT_FALSE(p.HasReservedSystemColors());
    EXPECT_EQ(p.FindNearestColor(0, 0, 0), 0);
}

TEST(Palette, DisplaySystemPaletteFillsReservedEntries) {
    std::vector<PaletteEntry> system(256, PaletteEntry{1, 2, 3, 0});
    SetDisplaySystemPalette(system.data());
    CColorPalette p;
    p.LoadFromEntries(Greys().data(), true);
    SetDisplaySystemPalette(nullptr);
    EXPECT_EQ(p.Entries()[0].green, 2);
    EXPECT_EQ(p.Entries()[255].blue, 3);
    EXPECT_EQ(p.Entries()[10].red, 10);
}

TEST(Palette, WeightsTiesAndExactMatches) {
    // Green weighs 4, red 2, blue 1: (0,0,10) is nearer black than (0,6,0) is.
    CColorPalette p;
    p.LoadFromChunk(PaltBody({{0, 6, 0}, {0, 0, 10}}).data(),
                    PaltBody({{0, 6, 0}, {0, 0, 10}}).size());
    EXPECT_EQ(p.FindNearestColor(0, 0, 0), 1);
    // Ties keep the lower index; an exact match later wins over one at the first index.
    const auto body = PaltBody({{5, 5, 5}, {7, 7, 7}, {9, 9, 9}, {7, 7, 7}, {5, 5, 5}});
    p.LoadFromChunk(body.data(), body.size());
    EXPECT_EQ(p.FindNearestColor(8, 8, 8), 1);
    EXPECT_EQ(p.FindNearestColor(7, 7, 7), 1);
    EXPECT_EQ(p.FindNearestColor(5, 5, 5), 4);
    EXPECT_EQ(p.Count(), 5);
    EXPECT_EQ(p.FindNearestColor(255, 255, 255), 2); // never past the last entry
}

TEST(Palette, ChunkCountIsCutToTheColoursHeld) {
    auto body = PaltBody({{1, 2, 3}, {4, 5, 6}});
    body[4] = 200;
    CColorPalette p;
    p.LoadFromChunk(body.data(), body.size());
    EXPECT_EQ(p.Count(), 2);
    EXPECT_EQ(p.Entry(1).blue, 6);
    EXPECT_EQ(p.Entry(2).red, 0);
    p.LoadFromChunk(body.data(), 5);
    EXPECT_EQ(p.Count(), 0);
}

TEST(Palette, GreyPaletteIsBuiltOnce) {
    const CColorPalette& g = GreyPalette();
    EXPECT_EQ(&g, &GreyPalette());
    EXPECT_EQ(g.Count(), 256);
    EXPECT_FALSE(g.HasReservedSystemColors());
    EXPECT_EQ(g.Entry(200).green, 200);
}

} // namespace

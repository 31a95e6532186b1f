#include <gtest/gtest.h>

#include <cstdint>

#include "platform/DibSection.h"

namespace {

TEST(DibSection, RowsAreBottomUpAndPaddedToFourBytes) {
    DibPtr dib = CDibSection::Create(3, 2, 24);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->Stride(), 12u); // 9 bytes padded
    EXPECT_EQ(dib->SizeBytes(), 24u);
    EXPECT_EQ(dib->Row(1), dib->Bits() + 12);
    EXPECT_EQ(dib->ColorTable(), nullptr);
    EXPECT_EQ(dib->Bits()[23], 0);

    EXPECT_EQ(CDibSection::Create(5, 1, 8)->Stride(), 8u);
    EXPECT_EQ(CDibSection::Create(3, 1, 16)->Stride(), 8u);
    EXPECT_EQ(CDibSection::Create(4, 1, 8)->Stride(), 4u);
}

TEST(DibSection, RefusesWhatThePlatformWouldRefuse) {
    EXPECT_FALSE(CDibSection::Create(0, 5, 8));
    EXPECT_FALSE(CDibSection::Create(5, -1, 8));
    EXPECT_FALSE(CDibSection::Create(5, 5, 32));
    EXPECT_FALSE(CDibSection::Create(0x7FFFFFFF, 0x7FFFFFFF, 24));
    EXPECT_FALSE(CDibSection::Create(40000, 40000, 24));
}

TEST(DibSection, ByteLimitCanBeLoweredAndRestoredButNotRaised) {
    CDibSection::SetByteLimit(1024);
    EXPECT_TRUE(CDibSection::Create(16, 16, 24));  // 768 bytes
    EXPECT_FALSE(CDibSection::Create(16, 32, 24)); // 1536 bytes
    CDibSection::SetByteLimit(SIZE_MAX);
    EXPECT_TRUE(CDibSection::Create(16, 32, 24));
    EXPECT_FALSE(CDibSection::Create(40000, 40000, 24)); // still above the platform's limit
    CDibSection::SetByteLimit(CDibSection::kMaxBytes);
}

TEST(DibSection, ColourTableIsCopiedAndDescribed) {
    RgbQuad table[256];
    for (int i = 0; i < 256; ++i)
        table[i] = RgbQuad{uint8_t(i), 1, 2, 0};
    DibPtr dib = CDibSection::Create(2, 3, 8, table);
    table[5].blue = 99;
    ASSERT_TRUE(dib && dib->ColorTable());
    EXPECT_EQ(dib->ColorTable()[5].blue, 5);
    DibDescription d;
    ASSERT_TRUE(DescribeDib(dib.get(), d));
    EXPECT_EQ(d.width, 2);
    EXPECT_EQ(d.height, 3);
    EXPECT_EQ(d.bitsPerPixel, 8);
    EXPECT_EQ(d.stride, 4u);
    EXPECT_FALSE(DescribeDib(nullptr, d));
}

TEST(DibSection, DisplayHasNoSystemPaletteUnlessOneIsInstalled) {
    PaletteEntry out[256];
    EXPECT_EQ(GetSystemPaletteEntries(0, 256, out), 0);
    PaletteEntry mine[256] = {};
    mine[250].red = 7;
    SetDisplaySystemPalette(mine);
    EXPECT_EQ(GetSystemPaletteEntries(246, 10, out), 10);
    EXPECT_EQ(out[4].red, 7);
    SetDisplaySystemPalette(nullptr);
    EXPECT_EQ(GetSystemPaletteEntries(0, 256, out), 0);
}

TEST(ColorRef, ChannelsRoundTrip) {
    const ColorRef c = MakeColorRef(0x12, 0x34, 0x56);
    EXPECT_EQ(c, 0x00563412u);
    EXPECT_EQ(ColorRefRed(c), 0x12);
    EXPECT_EQ(ColorRefGreen(c), 0x34);
    EXPECT_EQ(ColorRefBlue(c), 0x56);
}

} // namespace

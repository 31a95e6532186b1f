#include <gtest/gtest.h>

#include <string>

#include "ByteWriter.h"
#include "MemoryResourceFile.h"
#include "preview/ColorPalette.h"
#include "preview/SpriteDecoder.h"

namespace {

// Pixel at column x of the row y counted from the top of the frame.
int At(const DibPtr& plane, int x, int y) {
    return plane->Row(plane->Height() - 1 - y)[x];
}

// The plane's rows from the top: '.' where the value is `empty`, else the value as a hex digit of
// its top nibble ('8' for 128, 'f' for 255...) - enough to tell the cases of the tests apart.
std::string Rows(const DibPtr& plane, int empty) {
    std::string s;
    for (int y = 0; y < plane->Height(); ++y) {
        if (y) s += '/';
        for (int x = 0; x < plane->Width(); ++x) {
            const int v = At(plane, x, y);
            s += v == empty ? '.' : "0123456789abcdef"[v >> 4];
        }
    }
    return s;
}

struct Decoded {
    int result = 0;
    int32_t size[2] = {-7, -7};
    int32_t position[2] = {-7, -7};
    int32_t paletteId = -7;
    int32_t transparent = -1;
    CColorPalette palette;
    DibPtr color, depth, alpha;
};

Decoded Render(CMemoryResourceFile& file, int16_t id, int32_t frame = 0, ColorRef colour = 0) {
    Decoded d;
    d.result = RenderSpriteFrame(&file, id, frame, colour, &d.transparent, d.position, d.size,
                                 &d.palette, &d.paletteId, &d.color, &d.depth, &d.alpha);
    return d;
}

std::vector<uint8_t> Spr(std::vector<std::vector<uint8_t>> frames, int32_t palette = 5) {
    return SpriteBody(palette, frames);
}

TEST(SprDecode, EachCommand) {
    CMemoryResourceFile file;
    // Row 0: skip 1, fill 2 of colour 7. Row 1: literal 1 2 3 (one padding byte follows since
    // the stream is then at an odd offset). Command 9 count 1 leaves row 2 blank. Row 3: fill.
    file.Put(kTypeSPR, 1, Spr({SprFrame(4, 4, {4, 0, 1,    1, 2, 2, 7, 0xEE, 4, 0, 3, 3, 1,
                                               2, 3, 0xEE, 9, 1, 4, 0, 2,    1, 9, 0, 5, 0})}));
    Decoded d = Render(file, 1);
    EXPECT_EQ(d.result, 15);
    EXPECT_EQ(d.size[0], 4);
    EXPECT_EQ(d.size[1], 4);
    ASSERT_TRUE(d.color && d.depth && d.alpha);
    const int t = d.transparent;
    const int expected[4][4] = {{t, 7, 7, t}, {1, 2, 3, t}, {t, t, t, t}, {9, t, t, t}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(At(d.color, x, y), expected[y][x]) << x << "," << y;
    EXPECT_EQ(Rows(d.depth, 255), ".88./888./..../8...");
    EXPECT_EQ(Rows(d.alpha, 0), ".ff./fff./..../f...");
}

TEST(SprDecode, FillAlwaysTakesFourBytesAndLiteralPadsToEvenOffset) {
    CMemoryResourceFile file;
    // A fill of count 0 still consumes its colour and spare byte; a literal run of 2 needs no pad.
    file.Put(kTypeSPR, 1, Spr({SprFrame(3, 1, {4, 0, 2, 0, 4, 4, 3, 2, 6, 6, 2, 1, 8, 0, 5, 0})}));
    Decoded d = Render(file, 1);
    ASSERT_TRUE(d.color);
    EXPECT_EQ(At(d.color, 0, 0), 6);
    EXPECT_EQ(At(d.color, 1, 0), 6);
    EXPECT_EQ(At(d.color, 2, 0), 8);
}

TEST(SprDecode, SkipRowsLeavesThreeBlankRows) {
    CMemoryResourceFile file;
    file.Put(kTypeSPR, 1, Spr({SprFrame(2, 5, {4, 0, 2, 2, 1, 0, 9, 3, 4, 0, 2, 2, 1, 0, 5, 0})}));
    Decoded d = Render(file, 1);
    ASSERT_TRUE(d.depth);
    EXPECT_EQ(Rows(d.depth, 255), "88/../../../88");
}

TEST(SprDecode, OneByOneIsDrawn) {
    CMemoryResourceFile file;
    file.Put(kTypeSPR, 1, Spr({SprFrame(1, 1, {4, 0, 2, 1, 3, 0, 5, 0})}));
    Decoded d = Render(file, 1);
    EXPECT_EQ(d.size[0], 1);
    EXPECT_EQ(d.size[1], 1);
    ASSERT_TRUE(d.color);
    EXPECT_EQ(At(d.color, 0, 0), 3);
}

TEST(SprDecode, BadTokenThrowsAndReleasesTheChunks) {
    CMemoryResourceFile file;
    file.Put(kTypeSPR, 1, Spr({SprFrame(2, 2, {4, 0, 7, 1, 5, 0})}));
    file.Put(kTypePALT, 5, PaltBody({{1, 2, 3}}));
    Decoded d;
    d.color = CDibSection::Create(1, 1, 8);
    try {
        RenderSpriteFrame(&file, 1, 0, 0, &d.transparent, nullptr, d.size, &d.palette, nullptr,
                          &d.color, &d.depth, &d.alpha);
        FAIL() << "no error";
    } catch (const CBadTokenError& e) {
        EXPECT_STREQ(e.what(), "bad token");
    }
    EXPECT_EQ(file.Outstanding(), 0);
    EXPECT_FALSE(d.color); // a plane slot is emptied before decoding
    // Measuring never decodes, so it never sees the bad command.
    int32_t size[2] = {};
    EXPECT_EQ(RenderSpriteFrame(&file, 1, 0, 0, nullptr, nullptr, size, nullptr, nullptr, nullptr,
                                nullptr, nullptr),
              1);
    EXPECT_EQ(size[0], 2);
}

TEST(SprDecode, MalformedStreamsStayInsideThePlanes) {
    CMemoryResourceFile file;
    // Pixels before the first row command, a row longer than the width, rows below the bottom,
    // and a literal run cut off by the end of the body.
    file.Put(kTypeSPR, 1, Spr({SprFrame(2, 2, {2, 5, 1, 0, 4, 0, 2, 9, 2, 0, 4,   0, 4,
                                               0, 4, 0, 2, 3, 4, 0, 4, 0, 3, 200, 1})}));
    Decoded d = Render(file, 1);
    ASSERT_TRUE(d.color);
    EXPECT_EQ(Rows(d.depth, 255), "88/..");
    EXPECT_EQ(At(d.color, 1, 0), 2);
    EXPECT_EQ(file.Outstanding(), 0);
}

TEST(SprDecode, BigEndianBodyIsSwappedOnce) {
    // Build the body little-endian, then turn its header words big-endian.
    std::vector<uint8_t> body = SpriteBody(5, {SprFrame(2, 1, {4, 0, 2, 2, 4, 0, 5, 0})}, 503);
    auto flip32 = [&](size_t at) {
        std::swap(body[at], body[at + 3]), std::swap(body[at + 1], body[at + 2]);
    };
    flip32(0);
    flip32(4);
    flip32(8);
    flip32(12);
    for (size_t k = 0; k < 4; ++k)
        std::swap(body[16 + 2 * k], body[17 + 2 * k]);
    CMemoryResourceFile file;
    file.Put(kTypeSPR, 1, body, /*native=*/false);
    Decoded d = Render(file, 1);
    EXPECT_EQ(d.size[0], 2);
    EXPECT_EQ(d.size[1], 1);
    EXPECT_EQ(d.paletteId, 5);
    ASSERT_TRUE(d.color);
    EXPECT_EQ(At(d.color, 0, 0), 4);
}

TEST(SprSwap, StaysInsideAShortBody) {
    // Claims 1000 frames, holds one offset pointing past the end.
    ByteWriter w;
    w.U8s({0, 0, 0x01, 0xF7}).U8s({0, 0, 0x03, 0xE8}).U8s({0, 0, 0, 5}).U8s({0, 0, 0x10, 0});
    SwapSprBody(w.bytes.data(), int32_t(w.Size()));
    EXPECT_EQ(w.bytes[4], 0xE8);
    EXPECT_EQ(w.bytes[13], 0x10);
    SwapSprBody(w.bytes.data(), 3); // too short to hold a version: untouched
}

TEST(Spr2Decode, EachCommand) {
    CMemoryResourceFile file;
    // Row 0: two (depth, colour) pixels; pads nothing (even). Row 1: skip 1, one (depth, colour,
    // alpha) pixel, then a padding byte. Command 4 count 2: rows 2 and 3, row 3 current.
    // Row 3: three colour-only pixels and a padding byte. End with 7.
    file.Put(kTypeSPR2, 2,
             SpriteBody(3, {Spr2Frame(3, 4, -1,
                                      {Cmd2Lo(0, 0),
                                       Cmd2Hi(0, 0),
                                       Cmd2Lo(1, 2),
                                       Cmd2Hi(1, 2),
                                       10,
                                       20,
                                       11,
                                       21,
                                       Cmd2Lo(0, 0),
                                       Cmd2Hi(0, 0),
                                       Cmd2Lo(3, 1),
                                       Cmd2Hi(3, 1),
                                       Cmd2Lo(2, 1),
                                       Cmd2Hi(2, 1),
                                       12,
                                       22,
                                       31,
                                       0xEE,
                                       Cmd2Lo(4, 2),
                                       Cmd2Hi(4, 2),
                                       Cmd2Lo(6, 3),
                                       Cmd2Hi(6, 3),
                                       1,
                                       2,
                                       3,
                                       0xEE,
                                       Cmd2Lo(7, 0),
                                       Cmd2Hi(7, 0),
                                       Cmd2Lo(6, 1),
                                       Cmd2Hi(6, 1),
                                       9})}));
    Decoded d = Render(file, 2);
    EXPECT_EQ(d.result, 15);
    EXPECT_EQ(d.size[0], 3);
    EXPECT_EQ(d.size[1], 4);
    EXPECT_EQ(d.paletteId, 3);
    ASSERT_TRUE(d.color);
    EXPECT_EQ(At(d.color, 0, 0), 20);
    EXPECT_EQ(At(d.depth, 0, 0), 10);
    EXPECT_EQ(At(d.color, 1, 0), 21);
    EXPECT_EQ(At(d.depth, 1, 0), 11);
    EXPECT_EQ(At(d.color, 1, 1), 22);
    EXPECT_EQ(At(d.depth, 1, 1), 12);
    EXPECT_EQ(At(d.alpha, 1, 1), 248);
    EXPECT_EQ(Rows(d.depth, 255), "00./.0./.../888");
    EXPECT_EQ(Rows(d.alpha, 0), "ff./.f./.../fff");
    EXPECT_EQ(At(d.color, 2, 3), 3);
}

TEST(Spr2Decode, AlphaIsScaledByEightInEightBits) {
    CMemoryResourceFile file;
    file.Put(kTypeSPR2, 2,
             SpriteBody(3, {Spr2Frame(2, 1, -1,
                                      {Cmd2Lo(0, 0), Cmd2Hi(0, 0), Cmd2Lo(2, 2), Cmd2Hi(2, 2), 1, 1,
                                       31, 1, 1, 32, Cmd2Lo(5, 0), Cmd2Hi(5, 0)})}));
    Decoded d = Render(file, 2);
    ASSERT_TRUE(d.alpha);
    EXPECT_EQ(At(d.alpha, 0, 0), 248);
    EXPECT_EQ(At(d.alpha, 1, 0), 0);
}

TEST(Spr2Decode, OneByOneIsNeverDrawnAndFramePaletteOverridesTheBody) {
    CMemoryResourceFile file;
    file.Put(kTypeSPR2, 2,
             SpriteBody(3, {Spr2Frame(1, 1, -1, {Cmd2Lo(5, 0), Cmd2Hi(5, 0)}),
                            Spr2Frame(2, 1, 7, {Cmd2Lo(5, 0), Cmd2Hi(5, 0)})}));
    Decoded one = Render(file, 2, 0);
    EXPECT_EQ(one.size[0], 0);
    EXPECT_EQ(one.size[1], 0);
    EXPECT_EQ(one.paletteId, 3);
    Decoded seven = Render(file, 2, 1);
    EXPECT_EQ(seven.size[0], 2);
    EXPECT_EQ(seven.paletteId, 7);
}

TEST(SpriteFrame, FrameChoiceAndMissingSprites) {
    CMemoryResourceFile file;
    file.Put(kTypeSPR2, 2,
             SpriteBody(3, {Spr2Frame(2, 1, -1, {Cmd2Lo(5, 0), Cmd2Hi(5, 0)}),
                            Spr2Frame(4, 1, -1, {Cmd2Lo(5, 0), Cmd2Hi(5, 0)})}));
    EXPECT_EQ(Render(file, 2, 1).size[0], 4);
    EXPECT_EQ(Render(file, 2, 2).size[0], 2); // past the count: frame 0
    Decoded negative = Render(file, 2, -1);
    EXPECT_EQ(negative.size[0], 0);
    EXPECT_EQ(negative.result, 1);
    EXPECT_FALSE(negative.color);
    Decoded missing = Render(file, 99);
    EXPECT_EQ(missing.result, 1);
    EXPECT_EQ(missing.size[0], 0);
    EXPECT_EQ(missing.position[0], 0);
    EXPECT_EQ(missing.paletteId, 0);
    EXPECT_EQ(file.Outstanding(), 0);
}

TEST(SpriteFrame, CountsAndOffsetsPastTheBodyAreBounded) {
    // The count claims 50 frames but the body holds one offset; index 10 falls back to frame 0.
    std::vector<uint8_t> body = SpriteBody(3, {Spr2Frame(2, 1, -1, {Cmd2Lo(5, 0), Cmd2Hi(5, 0)})});
    body[4] = 50;
    CMemoryResourceFile file;
    file.Put(kTypeSPR2, 2, body);
    EXPECT_EQ(Render(file, 2, 10).size[0], 2);
    // A frame offset past the end: no frame.
    body[4] = 1;
    body[12] = 0xF0;
    file.Put(kTypeSPR2, 3, body);
    Decoded d = Render(file, 3);
    EXPECT_EQ(d.size[0], 0);
    EXPECT_FALSE(d.color);
    // A body too short for its header.
    file.Put(kTypeSPR2, 4, {1, 0, 0});
    EXPECT_EQ(Render(file, 4).size[0], 0);
}

TEST(SpriteFrame, PaletteAndTransparentIndex) {
    CMemoryResourceFile file;
    file.Put(kTypeSPR2, 2, SpriteBody(7, {Spr2Frame(2, 1, -1, {Cmd2Lo(5, 0), Cmd2Hi(5, 0)})}));
    file.Put(kTypePALT, 7, PaltBody({{0, 0, 0}, {250, 0, 0}, {0, 250, 0}}));
    Decoded d = Render(file, 2, 0, MakeColorRef(0, 255, 0));
    EXPECT_EQ(d.palette.Count(), 3);
    EXPECT_EQ(d.transparent, 2);
    EXPECT_EQ(At(d.color, 0, 0), 2); // every pixel starts as the transparent index
    EXPECT_EQ(d.color->ColorTable()[1].red, 250);
    EXPECT_EQ(d.color->ColorTable()[3].red, 0); // entries the palette lacks are zero
    EXPECT_EQ(d.depth->ColorTable()[200].green, 200);

    // A given transparent index is kept.
    CColorPalette palette;
    int32_t transparent = 1;
    DibPtr color;
    RenderSpriteFrame(&file, 2, 0, 0, &transparent, nullptr, nullptr, &palette, nullptr, &color,
                      nullptr, nullptr);
    EXPECT_EQ(At(color, 1, 0), 1);

    // Without a palette chunk, the preview palette's colours with reserved entries.
    file.Put(kTypeSPR2, 3, SpriteBody(8, {Spr2Frame(2, 1, -1, {Cmd2Lo(5, 0), Cmd2Hi(5, 0)})}));
    Decoded grey = Render(file, 3, 0, MakeColorRef(0, 0, 0));
    EXPECT_EQ(grey.palette.Count(), 256);
    EXPECT_TRUE(grey.palette.HasReservedSystemColors());
    EXPECT_EQ(grey.transparent, 10);

    // Without a palette object the transparent index is 255 and the table is grey.
    DibPtr plain;
    RenderSpriteFrame(&file, 3, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, &plain, nullptr,
                      nullptr);
    ASSERT_TRUE(plain);
    EXPECT_EQ(At(plain, 0, 0), 255);
    EXPECT_EQ(plain->ColorTable()[77].blue, 77);
    EXPECT_EQ(file.Outstanding(), 0);
}

TEST(SpriteFrame, EmptySprFrameIsDecodedAsOnePixel) {
    CMemoryResourceFile file;
    file.Put(kTypeSPR, 1, Spr({SprFrame(0, 0, {5, 0})}));
    Decoded d = Render(file, 1);
    EXPECT_EQ(d.size[0], 0);
    ASSERT_TRUE(d.color);
    EXPECT_EQ(d.color->Width(), 1);
    EXPECT_EQ(d.color->Height(), 1);
}

} // namespace

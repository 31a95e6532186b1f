#include <gtest/gtest.h>

#include <cstring>

#include "PreviewScene.h"
#include "preview/ObjectPreview.h"
#include "preview/SpriteDecoder.h"

namespace {

constexpr ColorRef kGreyBackground = MakeColorRef(100, 100, 100);
constexpr Rgb kBg{100, 100, 100}, kRed{200, 0, 0}, kGreen{0, 200, 0}, kBlue{0, 0, 200};

// One single-tile definition drawing draw group 500 at view 9.
struct Scene {
    CMemoryResourceFile file;
    PreviewDefinition object;
    Scene() {
        PutScenePalette(file);
        object.baseGraphicId = 500;
        object.graphicCount = 1;
    }
    void Placements(const std::vector<ScenePlacement>& p, int view = 9) {
        file.Put(kTypeDGRP, 500, DrawGroupBody(view, p));
    }
    DibPtr Render(int32_t grid = 0, int view = 9) {
        return RenderPreview(file, object, view, kGreyBackground, grid);
    }
};

bool AllBackground(const CDibSection& canvas) {
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x)
            if (!(PixelAt(canvas, x, y) == kBg)) return false;
    return true;
}

TEST(ObjectPreview, NothingToDrawGivesPlainBackground33x33) {
    Scene s; // no draw group at all
    DibPtr pic = s.Render();
    ASSERT_TRUE(pic);
    EXPECT_EQ(pic->Width(), 33);
    EXPECT_EQ(pic->Height(), 33);
    EXPECT_EQ(pic->BitsPerPixel(), 24);
    EXPECT_TRUE(AllBackground(*pic));

    // A multi-tile master without parts, a graphic index out of range, a view past the images.
    s.Placements({{10}});
    PutSprite(s.file, 10, {Spr2Rect(4, 4, 1)});
    s.object.masterId = 7;
    s.object.subIndex = -1;
    EXPECT_EQ(s.Render()->Width(), 33);
    s.object.masterId = 0;
    s.object.graphicIndex = 1;
    EXPECT_EQ(s.Render()->Width(), 33);
    s.object.graphicIndex = 0;
    s.Placements({{10}}, 3);
    s.object.depth = 77;
    EXPECT_EQ(s.Render()->Width(), 33);
    EXPECT_EQ(s.object.depth, 77); // kept when the view is missing
    EXPECT_EQ(s.file.Outstanding(), 0);
}

TEST(ObjectPreview, MarginAndPlacement) {
    Scene s;
    PutSprite(s.file, 10, {Spr2Rect(4, 3, 1)});
    s.Placements({{10, 0, 5, 7}});
    DibPtr pic = s.Render();
    ASSERT_TRUE(pic);
    EXPECT_EQ(pic->Width(), 4 + 32);
    EXPECT_EQ(pic->Height(), 3 + 32);
    EXPECT_EQ(PixelAt(*pic, 16, 16), kRed);
    EXPECT_EQ(PixelAt(*pic, 19, 18), kRed);
    EXPECT_EQ(PixelAt(*pic, 20, 18), kBg);
    EXPECT_EQ(PixelAt(*pic, 16, 19), kBg);
    EXPECT_EQ(s.object.depth, 0);
}

TEST(ObjectPreview, HeightLiftsByTwentyRowsPerUnitTruncated) {
    for (auto [z, rows] : {std::pair{0.5f, 10}, std::pair{-0.07f, -1}, std::pair{0.0f, 0}}) {
        Scene s;
        PutSprite(s.file, 10, {Spr2Rect(2, 2, 1)});
        PutSprite(s.file, 11, {Spr2Rect(2, 2, 2)});
        s.Placements({{10, 0, 0, 0}, {11, 0, 10, 0, z}});
        DibPtr pic = s.Render();
        ASSERT_TRUE(pic);
        EXPECT_EQ(BottomRowOf(*pic, kGreen) - BottomRowOf(*pic, kRed), rows) << z;
    }
}

TEST(ObjectPreview, LaterPlacementWinsWhereItsDepthIsNotGreater) {
    Scene s;
    PutSprite(s.file, 10, {Spr2Rect(3, 1, 1, 128)});
    // Green: depth 129, 128, 127 across the row.
    PutSprite(s.file, 11,
              {Spr2Pixels(3, 1, {{129, 2, kOpaque}, {128, 2, kOpaque}, {127, 2, kOpaque}})});
    s.Placements({{10}, {11}});
    DibPtr pic = s.Render();
    EXPECT_EQ(PixelAt(*pic, 16, 16), kRed);
    EXPECT_EQ(PixelAt(*pic, 17, 16), kGreen);
    EXPECT_EQ(PixelAt(*pic, 18, 16), kGreen);
}

TEST(ObjectPreview, TransparentPixelStillBlocksDeeperOnes) {
    Scene s;
    PutSprite(s.file, 10, {Spr2Pixels(2, 1, {{128, 1, 0}, {128, 1, 32}})}); // alpha 0 both
    PutSprite(s.file, 11, {Spr2Rect(2, 1, 2, 129)});
    PutSprite(s.file, 12, {Spr2Rect(2, 1, 3, 128)});
    s.Placements({{10}, {11}});
    DibPtr pic = s.Render();
    EXPECT_EQ(PixelAt(*pic, 16, 16), kBg);
    EXPECT_EQ(PixelAt(*pic, 17, 16), kBg);
    s.Placements({{10}, {12}}); // equal depth draws over it
    pic = s.Render();
    EXPECT_EQ(PixelAt(*pic, 16, 16), kBlue);
}

TEST(ObjectPreview, AlphaBlendingAndOpacityUseIntegerDivision) {
    Scene s;
    PutSprite(s.file, 10, {Spr2Pixels(2, 1, {{128, 1, 16}, {128, 1, 31}})}); // alpha 128, 248
    s.Placements({{10}});
    DibPtr pic = s.Render();
    EXPECT_EQ(PixelAt(*pic, 16, 16),
              (Rgb{(127 * 100 + 128 * 200) / 255, 127 * 100 / 255, 127 * 100 / 255}));
    EXPECT_EQ(PixelAt(*pic, 17, 16),
              (Rgb{(7 * 100 + 248 * 200) / 255, 7 * 100 / 255, 7 * 100 / 255}));
    s.object.opacity = 128; // 128 * 128 / 255 = 64
    pic = s.Render();
    EXPECT_EQ(PixelAt(*pic, 16, 16),
              (Rgb{(191 * 100 + 64 * 200) / 255, 191 * 100 / 255, 191 * 100 / 255}));
}

TEST(ObjectPreview, MirroredPlacementReversesColumns) {
    Scene s;
    PutSprite(s.file, 10,
              {Spr2Pixels(3, 1, {{128, 1, kOpaque}, {128, 2, kOpaque}, {128, 3, kOpaque}})});
    s.Placements({{10, 0, 0, 0, 0.0f, 1}});
    DibPtr pic = s.Render();
    EXPECT_EQ(PixelAt(*pic, 16, 16), kBlue);
    EXPECT_EQ(PixelAt(*pic, 17, 16), kGreen);
    EXPECT_EQ(PixelAt(*pic, 18, 16), kRed);
}

TEST(ObjectPreview, DynamicSpritesAreLeftOut) {
    Scene s;
    PutSprite(s.file, 10, {Spr2Rect(2, 2, 1)});
    PutSprite(s.file, 11, {Spr2Rect(5, 5, 2)});
    s.Placements({{10}, {11}});
    s.object.dynamicSpriteBase = 11;
    s.object.dynamicSpriteCount = 1;
    DibPtr pic = s.Render();
    EXPECT_EQ(pic->Width(), 34);
    EXPECT_EQ(BottomRowOf(*pic, kGreen), -1);
    s.object.dynamicSpriteCount = 0;
    EXPECT_EQ(s.Render()->Width(), 37);
}

TEST(ObjectPreview, FloorGridPattern) {
    Scene s;
    // An empty 160 x 160 frame makes a 192 x 192 canvas with its box corner at (16, 16).
    PutSprite(s.file, 10, {Spr2Frame(160, 160, -1, {Cmd2Lo(5, 0), Cmd2Hi(5, 0)})});
    s.Placements({{10}});
    DibPtr plain = s.Render(0);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->Width(), 192);
    EXPECT_TRUE(AllBackground(*plain));
    DibPtr pic = s.Render(1);
    ASSERT_TRUE(pic);
    const Rgb line{155, 155, 155};
    // Full size: gx = i - 16, gy = j + 17; a line where 2gy -+ gx is a multiple of 128.
    EXPECT_EQ(PixelAt(*pic, 16, 47), line);
    EXPECT_EQ(PixelAt(*pic, 18, 46), line);
    EXPECT_EQ(PixelAt(*pic, 18, 48), line);
    EXPECT_EQ(PixelAt(*pic, 50, 0), line);
    EXPECT_EQ(PixelAt(*pic, 16, 48), kBg);
    EXPECT_EQ(PixelAt(*pic, 17, 47), kBg);
    int lines = 0;
    for (int y = 0; y < pic->Height(); ++y)
        for (int x = 0; x < pic->Width(); ++x) {
            if (PixelAt(*pic, x, y) == line) {
                ++lines;
                EXPECT_EQ(x % 2, 0) << x << "," << y;
            }
        }
    EXPECT_GT(lines, 100);
    // Half size repeats every 64 and shifts rows by 17: nothing drawn there, so 33 x 33.
    DibPtr half = s.Render(1, 5);
    ASSERT_EQ(half->Width(), 33);
    EXPECT_EQ(PixelAt(*half, 16, 31), line); // gx = 0, gy = 31 - 16 + 17 = 32
    EXPECT_EQ(PixelAt(*half, 16, 30), kBg);
}

TEST(ObjectPreview, MultiTileObjectPlacesPartsAndSortsByDepth) {
    CMemoryResourceFile file;
    PutScenePalette(file);
    PutSprite(file, 10, {Spr2Rect(64, 100, 1)});
    PutSprite(file, 11, {Spr2Rect(128, 40, 2)});
    file.Put(kTypeDGRP, 600, DrawGroupBody(9, {{10}}));
    file.Put(kTypeDGRP, 601, DrawGroupBody(9, {{11}}));
    PreviewDefinition master, near, far;
    master.masterId = 7;
    master.subIndex = -1;
    near.masterId = far.masterId = 7;
    near.baseGraphicId = 600;
    far.baseGraphicId = 601;
    near.graphicCount = far.graphicCount = 1;
    near.subIndex = 0x0000;
    far.subIndex = 0x0001;  // V = 1: at rotation 1, 64 left, 32 up, 347 deeper
    far.placementLevel = 1; // and 50 more rows up
    master.parts = {&near, &far};
    DibPtr pic = RenderPreview(file, master, 9, kGreyBackground, 0);
    ASSERT_TRUE(pic);
    EXPECT_EQ(near.depth, 0);
    EXPECT_EQ(far.depth, 347);
    // near covers x 0..63, y 0..99; far x -64..63, y 82..121; then the margins.
    EXPECT_EQ(pic->Width(), 128 + 32);
    EXPECT_EQ(pic->Height(), 122 + 32);
    EXPECT_EQ(PixelAt(*pic, 80, 16), kRed);
    EXPECT_EQ(PixelAt(*pic, 16, 98), kGreen);
    EXPECT_EQ(PixelAt(*pic, 100, 120), kGreen);
    // Where they overlap the nearer part wins.
    EXPECT_EQ(PixelAt(*pic, 100, 100), kRed);
    EXPECT_EQ(PixelAt(*pic, 79, 100), kGreen);
    // The part list is sorted by depth, the master's own list order is kept.
    EXPECT_EQ(master.parts[0], &near);

    // Sorting happens before drawing: blending order follows depth, so swapping the parts
    // in the list changes nothing.
    master.parts = {&far, &near};
    DibPtr again = RenderPreview(file, master, 9, kGreyBackground, 0);
    ASSERT_EQ(again->SizeBytes(), pic->SizeBytes());
    EXPECT_EQ(0, std::memcmp(again->Bits(), pic->Bits(), pic->SizeBytes()));
}

TEST(ObjectPreview, BadTokenReleasesEverythingAndPassesOut) {
    Scene s;
    s.file.Put(kTypeSPR, 10, SpriteBody(1, {SprFrame(2, 2, {4, 0, 0, 0})}));
    s.Placements({{10}});
    EXPECT_THROW(s.Render(), CBadTokenError);
    EXPECT_EQ(s.file.Outstanding(), 0);
    // The measuring pass alone decodes nothing, so it never meets the bad command.
    const PreviewBox box = MeasurePreview(s.file, s.object, 9, kGreyBackground);
    EXPECT_EQ(box.frames, 1);
    EXPECT_EQ(box.maxX - box.minX, 2);
}

} // namespace

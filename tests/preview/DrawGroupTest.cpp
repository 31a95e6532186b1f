#include <gtest/gtest.h>

#include "ByteWriter.h"
#include "MemoryResourceFile.h"
#include "preview/DrawGroup.h"
#include "preview/PreviewProjection.h"

namespace {

// Old-layout placement: kind, sprite, frame, flags, x, y [, z].
void OldPlacement(ByteWriter& w, int kind, int sprite, int frame, int flags, int x, int y,
                  bool withZ, float z = 0) {
    w.U16(unsigned(kind) & 0xFFFF).U16(unsigned(sprite)).U16(unsigned(frame)).U16(unsigned(flags));
    w.U16(unsigned(x) & 0xFFFF).U16(unsigned(y) & 0xFFFF);
    if (withZ) w.F32(z);
}

TEST(DrawGroup, OldLayoutKeepsKindMinusThreeAndReadsZFrom20001) {
    for (int version : {20000, 20001, 20002}) {
        const bool withZ = version >= 20001;
        ByteWriter w;
        w.U16(unsigned(version)).U16(1).U16(2).U8s({0xFF, 3});
        OldPlacement(w, -2, 9, 9, 9, 9, 9, withZ, 9.0f);
        OldPlacement(w, -3, 100, 2, 1, -5, 7, withZ, 0.5f);
        CDrawGroup g;
        g.Parse(w.bytes.data(), int32_t(w.Size()));
        ASSERT_EQ(g.images.size(), 1u) << version;
        EXPECT_EQ(g.images[0].viewAttribute1, -1);
        EXPECT_EQ(g.images[0].viewAttribute2, 3);
        ASSERT_EQ(g.images[0].placements.size(), 1u);
        const DrawGroupSprite& s = g.images[0].placements[0];
        EXPECT_EQ(s.spriteId, 100);
        EXPECT_EQ(s.frameIndex, 2);
        EXPECT_EQ(s.flags, 1u);
        EXPECT_EQ(s.x, -5);
        EXPECT_EQ(s.y, 7);
        EXPECT_EQ(s.z, withZ ? 0.5f : 0.0f);
    }
}

TEST(DrawGroup, NewLayoutReadsWorldFloatsFrom20004) {
    for (int version : {20003, 20004}) {
        ByteWriter w;
        w.U16(unsigned(version)).U32(2);
        for (int image = 0; image < 2; ++image) {
            w.U32(uint32_t(image)).U32(7).U32(2);
            for (int p = 0; p < 2; ++p) {
                w.U32(uint32_t(200 + p)).U32(1).U32(uint32_t(-3)).U32(4).F32(-0.25f).U32(1);
                if (version >= 20004) w.F32(1.5f).F32(2.5f);
            }
        }
        CDrawGroup g;
        g.Parse(w.bytes.data(), int32_t(w.Size()));
        ASSERT_EQ(g.images.size(), 2u);
        ASSERT_EQ(g.images[1].placements.size(), 2u);
        const DrawGroupSprite& s = g.images[1].placements[1];
        EXPECT_EQ(g.images[1].viewAttribute1, 1);
        EXPECT_EQ(s.spriteId, 201);
        EXPECT_EQ(s.x, -3);
        EXPECT_EQ(s.y, 4);
        EXPECT_EQ(s.z, -0.25f);
        EXPECT_EQ(s.flags, 1u);
        EXPECT_EQ(s.worldX, version >= 20004 ? 1.5f : 0.0f);
        EXPECT_EQ(s.worldY, version >= 20004 ? 2.5f : 0.0f);
    }
}

TEST(DrawGroup, ShortBodyKeepsWhatWasComplete) {
    ByteWriter w;
    w.U16(20003).U32(0x7FFFFFFF).U32(0).U32(0).U32(1000);
    w.U32(5).U32(0).U32(0).U32(0).F32(0).U32(0);
    w.U32(6).U32(0); // cut inside the second placement
    CDrawGroup g;
    g.Parse(w.bytes.data(), int32_t(w.Size()));
    ASSERT_EQ(g.images.size(), 1u);
    ASSERT_EQ(g.images[0].placements.size(), 1u);
    EXPECT_EQ(g.images[0].placements[0].spriteId, 5);
}

TEST(DrawGroup, LoadTakesLabelAndReportsMissingChunks) {
    CMemoryResourceFile file;
    ByteWriter w;
    w.U16(20003).U32(1).U32(0).U32(0).U32(0);
    file.Put(kTypeDGRP, 300, w.bytes, true, "table lamp");
    CDrawGroup g;
    EXPECT_EQ(g.LoadDrawGroup(file, 300), 0);
    EXPECT_STREQ(g.label.Text(), "table lamp");
    EXPECT_EQ(g.images.size(), 1u);
    EXPECT_EQ(g.LoadDrawGroup(file, 301), kResErrNoChunk);
    EXPECT_TRUE(g.images.empty());
    EXPECT_EQ(g.label.Length(), 0);
    EXPECT_EQ(file.Outstanding(), 0);
}

TEST(Projection, TablesPerZoomAndRotation) {
    const PreviewProjection half0 = ProjectionFor(1, 0);
    EXPECT_EQ(half0.dV, -173);
    EXPECT_EQ(half0.dW, -174);
    const int xV[4] = {-64, -64, 64, 64}, xW[4] = {64, -64, -64, 64}, yV[4] = {32, -32, -32, 32},
              yW[4] = {32, 32, -32, -32}, yL[4] = {50, -50, 50, -50},
              dV[4] = {-347, 347, 347, -347}, dW[4] = {-347, -347, 347, 347};
    for (int r = 0; r < 4; ++r) {
        const PreviewProjection p = ProjectionFor(2, r);
        EXPECT_EQ(p.xV, xV[r]);
        EXPECT_EQ(p.xW, xW[r]);
        EXPECT_EQ(p.yV, yV[r]);
        EXPECT_EQ(p.yW, yW[r]);
        EXPECT_EQ(p.yL, yL[r]);
        EXPECT_EQ(p.dV, dV[r]);
        EXPECT_EQ(p.dW, dW[r]);
    }
    const PreviewProjection quarter1 = ProjectionFor(0, 1);
    EXPECT_EQ(quarter1.dV, 87);  // -(-347 >> 2)
    EXPECT_EQ(quarter1.dW, -86); // -(347 >> 2)
    EXPECT_EQ(quarter1.yL, -12);
}

} // namespace

// Hand-made draw groups, sprites and palettes for renderer tests.
#pragma once

#include <array>

#include "ByteWriter.h"
#include "MemoryResourceFile.h"
#include "platform/DibSection.h"

struct ScenePlacement {
    int sprite = 0;
    int frame = 0;
    int x = 0;
    int y = 0;
    float z = 0.0f;
    unsigned flags = 0;
};

// A version-20004 draw group whose image `view` holds the placements; the images before it are
// empty.
inline std::vector<uint8_t> DrawGroupBody(int view, const std::vector<ScenePlacement>& placements) {
    ByteWriter w;
    w.U16(20004).U32(uint32_t(view + 1));
    for (int i = 0; i <= view; ++i) {
        const bool mine = i == view;
        w.U32(0).U32(0).U32(mine ? uint32_t(placements.size()) : 0);
        if (!mine) continue;
        for (const ScenePlacement& p : placements) {
            w.U32(uint32_t(p.sprite)).U32(uint32_t(p.frame)).U32(uint32_t(p.x)).U32(uint32_t(p.y));
            w.F32(p.z).U32(p.flags).F32(0).F32(0);
        }
    }
    return w.bytes;
}

constexpr unsigned kOpaque = 1000; // alpha value meaning "fully opaque" (stored without alpha)

// A depth-sprite frame of w x h pixels, given as (depth, colour, alpha value) from the top row;
// a row whose pixels are all kOpaque is stored as (depth, colour) pairs.
inline std::vector<uint8_t> Spr2Pixels(int w, int h,
                                       const std::vector<std::array<unsigned, 3>>& pixels) {
    ByteWriter f;
    f.U16(unsigned(w)).U16(unsigned(h)).U32(0).U16(0xFFFF).U16(0).U16(0).U16(0);
    for (int row = 0; row < h; ++row) {
        bool opaque = true;
        for (int x = 0; x < w; ++x)
            opaque = opaque && pixels[size_t(row * w + x)][2] == kOpaque;
        f.U16(0).U16(((opaque ? 1u : 2u) << 13) | unsigned(w));
        for (int x = 0; x < w; ++x) {
            const auto& p = pixels[size_t(row * w + x)];
            f.U8s({p[0], p[1]});
            if (!opaque) f.U8(p[2]);
        }
        if (f.Size() % 2) f.U8(0); // frame starts at an even offset
    }
    f.U16(5u << 13);
    return f.bytes;
}

// A solid rectangle of one colour, depth and alpha value.
inline std::vector<uint8_t> Spr2Rect(int w, int h, unsigned colour, unsigned depth = 128,
                                     unsigned alphaValue = kOpaque) {
    return Spr2Pixels(
        w, h, std::vector<std::array<unsigned, 3>>(size_t(w * h), {depth, colour, alphaValue}));
}

// Palette 1: 0 black, 1 red, 2 green, 3 blue, 4 white.
inline void PutScenePalette(CMemoryResourceFile& file) {
    file.Put(kTypePALT, 1,
             PaltBody({{0, 0, 0}, {200, 0, 0}, {0, 200, 0}, {0, 0, 200}, {255, 255, 255}}));
}

inline void PutSprite(CMemoryResourceFile& file, int16_t id,
                      std::vector<std::vector<uint8_t>> frames) {
    file.Put(kTypeSPR2, id, SpriteBody(1, frames));
}

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

inline Rgb PixelAt(const CDibSection& canvas, int x, int row) {
    const uint8_t* p = canvas.Row(row) + 3 * x;
    return Rgb{p[2], p[1], p[0]};
}

// Lowest row (from the bottom) holding the colour, or -1.
inline int BottomRowOf(const CDibSection& canvas, Rgb colour) {
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x)
            if (PixelAt(canvas, x, y) == colour) return y;
    return -1;
}

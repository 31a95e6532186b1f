#include "sample/SampleGraphics.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "common/BoundedString.h"
#include "resource/ResourceFile.h"
#include "sample/Sample.h"

namespace sample {

namespace {

constexpr uint32_t kTypeSPR = 0x53505223;  // SPR#
constexpr uint32_t kTypeSPR2 = 0x53505232; // SPR2
constexpr uint32_t kTypePALT = 0x50414C54; // PALT
constexpr uint32_t kTypeDGRP = 0x44475250; // DGRP

// Colour ramps of the palette: 32 shades each, from dark to light.
enum Ramp { kFabric = 1, kWood = 33, kShade = 65, kMetal = 97, kRug = 129, kGlow = 161 };
constexpr int kRampSize = 32;

struct Bytes {
    std::vector<uint8_t> b;
    void U8(unsigned v) { b.push_back(static_cast<uint8_t>(v & 0xFF)); }
    void U16(unsigned v) {
        U8(v);
        U8(v >> 8);
    }
    void U32(uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void F32(float f) {
        uint32_t v;
        std::memcpy(&v, &f, sizeof v);
        U32(v);
    }
    void Set32(std::size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + static_cast<std::size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    }
    void PadEven() {
        if (b.size() % 2) U8(0);
    }
};

// One frame being drawn: palette index, depth (0 near .. 254 far), alpha 0..31 (31 = opaque).
struct Picture {
    int w = 0, h = 0;
    std::vector<uint8_t> colour, depth, alpha;
    std::vector<bool> set;
    Picture(int width, int height)
        : w(std::max(width, 2)), h(std::max(height, 2)), colour(Size()), depth(Size(), 255),
          alpha(Size()), set(Size()) {}
    std::size_t Size() const { return static_cast<std::size_t>(w) * static_cast<std::size_t>(h); }
    // x from the left, y upward from the bottom row.
    void Splat(int x, int y, int c, int d, int a = 31) {
        if (x < 0 || y < 0 || x >= w || y >= h) return;
        const std::size_t i = static_cast<std::size_t>(h - 1 - y) * static_cast<std::size_t>(w) +
                              static_cast<std::size_t>(x);
        d = std::clamp(d, 0, 254);
        if (set[i] && depth[i] <= d) return;
        set[i] = true;
        colour[i] = static_cast<uint8_t>(c);
        depth[i] = static_cast<uint8_t>(d);
        alpha[i] = static_cast<uint8_t>(a);
    }
};

int Shade(Ramp ramp, double light) {
    return ramp + std::clamp(static_cast<int>(light * (kRampSize - 1) + 0.5), 0, kRampSize - 1);
}

// Depth-sprite stream: rows from the top; skips, opaque runs and partly transparent runs.
void EncodeSpr2(Bytes& out, const Picture& p) {
    out.U16(static_cast<unsigned>(p.w));
    out.U16(static_cast<unsigned>(p.h));
    out.U32(0);
    out.U16(0xFFFF); // the body's palette
    out.U16(0);
    out.U16(0);
    out.U16(0);
    for (int row = 0; row < p.h; ++row) {
        out.U16(0);
        const std::size_t base = static_cast<std::size_t>(row) * static_cast<std::size_t>(p.w);
        int x = 0;
        while (x < p.w) {
            const std::size_t i = base + static_cast<std::size_t>(x);
            int run = 1;
            if (!p.set[i]) {
                while (x + run < p.w && !p.set[i + static_cast<std::size_t>(run)])
                    ++run;
                if (x + run < p.w) out.U16((3u << 13) | static_cast<unsigned>(run));
                x += run;
                continue;
            }
            const bool opaque = p.alpha[i] >= 31;
            while (x + run < p.w && p.set[i + static_cast<std::size_t>(run)] &&
                   (p.alpha[i + static_cast<std::size_t>(run)] >= 31) == opaque)
                ++run;
            out.U16(((opaque ? 1u : 2u) << 13) | static_cast<unsigned>(run));
            for (int k = 0; k < run; ++k) {
                const std::size_t j = i + static_cast<std::size_t>(k);
                out.U8(p.depth[j]);
                out.U8(p.colour[j]);
                if (!opaque) out.U8(p.alpha[j]);
            }
            out.PadEven();
            x += run;
        }
    }
    out.U16(5u << 13);
}

// Colour-only stream: rows from the top; skips and literal runs (depth is always 128).
void EncodeSpr(Bytes& out, const Picture& p) {
    out.U16(0);
    out.U16(0);
    out.U16(static_cast<unsigned>(p.h));
    out.U16(static_cast<unsigned>(p.w));
    out.U16(0);
    for (int row = 0; row < p.h; ++row) {
        out.U8(4);
        out.U8(0);
        const std::size_t base = static_cast<std::size_t>(row) * static_cast<std::size_t>(p.w);
        int x = 0;
        while (x < p.w) {
            const std::size_t i = base + static_cast<std::size_t>(x);
            const bool set = p.set[i];
            int run = 1;
            while (x + run < p.w && run < 255 && p.set[i + static_cast<std::size_t>(run)] == set)
                ++run;
            out.U8(set ? 3 : 1);
            out.U8(static_cast<unsigned>(run));
            if (set) {
                for (int k = 0; k < run; ++k)
                    out.U8(p.colour[i + static_cast<std::size_t>(k)]);
                out.PadEven();
            }
            x += run;
        }
    }
    out.U8(5);
    out.U8(0);
}

std::vector<uint8_t> SpriteBody(const std::vector<Picture>& frames, bool depthSprite) {
    Bytes out;
    out.U32(depthSprite ? 1000 : 1001);
    out.U32(static_cast<uint32_t>(frames.size()));
    out.U32(static_cast<uint32_t>(kSamplePaletteId));
    const std::size_t table = out.b.size();
    for (std::size_t i = 0; i < frames.size(); ++i)
        out.U32(0);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        out.PadEven();
        out.Set32(table + 4 * i, static_cast<uint32_t>(out.b.size()));
        if (depthSprite)
            EncodeSpr2(out, frames[i]);
        else
            EncodeSpr(out, frames[i]);
    }
    return out.b;
}

std::vector<uint8_t> PaletteBody() {
    struct RampSpec {
        Ramp ramp;
        double dark[3], light[3];
    };
    const RampSpec ramps[] = {
        {kFabric, {52, 24, 40}, {214, 104, 112}}, {kWood, {48, 28, 14}, {196, 146, 88}},
        {kShade, {128, 96, 40}, {255, 244, 184}}, {kMetal, {36, 36, 44}, {232, 228, 212}},
        {kRug, {20, 44, 76}, {104, 160, 204}},    {kGlow, {255, 220, 120}, {255, 252, 230}},
    };
    std::vector<uint8_t> rgb(256 * 3, 0);
    rgb[0] = 255; // index 0 is a key colour no picture uses
    rgb[2] = 255;
    for (const RampSpec& r : ramps)
        for (int k = 0; k < kRampSize; ++k) {
            const double t = k / double(kRampSize - 1);
            for (int c = 0; c < 3; ++c)
                rgb[static_cast<std::size_t>(3 * (r.ramp + k) + c)] =
                    static_cast<uint8_t>(r.dark[c] + (r.light[c] - r.dark[c]) * t + 0.5);
        }
    Bytes out;
    out.U32(1);
    out.U32(256);
    out.U32(0);
    out.U32(0);
    out.b.insert(out.b.end(), rgb.begin(), rgb.end());
    return out.b;
}

// Zoom step 0, 1, 2 draws at a quarter, half and full size.
double ScaleOf(int zoom) {
    return zoom == 2 ? 1.0 : (zoom == 1 ? 0.5 : 0.25);
}

// Sofa tile: a box world in tile coordinates a (away, up-left) and b (toward the viewer,
// down-left), both -0.5..0.5, and height in full-size pixels. The tile centre on the floor
// sits at (anchorX, anchorY) of the picture.
struct TileSpace {
    Picture& pic;
    double s;
    double anchorX, anchorY;
    void Point(double a, double b, double h, int colour, int alpha = 31) {
        const double x = anchorX + s * (-64 * a - 64 * b);
        const double y = anchorY + s * (32 * a - 32 * b + h);
        const int depth = static_cast<int>(std::lround(128 + 110 * (a - b) - 0.4 * h));
        pic.Splat(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)), colour, depth,
                  alpha);
    }
    // A box: top face light, the face toward small a medium, the face toward large b dark.
    void Box(double a0, double a1, double b0, double b1, double h0, double h1, Ramp ramp,
             double light) {
        const double step = 0.25 / (64 * s);
        const double hStep = 0.25 / s;
        for (double a = a0; a <= a1; a += step)
            for (double b = b0; b <= b1; b += step) {
                const double grain = 0.04 * std::sin(40 * a) * std::cos(37 * b);
                Point(a, b, h1, Shade(ramp, light * (0.92 + grain)));
            }
        for (double h = h0; h <= h1; h += hStep) {
            const double rise = 0.12 * (h - h0) / std::max(1.0, h1 - h0);
            for (double b = b0; b <= b1; b += step)
                Point(a0, b, h, Shade(ramp, light * (0.62 + rise)));
            for (double a = a0; a <= a1; a += step)
                Point(a, b1, h, Shade(ramp, light * (0.42 + rise)));
        }
    }
};

// One sofa tile; the arm goes at the near (left part) or far (right part) end.
Picture SofaTile(int zoom, bool nearArm) {
    const double s = ScaleOf(zoom);
    Picture pic(static_cast<int>(136 * s), static_cast<int>(152 * s));
    TileSpace t{pic, s, 68 * s, 36 * s};
    // Soft floor shadow with partial alpha.
    for (double a = -0.5; a <= 0.5; a += 0.25 / (64 * s))
        for (double b = -0.46; b <= 0.5; b += 0.25 / (64 * s)) {
            const double edge = std::min({a + 0.5, 0.5 - a, b + 0.46, 0.5 - b});
            if (edge > 0.1)
                t.Point(a, b, 0, kFabric, 9);
            else
                t.Point(a, b, 0, kFabric, static_cast<int>(2 + 60 * edge));
        }
    t.Box(-0.5, 0.5, -0.24, 0.42, 4, 26, kFabric, 0.78);   // seat
    t.Box(-0.5, 0.5, -0.46, -0.24, 4, 64, kFabric, 0.70);  // back
    t.Box(-0.47, 0.47, -0.22, 0.38, 26, 34, kFabric, 1.0); // cushion
    if (nearArm)
        t.Box(-0.5, -0.36, -0.46, 0.42, 4, 44, kFabric, 0.86);
    else
        t.Box(0.36, 0.5, -0.46, 0.42, 4, 44, kFabric, 0.86);
    for (double leg : {-0.44, 0.36}) // wooden feet
        t.Box(nearArm ? -0.46 : 0.38, nearArm ? -0.38 : 0.46, leg, leg + 0.06, 0, 4, kWood, 0.8);
    return pic;
}

// Left half of the lamp seen from the front; the right half is the same picture mirrored.
Picture LampHalf(int zoom) {
    const double s = ScaleOf(zoom);
    const int w = std::max(2, static_cast<int>(40 * s));
    Picture pic(w, static_cast<int>(160 * s));
    for (int y = 0; y < pic.h; ++y)
        for (int x = 0; x < pic.w; ++x) {
            const double dx = (w - 0.5 - x) / s; // distance from the axis, full-size pixels
            const double hy = (y + 0.5) / s;
            const double round = std::sqrt(std::max(0.0, 1 - (dx / 40) * (dx / 40)));
            const double ex = dx / 26, ey = (hy - 10) / 8; // base disc
            if (ex * ex + ey * ey <= 1)
                pic.Splat(x, y, Shade(kMetal, 0.35 + 0.5 * round + 0.1 * ey),
                          static_cast<int>(100 - 4 * ey));
            else if (dx < 3.5 && hy > 10 && hy < 104)
                pic.Splat(x, y, Shade(kMetal, 0.55 + 0.4 * (1 - dx / 3.5)), 96);
            const double top = 150, bottom = 100;
            if (hy >= bottom && hy <= top) {
                const double half = 36 - 16 * (hy - bottom) / (top - bottom);
                if (dx <= half) {
                    const double across = std::sqrt(std::max(0.0, 1 - (dx / half) * (dx / half)));
                    pic.Splat(x, y, Shade(kShade, 0.45 + 0.55 * across), 90, 26);
                }
            }
        }
    return pic;
}

// A glow around the shade, fading outward (partial alpha only). It lies behind the lamp, so
// the translucent shade is drawn over it.
Picture LampGlow(int zoom) {
    const double s = ScaleOf(zoom);
    Picture pic(static_cast<int>(120 * s), static_cast<int>(90 * s));
    const double cx = pic.w / 2.0, cy = pic.h / 2.0;
    for (int y = 0; y < pic.h; ++y)
        for (int x = 0; x < pic.w; ++x) {
            const double dx = (x + 0.5 - cx) / s, dy = (y + 0.5 - cy) / s;
            const double r = std::sqrt(dx * dx / 1.3 + dy * dy * 1.3);
            if (r > 58) continue;
            const double fade = r < 30 ? 1.0 : 1 - (r - 30) / 28;
            pic.Splat(x, y, Shade(kGlow, fade), 120, std::max(1, static_cast<int>(16 * fade)));
        }
    return pic;
}

// A striped rug on the floor under the lamp: colour-only pixels.
Picture LampRug(int zoom) {
    const double s = ScaleOf(zoom);
    Picture pic(static_cast<int>(112 * s), static_cast<int>(56 * s));
    const double cx = pic.w / 2.0, cy = pic.h / 2.0;
    for (int y = 0; y < pic.h; ++y)
        for (int x = 0; x < pic.w; ++x) {
            const double u = std::abs(x + 0.5 - cx) / cx, v = std::abs(y + 0.5 - cy) / cy;
            if (u + v > 1) continue;
            const bool stripe = static_cast<int>((u + v) * 6) % 2 == 0;
            pic.Splat(x, y, Shade(kRug, stripe ? 0.75 : 0.35), 128);
        }
    return pic;
}

struct Placement {
    int16_t sprite;
    double x, y; // full-size pixels, scaled per zoom step
    float z;
    bool mirrored;
};

std::vector<uint8_t> DrawGroupBody(const std::vector<Placement>& placements) {
    Bytes out;
    out.U16(20004);
    out.U32(kSampleViews);
    for (int view = 0; view < kSampleViews; ++view) {
        const int zoom = view >> 2;
        const double s = ScaleOf(zoom);
        out.U32(static_cast<uint32_t>(zoom));
        out.U32(static_cast<uint32_t>(view & 3));
        out.U32(static_cast<uint32_t>(placements.size()));
        for (const Placement& p : placements) {
            out.U32(static_cast<uint32_t>(p.sprite));
            out.U32(static_cast<uint32_t>(zoom)); // frame index = zoom step
            out.U32(static_cast<uint32_t>(static_cast<int32_t>(std::lround(p.x * s))));
            out.U32(static_cast<uint32_t>(static_cast<int32_t>(std::lround(p.y * s))));
            out.F32(static_cast<float>(p.z * s));
            out.U32(p.mirrored ? 1u : 0u);
            out.F32(0.0f);
            out.F32(0.0f);
        }
    }
    return out.b;
}

int32_t Add(CResourceFile& file, uint32_t type, int16_t id, const char* label,
            const std::vector<uint8_t>& body) {
    CChunk* chunk = CChunk::Create(static_cast<int32_t>(body.size()));
    if (!chunk) return kResErrNoMemory;
    if (!body.empty()) std::memcpy(chunk->Body(), body.data(), body.size());
    CFixedString<64> l(label);
    const int32_t st = file.AddChunk(chunk, type, id, l, true);
    if (st != 0) {
        CChunk::Free(chunk);
        return st;
    }
    return file.ReleaseChunk(chunk);
}

template <class Draw> std::vector<Picture> Frames(Draw draw) {
    std::vector<Picture> frames;
    for (int zoom = 0; zoom < 3; ++zoom)
        frames.push_back(draw(zoom));
    return frames;
}

} // namespace

int32_t AddSampleGraphics(CResourceFile& file) {
    int32_t st = Add(file, kTypePALT, kSamplePaletteId, "Sample colours", PaletteBody());
    const struct {
        int16_t id;
        const char* label;
        std::vector<Picture> frames;
        bool depthSprite;
    } sprites[] = {
        {kSofaLeftSprite, "Sofa - left tile", Frames([](int z) { return SofaTile(z, true); }),
         true},
        {kSofaRightSprite, "Sofa - right tile", Frames([](int z) { return SofaTile(z, false); }),
         true},
        {kLampHalfSprite, "Lamp - half", Frames(LampHalf), true},
        {kLampGlowSprite, "Lamp - glow", Frames(LampGlow), true},
        {kLampRugSprite, "Lamp - rug", Frames(LampRug), false},
    };
    for (const auto& sp : sprites) {
        if (st != 0) return st;
        st = Add(file, sp.depthSprite ? kTypeSPR2 : kTypeSPR, sp.id, sp.label,
                 SpriteBody(sp.frames, sp.depthSprite));
    }
    // Anchors: the tile centre on the floor is the placement origin.
    const std::vector<Placement> sofaLeft{{kSofaLeftSprite, -68, 36, 0.0f, false}};
    const std::vector<Placement> sofaRight{{kSofaRightSprite, -68, 36, 0.0f, false}};
    const std::vector<Placement> lamp{
        {kLampRugSprite, -56, 28, 0.0f, false},
        {kLampGlowSprite, -60, 0, 4.0f, false}, // lifted 80 rows to sit around the shade
        {kLampHalfSprite, -40, 0, 0.0f, false},
        {kLampHalfSprite, 0, 0, 0.0f, true},
    };
    if (st == 0)
        st = Add(file, kTypeDGRP, kSofaPartLeftGraphic, "Sofa - left", DrawGroupBody(sofaLeft));
    if (st == 0)
        st = Add(file, kTypeDGRP, kSofaPartRightGraphic, "Sofa - right", DrawGroupBody(sofaRight));
    if (st == 0) st = Add(file, kTypeDGRP, kLampGraphic, "Lamp", DrawGroupBody(lamp));
    return st;
}

} // namespace sample

#include "preview/ObjectPreview.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

#include "preview/ColorPalette.h"
#include "preview/DrawGroup.h"
#include "preview/PreviewProjection.h"
#include "preview/SpriteDecoder.h"
#include "resource/ResourceFile.h"

namespace {

constexpr std::int64_t kMargin = 16;
constexpr std::int32_t kDepthBias = 4096;
constexpr int kEmptyDepth = 255;

std::vector<PreviewDefinition*> ObjectList(PreviewDefinition& definition, bool& multiTile) {
    multiTile = definition.masterId != 0 && definition.subIndex == -1;
    if (multiTile) return definition.parts;
    return {&definition};
}

// The placement's y lifted by its height: z times -20, truncated toward zero.
std::int64_t AdjustedY(const DrawGroupSprite& s) {
    if (s.z == 0.0f) return s.y;
    double lift = double(s.z) * -20.0;
    if (std::isnan(lift)) lift = 0.0;
    lift = std::clamp(lift, -2147483648.0, 2147483647.0);
    return std::int64_t(s.y) + std::int64_t(std::trunc(lift));
}

bool IsDynamicSprite(const PreviewDefinition& d, std::int32_t spriteId) {
    return d.dynamicSpriteCount >= 1 && spriteId >= d.dynamicSpriteBase &&
           std::int64_t(spriteId) < std::int64_t(d.dynamicSpriteBase) + d.dynamicSpriteCount;
}

struct TileOffset {
    std::int64_t x = 0, y = 0;
    std::int32_t depth = 0;
};

TileOffset TileOffsetOf(const PreviewDefinition& d, const PreviewProjection& p) {
    const std::int32_t v = d.subIndex & 0xFF;
    const std::int32_t w = (d.subIndex >> 8) & 0xFF;
    const std::int32_t level = d.placementLevel;
    TileOffset o;
    o.x = std::int64_t(p.xV) * v + std::int64_t(p.xW) * w;
    o.y = std::int64_t(p.yV) * v + std::int64_t(p.yW) * w + std::int64_t(p.yL) * level;
    o.depth = p.dV * v + p.dW * w;
    return o;
}

// Calls fn(definition, placement, sx, sy, objDepth) for every placement the pass draws, where
// (sx, sy) is the frame's bottom-left pixel counted from the bottom-left of the canvas.
template <class Fn>
void ForEachPlacement(CResourceFile& file, const std::vector<PreviewDefinition*>& list,
                      bool multiTile, std::int32_t view, bool measuring, std::int64_t shiftX,
                      std::int64_t shiftY, Fn&& fn) {
    const PreviewProjection projection = ProjectionFor(ZoomStepOf(view), RotationOf(view));
    CDrawGroup group;
    for (PreviewDefinition* d : list) {
        const std::int32_t g = d->graphicIndex;
        if (g < 0 || g >= d->graphicCount) continue;
        group.LoadDrawGroup(file, std::int16_t(d->baseGraphicId + g));
        if (view < 0 || std::size_t(view) >= group.images.size()) continue;
        const TileOffset tile = multiTile ? TileOffsetOf(*d, projection) : TileOffset{};
        if (measuring) d->depth = tile.depth;
        for (const DrawGroupSprite& s : group.images[std::size_t(view)].placements) {
            if (IsDynamicSprite(*d, s.spriteId)) continue;
            const std::int64_t sx = std::int64_t(s.x) + tile.x + shiftX;
            const std::int64_t sy = shiftY - AdjustedY(s) - tile.y;
            fn(*d, s, sx, sy, tile.depth);
        }
    }
}

PreviewBox Measure(CResourceFile& file, const std::vector<PreviewDefinition*>& list, bool multiTile,
                   std::int32_t view, ColorRef background) {
    PreviewBox box;
    ForEachPlacement(file, list, multiTile, view, true, 0, 0,
                     [&](PreviewDefinition&, const DrawGroupSprite& s, std::int64_t sx,
                         std::int64_t sy, std::int32_t) {
                         std::int32_t size[2] = {0, 0};
                         RenderSpriteFrame(&file, s.spriteId, s.frameIndex, background, nullptr,
                                           nullptr, size, nullptr, nullptr, nullptr, nullptr,
                                           nullptr);
                         if (size[0] == 0 || size[1] == 0) return;
                         ++box.frames;
                         box.minX = std::min(box.minX, sx);
                         box.minY = std::min(box.minY, sy);
                         box.maxX = std::max(box.maxX, sx + size[0]);
                         box.maxY = std::max(box.maxY, sy + size[1]);
                     });
    return box;
}

std::uint16_t GetDepth(const CDibSection& depth, std::int64_t x, std::int64_t y) {
    const std::uint8_t* p = depth.Row(std::int32_t(y)) + 2 * x;
    return std::uint16_t(p[0] | (p[1] << 8));
}

void SetDepth(CDibSection& depth, std::int64_t x, std::int64_t y, std::uint16_t value) {
    std::uint8_t* p = depth.Row(std::int32_t(y)) + 2 * x;
    p[0] = std::uint8_t(value & 0xFF);
    p[1] = std::uint8_t(value >> 8);
}

void FillBackground(CDibSection& canvas, ColorRef background, bool grid, std::int32_t zoomStep,
                    std::int64_t shiftX, std::int64_t shiftY) {
    const std::uint8_t bg[3] = {ColorRefBlue(background), ColorRefGreen(background),
                                ColorRefRed(background)};
    const std::uint8_t inverted[3] = {std::uint8_t(255 - bg[0]), std::uint8_t(255 - bg[1]),
                                      std::uint8_t(255 - bg[2])};
    const FloorGridPattern pattern = FloorGridFor(zoomStep);
    for (std::int32_t j = 0; j < canvas.Height(); ++j) {
        std::uint8_t* row = canvas.Row(j);
        const std::int64_t gy = j - shiftY + pattern.rowOffset;
        for (std::int32_t i = 0; i < canvas.Width(); ++i) {
            const std::int64_t gx = i - shiftX;
            const bool line =
                grid && (gx & 1) == 0 &&
                (((2 * gy - gx) & pattern.mask) == 0 || ((2 * gy + gx) & pattern.mask) == 0);
            std::memcpy(row + 3 * std::size_t(i), line ? inverted : bg, 3);
        }
    }
}

struct Frame {
    const DrawGroupSprite* placement;
    std::int64_t sx, sy;
    std::int32_t width, height;
    std::int32_t objDepth;
    std::int32_t opacity;
};

void Composite(CDibSection& canvas, CDibSection& depthCanvas, const Frame& f,
               const CDibSection& color, const CDibSection& depth, const CDibSection& alpha,
               const CColorPalette& palette) {
    std::array<PaletteEntry, 256> colours;
    for (int i = 0; i < 256; ++i)
        colours[std::size_t(i)] = palette.Entry(i);
    const bool mirrored = (f.placement->flags & kDrawGroupSpriteMirrored) != 0;
    const std::int32_t rows = std::min(f.height, depth.Height());
    const std::int32_t columns = std::min(f.width, depth.Width());
    const std::int32_t opacity = std::clamp(f.opacity, 0, 255);
    for (std::int32_t r = 0; r < rows; ++r) {
        const std::int64_t y = f.sy + r;
        if (y < 0 || y >= canvas.Height()) continue;
        const std::uint8_t* colorRow = color.Row(r);
        const std::uint8_t* depthRow = depth.Row(r);
        const std::uint8_t* alphaRow = alpha.Row(r);
        std::uint8_t* out = canvas.Row(std::int32_t(y));
        for (std::int32_t c = 0; c < columns; ++c) {
            const int d = depthRow[c];
            if (d == kEmptyDepth) continue;
            const std::int64_t x = mirrored ? f.sx + (f.width - 1 - c) : f.sx + c;
            if (x < 0 || x >= canvas.Width()) continue;
            const std::int32_t z = d + f.objDepth + kDepthBias;
            if (z > GetDepth(depthCanvas, x, y)) continue;
            int a = alphaRow[c];
            if (opacity < 255) a = a * opacity / 255;
            const PaletteEntry& p = colours[colorRow[c]];
            std::uint8_t* px = out + 3 * x;
            if (a == 255) {
                px[0] = p.blue;
                px[1] = p.green;
                px[2] = p.red;
            } else if (a > 0) {
                px[0] = std::uint8_t(((255 - a) * px[0] + a * p.blue) / 255);
                px[1] = std::uint8_t(((255 - a) * px[1] + a * p.green) / 255);
                px[2] = std::uint8_t(((255 - a) * px[2] + a * p.red) / 255);
            }
            // Even a fully transparent pixel hides what lies behind it.
            SetDepth(depthCanvas, x, y, std::uint16_t(std::uint32_t(z) & 0xFFFF));
        }
    }
}

} // namespace

PreviewBox MeasurePreview(CResourceFile& file, PreviewDefinition& definition,
                          std::int32_t viewSelector, ColorRef background) {
    bool multiTile = false;
    const std::vector<PreviewDefinition*> list = ObjectList(definition, multiTile);
    return Measure(file, list, multiTile, viewSelector, background);
}

DibPtr RenderPreview(CResourceFile& file, PreviewDefinition& definition, std::int32_t viewSelector,
                     ColorRef background, std::int32_t floorGrid) {
    bool multiTile = false;
    std::vector<PreviewDefinition*> list = ObjectList(definition, multiTile);

    PreviewBox box = Measure(file, list, multiTile, viewSelector, background);
    if (box.frames == 0) box.minX = box.minY = 0, box.maxX = box.maxY = 1;
    const std::int64_t width = (box.maxX + kMargin) - (box.minX - kMargin);
    const std::int64_t height = (box.maxY + kMargin) - (box.minY - kMargin);
    const std::int64_t shiftX = kMargin - box.minX;
    const std::int64_t shiftY = kMargin - box.minY;
    if (width <= 0 || height <= 0 || width > std::numeric_limits<std::int32_t>::max() ||
        height > std::numeric_limits<std::int32_t>::max())
        return nullptr;
    DibPtr canvas = CDibSection::Create(std::int32_t(width), std::int32_t(height), 24);
    DibPtr depthCanvas = CDibSection::Create(std::int32_t(width), std::int32_t(height), 16);
    if (!canvas || !depthCanvas) return nullptr;
    FillBackground(*canvas, background, floorGrid != 0, ZoomStepOf(viewSelector), shiftX, shiftY);
    std::memset(depthCanvas->Bits(), 0xFF, depthCanvas->SizeBytes());

    // Deeper definitions first; equal depths keep their order.
    std::stable_sort(
        list.begin(), list.end(),
        [](const PreviewDefinition* a, const PreviewDefinition* b) { return a->depth > b->depth; });

    ForEachPlacement(file, list, multiTile, viewSelector, false, shiftX, shiftY,
                     [&](PreviewDefinition& d, const DrawGroupSprite& s, std::int64_t sx,
                         std::int64_t sy, std::int32_t objDepth) {
                         CColorPalette palette;
                         std::int32_t transparent = -1;
                         std::int32_t size[2] = {0, 0};
                         DibPtr color, depth, alpha;
                         RenderSpriteFrame(&file, s.spriteId, s.frameIndex, background,
                                           &transparent, nullptr, size, &palette, nullptr, &color,
                                           &depth, &alpha);
                         if (size[0] == 0 || size[1] == 0 || !color || !depth || !alpha) return;
                         const Frame frame{&s, sx, sy, size[0], size[1], objDepth, d.opacity};
                         Composite(*canvas, *depthCanvas, frame, *color, *depth, *alpha, palette);
                     });
    return canvas;
}

// The still picture of an object: every sprite frame of its draw groups composed, with a depth
// buffer and per-pixel alpha, into one 24-bit bitmap on a plain background.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/DibSection.h"

class CObjectDefinition;
class CResourceFile;

// Draws definition (a single-tile object, a multi-tile master with its parts, or one part alone)
// from the chunks of its object file. viewSelector: zoom step (selector >> 2: 0 quarter, 1 half,
// 2 full size) and rotation (selector & 3); the editor passes 9. background is 0x00BBGGRR;
// floorGrid nonzero draws the floor grid. Returns null when the bitmap cannot be made.
// Writes each drawn definition's preview depth. Throws CBadTokenError (SpriteDecoder.h) for a
// malformed colour-only sprite; everything the call holds is released first.
DibPtr RenderObjectPreview(CObjectDefinition& definition, std::int32_t viewSelector,
                           ColorRef background, std::int32_t floorGrid);

// The same, but a bad sprite gives null and sets *badToken (when given) instead of throwing.
DibPtr RenderObjectPreviewNoThrow(CObjectDefinition& definition, std::int32_t viewSelector,
                                  ColorRef background, std::int32_t floorGrid,
                                  bool* badToken = nullptr) noexcept;

// The renderer's view of one object definition; RenderObjectPreview fills these from the model.
struct PreviewDefinition {
    std::int16_t baseGraphicId = 0;
    std::int16_t graphicCount = 0;
    std::int16_t masterId = 0;
    std::int16_t subIndex = 0; // -1 master; else tile offsets V (low byte) and W (high byte)
    std::int16_t placementLevel = 0;
    std::int16_t dynamicSpriteBase = 0;
    std::int16_t dynamicSpriteCount = 0;
    std::int32_t graphicIndex = 0;
    std::int32_t opacity = 255;
    std::int32_t depth = 0; // written by the measuring pass
    std::vector<PreviewDefinition*> parts;
};

// The renderer's view of a model definition (parts not linked).
PreviewDefinition PreviewDefinitionOf(const CObjectDefinition& definition);

// Renders from chunks of file; see RenderObjectPreview.
DibPtr RenderPreview(CResourceFile& file, PreviewDefinition& definition, std::int32_t viewSelector,
                     ColorRef background, std::int32_t floorGrid);

// The measuring pass alone: the box of every drawable frame, from frame headers only.
struct PreviewBox {
    int frames = 0; // frames counted
    std::int64_t minX = 100000, minY = 100000, maxX = -100000, maxY = -100000;
};
PreviewBox MeasurePreview(CResourceFile& file, PreviewDefinition& definition,
                          std::int32_t viewSelector, ColorRef background);

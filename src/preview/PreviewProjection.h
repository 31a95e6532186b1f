// Isometric placement of the tiles of a multi-tile object, per zoom step and rotation.
#pragma once

#include <cstdint>

struct PreviewProjection {
    std::int32_t xV, xW;     // horizontal pixels per tile step along V and W
    std::int32_t yV, yW, yL; // vertical pixels per tile step along V, W and per level
    std::int32_t dV, dW;     // depth per tile step along V and W
};

// Zoom step (0 quarter, 1 half, 2 full size) and rotation (0..3) of a view selector.
constexpr std::int32_t ZoomStepOf(std::int32_t viewSelector) {
    return viewSelector >> 2;
}
constexpr std::int32_t RotationOf(std::int32_t viewSelector) {
    return viewSelector & 3;
}

// The table entry for a zoom step (clamped to 0..2) and rotation.
PreviewProjection ProjectionFor(std::int32_t zoomStep, std::int32_t rotation);

// Floor-grid pattern of a zoom step (clamped to 0..2): row offset and repeat mask.
struct FloorGridPattern {
    std::int32_t rowOffset;
    std::int32_t mask;
};
FloorGridPattern FloorGridFor(std::int32_t zoomStep);

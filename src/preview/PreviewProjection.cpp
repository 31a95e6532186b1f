#include "preview/PreviewProjection.h"

namespace {
constexpr std::int32_t P1 = 64, P2 = -64, P3 = 32, P4 = 32, P5 = 50, P6 = -347, P7 = 347;

constexpr std::int32_t ClampZoom(std::int32_t zoomStep) {
    return zoomStep < 0 ? 0 : (zoomStep > 2 ? 2 : zoomStep);
}
} // namespace

PreviewProjection ProjectionFor(std::int32_t zoomStep, std::int32_t rotation) {
    const int s = 2 - ClampZoom(zoomStep);
    // Shift first (rounding toward minus infinity), negate afterwards.
    const std::int32_t p1 = P1 >> s, p2 = P2 >> s, p3 = P3 >> s, p4 = P4 >> s, p5 = P5 >> s,
                       p6 = P6 >> s, p7 = P7 >> s;
    switch (rotation & 3) {
    case 0:
        return {p2, p1, p4, p3, p5, -p7, p6};
    case 1:
        return {-p1, p2, -p3, p4, -p5, -p6, -p7};
    case 2:
        return {-p2, -p1, -p4, -p3, p5, p7, -p6};
    default:
        return {p1, -p2, p3, -p4, -p5, p6, p7};
    }
}

FloorGridPattern FloorGridFor(std::int32_t zoomStep) {
    switch (ClampZoom(zoomStep)) {
    case 0:
        return {9, 31};
    case 1:
        return {17, 63};
    default:
        return {33, 127};
    }
}

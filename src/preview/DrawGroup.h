// Draw groups: per view, the sprite frames that make up an object's picture and where they go.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/BoundedString.h"

class CResourceFile;

struct DrawGroupSprite {
    std::int32_t spriteId = 0;
    std::int32_t frameIndex = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
    float z = 0.0f; // height; lifts the frame by z * 20 rows
    float worldX = 0.0f;
    float worldY = 0.0f;
    std::uint32_t flags = 0; // bit 0: mirrored left to right
};

constexpr std::uint32_t kDrawGroupSpriteMirrored = 1;

class CDrawGroupImage {
public:
    std::int32_t viewAttribute1 = 0;
    std::int32_t viewAttribute2 = 0;
    std::vector<DrawGroupSprite> placements; // later ones are drawn over earlier ones
};

class CDrawGroup {
public:
    // Reads draw group id of file; on failure returns the file's last error and stays empty.
    std::int32_t LoadDrawGroup(CResourceFile& file, std::int16_t id);
    // Parses a body; a body shorter than its counts keeps what was complete.
    void Parse(const std::uint8_t* body, std::int32_t size);
    void Clear();

    CFixedString<64> label;
    std::vector<CDrawGroupImage> images;
};

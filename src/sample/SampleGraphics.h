// The sample object's pictures: procedurally drawn draw groups, depth sprites, a colour-only
// sprite and a palette, for the sofa (two tiles whose pictures overlap, told apart by depth)
// and the lamp (a mirrored half, a translucent shade and a glow with partial alpha, lifted by
// height). Every view selector 0..11 has an image; frame index = zoom step.
#pragma once

#include <cstdint>

class CResourceFile;

namespace sample {

// Chunk ids the graphics use. The draw group ids are the base graphic ids of Sample.h.
inline constexpr int16_t kSamplePaletteId = 300;
inline constexpr int16_t kSofaLeftSprite = 2000;
inline constexpr int16_t kSofaRightSprite = 2001;
inline constexpr int16_t kLampHalfSprite = 2010;
inline constexpr int16_t kLampGlowSprite = 2011;
inline constexpr int16_t kLampRugSprite = 2020; // colour-only sprite
inline constexpr int kSampleViews = 12;

// Adds the palette, sprites and draw groups to an open, writable file. 0 or the file's status.
int32_t AddSampleGraphics(CResourceFile& file);

} // namespace sample

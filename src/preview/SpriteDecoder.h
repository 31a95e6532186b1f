// Sprite frames: measuring them from their headers and decoding their run-length pixel streams
// into colour, depth and alpha planes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "platform/DibSection.h"

class CColorPalette;
class CResourceFile;

// Raised by a colour-only sprite stream holding a command it does not know.
class CBadTokenError : public std::runtime_error {
public:
    CBadTokenError() : std::runtime_error("bad token") {}
};

// The three 8-bit planes of a decoded frame (bottom-up, as every section).
struct SpritePlanes {
    DibPtr color; // palette indices; the transparent index where nothing is drawn
    DibPtr depth; // 255 where nothing is drawn
    DibPtr alpha; // 0 transparent .. 255 opaque
};

// Result bits of RenderSpriteFrame.
enum : int {
    kSpriteFrameDone = 1,
    kSpriteFrameColorPlane = 2,
    kSpriteFrameDepthPlane = 4,
    kSpriteFrameAlphaPlane = 8,
};

// Measures a frame of sprite spriteId (colour-only sprites first, then depth sprites) and, when a
// plane slot is given, decodes it. Every pointer is optional:
//  - transparentIndex (in/out): -1 asks for the palette entry nearest to colour, stored back;
//  - position (out, 2 values), size (out: width, height; 0, 0 when there is nothing to draw);
//  - palette (in/out): filled with the frame's palette; paletteId (out): the palette id used;
//  - colorPlane, depthPlane, alphaPlane (out): any section they hold is destroyed first.
// Throws CBadTokenError for a malformed colour-only stream; nothing it holds outlives the throw.
int RenderSpriteFrame(CResourceFile* file, std::int32_t spriteId, std::int32_t frameIndex,
                      ColorRef colour, std::int32_t* transparentIndex, std::int32_t* position,
                      std::int32_t* size, CColorPalette* palette, std::int32_t* paletteId,
                      DibPtr* colorPlane, DibPtr* depthPlane, DibPtr* alphaPlane);

// Byte-order fix-up of a colour-only sprite body stored big-endian; stays inside the body.
void SwapSprBody(std::uint8_t* body, std::int32_t size);

// Decoders of one frame whose pixel stream starts at streamOffset inside body. width and height
// of 0 or less are taken as 1. Pixels outside the planes are dropped and the stream ends at the
// end of the body. palette null: the grey palette.
SpritePlanes DecodeSprFrame(std::int32_t width, std::int32_t height, const CColorPalette* palette,
                            int transparentIndex, const std::uint8_t* body, std::size_t bodySize,
                            std::size_t streamOffset);
SpritePlanes DecodeSpr2Frame(std::int32_t width, std::int32_t height, const CColorPalette* palette,
                             int transparentIndex, const std::uint8_t* body, std::size_t bodySize,
                             std::size_t streamOffset);

// Shared by the SPR# and SPR2 targets: a sprite (and a palette) in a file, every frame measured
// and, when its planes stay small, decoded through RenderSpriteFrame.
#pragma once

#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "preview/ColorPalette.h"
#include "preview/SpriteDecoder.h"
#include "resource/ResourceFile.h"

namespace fuzz {

inline int RunSpriteInput(uint32_t type, const uint8_t* data, size_t size) {
    CInput in(data, size);
    const uint8_t options = in.Byte();
    const uint8_t frames = in.Byte();
    const int16_t paletteId = int16_t(in.Byte());
    std::vector<ImageChunk> chunks(1);
    chunks[0].type = type;
    chunks[0].id = 2000;
    chunks[0].flags = (options & 1) ? 0x0010 : 0;
    chunks[0].body = in.Blob();
    if (options & 2) {
        ImageChunk palette;
        palette.type = 0x50414C54; // PALT
        palette.id = paletteId;
        palette.body = in.Rest();
        chunks.push_back(std::move(palette));
    }
    {
        std::vector<uint8_t> copy = chunks[0].body;
        SwapSprBody(copy.data(), int32_t(copy.size()));
    }
    CMemoryIff iff(BuildIffV2(chunks), true, false);
    CResourceFile* file = iff.File();
    if (!file) return 0;
    for (int32_t frame = -1; frame <= frames % 4; ++frame) {
        int32_t transparent = (options & 4) ? -1 : (options >> 3);
        int32_t position[2];
        int32_t measured[2];
        CColorPalette palette;
        int32_t usedPalette = 0;
        try {
            RenderSpriteFrame(file, 2000, frame, MakeColorRef(255, 0, 255), &transparent, position,
                              measured, &palette, &usedPalette, nullptr, nullptr, nullptr);
            // Planes are width x height bytes each: decoding huge frames only costs time.
            if (int64_t(measured[0]) * measured[1] > (1 << 16)) continue;
            DibPtr color, depth, alpha;
            RenderSpriteFrame(file, 2000, frame, MakeColorRef(255, 0, 255), &transparent, position,
                              measured, (options & 0x80) ? &palette : nullptr, &usedPalette, &color,
                              (options & 0x40) ? &depth : nullptr, &alpha);
        } catch (const CBadTokenError&) {
        }
    }
    return 0;
}

} // namespace fuzz

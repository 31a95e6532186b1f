// Draw-group bodies, parsed directly and fetched from a file.
#include <vector>

#include "FuzzSupport.h"
#include "preview/DrawGroup.h"
#include "resource/ResourceFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::CInput in(data, size);
    const uint8_t options = in.Byte();
    fuzz::ImageChunk chunk;
    chunk.type = 0x44475250; // DGRP
    chunk.id = 100;
    chunk.flags = (options & 1) ? 0x0010 : 0;
    chunk.label = "group";
    chunk.body = in.Rest();
    {
        CDrawGroup direct;
        direct.Parse(chunk.body.data(), int32_t(chunk.body.size()));
    }
    fuzz::CMemoryIff iff(fuzz::BuildIffV2({chunk}), true, false);
    if (!iff.File()) return 0;
    CDrawGroup group;
    group.LoadDrawGroup(*iff.File(), 100);
    size_t placements = 0;
    for (const CDrawGroupImage& image : group.images)
        placements += image.placements.size();
    (void)placements;
    return 0;
}

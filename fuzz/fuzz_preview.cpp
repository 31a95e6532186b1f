// The whole object preview of a small object file: definitions, draw groups, sprites, palettes.
#include <memory>
#include <vector>

#include "FuzzSupport.h"
#include "model/ObjectDefinitions.h"
#include "platform/DibSection.h"
#include "preview/ObjectPreview.h"
#include "resource/ResourceFile.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A sprite or canvas of hostile size would zero-fill up to 256 MiB on each run; drawing a
    // 4 MiB one takes the same paths.
    CDibSection::SetByteLimit(std::size_t(4) << 20);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> image(data, data + size);
    const bool v2 = !(size > 9 && data[9] == '1'); // "IFF FILE 1.0" or "2.x"
    fuzz::CMemoryIff iff(image, v2, false);
    if (!iff.File()) return 0;
    CObjectSet set;
    set.SetResourceFile(iff.Take());
    set.LoadDefinitions();
    int drawn = 0;
    for (CObjectDefinition* master : set.Masters()) {
        if (drawn++ >= 3) break;
        for (int32_t selector : {9, int32_t(size % 12)}) {
            bool badToken = false;
            DibPtr picture =
                RenderObjectPreviewNoThrow(*master, selector, 0x00FFFFFF, selector & 1, &badToken);
        }
    }
    set.CloseFile();
    return 0;
}

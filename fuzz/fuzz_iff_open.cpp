// Opening an IFF file of either version (scan, or the 2.5 resource map), fetching every chunk,
// and the consistency check.
#include <vector>

#include "FuzzSupport.h"
#include "common/BoundedString.h"
#include "resource/IffCheck.h"
#include "resource/ResourceFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> image(data, data + size);
    for (bool v2 : {false, true}) {
        fuzz::CMemoryIff iff(image, v2, false);
        if (CResourceFile* file = iff.File()) fuzz::WalkAllChunks(*file);
    }
    {
        fuzz::CMemoryIff iff(image, true, false);
        IffCheckReport report;
        CheckIffFile(fuzz::CMemoryIff::kPath, report);
    }
    return 0;
}

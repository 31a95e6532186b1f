// The NAME map of 1.0 files in both layouts, and the 2.5 resource map body.
#include <vector>

#include "FuzzSupport.h"
#include "resource/NameMap.h"
#include "resource/ResourceMap.h"
#include "resource/StoredObject.h"
#include "stream/FieldStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::CInput in(data, size);
    const uint8_t options = in.Byte();
    std::vector<uint8_t> body = in.Rest();
    const auto n = int32_t(body.size());
    if (options & 1) SwapStoredPrefix(body.data(), n);
    {
        CNameMap legacy;
        legacy.ReadLegacy(body.data(), n);
        legacy.FindLabel("a");
        legacy.NextKey();
    }
    {
        CNameMap stored;
        if (ReadStoredBody(body.data(), n, stored) == 0) {
            stored.FindLabel("fuzz");
            stored.Set(stored.NextKey(), "x");
            // What was read is written back the same way.
            CChunk* chunk = MakeStoredChunk(stored);
            CChunk::Free(chunk);
        }
    }
    {
        iff::ChunkIndex index;
        int32_t freeSpace = 0;
        ReadResourceMapBody(body.data(), n, 1 << 20, index, freeSpace);
    }
    return 0;
}

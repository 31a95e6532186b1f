// Changes to whatever an IFF file holds: add, delete, replace with a larger body, flush and
// close (which may compact and write the map), then open again and fetch everything.
#include <vector>

#include "FuzzSupport.h"
#include "common/BoundedString.h"
#include "resource/ResourceFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> image(data, data + size);
    for (bool v2 : {false, true}) {
        fuzz::CMemoryIff iff(image, v2, true);
        CResourceFile* file = iff.File();
        if (!file) continue;
        const uint32_t fresh = 0x46555A5A; // FUZZ
        CChunk* added = CChunk::Create(int32_t(size % 97));
        CFixedString<64> label("fuzz");
        if (file->AddChunk(added, fresh, 1, label, true) != kResOk) CChunk::Free(added);
        if (file->CountTypes() > 0) {
            const uint32_t type = file->GetTypeAt(1);
            if (CChunk* first = file->GetChunkAt(type, 1, nullptr)) {
                if (file->DeleteChunk(first) != kResOk) (void)file->ReleaseChunk(first);
            }
            if (CChunk* second = file->GetChunkAt(type, 1, nullptr)) {
                CChunk* bigger = CChunk::Create(second->Size() + 40);
                int16_t id = 0;
                file->GetId(second, id);
                (void)file->ReleaseChunk(second);
                if (bigger && file->AddChunk(bigger, type, id, label, true) != kResOk)
                    CChunk::Free(bigger);
            }
        }
        (void)file->Flush();
        if (iff.Reopen(false)) fuzz::WalkAllChunks(*iff.File());
    }
    return 0;
}

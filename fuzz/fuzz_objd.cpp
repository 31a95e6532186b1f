// Object definitions: several OBJD bodies of one file, sorted into masters and parts.
#include <memory>
#include <vector>

#include "FuzzSupport.h"
#include "model/ObjectDefinitions.h"
#include "resource/ResourceFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::CInput in(data, size);
    const int count = 1 + in.Byte() % 4;
    std::vector<fuzz::ImageChunk> chunks;
    for (int i = 0; i < count && !in.Empty(); ++i) {
        fuzz::ImageChunk c;
        c.type = CObjectSet::kTypeOBJD;
        c.id = int16_t(in.U16());
        c.label = "object";
        c.body = in.Blob();
        chunks.push_back(std::move(c));
    }
    fuzz::CMemoryIff iff(fuzz::BuildIffV2(chunks), true, false);
    if (!iff.File()) return 0;
    CObjectSet set;
    set.SetResourceFile(iff.Take());
    set.LoadDefinitions();
    for (const auto& d : set.Definitions()) {
        d->Version();
        d->TreeTableId();
        d->IsMaster();
        for (int32_t at = -2; at < CObjectDefinition::kDataSize + 2; at += 2)
            d->Word(at);
        if (CObjectDefinition* m = d->Master()) m->Parts();
        set.FindDefinition(d->MasterId());
    }
    const std::vector<uint8_t> raw = chunks.empty() ? std::vector<uint8_t>() : chunks[0].body;
    CObjectDefinition::Normalise(raw.data(), int32_t(raw.size()));
    set.CloseFile();
    return 0;
}

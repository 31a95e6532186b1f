// Tree-table bodies of every version, plain and packed, with their TTAs names; a writable file
// also runs the upgrade save of old versions.
#include <vector>

#include "FuzzSupport.h"
#include "model/StringTable.h"
#include "model/TreeTable.h"
#include "resource/ResourceFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::CInput in(data, size);
    const uint8_t options = in.Byte();
    std::vector<fuzz::ImageChunk> chunks(1);
    chunks[0].type = CTreeTable::kTypeTTAB;
    chunks[0].id = 128;
    chunks[0].label = "table";
    chunks[0].body = in.Blob();
    if (options & 0x20) {
        fuzz::ImageChunk names;
        names.type = CStringTable::kTypeTTAs;
        names.id = 128;
        names.body = in.Rest();
        chunks.push_back(std::move(names));
    }
    // Writable files (the upgrade save) are the slower path, up to hundreds of times the cost of
    // a read (names are padded up to the highest string index, which may be 32766): one input in
    // 256 (by options and length) takes it, so that the reader gets most of the runs.
    const bool writable = (options & 0x81) == 0x81 && size % 64 == 1;
    if (chunks[0].body.size() >= 2) {
        // Tables below version 0 make every counted entry out of nothing, so a four-byte body
        // could make 32767 of them on every run: keep the count's sign but cap it at 1023,
        // which reaches every path of the reader at a tenth of the cost. A save writes every
        // entry and its name back: cap the count further so that the run measures the parser,
        // not the cost of saving thousands of names.
        uint8_t& low = chunks[0].body[0];
        uint8_t& high = chunks[0].body[1];
        high = writable ? 0 : uint8_t(high & 0x83);
        if (writable) low = uint8_t(low % 200);
    }
    fuzz::CMemoryIff iff(fuzz::BuildIffV2(chunks), true, writable);
    CResourceFile* file = iff.File();
    if (!file) return 0;
    CTreeTable table((options >> 1) & 0x0F);
    if (table.Load(file, 128) != 0) return 0;
    for (int32_t i = 0; i < table.Count(); ++i)
        CTreeTable::EffectiveAttenuation(*table.Entry(i));
    if (writable && (options & 0x40)) {
        // What was read must save and read back.
        table.Save("again");
        CTreeTable back((options >> 1) & 0x0F);
        back.Load(file, 128);
    }
    return 0;
}

// String-table bodies of every format (plain, with comments, multi-language, Pascal, caret),
// stored native or big-endian, loaded in one or all languages and saved back.
#include <vector>

#include "FuzzSupport.h"
#include "model/StringTable.h"
#include "resource/ResourceFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::CInput in(data, size);
    const uint8_t options = in.Byte();
    const uint8_t language = in.Byte();
    fuzz::ImageChunk chunk;
    const bool caret = (options & 3) == 2;
    chunk.type = (options & 3) == 0   ? CStringTable::kTypeStr
                 : (options & 3) == 1 ? CStringTable::kTypeTTAs
                                      : CStringTable::kTypeCaret;
    chunk.id = 128;
    chunk.flags = (options & 4) ? 0x0010 : 0;
    chunk.label = "strings";
    chunk.body = in.Rest();
    // Saving is the slower path: a quarter of the inputs take it.
    const bool writable = (options & 0xA0) == 0xA0;
    fuzz::CMemoryIff iff(fuzz::BuildIffV2({chunk}), true, writable);
    CResourceFile* file = iff.File();
    if (!file) return 0;
    SetCurrentLanguage(1 + language % kLanguageCount);
    CStringTable table;
    if ((options & 3) == 3) {
        table.LoadList(file, 128, (options & 8) != 0);
    } else {
        table.Configure(file, chunk.type, 128, caret, (options & 0x40) ? language % 24 : -1);
        table.Load((options & 8) != 0, (options & 0x10) != 0);
    }
    const int32_t count = table.Count();
    for (int32_t i = 0; i <= count + 1; ++i) {
        table.GetText(i);
        table.GetComment(i);
        for (int32_t slot = 0; slot < kLanguageCount; slot += 7)
            table.GetText(i, slot);
    }
    if (writable) {
        table.SetText(count + 1, "fuzz");
        table.SetComment(1, "!c");
        table.Save();
        CStringTable back;
        back.Configure(file, table.Type(), 128, false, -1);
        back.Load(true, true);
    }
    SetCurrentLanguage(1);
    return 0;
}

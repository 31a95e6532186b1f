// Writes the large files the command-line benchmark (bench/big_files.sh) measures, all made by
// our own code: usage tavimet_bigfiles DIR.
//   DIR/chunks20k.iff  the sample object followed by 20,000 small chunks, every tenth of them
//                      free (2,000 free chunks), no resource map: opened by a scan
//   DIR/halffree.iff   64 MiB of 32 KiB chunks, every other one free
//   DIR/strings.iff    one STR# table (id 128) of 32,767 English strings, every other one with
//                      a comment: the most a table holds
//   DIR/object.iff     the sample object, and DIR/edits.json 200,000 edits of its tree table
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resource/IffFormat.h"
#include "sample/Sample.h"

namespace {

void PutChunk(std::vector<uint8_t>& out, uint32_t type, int16_t id, uint16_t flags,
              const std::string& label, int32_t bodySize) {
    const size_t at = out.size();
    out.resize(at + size_t(iff::kChunkHeaderV2 + bodySize), 0);
    uint8_t* h = out.data() + at;
    iff::PutBE32(h, type);
    iff::PutBE32(h + 4, uint32_t(iff::kChunkHeaderV2 + bodySize));
    iff::PutBE16(h + 8, uint16_t(id));
    iff::PutBE16(h + 10, flags);
    for (size_t i = 0; i < label.size() && i < size_t(iff::kMaxLabelChars); ++i)
        h[12 + i] = uint8_t(label[i]);
    for (int32_t i = 0; i < bodySize; ++i)
        h[iff::kChunkHeaderV2 + i] = uint8_t(i * 7 + id);
}

// A 2.5 file header without a resource map.
std::vector<uint8_t> FileHeader() {
    std::vector<uint8_t> bytes(iff::kHeaderV2Pattern, iff::kHeaderV2Pattern + iff::kFileHeaderSize);
    bytes[9] = '2';
    bytes[11] = '5';
    iff::PutBE32(bytes.data() + iff::kMapOffsetPos, 0);
    return bytes;
}

// The multi-language body: format word, count, then language, text and comment of each item.
std::vector<uint8_t> EnglishStrings(int count) {
    std::vector<uint8_t> body = {0xFD, 0xFF, uint8_t(count & 0xFF), uint8_t(count >> 8)};
    auto put = [&](const std::string& s) {
        body.insert(body.end(), s.begin(), s.end());
        body.push_back(0);
    };
    for (int i = 0; i < count; ++i) {
        body.push_back(1);
        put("Interaction text number " + std::to_string(i));
        put(i % 2 ? "" : "comment " + std::to_string(i));
    }
    return body;
}

// Edits of the sample's tree table (10 entries), of every kind apply takes.
std::string ManyEdits(int count) {
    std::string out = "{\"entries\":[\n";
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        out += (i ? ",\n" : "") + std::string("{\"index\":") + std::to_string(i % 10) +
               ",\"flags\":" + std::to_string(i % 512) + ",\"autonomy\":" + std::to_string(i % 100);
        if (i % 2 == 0) out += ",\"attenuation_value\":" + std::to_string(i % 7) + ".25";
        if (i % 4 == 0) out += ",\"name\":\"Name " + n + "\"";
        if (i % 8 == 0) out += ",\"motives\":{\"1\":{\"min\":-5,\"max\":" + n + "}}";
        out += "}";
    }
    return out + "\n]}\n";
}

bool Save(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

// Marks every map chunk free and clears the header's map offset: the file opens by a scan.
void DropMap(std::vector<uint8_t>& bytes) {
    for (size_t pos = iff::kFileHeaderSize; pos + iff::kChunkHeaderV2 <= bytes.size();) {
        const uint32_t size = iff::GetBE32(&bytes[pos + 4]);
        if (size < uint32_t(iff::kChunkHeaderV2)) break;
        if (iff::GetBE32(&bytes[pos]) == iff::kTypeMap) {
            iff::PutBE32(&bytes[pos], iff::kTypeFree);
            iff::PutBE16(&bytes[pos + 10],
                         uint16_t(iff::GetBE16(&bytes[pos + 10]) | iff::kFlagFree));
        }
        pos += size;
    }
    iff::PutBE32(&bytes[iff::kMapOffsetPos], 0);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tavimet_bigfiles DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::string error;
    const std::string many = dir + "/chunks20k.iff";
    if (sample::WriteObjectFile(many, error) != 0) {
        std::fprintf(stderr, "tavimet_bigfiles: %s\n", error.c_str());
        return 1;
    }
    std::ifstream in(many, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    in.close();
    DropMap(bytes);
    const uint32_t types[] = {MakeTypeCode("BHAV"), MakeTypeCode("SLOT"), MakeTypeCode("FCNS"),
                              MakeTypeCode("GLOB")};
    for (int i = 0; i < 20000; ++i) {
        const bool free = i % 10 == 9;
        PutChunk(bytes, free ? iff::kTypeFree : types[i % 4], int16_t(1000 + i / 4),
                 free ? iff::kFlagFree : 0x0010, "chunk " + std::to_string(i), 10 + i % 30);
    }
    if (!Save(many, bytes)) return 1;

    bytes = FileHeader();
    for (int i = 0; i < 2048; ++i) {
        const bool free = i % 2 == 1;
        PutChunk(bytes, free ? iff::kTypeFree : MakeTypeCode("SPR2"), int16_t(i),
                 free ? iff::kFlagFree : 0x0010, "",
                 32768 - iff::kChunkHeaderV2 - (i == 0 ? 64 : 0));
    }
    if (!Save(dir + "/halffree.iff", bytes)) return 1;

    bytes = FileHeader();
    const std::vector<uint8_t> strings = EnglishStrings(32767);
    PutChunk(bytes, MakeTypeCode("STR#"), 128, iff::kFlagNative, "many strings",
             int32_t(strings.size()));
    std::copy(strings.begin(), strings.end(), bytes.end() - std::ptrdiff_t(strings.size()));
    if (!Save(dir + "/strings.iff", bytes)) return 1;

    if (sample::WriteObjectFile(dir + "/object.iff", error) != 0) {
        std::fprintf(stderr, "tavimet_bigfiles: %s\n", error.c_str());
        return 1;
    }
    const std::string edits = ManyEdits(200000);
    std::ofstream out(dir + "/edits.json", std::ios::binary | std::ios::trunc);
    out << edits;
    return out ? 0 : 1;
}

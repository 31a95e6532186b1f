// Writes the large files the command-line benchmark (bench/big_files.sh) measures, all made by
// our own code: usage tavimet_bigfiles DIR.
//   DIR/chunks20k.iff  the sample object followed by 20,000 small chunks, every tenth of them
//                      free (2,000 free chunks), no resource map: opened by a scan
//   DIR/halffree.iff   64 MiB of 32 KiB chunks, every other one free
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

    bytes.clear();
    bytes.assign(iff::kHeaderV2Pattern, iff::kHeaderV2Pattern + iff::kFileHeaderSize);
    bytes[9] = '2';
    bytes[11] = '5';
    iff::PutBE32(bytes.data() + iff::kMapOffsetPos, 0);
    for (int i = 0; i < 2048; ++i) {
        const bool free = i % 2 == 1;
        PutChunk(bytes, free ? iff::kTypeFree : MakeTypeCode("SPR2"), int16_t(i),
                 free ? iff::kFlagFree : 0x0010, "",
                 32768 - iff::kChunkHeaderV2 - (i == 0 ? 64 : 0));
    }
    return Save(dir + "/halffree.iff", bytes) ? 0 : 1;
}

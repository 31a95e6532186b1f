// Helpers for the IFF container tests: file bytes, chunk bodies; scratch folders in memory where
// possible (ScratchDir::InMemory), since 2.x writes flush to disk.
#pragma once

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "ScratchDir.h"
#include "common/BoundedString.h"
#include "resource/IffFormat.h"
#include "resource/ResourceFile.h"

namespace iff_test {

constexpr uint32_t kTTAB = MakeTypeCode("TTAB");
constexpr uint32_t kSTR = MakeTypeCode("STR#");
constexpr uint32_t kOBJD = MakeTypeCode("OBJD");
constexpr uint32_t kBHAV = MakeTypeCode("BHAV");

using Label = CFixedString<64>;

inline std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline CChunk* MakeBody(const std::vector<uint8_t>& bytes) {
    CChunk* chunk = CChunk::Create(int32_t(bytes.size()));
    if (chunk && !bytes.empty()) std::memcpy(chunk->Body(), bytes.data(), bytes.size());
    return chunk;
}

inline std::vector<uint8_t> Pattern(size_t n, uint32_t seed) {
    std::vector<uint8_t> v(n);
    uint32_t x = seed * 2654435761u + 1;
    for (auto& b : v) {
        x = x * 1103515245u + 12345u;
        b = uint8_t(x >> 16);
    }
    return v;
}

inline std::vector<uint8_t> BodyOf(const CChunk* chunk) {
    return std::vector<uint8_t>(chunk->Body(), chunk->Body() + chunk->Size());
}

} // namespace iff_test

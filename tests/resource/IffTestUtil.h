// Helpers for the IFF container tests: scratch directories (in memory where possible, since
// 2.x writes flush to disk), file bytes, chunk bodies.
#pragma once

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "TestSystem.h"
#include "common/BoundedString.h"
#include "resource/IffFormat.h"
#include "resource/ResourceFile.h"

namespace iff_test {

constexpr uint32_t kTTAB = MakeTypeCode("TTAB");
constexpr uint32_t kSTR = MakeTypeCode("STR#");
constexpr uint32_t kOBJD = MakeTypeCode("OBJD");
constexpr uint32_t kBHAV = MakeTypeCode("BHAV");

using Label = CFixedString<64>;

class ScratchDir {
public:
    ScratchDir() {
        std::filesystem::path base = std::filesystem::exists("/dev/shm")
                                         ? std::filesystem::path("/dev/shm")
                                         : std::filesystem::temp_directory_path();
        m_path = testsys::MakeTempDirectory("tavimet-iff", base);
        if (m_path.empty()) throw std::runtime_error("no temporary folder");
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

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

// Helpers for the resource-kind tests: chunk bodies from text, files made on the spot.
#pragma once

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "common/BoundedString.h"
#include "resource/IffFormat.h"
#include "resource/ResourceFile.h"

namespace kinds_test {

inline constexpr uint32_t kTTAB = MakeTypeCode("TTAB");
inline constexpr uint32_t kTTAs = MakeTypeCode("TTAs");
inline constexpr uint32_t kSPR2 = MakeTypeCode("SPR2");
inline constexpr uint32_t kPALT = MakeTypeCode("PALT");
inline constexpr uint32_t kOBJD = MakeTypeCode("OBJD");
inline constexpr uint32_t kSTR = MakeTypeCode("STR#");

using Label = CFixedString<64>;

inline CChunk* MakeBody(std::string_view bytes) {
    CChunk* chunk = CChunk::Create(static_cast<int32_t>(bytes.size()));
    if (chunk && !bytes.empty()) std::memcpy(chunk->Body(), bytes.data(), bytes.size());
    return chunk;
}

inline std::string Text(const CChunk* chunk) {
    if (!chunk) return "<none>";
    return std::string(reinterpret_cast<const char*>(chunk->Body()),
                       static_cast<std::size_t>(chunk->Size()));
}

struct ChunkDef {
    uint32_t type;
    int16_t id;
    const char* label;
    std::string body;
};

// Adds and writes every chunk; returns the first error.
inline int32_t AddAll(CResourceFile& file, const std::vector<ChunkDef>& chunks) {
    for (const ChunkDef& c : chunks) {
        CChunk* chunk = MakeBody(c.body);
        if (int32_t e = file.AddChunk(chunk, c.type, c.id, Label(c.label), true)) {
            CChunk::Free(chunk);
            return e;
        }
        if (int32_t e = file.ReleaseChunk(chunk)) return e;
    }
    return kResOk;
}

// Creates path as a file of the kind FileKind and fills it.
template <class FileKind>
int32_t MakeFile(const std::string& path, const std::vector<ChunkDef>& chunks) {
    FileKind file;
    if (int32_t e = file.Create(path.c_str())) return e;
    if (int32_t e = file.Open(path.c_str())) return e;
    const int32_t e = AddAll(file, chunks);
    const int32_t c = file.Close();
    return e ? e : c;
}

// The body of a chunk fetched and released again ("<none>" and the error when missing).
inline std::string Fetch(CResourceFile& file, uint32_t type, int16_t id) {
    CChunk* chunk = file.GetChunk(type, id);
    if (!chunk) return "<none " + std::to_string(file.LastError()) + ">";
    std::string text = Text(chunk);
    EXPECT_EQ(file.ReleaseChunk(chunk), kResOk);
    return text;
}

} // namespace kinds_test

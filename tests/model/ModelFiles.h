// Test files for the model: a scratch directory, 2.5 files with chunks put in by hand, and
// builders for string-table, tree-table and object-definition bodies.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "TestSystem.h"
#include "common/BoundedString.h"
#include "resource/IffFileV2.h"
#include "resource/ResourceFile.h"

namespace modeltest {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kSTR = 0x53545223;
constexpr uint32_t kTTAs = 0x54544173;
constexpr uint32_t kTTAB = 0x54544142;
constexpr uint32_t kBHAV = 0x42484156;
constexpr uint32_t kOBJD = 0x4F424A44;
constexpr uint32_t kCaret = 0x00435354;

class ScratchDir {
public:
    ScratchDir() { m_path = testsys::MakeTempDirectory("tavimet-model"); }
    ~ScratchDir() {
        std::error_code ec;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
    }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// A new, open 2.5 file.
inline std::unique_ptr<CIffFileV2> NewFile(const std::string& path) {
    auto f = std::make_unique<CIffFileV2>();
    if (f->Create(path.c_str()) != 0 || f->Open(path.c_str()) != 0) return nullptr;
    return f;
}

inline std::unique_ptr<CIffFileV2> OpenFile(const std::string& path, bool readOnly = false) {
    auto f = std::make_unique<CIffFileV2>();
    const int32_t status = readOnly ? f->OpenReadOnly(path.c_str()) : f->Open(path.c_str());
    return status == 0 ? std::move(f) : nullptr;
}

// Adds and writes a chunk; native false stores it as a big-endian body.
inline int32_t Put(CResourceFile& f, uint32_t type, int16_t id, const Bytes& body,
                   const std::string& label = "", bool native = true) {
    CChunk* chunk = CChunk::Create(int32_t(body.size()));
    if (!body.empty()) std::copy(body.begin(), body.end(), chunk->Body());
    CFixedString<64> l(label.c_str());
    if (int32_t e = f.AddChunk(chunk, type, id, l, native)) {
        CChunk::Free(chunk);
        return e;
    }
    return f.ReleaseChunk(chunk);
}

// The stored body, or nothing (empty, exists false) when the chunk is missing.
inline Bytes Get(CResourceFile& f, uint32_t type, int16_t id, bool* exists = nullptr) {
    Bytes out;
    CChunk* chunk = f.GetChunk(type, id, nullptr);
    if (exists) *exists = chunk != nullptr;
    if (!chunk) return out;
    out.assign(chunk->Body(), chunk->Body() + chunk->Size());
    EXPECT_EQ(f.ReleaseChunk(chunk), kResOk);
    return out;
}

inline std::string LabelOf(CResourceFile& f, uint32_t type, int16_t id) {
    CFixedString<64> label;
    if (CChunk* chunk = f.GetChunk(type, id, nullptr)) {
        f.GetLabel(chunk, label);
        EXPECT_EQ(f.ReleaseChunk(chunk), kResOk);
    }
    return label.Text();
}

// Little-endian body writer.
class Writer {
public:
    Writer& W(int32_t v) {
        b.push_back(uint8_t(v));
        b.push_back(uint8_t(uint32_t(v) >> 8));
        return *this;
    }
    Writer& L(uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b.push_back(uint8_t(v >> (8 * i)));
        return *this;
    }
    Writer& F(float f) {
        uint32_t v = 0;
        static_assert(sizeof v == sizeof f);
        std::memcpy(&v, &f, 4);
        return L(v);
    }
    Writer& B(uint8_t v) {
        b.push_back(v);
        return *this;
    }
    Writer& Z(const std::string& s) { // NUL-terminated
        b.insert(b.end(), s.begin(), s.end());
        b.push_back(0);
        return *this;
    }
    Writer& Raw(const std::string& s) {
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    Bytes b;
};

struct LangItem {
    int code; // 1..20
    std::string text, comment;
};

inline bool operator==(const LangItem& a, const LangItem& b) {
    return a.code == b.code && a.text == b.text && a.comment == b.comment;
}
inline std::ostream& operator<<(std::ostream& os, const LangItem& i) {
    return os << "{" << i.code << ", \"" << i.text << "\", \"" << i.comment << "\"}";
}

inline Bytes MultiLanguage(const std::vector<LangItem>& items) {
    Writer w;
    w.W(-3).W(int32_t(items.size()));
    for (const auto& i : items)
        w.B(uint8_t(i.code)).Z(i.text).Z(i.comment);
    return w.b;
}

} // namespace modeltest

// Little helpers for writing chunk bodies byte by byte in tests.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

struct ByteWriter {
    std::vector<uint8_t> bytes;

    ByteWriter& U8(unsigned v) {
        bytes.push_back(uint8_t(v));
        return *this;
    }
    ByteWriter& U8s(std::initializer_list<unsigned> vs) {
        for (unsigned v : vs)
            U8(v);
        return *this;
    }
    ByteWriter& U16(unsigned v) { return U8(v & 0xFF).U8((v >> 8) & 0xFF); }
    ByteWriter& U32(uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
    ByteWriter& F32(float f) {
        uint32_t v;
        std::memcpy(&v, &f, 4);
        return U32(v);
    }
    size_t Size() const { return bytes.size(); }
    void Set32(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + size_t(i)] = uint8_t(v >> (8 * i));
    }
};

constexpr uint32_t kTypeSPR = 0x53505223;
constexpr uint32_t kTypeSPR2 = 0x53505232;
constexpr uint32_t kTypePALT = 0x50414C54;
constexpr uint32_t kTypeDGRP = 0x44475250;

// A sprite body: version, frame count, palette id and the offsets of the given frames.
inline std::vector<uint8_t> SpriteBody(int32_t paletteId,
                                       const std::vector<std::vector<uint8_t>>& frames,
                                       int32_t version = 1001) {
    ByteWriter w;
    w.U32(uint32_t(version)).U32(uint32_t(frames.size())).U32(uint32_t(paletteId));
    size_t at = 12 + 4 * frames.size();
    for (const auto& f : frames) {
        w.U32(uint32_t(at));
        at += f.size();
    }
    for (const auto& f : frames)
        w.bytes.insert(w.bytes.end(), f.begin(), f.end());
    return w.bytes;
}

// A colour-only frame header (width, height) followed by the stream.
inline std::vector<uint8_t> SprFrame(int width, int height,
                                     std::initializer_list<unsigned> stream) {
    ByteWriter w;
    w.U16(0).U16(0).U16(unsigned(height)).U16(unsigned(width)).U16(0);
    w.U8s(stream);
    return w.bytes;
}

// A depth frame header (width, height, palette id) followed by the stream bytes.
inline std::vector<uint8_t> Spr2Frame(int width, int height, int paletteId,
                                      std::initializer_list<unsigned> stream) {
    ByteWriter w;
    w.U16(unsigned(width)).U16(unsigned(height)).U32(0).U16(unsigned(paletteId) & 0xFFFF).U16(0);
    w.U16(0).U16(0);
    w.U8s(stream);
    return w.bytes;
}

// SPR2 command word.
constexpr unsigned Cmd2Lo(unsigned command, unsigned count) {
    return (command << 13 | count) & 0xFF;
}
constexpr unsigned Cmd2Hi(unsigned command, unsigned count) {
    return (command << 13 | count) >> 8;
}

// A palette body of the given colours.
inline std::vector<uint8_t> PaltBody(const std::vector<std::array<uint8_t, 3>>& colours) {
    ByteWriter w;
    w.U32(1).U32(uint32_t(colours.size())).U32(0).U32(0);
    for (const auto& c : colours)
        w.U8s({c[0], c[1], c[2]});
    return w.bytes;
}

// On-disk constants of IFF resource files: headers, chunk headers, flags and type codes.
#pragma once

#include <cstdint>

// Four letters in file order as the big-endian value of the bytes.
constexpr uint32_t MakeTypeCode(const char (&s)[5]) {
    return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) |
           (uint32_t(uint8_t(s[2])) << 8) | uint32_t(uint8_t(s[3]));
}

namespace iff {

constexpr int32_t kFileHeaderSize = 64;
constexpr int32_t kChunkHeaderV1 = 16;
constexpr int32_t kChunkHeaderV2 = 76;
constexpr int32_t kLabelField = 64; // 2.x inline label field, NUL included
constexpr int32_t kMaxLabelChars = 63;
constexpr int32_t kMaxBodySize = 0x40000000;

constexpr int32_t kVersion20 = 0x200;
constexpr int32_t kVersion25 = 0x205;
constexpr int32_t kMapOffsetPos = 60; // 2.5: resource map offset, big-endian

// The 1.0 header, all 64 bytes.
extern const uint8_t kHeaderV1[kFileHeaderSize];
// The 2.x pattern: '*' matches any byte.
extern const uint8_t kHeaderV2Pattern[kFileHeaderSize];

// Flag word bits.
constexpr uint16_t kFlagFree = 0x0004;
constexpr uint16_t kFlagInternal = 0x0008; // 1.0 only: container's own chunk (name map)
constexpr uint16_t kFlagNative = 0x0010;   // body already little-endian
constexpr uint16_t kFlagVariantMask = 0xFF00;

constexpr uint32_t kTypeFree = MakeTypeCode("XXXX");
constexpr uint32_t kTypeName = MakeTypeCode("NAME");
constexpr uint32_t kTypeMap = MakeTypeCode("rsmp");

// Bodies written through the stored-object serializer start with this prefix.
constexpr int32_t kStoredPrefix = 12;

// Free space at which closing compacts, and the transfer buffer used to move chunks.
constexpr int32_t kCompactThreshold = 10240;
constexpr int32_t kTransferBuffer = 51200;

// Big-endian field access, byte by byte.
inline uint32_t GetBE32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
inline uint16_t GetBE16(const uint8_t* p) {
    return uint16_t((p[0] << 8) | p[1]);
}
inline void PutBE32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}
inline void PutBE16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v >> 8);
    p[1] = uint8_t(v);
}
inline uint32_t GetLE32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void PutLE32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

// Type code as four printable characters (others as '?'), for messages.
void TypeCodeText(uint32_t type, char out[5]);

} // namespace iff

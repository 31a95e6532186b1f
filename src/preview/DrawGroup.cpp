#include "preview/DrawGroup.h"

#include <cstring>

#include "resource/HeldChunk.h"
#include "resource/ResourceFile.h"
#include "stream/FieldStream.h"

namespace {

constexpr std::uint32_t kTypeDGRP = 0x44475250; // 'DGRP'
constexpr std::int16_t kFirstNewLayout = 20003;
constexpr std::int16_t kFirstWithZ = 20001;
constexpr std::int16_t kFirstWithWorld = 20004;
constexpr std::int16_t kKeptKind = -3;

float FloatFromBits(std::uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

void ParseOld(CFieldStream& s, std::int16_t version, std::vector<CDrawGroupImage>& images) {
    std::int16_t imageCount = 0;
    s.Words(&imageCount, 1);
    for (int i = 0; i < imageCount && !s.IsShort(); ++i) {
        std::int16_t placementCount = 0;
        std::int8_t attributes[2] = {0, 0};
        s.Words(&placementCount, 1);
        s.Bytes(attributes, 2);
        if (s.IsShort()) return;
        CDrawGroupImage image;
        image.viewAttribute1 = attributes[0];
        image.viewAttribute2 = attributes[1];
        for (int p = 0; p < placementCount; ++p) {
            // kind, sprite id, frame index, flags, x, y
            std::int16_t fields[6] = {};
            std::uint32_t z = 0;
            s.Words(fields, 6);
            // Dropped placements are still read so that the stream stays in step.
            if (version >= kFirstWithZ) s.RawLongs(&z, 1);
            if (s.IsShort()) break;
            if (fields[0] != kKeptKind) continue;
            DrawGroupSprite sprite;
            sprite.spriteId = fields[1];
            sprite.frameIndex = fields[2];
            sprite.flags = std::uint32_t(std::int32_t(fields[3]));
            sprite.x = fields[4];
            sprite.y = fields[5];
            sprite.z = FloatFromBits(z);
            image.placements.push_back(sprite);
        }
        images.push_back(std::move(image));
    }
}

void ParseNew(CFieldStream& s, std::int16_t version, std::vector<CDrawGroupImage>& images) {
    std::int32_t imageCount = 0;
    s.Longs(&imageCount, 1);
    for (std::int32_t i = 0; i < imageCount && !s.IsShort(); ++i) {
        std::int32_t header[3] = {}; // two view attributes, placement count
        s.Longs(header, 3);
        if (s.IsShort()) return;
        CDrawGroupImage image;
        image.viewAttribute1 = header[0];
        image.viewAttribute2 = header[1];
        for (std::int32_t p = 0; p < header[2]; ++p) {
            std::int32_t fields[4] = {}; // sprite id, frame index, x, y
            std::uint32_t z = 0, flags = 0, world[2] = {0, 0};
            s.Longs(fields, 4);
            s.RawLongs(&z, 1);
            s.Longs(&flags, 1);
            if (version >= kFirstWithWorld) s.RawLongs(world, 2);
            if (s.IsShort()) break;
            DrawGroupSprite sprite;
            sprite.spriteId = fields[0];
            sprite.frameIndex = fields[1];
            sprite.x = fields[2];
            sprite.y = fields[3];
            sprite.z = FloatFromBits(z);
            sprite.flags = flags;
            sprite.worldX = FloatFromBits(world[0]);
            sprite.worldY = FloatFromBits(world[1]);
            image.placements.push_back(sprite);
        }
        images.push_back(std::move(image));
    }
}

} // namespace

void CDrawGroup::Clear() {
    label.Clear();
    images.clear();
}

void CDrawGroup::Parse(const std::uint8_t* body, std::int32_t size) {
    images.clear();
    if (!body || size <= 0) return;
    CFieldStream s(static_cast<const void*>(body), size);
    std::int16_t version = 0;
    s.Words(&version, 1);
    if (s.IsShort()) return;
    if (version < kFirstNewLayout)
        ParseOld(s, version, images);
    else
        ParseNew(s, version, images);
}

std::int32_t CDrawGroup::LoadDrawGroup(CResourceFile& file, std::int16_t id) {
    Clear();
    CChunk* chunk = file.GetChunk(kTypeDGRP, id, nullptr);
    if (!chunk) return file.LastError();
    CHeldChunk held(file, chunk);
    file.GetLabel(chunk, label);
    Parse(chunk->Body(), chunk->Size());
    return 0;
}

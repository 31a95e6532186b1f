#include "preview/SpriteDecoder.h"

#include <cstring>

#include "preview/ColorPalette.h"
#include "resource/HeldChunk.h"
#include "resource/ResourceFile.h"

namespace {

// Makes the three planes, each filled with its initial value. Leaves them empty when the
// platform refuses any of them.
SpritePlanes MakePlanes(std::int32_t width, std::int32_t height, const CColorPalette* palette,
                        int transparentIndex) {
    if (width <= 0) width = 1;
    if (height <= 0) height = 1;
    RgbQuad colorTable[256];
    RgbQuad greyTable[256];
    (palette ? *palette : GreyPalette()).FillColorTable(colorTable);
    GreyPalette().FillColorTable(greyTable);

    SpritePlanes planes;
    planes.color = CDibSection::Create(width, height, 8, colorTable);
    planes.depth = CDibSection::Create(width, height, 8, greyTable);
    planes.alpha = CDibSection::Create(width, height, 8, greyTable);
    if (!planes.color || !planes.depth || !planes.alpha) return SpritePlanes{};
    std::memset(planes.color->Bits(), std::uint8_t(transparentIndex), planes.color->SizeBytes());
    std::memset(planes.depth->Bits(), 255, planes.depth->SizeBytes());
    std::memset(planes.alpha->Bits(), 0, planes.alpha->SizeBytes());
    return planes;
}

// Writes pixels row by row from the top; pixels with no current row, past the width or below
// the bottom row are dropped.
class CPlaneWriter {
public:
    explicit CPlaneWriter(SpritePlanes& planes)
        : m_width(planes.color->Width()), m_height(planes.color->Height()), m_planes(planes) {}

    void StartNextRow() {
        m_current = m_next;
        ++m_next;
        m_x = 0;
        m_row =
            (m_current >= 0 && m_current < m_height) ? std::int32_t(m_height - 1 - m_current) : -1;
    }
    void MoveNextRowDown(std::int64_t rows) { m_next += rows; }
    void Skip(std::int64_t count) { m_x += count; }
    void Put(std::uint8_t colour, std::uint8_t depth, std::uint8_t alpha) {
        if (m_row >= 0 && m_x < m_width) {
            const std::size_t x = std::size_t(m_x);
            m_planes.color->Row(m_row)[x] = colour;
            m_planes.depth->Row(m_row)[x] = depth;
            m_planes.alpha->Row(m_row)[x] = alpha;
        }
        ++m_x;
    }

private:
    std::int64_t m_width;
    std::int64_t m_height;
    SpritePlanes& m_planes;
    std::int64_t m_next = 0;     // counted from the top row
    std::int64_t m_current = -1; // none until the first start-row command
    std::int32_t m_row = -1;     // memory row of the current row, -1 when outside
    std::int64_t m_x = 0;
};

} // namespace

SpritePlanes DecodeSprFrame(std::int32_t width, std::int32_t height, const CColorPalette* palette,
                            int transparentIndex, const std::uint8_t* body, std::size_t bodySize,
                            std::size_t streamOffset) {
    SpritePlanes planes = MakePlanes(width, height, palette, transparentIndex);
    if (!planes.color) return planes;
    CPlaneWriter out(planes);
    std::size_t pos = streamOffset;
    while (pos <= bodySize && bodySize - pos >= 2) {
        const std::uint8_t command = body[pos];
        const std::uint8_t count = body[pos + 1];
        pos += 2;
        switch (command) {
        case 1:
            out.Skip(count);
            break;
        case 2: {
            if (pos >= bodySize) return planes;
            const std::uint8_t c = body[pos];
            pos += 2; // the colour and a byte that is not read
            for (int i = 0; i < count; ++i)
                out.Put(c, 128, 255);
            break;
        }
        case 3:
            for (int i = 0; i < count; ++i) {
                if (pos >= bodySize) return planes;
                out.Put(body[pos++], 128, 255);
            }
            if (pos % 2 != 0) ++pos;
            break;
        case 4:
            out.StartNextRow();
            break;
        case 5:
            return planes;
        case 9:
            out.MoveNextRowDown(count);
            break;
        default:
            throw CBadTokenError();
        }
    }
    return planes;
}

SpritePlanes DecodeSpr2Frame(std::int32_t width, std::int32_t height, const CColorPalette* palette,
                             int transparentIndex, const std::uint8_t* body, std::size_t bodySize,
                             std::size_t streamOffset) {
    SpritePlanes planes = MakePlanes(width, height, palette, transparentIndex);
    if (!planes.color) return planes;
    CPlaneWriter out(planes);
    std::size_t pos = streamOffset;
    auto pad = [&pos] {
        if (pos % 2 != 0) ++pos;
    };
    while (pos <= bodySize && bodySize - pos >= 2) {
        const unsigned word = unsigned(body[pos]) | (unsigned(body[pos + 1]) << 8);
        pos += 2;
        const unsigned command = word >> 13;
        const unsigned count = word & 0x1FFF;
        switch (command) {
        case 0:
            out.StartNextRow();
            break;
        case 1:
            for (unsigned i = 0; i < count; ++i) {
                if (bodySize - pos < 2) return planes;
                out.Put(body[pos + 1], body[pos], 255);
                pos += 2;
            }
            pad();
            break;
        case 2:
            for (unsigned i = 0; i < count; ++i) {
                if (bodySize - pos < 3) return planes;
                out.Put(body[pos + 1], body[pos], std::uint8_t(body[pos + 2] * 8));
                pos += 3;
            }
            pad();
            break;
        case 3:
            out.Skip(count);
            break;
        case 4:
            for (unsigned i = 0; i < count; ++i)
                out.StartNextRow();
            break;
        case 6:
            for (unsigned i = 0; i < count; ++i) {
                if (pos >= bodySize) return planes;
                out.Put(body[pos++], 128, 255);
            }
            pad();
            break;
        default: // 5 and 7 end the frame
            return planes;
        }
    }
    return planes;
}

namespace {

void Reverse32(std::uint8_t* p) {
    std::uint8_t t = p[0];
    p[0] = p[3];
    p[3] = t;
    t = p[1];
    p[1] = p[2];
    p[2] = t;
}

void Swap16(std::uint8_t* p) {
    const std::uint8_t t = p[0];
    p[0] = p[1];
    p[1] = t;
}

std::uint32_t Get32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

} // namespace

void SwapSprBody(std::uint8_t* body, std::int32_t size) {
    if (!body || size < 4) return;
    const std::size_t n = std::size_t(size);
    Reverse32(body);
    const auto version = std::int32_t(Get32(body));
    // Old bodies keep their offsets right after the frame count.
    const std::size_t offsetsAt = version < 502 ? 8 : 12;
    if (n < 8) return;
    Reverse32(body + 4);
    if (version >= 502) {
        if (n < 12) return;
        Reverse32(body + 8);
    }
    const std::uint32_t count = Get32(body + 4);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = offsetsAt + 4 * std::size_t(i);
        if (at > n - 4) break; // a count larger than the offsets the body holds
        Reverse32(body + at);
        const std::uint32_t frame = Get32(body + at);
        if (frame > n || n - frame < 8) continue;
        for (int k = 0; k < 4; ++k)
            Swap16(body + frame + 2 * std::size_t(k));
    }
}

namespace {

constexpr std::uint32_t kTypeSPR = 0x53505223;  // 'SPR#'
constexpr std::uint32_t kTypeSPR2 = 0x53505232; // 'SPR2'
constexpr std::uint32_t kTypePALT = 0x50414C54; // 'PALT'
constexpr std::size_t kSprFrameHeader = 10;
constexpr std::size_t kSpr2FrameHeader = 16;

std::int16_t GetS16(const std::uint8_t* p) {
    return std::int16_t(std::uint16_t(p[0] | (p[1] << 8)));
}
std::uint16_t GetU16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | (p[1] << 8));
}

// What the headers say about the chosen frame.
struct FrameHeader {
    bool exists = false; // false: no frame at all
    bool empty = false;  // a frame with nothing to draw (still decoded as 1 x 1)
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t position[2] = {0, 0};
    std::size_t streamOffset = 0;
};

FrameHeader ReadFrameHeader(const std::uint8_t* body, std::size_t n, bool spr2,
                            std::int32_t frameIndex, std::int32_t& paletteId) {
    FrameHeader frame;
    const std::int32_t count = n >= 8 ? std::int32_t(Get32(body + 4)) : 0;
    paletteId = n >= 12 ? std::int32_t(Get32(body + 8)) : 0;
    // Only the offsets the body really holds can be used.
    const std::int64_t held = n >= 12 ? std::int64_t((n - 12) / 4) : 0;
    const std::int64_t usable = count < held ? count : held;
    if (usable <= 0 || frameIndex < 0) return frame;
    if (frameIndex >= usable) frameIndex = 0;
    const std::uint32_t at = Get32(body + 12 + 4 * std::size_t(frameIndex));
    const std::size_t headerSize = spr2 ? kSpr2FrameHeader : kSprFrameHeader;
    if (at > n || n - at < headerSize) return frame; // a frame offset past the body's end
    const std::uint8_t* f = body + at;
    frame.exists = true;
    frame.streamOffset = at + headerSize;
    if (!spr2) {
        frame.position[0] = GetS16(f + 2);
        frame.position[1] = GetS16(f + 0);
        frame.height = GetS16(f + 4);
        frame.width = GetS16(f + 6);
        frame.empty = frame.width == 0 || frame.height == 0;
    } else {
        frame.width = GetU16(f + 0);
        frame.height = GetU16(f + 2);
        const std::int16_t framePalette = GetS16(f + 8);
        if (framePalette >= 0) paletteId = framePalette;
        frame.position[0] = GetS16(f + 14);
        frame.position[1] = GetS16(f + 12);
        frame.empty =
            frame.width == 0 || frame.height == 0 || (frame.width == 1 && frame.height == 1);
    }
    return frame;
}

void LoadFramePalette(CResourceFile& file, std::int32_t paletteId, CColorPalette& palette) {
    CHeldChunk palt(file, file.GetChunk(kTypePALT, std::int16_t(paletteId), nullptr));
    if (palt) {
        palette.LoadFromChunk(palt.Get()->Body(), std::size_t(palt.Get()->Size()));
        return;
    }
    const CColorPalette& source =
        PreviewPalette().Count() >= 256 ? PreviewPalette() : GreyPalette();
    palette.LoadFromEntries(source.Entries(), true);
}

} // namespace

int RenderSpriteFrame(CResourceFile* file, std::int32_t spriteId, std::int32_t frameIndex,
                      ColorRef colour, std::int32_t* transparentIndex, std::int32_t* position,
                      std::int32_t* size, CColorPalette* palette, std::int32_t* paletteId,
                      DibPtr* colorPlane, DibPtr* depthPlane, DibPtr* alphaPlane) {
    if (paletteId) *paletteId = 0;
    const bool decode = colorPlane || depthPlane || alphaPlane;
    for (DibPtr* slot : {colorPlane, depthPlane, alphaPlane})
        if (slot) slot->reset();
    if (position) position[0] = position[1] = 0;
    if (size) size[0] = size[1] = 0;
    if (!file) return kSpriteFrameDone;

    const auto id = std::int16_t(spriteId);
    bool spr2 = false;
    CChunk* chunk = file->GetChunk(kTypeSPR, id, SwapSprBody);
    if (!chunk) {
        chunk = file->GetChunk(kTypeSPR2, id, nullptr);
        spr2 = true;
    }
    if (!chunk) return kSpriteFrameDone;
    CHeldChunk sprite(*file, chunk);
    const std::uint8_t* body = chunk->Body();
    const std::size_t bodySize = chunk->Size() > 0 ? std::size_t(chunk->Size()) : 0;

    std::int32_t usedPalette = 0;
    const FrameHeader frame = ReadFrameHeader(body, bodySize, spr2, frameIndex, usedPalette);
    if (paletteId) *paletteId = usedPalette;
    if (frame.exists) {
        if (position) {
            position[0] = frame.position[0];
            position[1] = frame.position[1];
        }
        if (size && !frame.empty) {
            size[0] = frame.width;
            size[1] = frame.height;
        }
    }

    int transparent = 255;
    if (palette) {
        LoadFramePalette(*file, usedPalette, *palette);
        if (transparentIndex && *transparentIndex != -1) {
            transparent = *transparentIndex;
        } else {
            transparent = palette->FindNearestColor(ColorRefRed(colour), ColorRefGreen(colour),
                                                    ColorRefBlue(colour));
            if (transparentIndex) *transparentIndex = transparent;
        }
    }
    if (!decode || !frame.exists) return kSpriteFrameDone;

    SpritePlanes planes = spr2 ? DecodeSpr2Frame(frame.width, frame.height, palette, transparent,
                                                 body, bodySize, frame.streamOffset)
                               : DecodeSprFrame(frame.width, frame.height, palette, transparent,
                                                body, bodySize, frame.streamOffset);
    int result = kSpriteFrameDone;
    if (colorPlane && planes.color) {
        *colorPlane = std::move(planes.color);
        result |= kSpriteFrameColorPlane;
    }
    if (depthPlane && planes.depth) {
        *depthPlane = std::move(planes.depth);
        result |= kSpriteFrameDepthPlane;
    }
    if (alphaPlane && planes.alpha) {
        *alphaPlane = std::move(planes.alpha);
        result |= kSpriteFrameAlphaPlane;
    }
    return result;
}

#include "platform/DibSection.h"

#include <array>
#include <atomic>
#include <cstring>
#include <new>
#include <optional>

namespace {
std::atomic<std::size_t> g_byteLimit{CDibSection::kMaxBytes};
}

void CDibSection::SetByteLimit(std::size_t bytes) {
    g_byteLimit = bytes < kMaxBytes ? bytes : kMaxBytes;
}

std::unique_ptr<CDibSection> CDibSection::Create(std::int32_t width, std::int32_t height,
                                                 int bitsPerPixel, const RgbQuad* colorTable) {
    if (width <= 0 || height <= 0) return nullptr;
    if (bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 24) return nullptr;
    const std::size_t rowBits = std::size_t(width) * std::size_t(bitsPerPixel);
    const std::size_t stride = ((rowBits + 31) / 32) * 4;
    if (stride > g_byteLimit.load() / std::size_t(height)) return nullptr;

    std::unique_ptr<CDibSection> dib(new (std::nothrow) CDibSection());
    if (!dib) return nullptr;
    dib->m_bits.reset(new (std::nothrow) std::uint8_t[stride * std::size_t(height)]());
    if (!dib->m_bits) return nullptr;
    if (colorTable) {
        dib->m_colorTable.reset(new (std::nothrow) RgbQuad[kColorTableSize]);
        if (!dib->m_colorTable) return nullptr;
        std::memcpy(dib->m_colorTable.get(), colorTable, sizeof(RgbQuad) * kColorTableSize);
    }
    dib->m_width = width;
    dib->m_height = height;
    dib->m_bitsPerPixel = bitsPerPixel;
    dib->m_stride = stride;
    return dib;
}

bool DescribeDib(const CDibSection* dib, DibDescription& description) {
    if (!dib) return false;
    description.width = dib->Width();
    description.height = dib->Height();
    description.bitsPerPixel = dib->BitsPerPixel();
    description.stride = dib->Stride();
    return true;
}

namespace {
std::optional<std::array<PaletteEntry, 256>>& DisplayPalette() {
    static std::optional<std::array<PaletteEntry, 256>> palette;
    return palette;
}
} // namespace

int GetSystemPaletteEntries(int first, int count, PaletteEntry* out) {
    const auto& palette = DisplayPalette();
    if (!palette || !out || first < 0 || count <= 0 || first >= 256) return 0;
    int copied = 0;
    for (int i = first; i < 256 && copied < count; ++i)
        out[copied++] = (*palette)[std::size_t(i)];
    return copied;
}

void SetDisplaySystemPalette(const PaletteEntry* entries256) {
    auto& palette = DisplayPalette();
    if (!entries256) {
        palette.reset();
        return;
    }
    palette.emplace();
    std::memcpy(palette->data(), entries256, sizeof(PaletteEntry) * 256);
}

// Device-independent bitmap sections: our stand-in for the platform's DIB sections.
// Rows are stored bottom-up (memory row 0 is the bottom row of the picture) and padded to 4 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// Colour value in the platform's layout 0x00BBGGRR.
using ColorRef = std::uint32_t;

constexpr ColorRef MakeColorRef(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return ColorRef(red) | (ColorRef(green) << 8) | (ColorRef(blue) << 16);
}
constexpr std::uint8_t ColorRefRed(ColorRef c) {
    return std::uint8_t(c & 0xFF);
}
constexpr std::uint8_t ColorRefGreen(ColorRef c) {
    return std::uint8_t((c >> 8) & 0xFF);
}
constexpr std::uint8_t ColorRefBlue(ColorRef c) {
    return std::uint8_t((c >> 16) & 0xFF);
}

// One colour-table entry of a bitmap, in the platform's byte order.
struct RgbQuad {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
    std::uint8_t reserved = 0;
};

// One entry of a logical or system palette.
struct PaletteEntry {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t flags = 0;
};

class CDibSection {
public:
    static constexpr int kColorTableSize = 256;
    // Larger sections are refused, as the platform refuses sections it cannot map.
    static constexpr std::size_t kMaxBytes = std::size_t(1) << 28;
    // Lowers (or restores, up to kMaxBytes) that limit for the whole process: fuzzing uses it so
    // that hostile sizes cost a refusal rather than zero-filling hundreds of megabytes per run.
    static void SetByteLimit(std::size_t bytes);

    // Creates a zero-filled section of 8, 16 or 24 bits per pixel. colorTable, when given, holds
    // 256 entries and is copied. Returns null for a size or depth the platform would refuse.
    static std::unique_ptr<CDibSection> Create(std::int32_t width, std::int32_t height,
                                               int bitsPerPixel,
                                               const RgbQuad* colorTable = nullptr);

    CDibSection(const CDibSection&) = delete;
    CDibSection& operator=(const CDibSection&) = delete;

    std::int32_t Width() const { return m_width; }
    std::int32_t Height() const { return m_height; }
    int BitsPerPixel() const { return m_bitsPerPixel; }
    // Bytes per stored row, a multiple of 4.
    std::size_t Stride() const { return m_stride; }
    std::size_t SizeBytes() const { return m_stride * std::size_t(m_height); }

    // Row counted upward from the bottom edge; this is also the order in memory.
    std::uint8_t* Row(std::int32_t row) { return m_bits.get() + m_stride * std::size_t(row); }
    const std::uint8_t* Row(std::int32_t row) const {
        return m_bits.get() + m_stride * std::size_t(row);
    }
    std::uint8_t* Bits() { return m_bits.get(); }
    const std::uint8_t* Bits() const { return m_bits.get(); }

    // The 256-entry colour table, or null for a section made without one.
    const RgbQuad* ColorTable() const { return m_colorTable.get(); }

private:
    CDibSection() = default;

    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    int m_bitsPerPixel = 0;
    std::size_t m_stride = 0;
    std::unique_ptr<std::uint8_t[]> m_bits;
    std::unique_ptr<RgbQuad[]> m_colorTable;
};

using DibPtr = std::unique_ptr<CDibSection>;

// What the platform reports about a section.
struct DibDescription {
    std::int32_t width = 0;
    std::int32_t height = 0;
    int bitsPerPixel = 0;
    std::size_t stride = 0;
};

// Fills description from a section; false when there is no section.
bool DescribeDib(const CDibSection* dib, DibDescription& description);

// The display's system palette. Today's displays have none: the call copies nothing and returns 0.
// A display layer that does have one may install its 256 entries (null removes them).
int GetSystemPaletteEntries(int first, int count, PaletteEntry* out);
void SetDisplaySystemPalette(const PaletteEntry* entries256);

#include "preview/ColorPalette.h"

#include <algorithm>

namespace {
constexpr int kReservedLow = 10;   // entries 0..9 belong to the display
constexpr int kReservedHigh = 246; // and so do 246..255
} // namespace

void CColorPalette::LoadFromEntries(const PaletteEntry* entries256, bool reserveSystemColors) {
    m_entries.assign(entries256, entries256 + 256);
    if (reserveSystemColors) {
        PaletteEntry system[256];
        if (GetSystemPaletteEntries(0, 256, system) == 256) {
            std::copy(system, system + kReservedLow, m_entries.begin());
            std::copy(system + kReservedHigh, system + 256, m_entries.begin() + kReservedHigh);
        }
    }
    m_reserved = reserveSystemColors;
}

void CColorPalette::LoadFromChunk(const std::uint8_t* body, std::size_t size) {
    m_entries.clear();
    m_reserved = false;
    if (!body || size < 8) return;
    const std::uint32_t count = std::uint32_t(body[4]) | (std::uint32_t(body[5]) << 8) |
                                (std::uint32_t(body[6]) << 16) | (std::uint32_t(body[7]) << 24);
    // A count larger than the body's colours is cut to what the body holds.
    const std::size_t held = size > 16 ? (size - 16) / 3 : 0;
    const std::size_t n = std::min<std::size_t>(count, held);
    m_entries.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t* p = body + 16 + 3 * i;
        m_entries[i] = PaletteEntry{p[0], p[1], p[2], 0};
    }
}

int CColorPalette::FindNearestColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) const {
    const int first = m_reserved ? kReservedLow : 0;
    int last = m_reserved ? kReservedHigh - 1 : 255;
    last = std::min(last, Count() - 1);
    if (last < first) return first;

    auto distance = [&](const PaletteEntry& e) {
        const int dr = int(red) - e.red, dg = int(green) - e.green, db = int(blue) - e.blue;
        return 2 * dr * dr + 4 * dg * dg + db * db;
    };
    int best = first;
    int bestDistance = distance(m_entries[std::size_t(first)]);
    for (int i = first + 1; i <= last; ++i) {
        const PaletteEntry& e = m_entries[std::size_t(i)];
        if (e.red == red && e.green == green && e.blue == blue) return i;
        const int d = distance(e);
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

void CColorPalette::FillColorTable(RgbQuad* table256) const {
    for (int i = 0; i < 256; ++i) {
        const PaletteEntry e = Entry(i);
        table256[i] = RgbQuad{e.blue, e.green, e.red, 0};
    }
}

CColorPalette& PreviewPalette() {
    static CColorPalette palette;
    return palette;
}

const CColorPalette& GreyPalette() {
    static const CColorPalette palette = [] {
        PaletteEntry greys[256];
        for (int i = 0; i < 256; ++i) {
            const auto v = std::uint8_t(i);
            greys[i] = PaletteEntry{v, v, v, 0};
        }
        CColorPalette p;
        p.LoadFromEntries(greys, false);
        return p;
    }();
    return palette;
}

// Palettes of sprite colours and the nearest-colour search over them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/DibSection.h"

class CColorPalette {
public:
    CColorPalette() = default;

    // Copies 256 entries. With reserveSystemColors, entries 0..9 and 246..255 take the display's
    // system colours where the display has a system palette, and are never chosen by
    // FindNearestColor.
    void LoadFromEntries(const PaletteEntry* entries256, bool reserveSystemColors);
    // Loads the colours of a palette chunk body; only the colours the body holds are taken.
    void LoadFromChunk(const std::uint8_t* body, std::size_t size);

    // Index of the entry nearest to the colour (weighted 2:4:1), exact matches first.
    int FindNearestColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) const;

    int Count() const { return int(m_entries.size()); }
    bool HasReservedSystemColors() const { return m_reserved; }
    const PaletteEntry* Entries() const { return m_entries.data(); }
    // Entry i, or black for an index the palette does not hold.
    PaletteEntry Entry(int index) const {
        return (index >= 0 && std::size_t(index) < m_entries.size()) ? m_entries[std::size_t(index)]
                                                                     : PaletteEntry{};
    }
    // The 256-entry colour table of a bitmap drawn in this palette; missing entries are zero.
    void FillColorTable(RgbQuad* table256) const;

private:
    std::vector<PaletteEntry> m_entries;
    bool m_reserved = false;
};

// Process-wide palettes: the preview palette, which the editor loads at start, and the grey
// palette (256 greys, nothing reserved), built on first use.
CColorPalette& PreviewPalette();
const CColorPalette& GreyPalette();

// Palette bodies.
#include "preview/ColorPalette.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CColorPalette palette;
    palette.LoadFromChunk(data, size);
    palette.FindNearestColor(255, 0, 255);
    palette.FindNearestColor(0, 0, 0);
    RgbQuad table[256];
    palette.FillColorTable(table);
    palette.Entry(palette.Count());
    CColorPalette reserved;
    reserved.LoadFromEntries(palette.Count() >= 256 ? palette.Entries() : GreyPalette().Entries(),
                             true);
    reserved.FindNearestColor(1, 2, 3);
    return 0;
}

// Depth sprites (SPR2).
#include "SpriteFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzz::RunSpriteInput(0x53505232, data, size); // SPR2
}

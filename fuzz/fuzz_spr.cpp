// Colour-only sprites (SPR#), with the byte-order fix-up of big-endian bodies.
#include "SpriteFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzz::RunSpriteInput(0x53505223, data, size); // SPR#
}

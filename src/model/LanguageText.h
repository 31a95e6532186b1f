// The text of a language's names: their bytes in the language's code page (Languages.h) shown as
// Unicode (UTF-8), and Unicode text turned back into those bytes without ever replacing a
// character by another one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace language_text {

// U+FFFD: what a byte sequence that is not valid in the code page shows as in plain output.
inline constexpr char32_t kReplacement = 0xFFFD;
// For editing, each byte b (0x80..0xFF) that starts no valid character shows as U+F800 + b
// (U+F880..U+F8FF, private use: a box with that number on most screens), which Encode turns back
// into b. No code page of the language table decodes any valid bytes into that range.
inline constexpr char32_t kRawByteBase = 0xF800;

// The bytes of a language's string decoded through its code page, each invalid byte shown as
// U+FFFD. A language number outside 1..20 decodes as US English.
std::string Decode(std::string_view bytes, int32_t language);

// The same with each invalid byte shown as its raw-byte character, so that Encode gives the same
// bytes back: the form an editor shows and takes.
std::string DecodeForEditing(std::string_view bytes, int32_t language);

struct Encoded {
    bool ok = false;
    std::string bytes;
    // When refused: the first character the code page cannot hold as itself (U+FFFD stands for
    // text that is not valid UTF-8), and its index among the text's characters (0-based).
    char32_t refused = 0;
    size_t refusedAt = 0;
    // Characters were left out at the end to keep within maxBytes.
    bool cut = false;
};

// UTF-8 text encoded into the language's code page. Every character must come back as itself
// when the bytes are decoded again (a character the code page does not hold, or holds only as
// another one such as U+301C written as the bytes of U+FF5E, is refused; canonically equivalent
// forms that the code page composes, such as Hebrew letters with their points, are the same
// text). Raw-byte characters are taken back as their bytes when rawBytes is set and the byte is
// still invalid where it stands, and refused otherwise. maxBytes cuts the text after the last
// whole character that fits.
Encoded Encode(std::string_view utf8, int32_t language, bool rawBytes = false,
               size_t maxBytes = std::numeric_limits<size_t>::max());

// "U+0416 'Ж'" for a message; control characters and raw-byte characters without the quote.
std::string DescribeCharacter(char32_t c);

// True when the text is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsValidUtf8(std::string_view text);

} // namespace language_text

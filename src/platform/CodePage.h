// Conversion between the bytes of a Windows code page (1252, 1251, 932, ...) and Unicode text in
// UTF-8, through the operating system's own conversion tables: this header is the only way the
// program converts. On Linux glibc's iconv stands behind it (CodePageIconv.cpp); a Windows build
// implements the same three functions with MultiByteToWideChar and WideCharToMultiByte (with
// WC_NO_BEST_FIT_CHARS and the used-default-character check, so that nothing is substituted).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// True when this platform can convert the code page.
bool CodePageAvailable(uint32_t codePage);

// Decodes bytes of the code page into UTF-8. Where no valid character starts (a byte the code
// page leaves undefined, a lead byte without a valid trail byte, a lead byte at the end), the
// UTF-8 text invalid(byte, offset) returns takes the place of that one byte (offset: where it
// stands in bytes), and decoding goes on with the next byte. nullopt when the code page is not
// available.
using InvalidByteText = std::function<std::string(uint8_t byte, size_t offset)>;
std::optional<std::string> DecodeCodePage(uint32_t codePage, std::string_view bytes,
                                          const InvalidByteText& invalid);

// The bytes of one Unicode code point in the code page; nullopt when the code page has none for
// it (never a substitute such as '?'). A table may give a code point the bytes of another
// character (glibc's CP932 writes U+301C as the bytes of U+FF5E): callers that must show what
// they store decode the bytes again and compare.
std::optional<std::string> EncodeCodePoint(uint32_t codePage, char32_t codePoint);

} // namespace platform

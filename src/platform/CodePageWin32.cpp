// The code-page conversions over Windows' own tables (MultiByteToWideChar and
// WideCharToMultiByte). Nothing is substituted: invalid input fails the call and is handled byte
// by byte, and an encoding that needed the default character or a best fit is refused.
#include "platform/CodePage.h"

#include <climits>
#include <windows.h>

#include "common/Utf8.h"

namespace platform {

namespace {

void AppendUtf16AsUtf8(std::string& out, const wchar_t* units, int count) {
    for (int i = 0; i < count; ++i) {
        const char32_t u = static_cast<char16_t>(units[i]);
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < count) {
            const char32_t low = static_cast<char16_t>(units[i + 1]);
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        // A lone surrogate is no character; the code pages here never give one.
        AppendUtf8(out, (u >= 0xD800 && u < 0xE000) ? 0xFFFD : u);
    }
}

// Converts the whole run, or fails when any byte of it starts no valid character.
bool DecodeRun(uint32_t codePage, const char* bytes, int count, std::string& out) {
    if (count == 0) return true;
    wchar_t small[8];
    const int need = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, count, nullptr, 0);
    if (need <= 0) return false;
    std::wstring large;
    wchar_t* units = small;
    if (need > int(sizeof small / sizeof small[0])) {
        large.resize(size_t(need));
        units = large.data();
    }
    const int got = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, count, units, need);
    if (got <= 0) return false;
    AppendUtf16AsUtf8(out, units, got);
    return true;
}

} // namespace

bool CodePageAvailable(uint32_t codePage) {
    return codePage != CP_UTF8 && codePage != CP_UTF7 && IsValidCodePage(codePage);
}

std::optional<std::string> DecodeCodePage(uint32_t codePage, std::string_view bytes,
                                          const InvalidByteText& invalid) {
    if (!CodePageAvailable(codePage)) return std::nullopt;
    CPINFO info{};
    if (!GetCPInfo(codePage, &info)) return std::nullopt;
    std::string out;
    out.reserve(bytes.size());
    // Most texts are valid throughout: one call.
    if (bytes.size() <= size_t(INT_MAX) &&
        DecodeRun(codePage, bytes.data(), int(bytes.size()), out))
        return out;
    out.clear();
    size_t at = 0;
    while (at < bytes.size()) {
        const auto byte = static_cast<uint8_t>(bytes[at]);
        int length = 1;
        if (info.MaxCharSize > 1 && IsDBCSLeadByteEx(codePage, byte) && at + 1 < bytes.size())
            length = 2;
        if (DecodeRun(codePage, bytes.data() + at, length, out)) {
            at += size_t(length);
        } else {
            out += invalid(byte, at);
            ++at;
        }
    }
    return out;
}

std::optional<std::string> EncodeCodePoint(uint32_t codePage, char32_t codePoint) {
    if (!CodePageAvailable(codePage) || codePoint > 0x10FFFF) return std::nullopt;
    if (codePoint >= 0xD800 && codePoint < 0xE000) return std::nullopt;
    wchar_t units[2];
    int count = 1;
    if (codePoint >= 0x10000) {
        units[0] = wchar_t(0xD800 + ((codePoint - 0x10000) >> 10));
        units[1] = wchar_t(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
        count = 2;
    } else {
        units[0] = wchar_t(codePoint);
    }
    char bytes[8];
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, units, count, bytes,
                                      int(sizeof bytes), nullptr, &usedDefault);
    if (n <= 0 || usedDefault) return std::nullopt;
    return std::string(bytes, size_t(n));
}

} // namespace platform

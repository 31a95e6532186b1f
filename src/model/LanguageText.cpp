#include "model/LanguageText.h"

#include <cstdio>
#include <optional>
#include <set>
#include <vector>

#include "common/Utf8.h"
#include "model/Languages.h"
#include "platform/CodePage.h"

namespace language_text {

namespace {

// The next code point of UTF-8 text; false (and one byte consumed) on a malformed sequence.
bool NextCodePoint(std::string_view& s, char32_t& c) {
    const auto b0 = uint8_t(s[0]);
    int n = 0;
    char32_t min = 0;
    if (b0 < 0x80) {
        c = b0;
        s.remove_prefix(1);
        return true;
    }
    if ((b0 & 0xE0) == 0xC0) {
        n = 1;
        c = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        n = 2;
        c = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        n = 3;
        c = b0 & 0x07;
        min = 0x10000;
    } else {
        s.remove_prefix(1);
        return false;
    }
    if (s.size() < size_t(n) + 1) {
        s.remove_prefix(1);
        return false;
    }
    for (int i = 1; i <= n; ++i) {
        const auto b = uint8_t(s[size_t(i)]);
        if ((b & 0xC0) != 0x80) {
            s.remove_prefix(1);
            return false;
        }
        c = (c << 6) | (b & 0x3F);
    }
    s.remove_prefix(size_t(n) + 1);
    return c >= min && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
}

bool IsRawByte(char32_t c) {
    return c >= kRawByteBase + 0x80 && c <= kRawByteBase + 0xFF;
}

std::string Utf8(char32_t c) {
    std::string s;
    AppendUtf8(s, c);
    return s;
}

std::string DecodeWith(std::string_view bytes, int32_t language, bool raw,
                       std::vector<size_t>* invalidAt = nullptr) {
    auto invalid = [&](uint8_t b, size_t offset) {
        if (invalidAt) invalidAt->push_back(offset);
        return Utf8(raw ? kRawByteBase + b : kReplacement);
    };
    std::optional<std::string> out =
        platform::DecodeCodePage(LanguageCodePage(language), bytes, invalid);
    return out ? *out : std::string();
}

} // namespace

bool IsValidUtf8(std::string_view text) {
    while (!text.empty()) {
        char32_t c = 0;
        if (!NextCodePoint(text, c)) return false;
    }
    return true;
}

std::string Decode(std::string_view bytes, int32_t language) {
    return DecodeWith(bytes, language, false);
}

std::string DecodeForEditing(std::string_view bytes, int32_t language) {
    return DecodeWith(bytes, language, true);
}

Encoded Encode(std::string_view utf8, int32_t language, bool rawBytes, size_t maxBytes) {
    const uint32_t codePage = LanguageCodePage(language);
    Encoded result;
    std::set<size_t> rawAt; // byte offsets of raw bytes taken back
    size_t index = 0;
    auto refuse = [&](char32_t c) {
        result.ok = false;
        result.cut = false;
        result.bytes.clear();
        result.refused = c;
        result.refusedAt = index;
        return result;
    };
    for (std::string_view rest = utf8; !rest.empty(); ++index) {
        char32_t c = 0;
        if (!NextCodePoint(rest, c)) return refuse(kReplacement);
        std::string piece;
        if (IsRawByte(c)) {
            if (!rawBytes) return refuse(c);
            piece = char(uint8_t(c - kRawByteBase));
        } else {
            std::optional<std::string> bytes = platform::EncodeCodePoint(codePage, c);
            // Nothing the code page holds as another character, and no character without bytes.
            if (!bytes || bytes->empty() || DecodeWith(*bytes, language, false) != Utf8(c))
                return refuse(c);
            piece = std::move(*bytes);
        }
        if (result.cut || result.bytes.size() + piece.size() > maxBytes) {
            // What does not fit is dropped, but it must still be text the code page holds.
            result.cut = true;
            continue;
        }
        if (IsRawByte(c)) rawAt.insert(result.bytes.size());
        result.bytes += piece;
    }
    // Each character came back as itself alone; together, the raw bytes must still start no
    // character (and no character may swallow one), so that decoding finds exactly them.
    std::vector<size_t> invalidAt;
    DecodeWith(result.bytes, language, true, &invalidAt);
    if (std::set<size_t>(invalidAt.begin(), invalidAt.end()) != rawAt) {
        // Name the first raw byte that decoding no longer finds where it was put.
        index = 0;
        for (std::string_view rest = utf8; !rest.empty(); ++index) {
            char32_t c = 0;
            NextCodePoint(rest, c);
            if (IsRawByte(c)) return refuse(c);
        }
        return refuse(kReplacement);
    }
    result.ok = true;
    return result;
}

std::string DescribeCharacter(char32_t c) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", unsigned(c));
    std::string out = code;
    if (c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0) && !IsRawByte(c) && c != kReplacement)
        out += " '" + Utf8(c) + "'";
    return out;
}

} // namespace language_text

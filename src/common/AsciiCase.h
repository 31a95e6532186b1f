// Case folding as labels and file names use it: only A-Z and a-z fold, every other byte is itself.
#pragma once

#include <cstddef>
#include <string_view>

inline char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The folded byte as an unsigned value, for ordering.
inline unsigned char AsciiLowerByte(char c) {
    return static_cast<unsigned char>(AsciiLower(c));
}

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

// Negative, zero or positive as a sorts before, with or after b ignoring case; bytes compare
// unsigned and a prefix sorts first.
inline int CompareNoCase(std::string_view a, std::string_view b) {
    std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i) {
        unsigned char ca = AsciiLowerByte(a[i]);
        unsigned char cb = AsciiLowerByte(b[i]);
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

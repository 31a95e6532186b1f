// The platform's code-page conversions: every code page of the language table is there, bytes
// decode to the characters of the code page, each invalid byte is handed over with its offset,
// and encoding never substitutes a character.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/CodePage.h"

namespace {

using platform::CodePageAvailable;
using platform::DecodeCodePage;
using platform::EncodeCodePoint;

std::string Decode(uint32_t cp, const std::string& bytes,
                   std::vector<std::pair<uint8_t, size_t>>* invalid = nullptr) {
    auto out = DecodeCodePage(cp, bytes, [&](uint8_t b, size_t at) {
        if (invalid) invalid->emplace_back(b, at);
        return std::string("<?>");
    });
    return out ? *out : "(unavailable)";
}

TEST(CodePage, EveryCodePageOfTheLanguagesIsAvailable) {
    for (uint32_t cp : {1252u, 1250u, 1251u, 1255u, 874u, 932u, 936u, 949u, 950u})
        EXPECT_TRUE(CodePageAvailable(cp)) << cp;
    EXPECT_FALSE(CodePageAvailable(4242));
    EXPECT_FALSE(DecodeCodePage(4242, "x", [](uint8_t, size_t) { return std::string(); }));
    EXPECT_FALSE(EncodeCodePoint(4242, U'x'));
}

TEST(CodePage, DecodesSingleAndDoubleByteText) {
    EXPECT_EQ(Decode(1252, "\x9cuvre \xe9toiles \x80"), "œuvre étoiles €");
    EXPECT_EQ(Decode(1251, "\xd1\xe5\xf1\xf2\xfc"), "Сесть");
    EXPECT_EQ(Decode(1250, "\xb3\xf3\x64\x9f"), "łódź");
    EXPECT_EQ(Decode(874, "\xa1"), "ก");
    // A trail byte that is an ASCII character belongs to its lead byte.
    EXPECT_EQ(Decode(932, "\x83\x5c"), "ソ");
    EXPECT_EQ(Decode(950, "\xa6\x62"), "在");
    EXPECT_EQ(Decode(936, "\xd6\xd0"), "中");
    EXPECT_EQ(Decode(949, "\xc7\xd1"), "한");
    EXPECT_EQ(Decode(1252, ""), "");
}

TEST(CodePage, InvalidBytesAreHandedOverOneByOneWithTheirOffsets) {
    std::vector<std::pair<uint8_t, size_t>> invalid;
#ifdef _WIN32
    // Windows' table of code page 1252 defines the five bytes glibc leaves out, as the C1
    // control characters; its Thai table leaves 0xDB to 0xDE out as glibc's does.
    EXPECT_EQ(Decode(1252, "a\x81", &invalid), "a\xc2\x81");
    EXPECT_TRUE(invalid.empty());
    EXPECT_EQ(Decode(874, "a\xdb\xa1\xde", &invalid), "a<?>ก<?>");
    EXPECT_EQ(invalid, (std::vector<std::pair<uint8_t, size_t>>{{0xDB, 1}, {0xDE, 3}}));
#else
    EXPECT_EQ(Decode(1252,
                     "a\x81"
                     "b\x8d\x8f",
                     &invalid),
              "a<?>b<?><?>");
    EXPECT_EQ(invalid, (std::vector<std::pair<uint8_t, size_t>>{{0x81, 1}, {0x8D, 3}, {0x8F, 4}}));
#endif
    invalid.clear();
    // A lead byte before a byte that cannot follow it, and one at the end.
    EXPECT_EQ(Decode(932, "\x82 \x83\x5c\x82", &invalid), "<?> ソ<?>");
    EXPECT_EQ(invalid, (std::vector<std::pair<uint8_t, size_t>>{{0x82, 0}, {0x82, 4}}));
}

TEST(CodePage, HebrewPointsComposeWithTheirLetters) {
#ifdef _WIN32
    // Windows' table keeps the letter and its point apart, and has no bytes for the composed
    // character.
    EXPECT_EQ(Decode(1255, "\xf9\xd1"), "\xd7\xa9\xd7\x81"); // U+05E9 U+05C1
    EXPECT_FALSE(EncodeCodePoint(1255, 0xFB2A));
#else
    // glibc's table of code page 1255 gives a letter and its point as one character.
    EXPECT_EQ(Decode(1255, "\xf9\xd1"), "\xef\xac\xaa"); // U+FB2A
    EXPECT_EQ(EncodeCodePoint(1255, 0xFB2A), "\xf9\xd1");
#endif
    EXPECT_EQ(EncodeCodePoint(1255, 0x05E9), "\xf9");
    EXPECT_EQ(EncodeCodePoint(1255, 0x05C1), "\xd1");
    // A held-back letter before an invalid byte comes first.
    std::vector<std::pair<uint8_t, size_t>> invalid;
    EXPECT_EQ(Decode(1255, "\xf9\xff", &invalid), "ש<?>");
}

TEST(CodePage, EncodingNeverSubstitutes) {
    EXPECT_EQ(EncodeCodePoint(1252, U'é'), "\xe9");
    EXPECT_EQ(EncodeCodePoint(1251, U'Ж'), "\xc6");
    EXPECT_EQ(EncodeCodePoint(932, U'ソ'), "\x83\x5c");
    EXPECT_FALSE(EncodeCodePoint(1252, U'Ж'));
    EXPECT_FALSE(EncodeCodePoint(1251, U'ñ'));
    EXPECT_FALSE(EncodeCodePoint(932, 0x1F600));
    EXPECT_FALSE(EncodeCodePoint(1252, 0xD800)); // a lone surrogate is no character
}

} // namespace

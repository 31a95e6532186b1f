// The language table and the text of names in each language's code page: shown as Unicode,
// typed Unicode stored as the code page's bytes, refusals, and invalid bytes kept as they are.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "common/Utf8.h"
#include "model/LanguageSamples.h"
#include "model/LanguageText.h"
#include "model/Languages.h"
#include "platform/CodePage.h"

namespace {

using namespace language_text;

#ifdef _WIN32
constexpr bool kWindowsTables = true;
#else
constexpr bool kWindowsTables = false;
#endif

// True when the platform's table of the code page leaves a byte of bytes undefined.
bool HasUndefinedByte(const std::string& bytes, uint32_t codePage) {
    bool undefined = false;
    platform::DecodeCodePage(codePage, bytes, [&](uint8_t, size_t) {
        undefined = true;
        return std::string();
    });
    return undefined;
}

std::string Utf8(char32_t c) {
    std::string s;
    AppendUtf8(s, c);
    return s;
}

// U+F880..U+F8FF is EF A2 80 .. EF A3 BF in UTF-8.
bool HasRawByte(const std::string& text) {
    for (size_t i = 0; i + 2 < text.size(); ++i)
        if (uint8_t(text[i]) == 0xEF &&
            (uint8_t(text[i + 1]) == 0xA2 || uint8_t(text[i + 1]) == 0xA3))
            return true;
    return false;
}

TEST(Languages, TheTableOfTwentyLanguages) {
    ASSERT_EQ(Languages().size(), 20u);
    const uint32_t pages[20] = {1252, 1252, 1252, 1252, 1252, 1252, 1252, 1252, 1252, 1252,
                                1252, 1255, 1251, 1252, 932,  1250, 936,  950,  874,  949};
    const char* codes[20] = {"en_US", "en_GB", "fr",    "de",    "it", "es", "nl",
                             "da",    "sv",    "nb",    "fi",    "he", "ru", "pt",
                             "ja",    "pl",    "zh_CN", "zh_TW", "th", "ko"};
    for (int n = 1; n <= 20; ++n) {
        const LanguageInfo* info = FindLanguage(n);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->number, n);
        EXPECT_EQ(info->codePage, pages[n - 1]) << n;
        EXPECT_STREQ(info->poCode, codes[n - 1]);
        EXPECT_EQ(LanguageCodePage(n), pages[n - 1]);
        EXPECT_EQ(LanguageOfPoCode(codes[n - 1]), n);
        EXPECT_TRUE(platform::CodePageAvailable(info->codePage)) << info->codePage;
    }
    EXPECT_EQ(FindLanguage(0), nullptr);
    EXPECT_EQ(FindLanguage(21), nullptr);
    EXPECT_EQ(LanguageCodePage(99), 1252u);
    EXPECT_STREQ(FindLanguage(13)->name, "Russian");
}

TEST(Languages, CatalogueCodesWithRegionsEncodingsAndOldNames) {
    EXPECT_EQ(LanguageOfPoCode("ru_RU"), 13);
    EXPECT_EQ(LanguageOfPoCode("ru_RU.UTF-8"), 13);
    EXPECT_EQ(LanguageOfPoCode("de_DE@euro"), 4);
    EXPECT_EQ(LanguageOfPoCode("pt_BR"), 14);
    EXPECT_EQ(LanguageOfPoCode("ZH_tw"), 18);
    EXPECT_EQ(LanguageOfPoCode("zh-CN"), 17);
    EXPECT_EQ(LanguageOfPoCode("iw"), 12);
    EXPECT_EQ(LanguageOfPoCode("no_NO"), 10);
    EXPECT_EQ(LanguageOfPoCode(" fr "), 3);
    // Codes that fit two languages need a choice between them.
    EXPECT_EQ(LanguageOfPoCode("en"), std::nullopt);
    EXPECT_EQ(LanguageOfPoCode("en", 2), 2);
    EXPECT_EQ(LanguageOfPoCode("en_AU", 1), 1);
    EXPECT_EQ(LanguageOfPoCode("zh"), std::nullopt);
    EXPECT_EQ(LanguageOfPoCode("zh", 18), 18);
    EXPECT_EQ(LanguageOfPoCode("en_GB", 1), 2); // an exact code is what it says
    EXPECT_EQ(LanguageOfPoCode("xx"), std::nullopt);
    EXPECT_EQ(LanguageOfPoCode(""), std::nullopt);
}

TEST(LanguageText, EachLanguageStoresAndShowsItsOwnScript) {
    for (const auto& s : langtest::Samples()) {
        SCOPED_TRACE(s.language);
        const Encoded e = Encode(s.text, s.language);
        ASSERT_TRUE(e.ok) << DescribeCharacter(e.refused);
        EXPECT_EQ(e.bytes, s.bytes);
        EXPECT_FALSE(e.cut);
        EXPECT_EQ(Decode(s.bytes, s.language), s.text);
        EXPECT_EQ(DecodeForEditing(s.bytes, s.language), s.text);
    }
}

TEST(LanguageText, ACharacterTheCodePageCannotHoldIsRefused) {
    for (const auto& s : langtest::Samples()) {
        SCOPED_TRACE(s.language);
        const std::string text = std::string(s.text) + s.refused + "x";
        const Encoded e = Encode(text, s.language);
        EXPECT_FALSE(e.ok);
        EXPECT_TRUE(e.bytes.empty());
        EXPECT_EQ(Utf8(e.refused), s.refused);
        // Counted in characters, not bytes.
        size_t chars = 0;
        for (unsigned char c : std::string(s.text))
            chars += (c & 0xC0) != 0x80;
        EXPECT_EQ(e.refusedAt, chars);
        // Nothing outside the Basic Multilingual Plane is in any of them either.
        EXPECT_FALSE(Encode("\xf0\x9f\x98\x80", s.language).ok);
    }
}

TEST(LanguageText, ACharacterTheCodePageHoldsOnlyAsAnotherIsRefused) {
    // The table writes U+301C WAVE DASH as the bytes of U+FF5E; shown again it would differ.
    const Encoded wave = Encode("a\xe3\x80\x9c", 15);
    EXPECT_FALSE(wave.ok);
    EXPECT_EQ(wave.refused, U'\u301C');
    EXPECT_EQ(wave.refusedAt, 1u);
    EXPECT_TRUE(Encode("a\xef\xbd\x9e", 15).ok); // U+FF5E itself
    EXPECT_FALSE(Encode("\xc2\xa5", 15).ok);     // U+00A5 would come back as '\'
}

TEST(LanguageText, HebrewLettersWithPointsAreTheSameTextComposedOrNot) {
    // Typed as letter and point, or as the composed character: the same two bytes.
    EXPECT_EQ(Encode("\xd7\xa9\xd7\x81", 12).bytes, "\xf9\xd1");
#ifdef _WIN32
    // Windows' table neither composes them nor takes the composed character.
    EXPECT_FALSE(Encode("\xef\xac\xaa", 12).ok);
    EXPECT_EQ(Decode("\xf9\xd1", 12), "\xd7\xa9\xd7\x81");
#else
    EXPECT_EQ(Encode("\xef\xac\xaa", 12).bytes, "\xf9\xd1");
    EXPECT_EQ(Decode("\xf9\xd1", 12), "\xef\xac\xaa");
#endif
}

TEST(LanguageText, InvalidBytesShowAsRawByteCharactersAndComeBackAsThemselves) {
    for (const auto& s : langtest::Samples()) {
        SCOPED_TRACE(s.language);
        const std::string bytes = s.invalid;
        // Windows' single-byte tables define most bytes glibc leaves out (as C1 controls).
        if (!HasUndefinedByte(bytes, LanguageCodePage(s.language))) continue;
        const std::string editing = DecodeForEditing(bytes, s.language);
        EXPECT_TRUE(HasRawByte(editing)) << "no raw byte shown";
        const Encoded back = Encode(editing, s.language, true);
        ASSERT_TRUE(back.ok) << DescribeCharacter(back.refused);
        EXPECT_EQ(back.bytes, bytes);
        // Plain output shows U+FFFD; raw-byte characters are refused unless asked for.
        EXPECT_NE(Decode(bytes, s.language).find("\xef\xbf\xbd"), std::string::npos);
        EXPECT_FALSE(Encode(editing, s.language).ok);
        // Text typed next to them keeps them.
        const Encoded typed = Encode(std::string(s.text) + editing, s.language, true);
        ASSERT_TRUE(typed.ok);
        EXPECT_EQ(typed.bytes, std::string(s.bytes) + bytes);
    }
}

TEST(LanguageText, ARawByteThatWouldJoinACharacterIsRefused) {
    // 0x83 before 'A' (0x41) is the lead byte of a character in code page 932: stored together
    // they would no longer be the byte and the letter that are shown.
    const std::string raw83 = Utf8(kRawByteBase + 0x83);
    const Encoded e = Encode(raw83 + "A", 15, true);
    EXPECT_FALSE(e.ok);
    EXPECT_EQ(e.refused, kRawByteBase + 0x83);
    // A raw byte that is valid in the code page is no raw byte there.
    EXPECT_FALSE(Encode(Utf8(kRawByteBase + 0xE9), 3, true).ok);
    if (HasUndefinedByte("\x81", 1252)) {
        EXPECT_TRUE(Encode(Utf8(kRawByteBase + 0x81), 3, true).ok);
    }
}

TEST(LanguageText, NoValidBytesOfAnyCodePageDecodeIntoTheRawByteRange) {
    for (uint32_t cp : {1252u, 1250u, 1251u, 1255u, 874u, 932u, 936u, 949u, 950u}) {
        SCOPED_TRACE(cp);
        int hits = 0;
        auto check = [&](const std::string& bytes) {
            auto text =
                platform::DecodeCodePage(cp, bytes, [](uint8_t, size_t) { return std::string(); });
            ASSERT_TRUE(text);
            hits += HasRawByte(*text);
        };
        for (int a = 0x80; a < 0x100; ++a) {
            std::string lead(1, char(a));
            check(lead);
            for (int b = 0x40; b < 0x100; ++b)
                check(lead + char(b));
        }
        EXPECT_EQ(hits, 0);
    }
}

TEST(LanguageText, AnyBytesSurviveShowingAndStoringAgain) {
    std::mt19937 random(14);
    for (const LanguageInfo& l : Languages()) {
        SCOPED_TRACE(l.number);
        for (int round = 0; round < 400; ++round) {
            std::string bytes(random() % 12, '\0');
            for (char& c : bytes)
                c = char(random() % 2 ? 0x80 + random() % 0x80 : 0x20 + random() % 0x60);
            const std::string editing = DecodeForEditing(bytes, l.number);
            const Encoded back = Encode(editing, l.number, true);
            ASSERT_TRUE(back.ok) << testing::PrintToString(bytes) << " "
                                 << DescribeCharacter(back.refused);
            // The same text; the same bytes too, but where the code page has two byte
            // sequences for one character (code page 932's duplicate rows, the points of a
            // Hebrew letter in either order; on Windows code page 950's repeated box-drawing
            // row too).
            EXPECT_EQ(DecodeForEditing(back.bytes, l.number), editing);
            if (l.codePage != 932 && l.codePage != 1255 && (!kWindowsTables || l.codePage != 950)) {
                EXPECT_EQ(back.bytes, bytes) << testing::PrintToString(bytes);
            }
        }
    }
}

// Code page 932 writes a character of its duplicate rows with the other row's bytes; next to an
// invalid byte those bytes can join it into a character, so storing the shown text again is
// refused (the edit beeps) rather than stored as other text.
TEST(LanguageText, ARawByteNextToARewrittenDuplicateIsRefusedNotChanged) {
    const std::string bytes = "\xEE\xEE\xD1\x32";
    const std::string editing = DecodeForEditing(bytes, 15);
    const Encoded back = Encode(editing, 15, true);
    EXPECT_FALSE(back.ok);
    EXPECT_TRUE(back.bytes.empty());
}

TEST(LanguageText, TextIsCutAfterTheLastWholeCharacterThatFits) {
    // Code page 932: two bytes each; 63 bytes hold 31 of them.
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "座";
    const Encoded e = Encode(text, 15, false, 63);
    ASSERT_TRUE(e.ok);
    EXPECT_TRUE(e.cut);
    EXPECT_EQ(e.bytes.size(), 62u);
    // What is cut off must still be text the code page holds.
    EXPECT_FALSE(Encode(text + "ש", 15, false, 63).ok);
    EXPECT_EQ(Encode(std::string(70, 'n'), 1, false, 63).bytes.size(), 63u);
}

TEST(LanguageText, MalformedUtf8IsRefused) {
    const Encoded e = Encode("ab\xff", 1);
    EXPECT_FALSE(e.ok);
    EXPECT_EQ(e.refused, kReplacement);
    EXPECT_EQ(e.refusedAt, 2u);
    EXPECT_FALSE(IsValidUtf8("\xc0\x80"));     // overlong
    EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80")); // surrogate
    EXPECT_TRUE(IsValidUtf8("Сесть ソ 😀"));
    EXPECT_EQ(DescribeCharacter(U'Ж'), "U+0416 'Ж'");
    EXPECT_EQ(DescribeCharacter(0x0A), "U+000A");
}

} // namespace

// The twenty languages of a string table: each one's number (its set in the table is number - 1),
// its name, the code page its strings are stored in (its Windows ANSI code page) and its code in a
// gettext catalogue's Language header. This is the one table of them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

struct LanguageInfo {
    int32_t number;     // 1..20
    const char* name;   // "US English", "Russian", ...
    uint32_t codePage;  // 1252, 1251, 932, ...
    const char* poCode; // "en_US", "ru", "zh_CN", ...
};

// All twenty, in number order.
std::span<const LanguageInfo> Languages();

// The language of a number 1..20; nullptr for any other number.
const LanguageInfo* FindLanguage(int32_t number);

// The code page of a language number; 1252 (the code page of US English) for a number outside
// 1..20.
uint32_t LanguageCodePage(int32_t number);

// The language a gettext Language value names: the exact code ("ru", "zh_CN"), the same with a
// region, an encoding or a modifier ("ru_RU", "fr_FR.UTF-8", "de_DE@euro"), or the old codes
// "iw" (Hebrew) and "no" (Norwegian). A code that fits more than one language ("en", "zh") fits
// the one of preferred when that is among them. nullopt when it names no language or more than
// one.
std::optional<int32_t> LanguageOfPoCode(std::string_view code,
                                        std::optional<int32_t> preferred = std::nullopt);

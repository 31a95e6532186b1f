#include "model/Languages.h"

#include <algorithm>
#include <array>
#include <string>

#include "model/StringTable.h"

namespace {

constexpr std::array<LanguageInfo, 20> kLanguages{{
    {1, "US English", 1252, "en_US"},
    {2, "UK English", 1252, "en_GB"},
    {3, "French", 1252, "fr"},
    {4, "German", 1252, "de"},
    {5, "Italian", 1252, "it"},
    {6, "Spanish", 1252, "es"},
    {7, "Dutch", 1252, "nl"},
    {8, "Danish", 1252, "da"},
    {9, "Swedish", 1252, "sv"},
    {10, "Norwegian", 1252, "nb"},
    {11, "Finnish", 1252, "fi"},
    {12, "Hebrew", 1255, "he"},
    {13, "Russian", 1251, "ru"},
    {14, "Portuguese", 1252, "pt"},
    {15, "Japanese", 932, "ja"},
    {16, "Polish", 1250, "pl"},
    {17, "Simplified Chinese", 936, "zh_CN"},
    {18, "Traditional Chinese", 950, "zh_TW"},
    {19, "Thai", 874, "th"},
    {20, "Korean", 949, "ko"},
}};
static_assert(kLanguages.size() == size_t(kLanguageCount));

// "ll" of "ll_CC"; the whole code when it has no region.
std::string_view LanguagePart(std::string_view code) {
    return code.substr(0, code.find('_'));
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

} // namespace

std::span<const LanguageInfo> Languages() {
    return kLanguages;
}

const LanguageInfo* FindLanguage(int32_t number) {
    if (number < 1 || number > int32_t(kLanguages.size())) return nullptr;
    return &kLanguages[size_t(number - 1)];
}

uint32_t LanguageCodePage(int32_t number) {
    const LanguageInfo* info = FindLanguage(number);
    return info ? info->codePage : kLanguages[0].codePage;
}

std::optional<int32_t> LanguageOfPoCode(std::string_view code, std::optional<int32_t> preferred) {
    // Encoding and modifier say nothing about the language.
    code = code.substr(0, code.find_first_of(".@"));
    while (!code.empty() && (code.front() == ' ' || code.front() == '\t'))
        code.remove_prefix(1);
    while (!code.empty() && (code.back() == ' ' || code.back() == '\t'))
        code.remove_suffix(1);
    if (code.empty()) return std::nullopt;
    // Region codes are upper case by convention, language codes lower case; either is taken.
    std::string wanted = Lower(code);
    std::replace(wanted.begin(), wanted.end(), '-', '_');
    std::string part(LanguagePart(wanted));
    if (part == "iw") part = "he";
    if (part == "no") part = "nb";
    const std::string region =
        wanted.find('_') == std::string::npos ? std::string() : wanted.substr(wanted.find('_'));
    wanted = part + region;
    for (const LanguageInfo& l : kLanguages)
        if (Lower(l.poCode) == wanted) return l.number;
    std::optional<int32_t> found;
    int matches = 0;
    for (const LanguageInfo& l : kLanguages) {
        if (Lower(LanguagePart(l.poCode)) != part) continue;
        if (preferred && *preferred == l.number) return l.number;
        found = l.number;
        ++matches;
    }
    if (matches != 1) return std::nullopt;
    return found;
}

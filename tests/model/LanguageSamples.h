// For each of the twenty languages: a name in its own script with characters beyond ASCII and
// the bytes of that name in the language's code page, a character its code page cannot hold, and
// bytes that are not valid in its code page. Shared by the model, editor and command-line tests.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace langtest {

struct LanguageSample {
    int32_t language;
    uint32_t codePage;
    const char* text;    // UTF-8
    const char* bytes;   // the same in the code page
    const char* refused; // UTF-8: a character the code page cannot hold
    const char* invalid; // bytes that start no character in the code page, among valid ones
};

inline const std::array<LanguageSample, 20>& Samples() {
    static const std::array<LanguageSample, 20> samples{{
        {1, 1252, "Café “Déjà vu”",
         "Caf\xe9 \x93"
         "D\xe9j\xe0 vu\x94",
         "Ж", "A\x81z"},
        {2, 1252, "£5 crème brûlée",
         "\xa3"
         "5 cr\xe8me br\xfbl\xe9"
         "e",
         "Ж", "\x8d"},
        {3, 1252, "Œuvre d’étoiles œuf",
         "\x8cuvre d\x92\xe9toiles \x9c"
         "uf",
         "Ж", "\x8f\x90"},
        {4, 1252, "Füße schlafen",
         "F\xfc\xdf"
         "e schlafen",
         "Ж", "x\x9d"},
        {5, 1252, "Perché è così", "Perch\xe9 \xe8 cos\xec", "Ж", "\x81\xe9"},
        {6, 1252, "¿Dormir la siesta? Año",
         "\xbf"
         "Dormir la siesta? A\xf1o",
         "Ж", "\x90!"},
        {7, 1252, "Één café’s", "\xc9\xe9n caf\xe9\x92s", "Ж", "\x8d\x8d"},
        {8, 1252, "Sæt dig på sofaen Ø", "S\xe6t dig p\xe5 sofaen \xd8", "Ж", "\x81"},
        {9, 1252, "Sätt dig i soffan Å", "S\xe4tt dig i soffan \xc5", "Ж", "\x9d"},
        {10, 1252, "Sett deg på sofaen Æ", "Sett deg p\xe5 sofaen \xc6", "Ж", "\x8f"},
        {11, 1252, "Istu sohvalle Šakki ä",
         "Istu sohvalle \x8a"
         "akki \xe4",
         "Ж", "\x90"},
        {12, 1255, "שב על הספה", "\xf9\xe1 \xf2\xec \xe4\xf1\xf4\xe4", "Ж", "\xf9\xff"},
        {13, 1251, "Сесть на диван", "\xd1\xe5\xf1\xf2\xfc \xed\xe0 \xe4\xe8\xe2\xe0\xed", "ñ",
         "\xd1\x98"},
        {14, 1252, "Sentar-se no sofá ção", "Sentar-se no sof\xe1 \xe7\xe3o", "Ж", "\x81"},
        {15, 932, "ソファに座る", "\x83\x5c\x83\x74\x83\x40\x82\xc9\x8d\xc0\x82\xe9", "ש",
         "\x83\x5c\x82 \x82"},
        {16, 1250, "Usiądź na kanapie Łódź",
         "Usi\xb9"
         "d\x9f na kanapie \xa3\xf3"
         "d\x9f",
         "Ж", "\x83"},
        {17, 936, "坐在沙发上", "\xd7\xf8\xd4\xda\xc9\xb3\xb7\xa2\xc9\xcf", "ש", "\xd7\xf8\xff"},
        {18, 950, "坐在沙發上", "\xa7\xa4\xa6\x62\xa8\x46\xb5\x6f\xa4\x57", "ש", "\xa7 \xa4"},
        {19, 874, "นั่งบนโซฟา", "\xb9\xd1\xe8\xa7\xba\xb9\xe2\xab\xbf\xd2", "Ж", "\xb9\xdb"},
        {20, 949, "소파에 앉기", "\xbc\xd2\xc6\xc4\xbf\xa1 \xbe\xc9\xb1\xe2", "ש", "\xbc\xd2\xff"},
    }};
    return samples;
}

} // namespace langtest

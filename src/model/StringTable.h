// Numbered strings with optional comments in twenty language sets, read from STR#, TTAs and
// caret-format chunks and always written back in the multi-language format, merged into what is
// stored.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/BoundedString.h"
#include "resource/ResourceFile.h"
#include "stream/FieldStream.h"

constexpr int32_t kLanguageCount = 20;

// The process-wide current language, 1..20 (initially 1); it selects slot language - 1.
int32_t GetCurrentLanguage();
// Values outside 1..20 are ignored.
void SetCurrentLanguage(int32_t language);

// Routes CResourceFile::GetString to string tables. Idempotent; the model's classes call it when
// they are constructed, and programs may call it at start-up.
void InstallStringTableReader();

// Byte-order routine for string-table bodies: swaps the first word, and the second one too when
// the first then reads 0xFFFF (the plain format's count).
void SwapStringTableBody(uint8_t* body, int32_t size);

// Factory for routing a field stream's strings through a string table of the current language.
StreamStringTableFactory StringTableFactory();

struct StringItem {
    std::optional<std::string> text;
    std::optional<std::string> comment;
    int8_t sourceLanguage = 0; // slot that stored the text; 0 also marks an English fall-back copy
};

struct ParsedStrings;

class CStringTable {
public:
    static constexpr uint32_t kTypeStr = 0x53545223;   // STR#
    static constexpr uint32_t kTypeTTAs = 0x54544173;  // TTAs
    static constexpr uint32_t kTypeCaret = 0x00435354; // text between carets
    // Language argument meaning the working language (Configure: the current language's slot).
    static constexpr int32_t kDefaultLanguage = -1;
    // Save: the table would hold more strings in all languages than its 16-bit count can say.
    static constexpr int32_t kErrTooManyStrings = -2;

    CStringTable();
    CStringTable(const CStringTable&) = delete;
    CStringTable& operator=(const CStringTable&) = delete;

    // language: a slot 0..19, or -1 (any value with bit 0x80 set) for the current language.
    void Configure(CResourceFile* file, uint32_t type, int16_t id, bool caret, int32_t language);
    // 0; -1 without an open file; else the file's error (the chunk is missing or unreadable).
    int32_t Load(bool allLanguages, bool fillFromEnglish);
    // Load(true, fillFromEnglish) without the English copies: a language with no strings of its
    // own stays empty, where Load gives it the English texts without their comments. A large
    // table is then held once, not twenty times.
    int32_t LoadAllLanguagesUncopied(bool fillFromEnglish);
    // STR# id in the current language with fill from English; the caret type if that fails.
    int32_t LoadList(CResourceFile* file, int16_t id, bool allLanguages);
    // Merges this table into the stored chunk and writes it in the multi-language format.
    // -1 without an open file; -2 (kErrTooManyStrings, nothing written) with more than 32767
    // items in all; -200 when the body cannot be allocated; else 0 or the file's error.
    int32_t Save();
    // Save in two steps, so that a caller can have every body ready before anything is written:
    // PrepareSave reads the stored chunk and makes the merged body without writing anything;
    // WritePrepared stores that body (a caret or untyped table becomes STR#). Same statuses.
    int32_t PrepareSave(std::unique_ptr<CChunk, CChunkFree>& body);
    int32_t WritePrepared(std::unique_ptr<CChunk, CChunkFree> body);

    // Positions are 1-based; language is a slot or -1 for the working language.
    // nullptr when absent. Valid until the item next changes.
    const char* GetText(int32_t position, int32_t language = kDefaultLanguage) const;
    const char* GetComment(int32_t position, int32_t language = kDefaultLanguage) const;
    // Position 1..Count + 1 (Count + 1 appends). nullptr stores an empty text.
    void SetText(int32_t position, const char* text, int32_t language = kDefaultLanguage);
    void InsertText(int32_t position, const char* text, int32_t language = kDefaultLanguage);
    // Appends empty texts until the language holds count items, as SetText(Count + 1, "") would.
    void PadTo(int32_t count, int32_t language = kDefaultLanguage);
    // Position 1..Count; nullptr removes the comment.
    void SetComment(int32_t position, const char* text, int32_t language = kDefaultLanguage);
    int32_t Count(int32_t language = kDefaultLanguage) const;
    void ClearLanguage(int32_t slot);
    // The item itself, or nullptr.
    const StringItem* Item(int32_t position, int32_t language = kDefaultLanguage) const;

    CResourceFile* File() const { return m_file; }
    uint32_t Type() const { return m_type; }
    int16_t Id() const { return m_id; }
    bool IsCaret() const { return m_caret; }
    int32_t WorkingLanguage() const { return m_working; }
    const char* Label() const { return m_label.Text(); }
    // The last Load met a body whose count or strings ran past its end (a missing NUL, a count
    // larger than the strings present, a length beyond the end, a caret never closed).
    bool WasTruncated() const { return m_truncated; }
    void SetLabel(const char* label) { m_label.Assign(label); }

private:
    int32_t Slot(int32_t language) const; // -1 when invalid
    std::vector<StringItem>* Set(int32_t language);
    const std::vector<StringItem>* Set(int32_t language) const;
    void Clear();
    // Load; copyEnglish gives every language without strings of its own English copies.
    int32_t Read(bool allLanguages, bool fillFromEnglish, bool copyEnglish);
    void CopyEnglishInto(int32_t slot);
    void Parse(const uint8_t* body, int32_t size, bool allLanguages, bool fillFromEnglish);
    int32_t MergeWithStored(CStringTable& merge) const;
    static int32_t EncodeAllLanguages(const CStringTable& merge,
                                      std::unique_ptr<CChunk, CChunkFree>& body);
    void StoreLanguages(const ParsedStrings& triples, int16_t count, bool allLanguages,
                        bool fillFromEnglish);
    void StoreAt(int32_t position, const std::string& text, const std::string* comment);

    CResourceFile* m_file = nullptr;
    uint32_t m_type = 0;
    int16_t m_id = 0;
    bool m_caret = false;
    int32_t m_working = 0;
    CFixedString<64> m_label;
    bool m_truncated = false;
    std::array<std::vector<StringItem>, kLanguageCount> m_sets;
};

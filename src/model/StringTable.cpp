#include "model/StringTable.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "resource/HeldChunk.h"
#include "resource/ResourceFile.h"

// Strings as a body holds them, before they are stored by position and language.
struct ParsedStrings {
    struct Item {
        uint8_t code = 0; // language code (1-based) in multi-language bodies
        std::string text, comment;
    };
    std::vector<Item> items;
    bool truncated = false; // the body ended inside a string
};

namespace {

int32_t g_currentLanguage = 1;

constexpr int32_t kMaxStoredItems = 32767;

// Reads the body byte by byte and never passes its end.
class BodyReader {
public:
    BodyReader(const uint8_t* body, int32_t size) : m_body(body), m_size(size > 0 ? size : 0) {}
    bool Word(int16_t& out) {
        if (m_size - m_pos < 2) return false;
        out = int16_t(uint16_t(m_body[m_pos] | (m_body[m_pos + 1] << 8)));
        m_pos += 2;
        return true;
    }
    bool Byte(uint8_t& out) {
        if (m_pos >= m_size) return false;
        out = m_body[m_pos++];
        return true;
    }
    // NUL-terminated text; false (and nothing consumed) when the NUL is missing.
    bool CString(std::string& out) {
        const void* nul =
            m_pos < m_size ? std::memchr(m_body + m_pos, 0, size_t(m_size - m_pos)) : nullptr;
        if (!nul) return false;
        const auto end = int32_t(static_cast<const uint8_t*>(nul) - m_body);
        out.assign(reinterpret_cast<const char*>(m_body + m_pos), size_t(end - m_pos));
        m_pos = end + 1;
        return true;
    }
    // n bytes; false when fewer remain.
    bool Bytes(int32_t n, std::string& out) {
        if (m_size - m_pos < n) return false;
        out.assign(reinterpret_cast<const char*>(m_body + m_pos), size_t(n));
        m_pos += n;
        return true;
    }

private:
    const uint8_t* m_body;
    int32_t m_size;
    int32_t m_pos = 0;
};

// Texts are C strings: anything after an embedded NUL cannot be stored and is dropped.
void CutAtNul(std::string& s) {
    const auto nul = s.find('\0');
    if (nul != std::string::npos) s.resize(nul);
}

// Each string runs from an opening caret to the next caret; one opened but never closed ran past
// the end of the body.
ParsedStrings ReadCaretStrings(const uint8_t* body, int32_t size) {
    ParsedStrings out;
    int32_t open = -1;
    for (int32_t i = 0; i < size; ++i) {
        if (body[i] != '^') continue;
        if (open < 0) {
            open = i;
            continue;
        }
        std::string text(reinterpret_cast<const char*>(body + open + 1), size_t(i - open - 1));
        CutAtNul(text);
        out.items.push_back(ParsedStrings::Item{0, std::move(text), {}});
        open = -1;
    }
    out.truncated = open >= 0;
    return out;
}

// Format 0 and up: that many strings, each a length byte and its bytes.
ParsedStrings ReadPascalStrings(BodyReader& in, int32_t count) {
    ParsedStrings out;
    for (int32_t i = 1; i <= count; ++i) {
        uint8_t length = 0;
        std::string text;
        if (!in.Byte(length) || !in.Bytes(length, text)) {
            out.truncated = true;
            break;
        }
        for (char& c : text) {
            if (uint8_t(c) == 0xA1) c = 'o';
            if (uint8_t(c) == 0xD5) c = '\'';
        }
        CutAtNul(text);
        out.items.push_back(ParsedStrings::Item{0, std::move(text), {}});
    }
    return out;
}

// Formats -1 and -2: zero-terminated strings, with a comment after each in -2.
ParsedStrings ReadCStrings(BodyReader& in, int32_t count, bool withComments) {
    ParsedStrings out;
    for (int32_t i = 1; i <= count; ++i) {
        ParsedStrings::Item item;
        if (!in.CString(item.text) || (withComments && !in.CString(item.comment))) {
            out.truncated = true;
            break;
        }
        out.items.push_back(std::move(item));
    }
    return out;
}

// Format -3: language code, text and comment for each item.
ParsedStrings ReadLanguageTriples(BodyReader& in, int32_t count, int32_t size) {
    ParsedStrings out;
    // Each item takes at least three bytes, whatever the count claims.
    out.items.reserve(size_t(std::clamp<int32_t>(count, 0, size / 3)));
    for (int32_t i = 0; i < count; ++i) {
        ParsedStrings::Item t;
        if (!in.Byte(t.code) || !in.CString(t.text) || !in.CString(t.comment)) {
            out.truncated = true;
            break;
        }
        out.items.push_back(std::move(t));
    }
    return out;
}

// The stream's view of a table: the working language, loaded with fill from English.
class StreamTable final : public IStreamStringTable {
public:
    StreamTable(CResourceFile* file, uint32_t type, int16_t id) {
        m_table.Configure(file, type, id, false, CStringTable::kDefaultLanguage);
    }
    int32_t Load() override { return m_table.Load(false, true); }
    int32_t Save() override { return m_table.Save(); }
    const char* GetText(int32_t position) override { return m_table.GetText(position); }
    void SetText(int32_t position, const char* text) override { m_table.SetText(position, text); }

private:
    CStringTable m_table;
};

int32_t ReadTableString(CResourceFile& file, CBoundedString& out, int16_t tableId, int32_t index) {
    CStringTable table;
    const int32_t status = table.LoadList(&file, tableId, false);
    if (const char* text = table.GetText(index)) out.Assign(text);
    return status;
}

} // namespace

int32_t GetCurrentLanguage() {
    return g_currentLanguage;
}

void SetCurrentLanguage(int32_t language) {
    if (language >= 1 && language <= kLanguageCount) g_currentLanguage = language;
}

void InstallStringTableReader() {
    SetStringTableReader(&ReadTableString);
}

void SwapStringTableBody(uint8_t* body, int32_t size) {
    if (!body || size < 2) return;
    std::swap(body[0], body[1]);
    if (body[0] == 0xFF && body[1] == 0xFF && size >= 4) std::swap(body[2], body[3]);
}

StreamStringTableFactory StringTableFactory() {
    return
        [](CResourceFile* file, uint32_t type, int16_t id) -> std::unique_ptr<IStreamStringTable> {
            return std::make_unique<StreamTable>(file, type, id);
        };
}

CStringTable::CStringTable() {
    InstallStringTableReader();
}

void CStringTable::Configure(CResourceFile* file, uint32_t type, int16_t id, bool caret,
                             int32_t language) {
    m_file = file;
    m_type = type;
    m_id = id;
    m_caret = caret;
    if (language < 0 || (language & 0x80))
        m_working = GetCurrentLanguage() - 1;
    else
        m_working = language < kLanguageCount ? language : 0;
}

int32_t CStringTable::Slot(int32_t language) const {
    if (language < 0 || (language & 0x80)) return m_working;
    return language < kLanguageCount ? language : -1;
}

std::vector<StringItem>* CStringTable::Set(int32_t language) {
    const int32_t slot = Slot(language);
    return slot < 0 ? nullptr : &m_sets[size_t(slot)];
}

const std::vector<StringItem>* CStringTable::Set(int32_t language) const {
    const int32_t slot = Slot(language);
    return slot < 0 ? nullptr : &m_sets[size_t(slot)];
}

const StringItem* CStringTable::Item(int32_t position, int32_t language) const {
    const auto* set = Set(language);
    if (!set || position < 1 || position > int32_t(set->size())) return nullptr;
    return &(*set)[size_t(position - 1)];
}

const char* CStringTable::GetText(int32_t position, int32_t language) const {
    const StringItem* item = Item(position, language);
    return item && item->text ? item->text->c_str() : nullptr;
}

const char* CStringTable::GetComment(int32_t position, int32_t language) const {
    const StringItem* item = Item(position, language);
    return item && item->comment ? item->comment->c_str() : nullptr;
}

void CStringTable::SetText(int32_t position, const char* text, int32_t language) {
    auto* set = Set(language);
    if (!set || position < 1 || position > int32_t(set->size()) + 1) return;
    if (position == int32_t(set->size()) + 1) set->emplace_back();
    StringItem& item = (*set)[size_t(position - 1)];
    item.text = text ? text : "";
    item.sourceLanguage = int8_t(Slot(language));
}

void CStringTable::PadTo(int32_t count, int32_t language) {
    auto* set = Set(language);
    if (!set || count <= int32_t(set->size())) return;
    const size_t from = set->size();
    const auto slot = int8_t(Slot(language));
    set->resize(size_t(count));
    for (size_t p = from; p < set->size(); ++p) {
        (*set)[p].text.emplace();
        (*set)[p].sourceLanguage = slot;
    }
}

void CStringTable::InsertText(int32_t position, const char* text, int32_t language) {
    auto* set = Set(language);
    if (!set) return;
    const auto count = int32_t(set->size());
    if (position < 1) position = 1;
    if (position > count + 1) position = count + 1;
    set->insert(set->begin() + (position - 1), StringItem{});
    SetText(position, text, language);
}

void CStringTable::SetComment(int32_t position, const char* text, int32_t language) {
    auto* set = Set(language);
    if (!set || position < 1 || position > int32_t(set->size())) return;
    auto& comment = (*set)[size_t(position - 1)].comment;
    if (text)
        comment = text;
    else
        comment.reset();
}

int32_t CStringTable::Count(int32_t language) const {
    const auto* set = Set(language);
    return set ? int32_t(set->size()) : 0;
}

void CStringTable::ClearLanguage(int32_t slot) {
    if (slot >= 0 && slot < kLanguageCount) m_sets[size_t(slot)].clear();
}

void CStringTable::Clear() {
    m_label.Clear();
    for (auto& set : m_sets)
        set.clear();
}

int32_t CStringTable::LoadList(CResourceFile* file, int16_t id, bool allLanguages) {
    Configure(file, kTypeStr, id, false, kDefaultLanguage);
    int32_t status = Load(allLanguages, true);
    if (status != 0) {
        Configure(file, kTypeCaret, id, true, kDefaultLanguage);
        status = Load(allLanguages, true);
    }
    return status;
}

int32_t CStringTable::Load(bool allLanguages, bool fillFromEnglish) {
    return Read(allLanguages, fillFromEnglish, allLanguages);
}

int32_t CStringTable::LoadAllLanguagesUncopied(bool fillFromEnglish) {
    return Read(true, fillFromEnglish, false);
}

void CStringTable::CopyEnglishInto(int32_t slot) {
    auto& set = m_sets[size_t(slot)];
    if (slot == 0 || !set.empty()) return;
    const auto& english = m_sets[0];
    set.reserve(english.size());
    for (const auto& item : english)
        set.push_back(StringItem{item.text, std::nullopt, 0});
}

int32_t CStringTable::Read(bool allLanguages, bool fillFromEnglish, bool copyEnglish) {
    if (!m_file || !m_file->IsOpen()) return -1;
    Clear();
    m_truncated = false;
    CHeldChunk chunk(*m_file,
                     m_file->GetChunk(m_type, m_id, m_caret ? nullptr : &SwapStringTableBody));
    if (!chunk) {
        const int32_t error = m_file->LastError();
        return error ? error : kResErrNoChunk;
    }
    m_file->GetLabel(chunk.Get(), m_label);
    Parse(chunk->Body(), chunk->Size(), allLanguages, fillFromEnglish);
    // Given back at once; a fetched chunk already has its place, so this writes nothing.
    (void)chunk.Release();
    if (copyEnglish)
        for (int32_t slot = 1; slot < kLanguageCount; ++slot)
            CopyEnglishInto(slot);
    return 0;
}

void CStringTable::StoreAt(int32_t position, const std::string& text, const std::string* comment) {
    InsertText(position, text.c_str(), m_working);
    if (comment) SetComment(position, comment->c_str(), m_working);
    if (m_working != 0) {
        InsertText(position, text.c_str(), 0);
        if (comment) SetComment(position, comment->c_str(), 0);
    }
}

void CStringTable::Parse(const uint8_t* body, int32_t size, bool allLanguages,
                         bool fillFromEnglish) {
    if (m_caret) {
        ParsedStrings caret = ReadCaretStrings(body, size);
        for (const ParsedStrings::Item& item : caret.items)
            StoreAt(Count(0) + 1, item.text, nullptr);
        m_truncated = caret.truncated;
        return;
    }
    BodyReader in(body, size);
    int16_t format = 0;
    // An empty body holds no strings; a single byte is a format word cut short.
    if (!in.Word(format)) {
        m_truncated = size > 0;
        return;
    }
    if (format < -3) return;
    int16_t count = format;
    if (format < 0 && !in.Word(count)) {
        m_truncated = true;
        return;
    }
    if (format == -3) {
        ParsedStrings triples = ReadLanguageTriples(in, count, size);
        m_truncated = triples.truncated;
        StoreLanguages(triples, count, allLanguages, fillFromEnglish);
        return;
    }
    ParsedStrings plain =
        format >= 0 ? ReadPascalStrings(in, count) : ReadCStrings(in, count, format == -2);
    int32_t position = 1;
    for (const ParsedStrings::Item& item : plain.items)
        StoreAt(position++, item.text, format == -2 ? &item.comment : nullptr);
    m_truncated = plain.truncated;
}

// Multi-language: runs of one language, each run counting from position 1 again.
void CStringTable::StoreLanguages(const ParsedStrings& triples, int16_t count, bool allLanguages,
                                  bool fillFromEnglish) {
    int32_t position = 1;
    int32_t previous = -1;
    for (const ParsedStrings::Item& t : triples.items) {
        if (t.code != previous) position = 1;
        previous = t.code;
        const int32_t slot = int32_t(t.code) - 1;
        if (slot < 0 || slot >= kLanguageCount) continue;
        if (slot != m_working && !allLanguages) continue;
        InsertText(position, t.text.c_str(), slot);
        SetComment(position, t.comment.c_str(), slot);
        ++position;
    }
    if (Count(m_working) == 0 && fillFromEnglish && count > 0) {
        for (const ParsedStrings::Item& t : triples.items) {
            if (t.code != 1) continue;
            const int32_t at = Count(m_working) + 1;
            SetText(at, t.text.c_str(), m_working);
            SetComment(at, t.comment.c_str(), m_working);
        }
    }
}

int32_t CStringTable::Save() {
    std::unique_ptr<CChunk, CChunkFree> body;
    if (int32_t e = PrepareSave(body)) return e;
    return WritePrepared(std::move(body));
}

int32_t CStringTable::PrepareSave(std::unique_ptr<CChunk, CChunkFree>& body) {
    body.reset();
    if (!m_file || !m_file->IsOpen()) return -1;
    CStringTable merge;
    if (int32_t e = MergeWithStored(merge)) return e;
    return EncodeAllLanguages(merge, body);
}

// The stored table, all languages, with this table's working language laid over it; a caret
// table is merged with its caret chunk.
int32_t CStringTable::MergeWithStored(CStringTable& merge) const {
    const int32_t w = m_working;
    merge.Configure(m_file, m_type, m_id, m_caret, w);
    // English copies only for the working language: every other language without strings of
    // its own is dropped below anyway, and copying a large table into all of them costs.
    const int32_t loaded = merge.Read(true, true, false);
    // Only a missing chunk may be merged as empty: after a failed read, writing would drop every
    // other language that the chunk holds.
    if (loaded != 0 && loaded != kResErrNoChunk) return loaded;
    if (loaded == 0) merge.CopyEnglishInto(w);

    const int32_t n = Count(w);
    merge.m_sets[size_t(w)].reserve(size_t(n));
    for (int32_t p = 1; p <= n; ++p) {
        merge.SetText(p, GetText(p, w), w);
        if (const char* comment = GetComment(p, w)) merge.SetComment(p, comment, w);
    }
    // A set made only of fall-back copies is dropped; deciding that first keeps a large English
    // table from being copied and commented in every empty language.
    for (int32_t slot = 1; slot < kLanguageCount; ++slot) {
        auto& set = merge.m_sets[size_t(slot)];
        if (std::none_of(set.begin(), set.end(),
                         [](const StringItem& item) { return item.sourceLanguage != 0; }))
            set.clear();
    }
    // Comments do not depend on the language: the US English one wins.
    for (int32_t slot = 1; slot < kLanguageCount; ++slot) {
        const int32_t held = std::min(n, merge.Count(slot));
        for (int32_t p = 1; p <= held; ++p)
            merge.SetComment(p, merge.GetComment(p, 0), slot);
    }

    auto& english = merge.m_sets[0];
    for (int32_t slot = 1; slot < kLanguageCount; ++slot) {
        auto& set = merge.m_sets[size_t(slot)];
        if (set.empty()) continue;
        set.reserve(english.size());
        for (size_t p = set.size(); p < english.size(); ++p)
            set.push_back(StringItem{english[p].text, english[p].comment, 0});
    }

    return 0;
}

// The multi-language body of every item of every language.
int32_t CStringTable::EncodeAllLanguages(const CStringTable& merge,
                                         std::unique_ptr<CChunk, CChunkFree>& body) {
    int64_t total = 0, size = 4;
    for (const auto& set : merge.m_sets) {
        total += int64_t(set.size());
        for (const auto& item : set)
            size += int64_t(item.text ? item.text->size() : 0) +
                    int64_t(item.comment ? item.comment->size() : 0) + 3;
    }
    // The count is a signed 16-bit field; more items cannot be stored faithfully.
    if (total > kMaxStoredItems) return kErrTooManyStrings;
    if (size > INT32_MAX) return kResErrNoMemory;

    std::unique_ptr<CChunk, CChunkFree> chunk(CChunk::Create(int32_t(size)));
    if (!chunk) return kResErrNoMemory;
    uint8_t* out = chunk->Body();
    out[0] = 0xFD;
    out[1] = 0xFF;
    out[2] = uint8_t(total & 0xFF);
    out[3] = uint8_t((total >> 8) & 0xFF);
    size_t at = 4;
    auto put = [&](const std::optional<std::string>& s) {
        if (s && !s->empty()) std::memcpy(out + at, s->data(), s->size());
        at += s ? s->size() : 0;
        out[at++] = 0;
    };
    for (int32_t slot = 0; slot < kLanguageCount; ++slot)
        for (const auto& item : merge.m_sets[size_t(slot)]) {
            out[at++] = uint8_t(slot + 1);
            put(item.text);
            put(item.comment);
        }
    body = std::move(chunk);
    return 0;
}

int32_t CStringTable::WritePrepared(std::unique_ptr<CChunk, CChunkFree> body) {
    if (!m_file || !m_file->IsOpen()) return -1;
    if (!body) return kResErrNoMemory;
    if (m_type == 0 || m_type == kTypeCaret) m_type = kTypeStr;
    if (int32_t e = m_file->AddChunk(body.get(), m_type, m_id, m_label, true))
        return e; // not attached: the file refused it, and the holder frees it
    // From here the file owns the handle until it is released.
    CChunk* chunk = body.release();
    if (int32_t e = m_file->WriteChunk(chunk)) return e;
    return m_file->ReleaseChunk(chunk);
}

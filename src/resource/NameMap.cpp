#include "resource/NameMap.h"

#include "common/AsciiCase.h"
#include "common/BoundedString.h"
#include "resource/IffFormat.h"
#include "stream/FieldStream.h"

#include <algorithm>
#include <cstring>

namespace {

std::string CutLabel(const char* text) {
    std::string s = text ? text : "";
    if (s.size() > size_t(iff::kMaxLabelChars)) s.resize(size_t(iff::kMaxLabelChars));
    return s;
}

} // namespace

void CNameMap::Set(int32_t key, const char* label) {
    if (key == -1) return;
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(),
                                   [key](const Entry& e) { return e.key == key; }),
                    m_entries.end());
    if (label && *label) m_entries.push_back({key, CutLabel(label)});
    dirty = true;
}

int32_t CNameMap::NextKey() const {
    int32_t largest = 0;
    for (const Entry& e : m_entries)
        largest = std::max(largest, e.key);
    return largest == INT32_MAX ? -1 : largest + 1;
}

const CNameMap::Entry* CNameMap::Find(int32_t key) const {
    for (const Entry& e : m_entries)
        if (e.key == key) return &e;
    return nullptr;
}

int32_t CNameMap::FindLabel(const char* text, int32_t after) const {
    for (int32_t i = after + 1; i < int32_t(m_entries.size()); ++i)
        if (EqualsNoCase(m_entries[size_t(i)].label, text)) return i;
    return -1;
}

void CNameMap::ReadLegacy(const uint8_t* body, int32_t size) {
    m_entries.clear();
    int32_t p = 0;
    while (p + 5 <= size) {
        const int32_t key = int32_t(iff::GetLE32(body + p));
        const int32_t n = body[p + 4];
        if (p + 5 + n > size) break;
        std::string label(reinterpret_cast<const char*>(body + p + 5), size_t(n));
        label = CutLabel(label.c_str());
        p += 5 + n;
        if (key != -1 && !label.empty()) m_entries.push_back({key, label});
    }
}

void CNameMap::Serialize(CFieldStream& stream, int32_t) {
    int32_t count = int32_t(m_entries.size());
    stream.Longs(&count, 1);
    if (stream.GetMode() != CFieldStream::Mode::Read) {
        for (Entry& e : m_entries) {
            stream.Longs(&e.key, 1);
            CFixedString<64> label(e.label.c_str());
            stream.Text(label);
        }
        return;
    }
    m_entries.clear();
    for (int32_t i = 0; i < count && !stream.IsShort(); ++i) {
        int32_t key = 0;
        CFixedString<64> label;
        stream.Longs(&key, 1);
        stream.Text(label);
        if (stream.IsShort()) break;
        if (key != -1 && label.Length() > 0) m_entries.push_back({key, label.Text()});
    }
}

uint32_t CNameMap::KindTag() const {
    return iff::kTypeName;
}

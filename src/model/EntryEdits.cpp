#include "model/EntryEdits.h"

#include <cstdio>

#include "common/BoundedString.h"
#include "model/TreeTable.h"
#include "resource/HeldChunk.h"
#include "resource/ResourceFile.h"

namespace entry_edits {

namespace {

void LeaveBodyAlone(uint8_t*, int32_t) {}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Optional blanks and sign, then at least one digit; saturates past 32 bits.
bool ParseInteger(const char* text, int32_t& out) {
    if (!text) return false;
    while (IsBlank(*text))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    if (*text < '0' || *text > '9') return false;
    int64_t v = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        v = v * 10 + (*text - '0');
        if (v > int64_t(INT32_MAX) + 1) v = int64_t(INT32_MAX) + 1;
    }
    if (negative) v = -v;
    if (v > INT32_MAX) v = INT32_MAX;
    out = int32_t(v);
    return true;
}

} // namespace

void StoreName(CTreeTableEntry& e, const char* text) {
    CFixedString<kMaxNameChars + 1> name(text ? text : "");
    e.name = name.Text();
}

void StoreAttenuationLevel(CTreeTableEntry& e, uint32_t level) {
    e.attenuationLevel = level;
}

bool StoreAttenuationValue(CTreeTableEntry& e, float value) {
    if (value == CTreeTable::EffectiveAttenuation(e)) return false;
    e.attenuationLevel = 0;
    e.attenuationValue = value;
    return true;
}

bool StoreAttenuationText(CTreeTableEntry& e, const char* text) {
    float value = 0.0f;
    if (!text || std::sscanf(text, "%f", &value) != 1) return false;
    return StoreAttenuationValue(e, value);
}

std::string FormatAttenuation(float value) {
    char text[64];
    std::snprintf(text, sizeof text, "%1.6f", double(value));
    std::string s = text;
    while (s.size() >= 2 && s.back() == '0')
        s.pop_back();
    return s;
}

bool StoreAutonomy(CTreeTableEntry& e, int32_t value) {
    if (int16_t(e.autonomyThreshold) == value) return false;
    e.autonomyThreshold = uint32_t(int32_t(int16_t(value)));
    return true;
}

bool StoreAutonomyText(CTreeTableEntry& e, const char* text) {
    int32_t value = 0;
    if (!ParseInteger(text, value)) return false;
    return StoreAutonomy(e, value);
}

void StoreFlagMarks(CTreeTableEntry& e, const bool marks[kFlagRows]) {
    for (int row = 0; row < kFlagRows; ++row) {
        const bool set = marks[row] != kFlagRowInverted[row];
        if (set)
            e.flags |= kFlagRowBits[row];
        else
            e.flags &= ~kFlagRowBits[row];
    }
}

void GetFlagMarks(const CTreeTableEntry& e, bool marks[kFlagRows]) {
    for (int row = 0; row < kFlagRows; ++row)
        marks[row] = ((e.flags & kFlagRowBits[row]) != 0) != kFlagRowInverted[row];
}

void StoreFlags(CTreeTableEntry& e, uint32_t flags) {
    e.flags = flags;
}

MotiveRecord* Motive(CTreeTableEntry& e, int32_t m) {
    return m >= 0 && size_t(m) < e.motives.size() ? &e.motives[size_t(m)] : nullptr;
}

bool StoreMin(MotiveRecord& r, int32_t v) {
    if (v == r.min) return false;
    r.min = int16_t(v);
    return true;
}

bool StoreMax(MotiveRecord& r, int32_t v) {
    if (v == int32_t(r.min) + int32_t(r.delta)) return false;
    r.delta = int16_t(uint32_t(v) - uint32_t(int32_t(r.min)));
    return true;
}

bool StorePersonality(MotiveRecord& r, int32_t index) {
    if (index == r.personality) return false;
    r.personality = int16_t(index);
    return true;
}

int32_t LeadingInteger(const char* text) {
    int32_t v = 0;
    return ParseInteger(text, v) ? v : 0;
}

std::string MakeTreeTableLabel(CResourceFile* file, int16_t treeTableId) {
    CFixedString<64> label;
    if (file && file->IsOpen() && treeTableId != -1) {
        CHeldChunk chunk(*file,
                         file->GetChunk(CTreeTable::kTypeTTAB, treeTableId, &LeaveBodyAlone));
        if (chunk) file->GetLabel(chunk.Get(), label);
        if (label.Length() > 0) return label.Text();
    }
    return "untitled tree table";
}

} // namespace entry_edits

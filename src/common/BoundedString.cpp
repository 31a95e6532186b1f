#include "common/BoundedString.h"
#include "common/AsciiCase.h"

#include <charconv>
#include <cstring>

CBoundedString::CBoundedString(char* buffer, int32_t capacity)
    : m_buffer(buffer), m_capacity(buffer ? capacity : 0) {
    if (m_capacity > 0) m_buffer[0] = '\0';
}

int32_t CBoundedString::Length() const {
    if (m_capacity <= 0) return 0;
    return static_cast<int32_t>(strnlen(m_buffer, static_cast<size_t>(m_capacity - 1)));
}

void CBoundedString::Clear() {
    if (m_capacity > 0) m_buffer[0] = '\0';
}

int32_t CBoundedString::Append(const char* text, int32_t maxCount) {
    if (m_capacity <= 0 || !text || maxCount <= 0) return 0;
    int32_t length = Length();
    int32_t room = m_capacity - 1 - length;
    int32_t limit = maxCount < room ? maxCount : room;
    int32_t count = static_cast<int32_t>(strnlen(text, static_cast<size_t>(limit)));
    // text may lie inside our own buffer (appending to itself): memmove.
    memmove(m_buffer + length, text, static_cast<size_t>(count));
    m_buffer[length + count] = '\0';
    return count;
}

int32_t CBoundedString::Append(const char* text) {
    return Append(text, INT32_MAX);
}

int32_t CBoundedString::AppendChar(char c) {
    if (c == '\0') return 0;
    char one[2] = {c, '\0'};
    return Append(one, 1);
}

int32_t CBoundedString::AppendInt(int32_t value) {
    char digits[16];
    auto result = std::to_chars(digits, digits + sizeof digits - 1, value);
    *result.ptr = '\0';
    return Append(digits);
}

int32_t CBoundedString::Assign(const char* text) {
    if (text == m_buffer) return Length();
    Clear();
    return Append(text);
}

int32_t CBoundedString::Assign(const CBoundedString& other) {
    return Assign(other.Text());
}

int CBoundedString::Compare(const char* other) const {
    int r = strcmp(Text(), other ? other : "");
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int CBoundedString::CompareNoCase(const char* other) const {
    return ::CompareNoCase(Text(), other ? other : "");
}

char CBoundedString::At(int32_t pos) const {
    if (pos < 0 || pos >= Length()) return '\0';
    return m_buffer[pos];
}

// Text in a fixed-capacity buffer supplied by its owner: always NUL-terminated, cut, never
// overflowed.
#pragma once

#include <cstdint>

class CBoundedString {
public:
    // Starts empty over buffer, whose capacity in bytes includes the terminating NUL
    // (so at most capacity - 1 characters). A capacity below 1 holds nothing and is never written.
    CBoundedString(char* buffer, int32_t capacity);
    CBoundedString(const CBoundedString&) = delete;
    CBoundedString& operator=(const CBoundedString&) = delete;

    int32_t Length() const;
    int32_t Capacity() const { return m_capacity; }
    const char* Text() const { return m_capacity > 0 ? m_buffer : ""; }
    // The owner's buffer, for filling it directly; keep it NUL-terminated within Capacity().
    char* Buffer() { return m_buffer; }

    void Clear();
    // Each append returns the number of characters appended (less than asked when cut).
    int32_t Append(const char* text);
    int32_t Append(const char* text, int32_t maxCount);
    int32_t Append(const CBoundedString& other) { return Append(other.Text()); }
    int32_t AppendChar(char c);
    int32_t AppendInt(int32_t value); // decimal, as "%d"
    int32_t Assign(const char* text);
    int32_t Assign(const CBoundedString& other);

    // Byte-wise as unsigned characters: -1, 0 or 1.
    int Compare(const char* other) const;
    int Compare(const CBoundedString& other) const { return Compare(other.Text()); }
    // Only A-Z fold to a-z; compares the common length, then the shorter string is less.
    int CompareNoCase(const char* other) const;
    int CompareNoCase(const CBoundedString& other) const { return CompareNoCase(other.Text()); }

    // The character at pos, or 0 outside the string.
    char At(int32_t pos) const;

private:
    char* m_buffer;
    int32_t m_capacity;
};

// A bounded string with its own buffer of N bytes.
template <int32_t N> struct CBoundedStorage {
    char m_storage[N] = {};
};

template <int32_t N> class CFixedString : private CBoundedStorage<N>, public CBoundedString {
    static_assert(N > 0);

public:
    CFixedString() : CBoundedString(this->m_storage, N) {}
    explicit CFixedString(const char* text) : CFixedString() { Assign(text); }
    CFixedString(const CFixedString& other) : CFixedString() { Assign(other.Text()); }
    CFixedString& operator=(const CFixedString& other) {
        if (this != &other) Assign(other.Text());
        return *this;
    }
};

// Reference-counted byte string. Copies share one representation until one of them changes;
// a representation whose count is -1 (unshareable, after mutable access to its bytes) is copied.
#pragma once

#include <cstdint>

class CTGString {
public:
    static constexpr uint32_t npos = 0xFFFFFFFFu;

    CTGString() = default;
    CTGString(const char* text);
    CTGString(const char* bytes, uint32_t length);
    CTGString(const CTGString& other);
    CTGString(CTGString&& other) noexcept;
    CTGString& operator=(const CTGString& other);
    CTGString& operator=(CTGString&& other) noexcept;
    CTGString& operator=(const char* text);
    ~CTGString();

    uint32_t Length() const { return m_rep ? m_rep->length : 0; }
    bool Empty() const { return Length() == 0; }
    // NUL-terminated text; valid until this string next changes.
    const char* Text() const;
    const char* Data() const { return Text(); }
    // The byte at pos, or 0 outside the string.
    char At(uint32_t pos) const;

    // Mutable access to the bytes: the representation becomes private and unshareable.
    char* MutableData();
    void SetAt(uint32_t pos, char c); // pos must be < Length()

    void Clear();
    CTGString& Assign(const char* bytes, uint32_t length);
    // Appends throw std::length_error("Length exception occurred") when the length would pass
    // 32 bits; nothing is read or changed then.
    CTGString& Append(const CTGString& other);
    CTGString& Append(const char* text);
    CTGString& Append(const char* bytes, uint32_t length);
    CTGString& AppendChar(char c);
    CTGString& operator+=(const CTGString& other) { return Append(other); }
    CTGString& operator+=(const char* text) { return Append(text); }

    // Throws std::out_of_range("Out of range exception occurred") when pos > Length().
    CTGString Substring(uint32_t pos, uint32_t count = npos) const;

    // Byte-wise as unsigned characters: -1, 0 or 1.
    int Compare(const CTGString& other) const;
    // Only A-Z fold to a-z; compares the common length, then the shorter string is less.
    int CompareNoCase(const CTGString& other) const;

    // Sharing state, for callers and tests: 0 when empty, -1 when unshareable.
    int32_t ReferenceCount() const { return m_rep ? m_rep->refs : 0; }
    bool SharesWith(const CTGString& other) const { return m_rep && m_rep == other.m_rep; }

    friend bool operator==(const CTGString& a, const CTGString& b) { return a.Compare(b) == 0; }
    friend bool operator<(const CTGString& a, const CTGString& b) { return a.Compare(b) < 0; }
    friend CTGString operator+(const CTGString& a, const CTGString& b);

private:
    struct Rep {
        char* bytes; // capacity + 1 bytes, NUL after the text
        uint32_t length;
        uint32_t capacity;
        int32_t refs; // -1: unshareable
    };
    static Rep* NewRep(uint32_t capacity);
    static void Release(Rep* rep);
    Rep* Share() const;
    void Reserve(uint32_t length, bool keepShareable); // private representation of at least length

    Rep* m_rep = nullptr;
};

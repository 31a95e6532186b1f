#include "common/TGString.h"
#include "common/AsciiCase.h"

#include <cstring>
#include <stdexcept>

namespace {
constexpr const char* kOutOfRange = "Out of range exception occurred";
constexpr const char* kLength = "Length exception occurred";

uint32_t CheckedSum(uint32_t a, uint32_t b) {
    if (b > CTGString::npos - a) throw std::length_error(kLength);
    return a + b;
}
} // namespace

CTGString::Rep* CTGString::NewRep(uint32_t capacity) {
    Rep* rep = new Rep{nullptr, 0, capacity, 1};
    try {
        rep->bytes = new char[static_cast<size_t>(capacity) + 1];
    } catch (...) {
        delete rep;
        throw;
    }
    rep->bytes[0] = '\0';
    return rep;
}

void CTGString::Release(Rep* rep) {
    if (!rep) return;
    if (rep->refs > 1) {
        --rep->refs;
        return;
    }
    delete[] rep->bytes;
    delete rep;
}

CTGString::Rep* CTGString::Share() const {
    if (!m_rep) return nullptr;
    if (m_rep->refs >= 1) {
        ++m_rep->refs;
        return m_rep;
    }
    // Unshareable: the copy gets bytes of its own.
    Rep* rep = NewRep(m_rep->length);
    memcpy(rep->bytes, m_rep->bytes, m_rep->length + size_t{1});
    rep->length = m_rep->length;
    return rep;
}

void CTGString::Reserve(uint32_t length, bool keepShareable) {
    if (m_rep && (m_rep->refs == 1 || m_rep->refs == -1) && m_rep->capacity >= length) {
        if (!keepShareable) m_rep->refs = -1;
        return;
    }
    uint32_t capacity = length;
    if (m_rep && length > m_rep->length) {
        // Grow geometrically so repeated appends stay linear.
        uint32_t doubled = m_rep->capacity > npos / 2 ? npos : m_rep->capacity * 2;
        if (doubled > capacity) capacity = doubled;
    }
    Rep* rep = NewRep(capacity);
    if (m_rep) {
        uint32_t keep = m_rep->length < length ? m_rep->length : length;
        memcpy(rep->bytes, m_rep->bytes, keep);
        rep->bytes[keep] = '\0';
        rep->length = keep;
    }
    if (!keepShareable) rep->refs = -1;
    Release(m_rep);
    m_rep = rep;
}

CTGString::CTGString(const char* text) {
    if (text) Assign(text, static_cast<uint32_t>(strlen(text)));
}

CTGString::CTGString(const char* bytes, uint32_t length) {
    Assign(bytes, length);
}

CTGString::CTGString(const CTGString& other) : m_rep(other.Share()) {}

CTGString::CTGString(CTGString&& other) noexcept : m_rep(other.m_rep) {
    other.m_rep = nullptr;
}

CTGString& CTGString::operator=(const CTGString& other) {
    if (this != &other) {
        Rep* rep = other.Share();
        Release(m_rep);
        m_rep = rep;
    }
    return *this;
}

CTGString& CTGString::operator=(CTGString&& other) noexcept {
    if (this != &other) {
        Release(m_rep);
        m_rep = other.m_rep;
        other.m_rep = nullptr;
    }
    return *this;
}

CTGString& CTGString::operator=(const char* text) {
    CTGString copy(text);
    return *this = std::move(copy);
}

CTGString::~CTGString() {
    Release(m_rep);
}

const char* CTGString::Text() const {
    return m_rep ? m_rep->bytes : "";
}

char CTGString::At(uint32_t pos) const {
    return pos < Length() ? m_rep->bytes[pos] : '\0';
}

char* CTGString::MutableData() {
    uint32_t length = Length();
    Reserve(length, false);
    return m_rep->bytes;
}

void CTGString::SetAt(uint32_t pos, char c) {
    if (pos >= Length()) throw std::out_of_range(kOutOfRange);
    Reserve(Length(), true);
    m_rep->bytes[pos] = c;
}

void CTGString::Clear() {
    Release(m_rep);
    m_rep = nullptr;
}

CTGString& CTGString::Assign(const char* bytes, uint32_t length) {
    if (!bytes || length == 0) {
        Clear();
        return *this;
    }
    // bytes may point into our own representation: build the new one first.
    Rep* rep = NewRep(length);
    memcpy(rep->bytes, bytes, length);
    rep->bytes[length] = '\0';
    rep->length = length;
    Release(m_rep);
    m_rep = rep;
    return *this;
}

CTGString& CTGString::Append(const char* bytes, uint32_t length) {
    uint32_t old = Length();
    uint32_t total = CheckedSum(old, length);
    if (!bytes || length == 0) return *this;
    if (m_rep && bytes >= m_rep->bytes && bytes <= m_rep->bytes + old) {
        // Appending part of ourselves: copy it out first, the representation may move.
        CTGString piece(bytes, length);
        return Append(piece.Text(), length);
    }
    bool shareable = !m_rep || m_rep->refs != -1;
    Reserve(total, shareable);
    memcpy(m_rep->bytes + old, bytes, length);
    m_rep->bytes[total] = '\0';
    m_rep->length = total;
    return *this;
}

CTGString& CTGString::Append(const CTGString& other) {
    if (other.m_rep == m_rep && m_rep) {
        CTGString copy(Text(), Length());
        return Append(copy.Text(), copy.Length());
    }
    return Append(other.Text(), other.Length());
}

CTGString& CTGString::Append(const char* text) {
    return text ? Append(text, static_cast<uint32_t>(strlen(text))) : *this;
}

CTGString& CTGString::AppendChar(char c) {
    return Append(&c, 1);
}

CTGString CTGString::Substring(uint32_t pos, uint32_t count) const {
    uint32_t length = Length();
    if (pos > length) throw std::out_of_range(kOutOfRange);
    uint32_t available = length - pos;
    if (count > available) count = available;
    return CTGString(Text() + pos, count);
}

int CTGString::Compare(const CTGString& other) const {
    uint32_t la = Length(), lb = other.Length();
    uint32_t common = la < lb ? la : lb;
    int r = common ? memcmp(Text(), other.Text(), common) : 0;
    if (r != 0) return r < 0 ? -1 : 1;
    return la < lb ? -1 : (la > lb ? 1 : 0);
}

int CTGString::CompareNoCase(const CTGString& other) const {
    return ::CompareNoCase(std::string_view(Text(), Length()),
                           std::string_view(other.Text(), other.Length()));
}

CTGString operator+(const CTGString& a, const CTGString& b) {
    CTGString result(a);
    result.Append(b);
    return result;
}

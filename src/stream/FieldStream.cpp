#include "stream/FieldStream.h"

#include "common/BoundedString.h"
#include "common/TGString.h"

#include <bit>
#include <climits>
#include <cstring>
#include <type_traits>

namespace {

// Widths of the four classes of packed integers, by field width.
constexpr int kByteClasses[4] = {2, 4, 6, 8};
constexpr int kWordClasses[4] = {5, 8, 13, 16};
constexpr int kLongClasses[4] = {6, 11, 21, 32};

template <int Width> const int* ClassesFor() {
    if constexpr (Width == 1) return kByteClasses;
    if constexpr (Width == 2) return kWordClasses;
    return kLongClasses;
}

template <int Width>
using Unsigned =
    std::conditional_t<Width == 1, uint8_t, std::conditional_t<Width == 2, uint16_t, uint32_t>>;

// The caller's value at index i, as unsigned bits of the field's width.
template <int Width> uint32_t LoadValue(const void* values, int32_t i) {
    Unsigned<Width> v;
    memcpy(&v, static_cast<const char*>(values) + static_cast<size_t>(i) * Width, Width);
    return v;
}

template <int Width> void StoreValue(void* values, int32_t i, uint32_t value) {
    auto v = static_cast<Unsigned<Width>>(value);
    memcpy(static_cast<char*>(values) + static_cast<size_t>(i) * Width, &v, Width);
}

// Sign-extends the low bits of value (bits < 32) to 32 bits.
uint32_t SignExtend(uint32_t value, int bits) {
    if (bits < 32 && ((value >> (bits - 1)) & 1u)) value |= ~((uint32_t{1} << bits) - 1u);
    return value;
}

uint32_t LowBits(uint32_t value, int bits) {
    return bits >= 32 ? value : value & ((uint32_t{1} << bits) - 1u);
}

} // namespace

CFieldStream::CFieldStream() = default;

CFieldStream::CFieldStream(void* buffer, int32_t size, Mode mode, bool swap)
    : m_buffer(static_cast<uint8_t*>(buffer)), m_size(buffer && size > 0 ? size : 0), m_mode(mode),
      m_swap(swap) {}

// A reading stream never writes, so the buffer may be const.
CFieldStream::CFieldStream(const void* buffer, int32_t size, bool swap)
    : CFieldStream(const_cast<void*>(buffer), size, Mode::Read, swap) {}

CFieldStream::~CFieldStream() = default;

int32_t CFieldStream::Position() const {
    return m_position > INT32_MAX ? INT32_MAX : static_cast<int32_t>(m_position);
}

void CFieldStream::PutBits(uint64_t value, int bits) {
    if (m_mode == Mode::Measure) {
        // Only the position and the free bits of the current byte change.
        if (bits <= m_bitsFree) {
            m_bitsFree -= bits;
            return;
        }
        bits -= m_bitsFree;
        m_position += (bits + 7) / 8;
        m_bitsFree = (8 - bits % 8) % 8;
        return;
    }
    while (bits > 0) {
        if (m_bitsFree == 0) {
            if (m_position < m_size)
                m_buffer[m_position] = 0;
            else
                m_short = true;
            ++m_position;
            m_bitsFree = 8;
        }
        int take = bits < m_bitsFree ? bits : m_bitsFree;
        if (m_position <= m_size) {
            auto chunk = static_cast<uint32_t>(value >> (bits - take)) & ((1u << take) - 1u);
            m_buffer[m_position - 1] |= static_cast<uint8_t>(chunk << (m_bitsFree - take));
        }
        m_bitsFree -= take;
        bits -= take;
    }
}

uint32_t CFieldStream::GetBits(int bits) {
    uint32_t value = 0;
    while (bits > 0) {
        if (m_bitsFree == 0) {
            if (m_position >= m_size) m_short = true;
            ++m_position;
            m_bitsFree = 8;
        }
        int take = bits < m_bitsFree ? bits : m_bitsFree;
        uint32_t byte = m_position <= m_size ? m_buffer[m_position - 1] : 0u;
        uint32_t chunk = (byte >> (m_bitsFree - take)) & ((1u << take) - 1u);
        value = (value << take) | chunk;
        m_bitsFree -= take;
        bits -= take;
    }
    return value;
}

// One bit for zero; otherwise 1, the two-bit class, and the value's low bits of that class.
void CFieldStream::PutPacked(int32_t value, const int* classes) {
    if (value == 0) {
        PutBits(0, 1);
        return;
    }
    const auto magnitude = static_cast<uint32_t>(value < 0 ? ~value : value);
    const int needed = std::bit_width(magnitude) + 1; // with the sign bit
    int c = 0;
    while (classes[c] < needed)
        ++c;
    const int bits = classes[c];
    const uint64_t field = (uint64_t{4u | static_cast<uint32_t>(c)} << bits) |
                           LowBits(static_cast<uint32_t>(value), bits);
    PutBits(field, bits + 3);
}

uint32_t CFieldStream::GetPacked(const int* classes) {
    if (!GetBits(1)) return 0;
    const int bits = classes[GetBits(2)];
    return SignExtend(GetBits(bits), bits);
}

template <int Width> void CFieldStream::ManyIntegers(void* values, int32_t n, bool swappable) {
    if (n <= 0 || !values) return;
    if (m_packed) {
        const int* classes = ClassesFor<Width>();
        if (m_mode == Mode::Read) {
            for (int32_t i = 0; i < n; ++i)
                StoreValue<Width>(values, i, GetPacked(classes));
        } else {
            for (int32_t i = 0; i < n; ++i) {
                const uint32_t v = SignExtend(LoadValue<Width>(values, i), Width * 8);
                PutPacked(static_cast<int32_t>(v), classes);
            }
        }
        return;
    }

    if (m_mode == Mode::Measure) {
        m_position += int64_t{n} * Width;
        return;
    }
    // The values that fit go through a tight loop; the rest read as zeros or are dropped.
    const int64_t room = m_position < m_size ? (m_size - m_position) / Width : 0;
    const int32_t fitting = room < n ? static_cast<int32_t>(room) : n;
    const bool bigEndian = m_swap && swappable;
    uint8_t* at = m_buffer + (fitting > 0 ? m_position : 0);
    if (m_mode == Mode::Read) {
        for (int32_t i = 0; i < fitting; ++i, at += Width)
            StoreValue<Width>(
                values, i, bigEndian ? GetOrdered<Width, true>(at) : GetOrdered<Width, false>(at));
        for (int32_t i = fitting; i < n; ++i)
            StoreValue<Width>(values, i, 0);
    } else {
        for (int32_t i = 0; i < fitting; ++i, at += Width) {
            if (bigEndian)
                PutOrdered<Width, true>(at, LoadValue<Width>(values, i));
            else
                PutOrdered<Width, false>(at, LoadValue<Width>(values, i));
        }
    }
    if (fitting < n) m_short = true;
    m_position += int64_t{n} * Width;
}

template void CFieldStream::ManyIntegers<1>(void*, int32_t, bool);
template void CFieldStream::ManyIntegers<2>(void*, int32_t, bool);
template void CFieldStream::ManyIntegers<4>(void*, int32_t, bool);

void CFieldStream::Flag(uint8_t& value) {
    Bytes(&value, 1);
    value = value != 0;
}

void CFieldStream::Flag(bool& value) {
    uint8_t byte = value ? 1 : 0;
    Flag(byte);
    value = byte != 0;
}

void CFieldStream::EnablePacking() {
    m_packed = true;
}

// Inline string. Read: text/length come back pointing into the buffer (cut at its end).
// Write and measure: text/length are the caller's string.
void CFieldStream::InlineText(const char*& text, int32_t& length) {
    if (m_packed) m_bitsFree = 0;
    if (m_mode == Mode::Read) {
        if (m_position >= m_size) {
            m_short = true;
            text = "";
            length = 0;
        } else {
            const char* start = reinterpret_cast<const char*>(m_buffer + m_position);
            size_t room = static_cast<size_t>(m_size - m_position);
            const void* nul = memchr(start, '\0', room);
            if (!nul) m_short = true;
            text = start;
            length = static_cast<int32_t>(nul ? static_cast<const char*>(nul) - start : room);
        }
        m_position += int64_t{length} + 1;
        if (m_position & 1) ++m_position;
    } else {
        PutInline(text, length);
    }
}

// String through the table: the text read back (never null), or the text given.
const char* CFieldStream::TableText(const char* text) {
    ++m_stringCounter;
    if (m_mode == Mode::Write) {
        if (m_table) m_table->SetText(m_stringCounter, text);
        return text;
    }
    if (m_mode == Mode::Read) {
        const char* got = m_table ? m_table->GetText(m_stringCounter) : nullptr;
        return got ? got : "";
    }
    return text;
}

void CFieldStream::Text(CTGString& text) {
    if (m_viaTable) {
        const char* got = TableText(text.Text());
        if (m_mode == Mode::Read) text = got;
        return;
    }
    const char* at = text.Text();
    auto length = static_cast<int32_t>(strlen(at));
    InlineText(at, length);
    if (m_mode == Mode::Read) text.Assign(at, static_cast<uint32_t>(length));
}

void CFieldStream::PutTextElsewhere(const char* text, int32_t length) {
    if (m_viaTable) {
        TableText(text);
        return;
    }
    InlineText(text, length);
}

const char* CFieldStream::ViewText(int32_t& length) {
    length = 0;
    if (m_mode != Mode::Read) return nullptr;
    if (m_viaTable) {
        const char* got = TableText(nullptr);
        length = static_cast<int32_t>(strlen(got));
        return got;
    }
    const char* text = "";
    InlineText(text, length);
    return text;
}

void CFieldStream::Text(CBoundedString& text) {
    if (m_viaTable) {
        const char* got = TableText(text.Text());
        if (m_mode == Mode::Read) text.Assign(got);
        return;
    }
    const char* at = text.Text();
    int32_t length = text.Length();
    InlineText(at, length);
    if (m_mode == Mode::Read) {
        text.Clear();
        text.Append(at, length);
    }
}

void CFieldStream::AttachStringTable(CResourceFile* file, uint32_t type, int16_t id,
                                     const StreamStringTableFactory& make) {
    m_viaTable = true;
    if (m_mode == Mode::Measure) return;
    // A second table must not silently drop the first one's edits.
    if (m_table) Finish();
    m_table = make ? make(file, type, id) : nullptr;
    if (m_table && m_mode == Mode::Read) m_tableStatus = m_table->Load();
}

void CFieldStream::Finish() {
    if (m_table && m_mode == Mode::Write) m_tableStatus = m_table->Save();
    m_table.reset();
}

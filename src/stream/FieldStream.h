// Field-by-field serialisation of a record over a chunk body: one record routine runs against a
// stream that reads, writes or only measures. Plain streams hold fixed-width little-endian integers
// (big-endian with swap); packed streams hold variable-width bit fields (zero costs one bit).
// The stream never touches bytes outside its buffer: reads past the end give zeros, writes past it
// are dropped, and either marks the stream short.
#pragma once

#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <type_traits>

class CBoundedString;
class CTGString;
class CResourceFile;

// The part of a string table the stream routes strings through. Positions are 1-based and
// address the table's working language.
class IStreamStringTable {
public:
    virtual ~IStreamStringTable() = default;
    // Fills the table from its stored chunk (working language, English fall-back); on failure
    // the table stays empty. Returns 0 or a status code.
    virtual int32_t Load() = 0;
    // Merges the table into its stored chunk. Returns 0 or a status code.
    virtual int32_t Save() = 0;
    // The text at position, or nullptr when there is none. Valid until the table next changes.
    virtual const char* GetText(int32_t position) = 0;
    virtual void SetText(int32_t position, const char* text) = 0;
};

// Creates a configured, empty table for (file, type, id); may return nullptr.
using StreamStringTableFactory = std::function<std::unique_ptr<IStreamStringTable>(
    CResourceFile* file, uint32_t type, int16_t id)>;

class CFieldStream {
public:
    enum class Mode { Read, Write, Measure };

    // The empty measuring stream.
    CFieldStream();
    // A stream over size bytes of buffer (not owned), plain, without a table.
    CFieldStream(void* buffer, int32_t size, Mode mode, bool swap = false);
    // A reading stream over bytes it never changes.
    CFieldStream(const void* buffer, int32_t size, bool swap = false);
    ~CFieldStream(); // discards the table without saving; call Finish first
    CFieldStream(const CFieldStream&) = delete;
    CFieldStream& operator=(const CFieldStream&) = delete;

    // n consecutive values; read mode stores into them, the other modes read them. n <= 0 does
    // nothing.
    void Bytes(uint8_t* values, int32_t n) { Integers<1>(values, n, false); }
    void Bytes(int8_t* values, int32_t n) { Integers<1>(values, n, false); }
    void Words(int16_t* values, int32_t n) { Integers<2>(values, n, true); }
    void Words(uint16_t* values, int32_t n) { Integers<2>(values, n, true); }
    void Longs(int32_t* values, int32_t n) { Integers<4>(values, n, true); }
    void Longs(uint32_t* values, int32_t n) { Integers<4>(values, n, true); }
    // 32-bit values that a plain stream never byte-swaps (floating-point fields).
    void RawLongs(uint32_t* values, int32_t n) { Integers<4>(values, n, false); }
    void RawLongs(int32_t* values, int32_t n) { Integers<4>(values, n, false); }
    void RawLongs(float* values, int32_t n) {
        static_assert(sizeof(float) == 4);
        Integers<4>(values, n, false);
    }
    // One byte through Bytes; afterwards the caller's byte is 0 or 1 (a write stores it as given).
    void Flag(uint8_t& value);
    void Flag(bool& value);
    // One string: inline (NUL-terminated, padded to an even offset) or through the attached table.
    // Reading into a bounded string cuts to its capacity.
    void Text(CTGString& text);
    void Text(CBoundedString& text);
    // Writing and measuring: a NUL-terminated text of length bytes stored as Text stores it,
    // without a copy into a string object first. Reading passes over one string.
    void PutText(const char* text, int32_t length) {
        if (!m_viaTable && !m_packed && m_mode != Mode::Read)
            PutInline(text, length);
        else
            PutTextElsewhere(text, length);
    }
    // Runs fields(out) where out stores what this stream's Longs, Words and PutText would, at
    // full speed: for a plain, unswapped stream without a table that writes or measures, out is
    // a writer keeping the position to itself (in registers) until fields returns; for any
    // other stream it is the stream. Many small records go through one call.
    template <class Fields> void PutFields(Fields&& fields);
    // Reading, the other way round: one string as it lies, without a copy into a string object
    // (inline: in the buffer, its length bytes not NUL-terminated when the stream ran short;
    // through a table: the table's text). Valid while the buffer and the table are unchanged.
    // Other modes give nullptr and a length of 0.
    const char* ViewText(int32_t& length);

    // From now on integers are bit fields.
    void EnablePacking();
    // From now on strings go through a string table, counted from 1. Measuring creates no table;
    // reading creates one with make and loads it; writing creates an empty one.
    void AttachStringTable(CResourceFile* file, uint32_t type, int16_t id,
                           const StreamStringTableFactory& make);
    // Ends the table's use: a writing stream saves it; the table is then deleted.
    void Finish();

    Mode GetMode() const { return m_mode; }
    bool IsPacked() const { return m_packed; }
    bool Swaps() const { return m_swap; }
    bool StringsViaTable() const { return m_viaTable; }
    int32_t Size() const { return m_size; }
    // Byte offset of the next byte operation; a partly used byte counts. After a measuring pass,
    // the number of bytes a write of the same record takes.
    int32_t Position() const;
    // A read or write passed the end of the buffer (or a measure passed 2 GB).
    bool IsShort() const { return m_short || m_position > INT32_MAX; }
    int32_t StringCounter() const { return m_stringCounter; }
    // Status of the table's last Load or Save (0 when none ran or it succeeded).
    int32_t TableStatus() const { return m_tableStatus; }

private:
    class PlainOut;
    // Records store many small fields: one value of a plain stream is handled here when it
    // fits, everything else out of line.
    template <int Width> void Integers(void* values, int32_t n, bool swappable) {
        if (n == 1 && values && !m_packed) {
            if (m_mode == Mode::Measure) {
                m_position += Width;
                return;
            }
            if (m_position + Width <= m_size) {
                OneValue<Width>(m_buffer + m_position, values, m_swap && swappable);
                m_position += Width;
                return;
            }
        }
        ManyIntegers<Width>(values, n, swappable);
    }
    // Width bytes at p, most significant first when BigEndian.
    template <int Width, bool BigEndian> static uint32_t GetOrdered(const uint8_t* p) {
        uint32_t v = 0;
        for (int b = 0; b < Width; ++b)
            v |= uint32_t{p[b]} << (BigEndian ? 8 * (Width - 1 - b) : 8 * b);
        return v;
    }
    template <int Width, bool BigEndian> static void PutOrdered(uint8_t* p, uint32_t v) {
        for (int b = 0; b < Width; ++b)
            p[b] = static_cast<uint8_t>(v >> (BigEndian ? 8 * (Width - 1 - b) : 8 * b));
    }
    template <int Width> void OneValue(uint8_t* at, void* value, bool bigEndian) {
        using Bits = std::conditional_t<Width == 1, uint8_t,
                                        std::conditional_t<Width == 2, uint16_t, uint32_t>>;
        Bits v = 0;
        if (m_mode == Mode::Read) {
            v = static_cast<Bits>(bigEndian ? GetOrdered<Width, true>(at)
                                            : GetOrdered<Width, false>(at));
            std::memcpy(value, &v, Width);
        } else {
            std::memcpy(&v, value, Width);
            if (bigEndian)
                PutOrdered<Width, true>(at, v);
            else
                PutOrdered<Width, false>(at, v);
        }
    }
    template <int Width> void ManyIntegers(void* values, int32_t n, bool swappable);
    void PutBits(uint64_t value, int bits);
    uint32_t GetBits(int bits);
    void PutPacked(int32_t value, const int* classes);
    uint32_t GetPacked(const int* classes);
    void InlineText(const char*& text, int32_t& length);
    // Writing or measuring an inline string: its bytes and NUL, padded to an even offset.
    void PutInline(const char* text, int32_t length);
    void PutTextElsewhere(const char* text, int32_t length);
    const char* TableText(const char* text);

    uint8_t* m_buffer = nullptr;
    int32_t m_size = 0;
    int64_t m_position = 0;
    Mode m_mode = Mode::Measure;
    bool m_swap = false;
    bool m_packed = false;
    bool m_viaTable = false;
    bool m_short = false;
    int m_bitsFree = 0; // unused bits left in the current byte (0: the next bit starts a new byte)
    int32_t m_stringCounter = 0;
    int32_t m_tableStatus = 0;
    std::unique_ptr<IStreamStringTable> m_table;
};

// How a plain, unswapped stream that writes or measures stores fields (little-endian values,
// NUL-terminated text padded to an even offset, nothing stored past the end), over a copy of
// its state that no byte it stores can alias. The stream stores inline text through it, and
// PutFields hands it whole runs of fields.
class CFieldStream::PlainOut {
public:
    explicit PlainOut(const CFieldStream& stream)
        : m_buffer(stream.m_buffer), m_size(stream.m_size), m_position(stream.m_position),
          m_writing(stream.m_mode == Mode::Write) {}
    void Longs(const int32_t* values, int32_t n) { Values<4>(values, n); }
    void Longs(const uint32_t* values, int32_t n) { Values<4>(values, n); }
    void Words(const int16_t* values, int32_t n) { Values<2>(values, n); }
    void Words(const uint16_t* values, int32_t n) { Values<2>(values, n); }
    void PutText(const char* text, int32_t length) {
        if (m_writing) {
            if (m_position + length + 1 <= m_size)
                std::memcpy(m_buffer + m_position, text, static_cast<size_t>(length) + 1);
            else
                m_short = true;
        }
        m_position += int64_t{length} + 1;
        if (m_position & 1) ++m_position;
    }

private:
    friend class CFieldStream;
    template <int Width> void Values(const void* values, int32_t n) {
        for (int32_t i = 0; i < n; ++i) {
            if (m_writing) {
                if (m_position + Width <= m_size)
                    OneValue<Width>(m_buffer + m_position,
                                    static_cast<const uint8_t*>(values) + size_t(i) * Width);
                else
                    m_short = true;
            }
            m_position += Width;
        }
    }
    template <int Width> static void OneValue(uint8_t* at, const uint8_t* value) {
        using Bits = std::conditional_t<Width == 2, uint16_t, uint32_t>;
        Bits v;
        std::memcpy(&v, value, Width);
        PutOrdered<Width, false>(at, v);
    }
    uint8_t* m_buffer; // holds m_size bytes (none without a buffer)
    int32_t m_size;
    int64_t m_position;
    bool m_writing; // else measuring
    bool m_short = false;
};

inline void CFieldStream::PutInline(const char* text, int32_t length) {
    PlainOut out(*this);
    out.PutText(text, length);
    m_position = out.m_position;
    m_short = m_short || out.m_short;
}

template <class Fields> void CFieldStream::PutFields(Fields&& fields) {
    if (m_mode == Mode::Read || m_packed || m_viaTable || m_swap) {
        fields(*this);
        return;
    }
    PlainOut out(*this);
    fields(out);
    m_position = out.m_position;
    m_short = m_short || out.m_short;
}

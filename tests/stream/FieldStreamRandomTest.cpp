// Measure, write and read back agree on randomly built records.
#include "stream/FieldStream.h"

#include "common/BoundedString.h"
#include "common/TGString.h"
#include "stream/FieldStreamTestTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Mode = CFieldStream::Mode;

enum class Kind { Bytes, Words, Longs, RawLongs, Flag, Text, BoundedText, Pack, Table };

struct Field {
    Kind kind;
    std::vector<uint32_t> values; // for integers, as the caller's bit pattern
    std::string text;
};

// Values biased towards zero, small numbers and class boundaries.
uint32_t RandomValue(std::mt19937& rng, int width) {
    const int bits = width * 8;
    switch (rng() % 5) {
    case 0:
        return 0;
    case 1:
        return static_cast<uint32_t>(static_cast<int32_t>(rng() % 33) - 16);
    case 2: {
        int b = 1 + static_cast<int>(rng() % static_cast<unsigned>(bits));
        uint32_t edge = b >= 32 ? 0x7FFFFFFFu : (1u << (b - 1)) - 1u;
        return (rng() & 1) ? edge : ~edge;
    }
    default:
        return static_cast<uint32_t>(rng());
    }
}

uint32_t Truncate(uint32_t v, int width) {
    return width == 4 ? v : v & ((1u << (width * 8)) - 1u);
}

std::vector<Field> RandomRecord(std::mt19937& rng) {
    std::vector<Field> record;
    const int count = 1 + static_cast<int>(rng() % 30);
    bool packed = false, table = false;
    for (int i = 0; i < count; ++i) {
        Field f{static_cast<Kind>(rng() % 9), {}, {}};
        if ((f.kind == Kind::Pack && packed) || (f.kind == Kind::Table && table)) continue;
        packed |= f.kind == Kind::Pack;
        table |= f.kind == Kind::Table;
        int width = f.kind == Kind::Bytes || f.kind == Kind::Flag ? 1
                    : f.kind == Kind::Words                       ? 2
                                                                  : 4;
        int n = f.kind == Kind::Flag ? 1 : static_cast<int>(rng() % 6);
        for (int k = 0; k < n; ++k)
            f.values.push_back(Truncate(RandomValue(rng, width), width));
        if (f.kind == Kind::Text || f.kind == Kind::BoundedText) {
            size_t len = rng() % 12;
            for (size_t k = 0; k < len; ++k)
                f.text += static_cast<char>(1 + rng() % 255);
        }
        record.push_back(f);
    }
    return record;
}

// Runs the record through a stream; in read mode returns what was read.
std::vector<Field> RunRecord(CFieldStream& s, const std::vector<Field>& record,
                             MemoryTableStore& store) {
    std::vector<Field> out;
    for (const Field& f : record) {
        Field r = f;
        const int32_t n = static_cast<int32_t>(f.values.size());
        std::vector<uint8_t> b(f.values.size());
        std::vector<int16_t> w(f.values.size());
        std::vector<uint32_t> l(f.values.size());
        for (size_t k = 0; k < f.values.size(); ++k) {
            b[k] = static_cast<uint8_t>(f.values[k]);
            w[k] = static_cast<int16_t>(f.values[k]);
            l[k] = f.values[k];
        }
        switch (f.kind) {
        case Kind::Bytes:
            s.Bytes(b.data(), n);
            break;
        case Kind::Flag:
            s.Flag(b[0]);
            break;
        case Kind::Words:
            s.Words(w.data(), n);
            break;
        case Kind::Longs:
            s.Longs(l.data(), n);
            break;
        case Kind::RawLongs:
            s.RawLongs(l.data(), n);
            break;
        case Kind::Pack:
            s.EnablePacking();
            break;
        case Kind::Table:
            s.AttachStringTable(nullptr, 0, 1, MemoryTableFactory(store));
            break;
        case Kind::Text: {
            CTGString t(f.text.c_str());
            s.Text(t);
            r.text = t.Text();
            break;
        }
        case Kind::BoundedText: {
            CFixedString<64> t(f.text.c_str());
            s.Text(t);
            r.text = t.Text();
            break;
        }
        }
        for (size_t k = 0; k < f.values.size(); ++k) {
            if (f.kind == Kind::Bytes || f.kind == Kind::Flag) r.values[k] = b[k];
            if (f.kind == Kind::Words) r.values[k] = static_cast<uint16_t>(w[k]);
            if (f.kind == Kind::Longs || f.kind == Kind::RawLongs) r.values[k] = l[k];
        }
        out.push_back(r);
    }
    s.Finish();
    return out;
}

TEST(FieldStreamRandom, MeasureWriteAndReadBackAgree) {
    std::mt19937 rng(20261208);
    for (int iteration = 0; iteration < 2000; ++iteration) {
        SCOPED_TRACE(iteration);
        const std::vector<Field> record = RandomRecord(rng);
        const bool swap = rng() & 1;
        MemoryTableStore store;

        CFieldStream measure;
        RunRecord(measure, record, store);
        const int32_t size = measure.Position();
        ASSERT_FALSE(measure.IsShort());

        // Exactly the measured size, followed by guard bytes the stream must not touch.
        std::vector<uint8_t> backing(static_cast<size_t>(size) + 8, 0xA3);
        CFieldStream write(backing.data(), size, Mode::Write, swap);
        RunRecord(write, record, store);
        ASSERT_EQ(write.Position(), size);
        ASSERT_FALSE(write.IsShort());
        for (size_t k = static_cast<size_t>(size); k < backing.size(); ++k)
            ASSERT_EQ(backing[k], 0xA3);

        CFieldStream read(backing.data(), size, swap);
        const std::vector<Field> back = RunRecord(read, record, store);
        ASSERT_EQ(read.Position(), size);
        ASSERT_FALSE(read.IsShort());
        ASSERT_EQ(back.size(), record.size());
        for (size_t i = 0; i < record.size(); ++i) {
            SCOPED_TRACE(i);
            if (record[i].kind == Kind::Flag) {
                EXPECT_EQ(back[i].values[0], record[i].values[0] != 0 ? 1u : 0u);
            } else {
                EXPECT_EQ(back[i].values, record[i].values);
            }
            EXPECT_EQ(back[i].text, record[i].text);
        }
    }
}

// A stream cut short anywhere never reads outside its bytes and reports it.
TEST(FieldStreamRandom, TruncatedBodiesReadAsShort) {
    std::mt19937 rng(7);
    for (int iteration = 0; iteration < 300; ++iteration) {
        SCOPED_TRACE(iteration);
        const std::vector<Field> record = RandomRecord(rng);
        MemoryTableStore store;
        CFieldStream measure;
        RunRecord(measure, record, store);
        const int32_t size = measure.Position();
        std::vector<uint8_t> body(static_cast<size_t>(size), 0);
        CFieldStream write(body.data(), size, Mode::Write);
        RunRecord(write, record, store);
        if (size == 0) continue;
        const int32_t cut = static_cast<int32_t>(rng() % static_cast<unsigned>(size));
        // A heap copy of exactly the cut length, so the sanitizers catch any overrun.
        std::unique_ptr<uint8_t[]> part(new uint8_t[static_cast<size_t>(cut) + 1]);
        memcpy(part.get(), body.data(), static_cast<size_t>(cut));
        CFieldStream read(part.get(), cut);
        RunRecord(read, record, store);
        // Only a string's pad byte, which is never read, may lie past the end unnoticed.
        EXPECT_TRUE(read.IsShort() || read.Position() <= cut + 1);
    }
}

} // namespace

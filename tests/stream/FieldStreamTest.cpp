#include "stream/FieldStream.h"

#include "common/BoundedString.h"
#include "common/TGString.h"
#include "stream/FieldStreamTestTable.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

namespace {

using Mode = CFieldStream::Mode;
using Bytes = std::vector<uint8_t>;

// A buffer as a fresh chunk body would be: filled with 0xA3.
Bytes Body(size_t n) {
    return Bytes(n, 0xA3);
}

// The bit string ("1 00 00101") of the first `bits` bits of a buffer, spaced as given by groups.
std::string BitString(const Bytes& bytes, std::initializer_list<int> groups) {
    std::string out;
    size_t bit = 0;
    for (int g : groups) {
        if (!out.empty()) out += ' ';
        for (int i = 0; i < g; ++i, ++bit)
            out += ((bytes[bit / 8] >> (7 - bit % 8)) & 1) ? '1' : '0';
    }
    return out;
}

TEST(FieldStreamPacked, WordsExamplesHaveTheDocumentedBitPatterns) {
    struct Case {
        int16_t value;
        std::string bits;
        std::initializer_list<int> groups;
        int32_t bytes;
    };
    const Case cases[] = {
        {0, "0", {1}, 1},
        {5, "1 00 00101", {1, 2, 5}, 1},
        {-1, "1 00 11111", {1, 2, 5}, 1},
        {100, "1 01 01100100", {1, 2, 8}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        CFieldStream measure;
        measure.EnablePacking();
        int16_t v = c.value;
        measure.Words(&v, 1);
        EXPECT_EQ(measure.Position(), c.bytes);

        Bytes body = Body(static_cast<size_t>(c.bytes));
        CFieldStream write(body.data(), c.bytes, Mode::Write);
        write.EnablePacking();
        write.Words(&v, 1);
        EXPECT_EQ(write.Position(), c.bytes);
        EXPECT_EQ(BitString(body, c.groups), c.bits);
        // The unused low bits of the last byte are zero.
        size_t used = 0;
        for (int g : c.groups)
            used += static_cast<size_t>(g);
        if (used % 8) {
            EXPECT_EQ(body.back() & ((1u << (8 - used % 8)) - 1u), 0u);
        }

        CFieldStream read(body.data(), c.bytes);
        read.EnablePacking();
        int16_t back = 1234;
        read.Words(&back, 1);
        EXPECT_EQ(back, c.value);
        EXPECT_FALSE(read.IsShort());
    }
}

TEST(FieldStreamPacked, SingleZeroWordIsOneZeroByte) {
    Bytes body = Body(1);
    CFieldStream write(body.data(), 1, Mode::Write);
    write.EnablePacking();
    int16_t zero = 0;
    write.Words(&zero, 1);
    EXPECT_EQ(body, Bytes{0x00});
    EXPECT_EQ(write.Position(), 1);
}

TEST(FieldStreamPacked, StringAfterBitFieldStartsAtFreshByteAndEndsEven) {
    int16_t hundred = 100;
    CTGString ab("ab");
    CFieldStream measure;
    measure.EnablePacking();
    measure.Words(&hundred, 1);
    measure.Text(ab);
    EXPECT_EQ(measure.Position(), 6);

    Bytes body = Body(6);
    CFieldStream write(body.data(), 6, Mode::Write);
    write.EnablePacking();
    write.Words(&hundred, 1);
    write.Text(ab);
    EXPECT_EQ(write.Position(), 6);
    EXPECT_EQ(body[0], 0b10101100);
    EXPECT_EQ(body[1], 0b10000000);
    EXPECT_EQ(body[2], 'a');
    EXPECT_EQ(body[3], 'b');
    EXPECT_EQ(body[4], 0);
    EXPECT_EQ(body[5], 0xA3) << "the pad byte is not written";

    // A bit field after the string starts at the next byte.
    int16_t five = 5;
    Bytes body2 = Body(8);
    CFieldStream w2(body2.data(), 8, Mode::Write);
    w2.EnablePacking();
    w2.Words(&hundred, 1);
    w2.Text(ab);
    w2.Words(&five, 1);
    EXPECT_EQ(w2.Position(), 7);
    EXPECT_EQ(body2[6], 0b10000101);

    CFieldStream read(body2.data(), 7);
    read.EnablePacking();
    int16_t a = 0, b = 0;
    CTGString s;
    read.Words(&a, 1);
    read.Text(s);
    read.Words(&b, 1);
    EXPECT_EQ(a, 100);
    EXPECT_STREQ(s.Text(), "ab");
    EXPECT_EQ(b, 5);
    EXPECT_FALSE(read.IsShort());
}

TEST(FieldStreamPacked, WidthClassBoundaries) {
    // Smallest class holding the value, for each field width.
    struct Case {
        int width;
        int32_t value;
        uint32_t cls;
    };
    const Case cases[] = {
        {1, 1, 0},       {1, -2, 0},      {1, 2, 1},        {1, -3, 1},        {1, 7, 1},
        {1, 8, 2},       {1, -32, 2},     {1, -33, 3},      {1, 127, 3},       {1, -128, 3},
        {2, 15, 0},      {2, -16, 0},     {2, 16, 1},       {2, -17, 1},       {2, 127, 1},
        {2, 128, 2},     {2, -4096, 2},   {2, -4097, 3},    {2, 32767, 3},     {2, -32768, 3},
        {4, 31, 0},      {4, -32, 0},     {4, 32, 1},       {4, 1023, 1},      {4, -1025, 2},
        {4, 1048575, 2}, {4, 1048576, 3}, {4, -1048577, 3}, {4, INT32_MAX, 3}, {4, INT32_MIN, 3},
    };
    const int widths[3][4] = {{2, 4, 6, 8}, {5, 8, 13, 16}, {6, 11, 21, 32}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "width " << c.width << " value " << c.value);
        Bytes body = Body(8);
        CFieldStream write(body.data(), 8, Mode::Write);
        write.EnablePacking();
        int8_t b = static_cast<int8_t>(c.value);
        int16_t w = static_cast<int16_t>(c.value);
        int32_t l = c.value;
        if (c.width == 1) write.Bytes(&b, 1);
        if (c.width == 2) write.Words(&w, 1);
        if (c.width == 4) write.Longs(&l, 1);
        EXPECT_EQ(body[0] >> 7, 1);
        EXPECT_EQ((body[0] >> 5) & 3u, c.cls);
        int bits = 3 + widths[c.width == 4 ? 2 : c.width - 1][c.cls];
        EXPECT_EQ(write.Position(), (bits + 7) / 8);

        CFieldStream measure;
        measure.EnablePacking();
        if (c.width == 1) measure.Bytes(&b, 1);
        if (c.width == 2) measure.Words(&w, 1);
        if (c.width == 4) measure.Longs(&l, 1);
        EXPECT_EQ(measure.Position(), write.Position());

        CFieldStream read(body.data(), 8);
        read.EnablePacking();
        int8_t rb = 0;
        int16_t rw = 0;
        int32_t rl = 0;
        read.Bytes(&rb, c.width == 1 ? 1 : 0);
        read.Words(&rw, c.width == 2 ? 1 : 0);
        read.Longs(&rl, c.width == 4 ? 1 : 0);
        EXPECT_EQ(c.width == 1 ? rb : c.width == 2 ? rw : rl, c.value);
    }
}

TEST(FieldStreamPacked, ExtremeLongsTakeClassThree) {
    int32_t values[2] = {INT32_MIN, INT32_MAX};
    CFieldStream measure;
    measure.EnablePacking();
    measure.Longs(values, 2);
    EXPECT_EQ(measure.Position(), 9); // 2 x 35 bits

    Bytes body = Body(9);
    CFieldStream write(body.data(), 9, Mode::Write);
    write.EnablePacking();
    write.Longs(values, 2);
    EXPECT_EQ(BitString(body, {1, 2, 32}), "1 11 10000000000000000000000000000000");

    int32_t back[2] = {};
    CFieldStream read(body.data(), 9);
    read.EnablePacking();
    read.Longs(back, 2);
    EXPECT_EQ(back[0], INT32_MIN);
    EXPECT_EQ(back[1], INT32_MAX);
}

TEST(FieldStreamPacked, UnsignedFieldsAreSignExtendedFromTheirOwnWidth) {
    uint8_t byte = 200;     // -56 as 8 bits
    uint16_t word = 0xFFFF; // -1 as 16 bits
    uint32_t lng = 0xFFFFFFFF;
    Bytes body = Body(8);
    CFieldStream write(body.data(), 8, Mode::Write);
    write.EnablePacking();
    write.Bytes(&byte, 1);
    write.Words(&word, 1);
    write.Longs(&lng, 1);
    // 200: 1 11 11001000, then -1 as word: 1 00 11111, then -1 as long: 1 00 111111
    EXPECT_EQ(BitString(body, {1, 2, 8, 1, 2, 5, 1, 2, 6}), "1 11 11001000 1 00 11111 1 00 111111");
    uint8_t b = 0;
    uint16_t w = 0;
    uint32_t l = 0;
    CFieldStream read(body.data(), 8);
    read.EnablePacking();
    read.Bytes(&b, 1);
    read.Words(&w, 1);
    read.Longs(&l, 1);
    EXPECT_EQ(b, 200);
    EXPECT_EQ(w, 0xFFFF);
    EXPECT_EQ(l, 0xFFFFFFFFu);
}

TEST(FieldStreamPacked, FlagTakesFiveBitsAndNormalisesTheCallersByte) {
    uint8_t one = 1;
    Bytes body = Body(1);
    CFieldStream write(body.data(), 1, Mode::Write);
    write.EnablePacking();
    write.Flag(one);
    EXPECT_EQ(BitString(body, {1, 2, 2}), "1 00 01");
    EXPECT_EQ(body[0], 0b10001000);

    // A write stores the byte as given, then the caller's byte becomes 0 or 1.
    uint8_t five = 5;
    Bytes body2 = Body(1);
    CFieldStream w2(body2.data(), 1, Mode::Write);
    w2.EnablePacking();
    w2.Flag(five);
    EXPECT_EQ(five, 1);
    EXPECT_EQ(BitString(body2, {1, 2, 4}), "1 01 0101");

    uint8_t got = 0;
    CFieldStream read(body2.data(), 1);
    read.EnablePacking();
    read.Flag(got);
    EXPECT_EQ(got, 1);

    bool flag = false;
    CFieldStream r3(body.data(), 1);
    r3.EnablePacking();
    r3.Flag(flag);
    EXPECT_TRUE(flag);
}

TEST(FieldStreamPlain, ByteOrderWithAndWithoutSwap) {
    int16_t word = 0x1234;
    int32_t lng = 0x11223344;
    uint32_t raw = 0x11223344;
    for (bool swap : {false, true}) {
        SCOPED_TRACE(swap);
        Bytes body = Body(11);
        CFieldStream write(body.data(), 11, Mode::Write, swap);
        uint8_t byte = 0x7F;
        write.Bytes(&byte, 1);
        write.Words(&word, 1);
        write.Longs(&lng, 1);
        write.RawLongs(&raw, 1);
        EXPECT_EQ(write.Position(), 11);
        Bytes expected =
            swap ? Bytes{0x7F, 0x12, 0x34, 0x11, 0x22, 0x33, 0x44, 0x44, 0x33, 0x22, 0x11}
                 : Bytes{0x7F, 0x34, 0x12, 0x44, 0x33, 0x22, 0x11, 0x44, 0x33, 0x22, 0x11};
        EXPECT_EQ(body, expected);

        CFieldStream read(body.data(), 11, swap);
        uint8_t b = 0;
        int16_t w = 0;
        int32_t l = 0;
        uint32_t r = 0;
        read.Bytes(&b, 1);
        read.Words(&w, 1);
        read.Longs(&l, 1);
        read.RawLongs(&r, 1);
        EXPECT_EQ(b, 0x7F);
        EXPECT_EQ(w, 0x1234);
        EXPECT_EQ(l, 0x11223344);
        EXPECT_EQ(r, 0x11223344u);
    }
}

TEST(FieldStreamPlain, FloatsRoundTripUnswapped) {
    float values[2] = {1.5f, -0.25f};
    Bytes body = Body(8);
    CFieldStream write(body.data(), 8, Mode::Write, true);
    write.RawLongs(values, 2);
    EXPECT_EQ((Bytes{body[0], body[1], body[2], body[3]}), (Bytes{0x00, 0x00, 0xC0, 0x3F}));
    float back[2] = {};
    CFieldStream read(body.data(), 8, true);
    read.RawLongs(back, 2);
    EXPECT_EQ(back[0], 1.5f);
    EXPECT_EQ(back[1], -0.25f);
}

TEST(FieldStreamPlain, MeasureAndCountsOfZeroOrLess) {
    CFieldStream measure;
    int16_t words[3] = {1, 2, 3};
    int32_t longs[2] = {};
    measure.Words(words, 3);
    measure.Longs(longs, 2);
    measure.Words(words, 0);
    measure.Longs(longs, -4);
    EXPECT_EQ(measure.Position(), 14);

    CTGString odd("abc"); // 3 + NUL = 4: already even
    CTGString even("ab"); // 2 + NUL = 3: padded to 4
    measure.Text(odd);
    measure.Text(even);
    EXPECT_EQ(measure.Position(), 22);
    EXPECT_FALSE(measure.IsShort());
}

TEST(FieldStreamText, BoundedStringsAreCutToCapacityOnRead) {
    Bytes body = Body(12);
    CFieldStream write(body.data(), 12, Mode::Write);
    CTGString text("abcdefghij");
    write.Text(text);
    EXPECT_EQ(write.Position(), 12);

    CFixedString<5> small;
    CFieldStream read(body.data(), 12);
    read.Text(small);
    EXPECT_STREQ(small.Text(), "abcd");
    EXPECT_EQ(read.Position(), 12) << "the position follows the stored string, not the cut one";

    CFixedString<64> label("xyz");
    Bytes body2 = Body(4);
    CFieldStream w2(body2.data(), 4, Mode::Write);
    w2.Text(label);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(body2.data())), "xyz");
}

TEST(FieldStreamText, TableRoutingReadsPositionsInOrder) {
    MemoryTableStore store;
    store.strings = {{1, "one"}, {3, "three"}};
    CFieldStream read(nullptr, 0, Mode::Read);
    read.AttachStringTable(nullptr, 0x54544173, 7, MemoryTableFactory(store));
    EXPECT_EQ(store.loads, 1);
    CTGString a("x"), b("y"), c("z");
    CFixedString<64> d("w");
    read.Text(a);
    read.Text(b);
    read.Text(c);
    read.Text(d);
    EXPECT_STREQ(a.Text(), "one");
    EXPECT_STREQ(b.Text(), "") << "a missing string reads as empty";
    EXPECT_STREQ(c.Text(), "three");
    EXPECT_STREQ(d.Text(), "");
    EXPECT_EQ(read.StringCounter(), 4);
    EXPECT_EQ(read.Position(), 0) << "strings through a table use no bytes";
    EXPECT_FALSE(read.IsShort());
    read.Finish();
    EXPECT_EQ(store.saves, 0) << "a reading stream never saves";
}

TEST(FieldStreamText, TableRoutingWritesAndSavesOnFinish) {
    MemoryTableStore store;
    store.strings = {{5, "kept"}};

    CFieldStream measure;
    measure.AttachStringTable(nullptr, 1, 2, MemoryTableFactory(store));
    CTGString first("first"), second("second");
    measure.Text(first);
    measure.Text(second);
    measure.Finish();
    EXPECT_EQ(store.created, 0) << "measuring creates no table";
    EXPECT_EQ(measure.Position(), 0);
    EXPECT_EQ(measure.StringCounter(), 2);

    CFieldStream write(nullptr, 0, Mode::Write);
    write.AttachStringTable(nullptr, 1, 2, MemoryTableFactory(store));
    EXPECT_EQ(store.loads, 0) << "a writing stream starts with an empty table";
    write.Text(first);
    write.Text(second);
    EXPECT_EQ(store.saves, 0);
    write.Finish();
    EXPECT_EQ(store.saves, 1);
    EXPECT_EQ(store.strings.at(1), "first");
    EXPECT_EQ(store.strings.at(2), "second");
    EXPECT_EQ(store.strings.at(5), "kept");
    EXPECT_EQ(write.TableStatus(), 0);
    write.Finish(); // a second Finish has no table left to save
    EXPECT_EQ(store.saves, 1);
}

TEST(FieldStreamText, TableStatusesAreKept) {
    MemoryTableStore store;
    store.strings = {{1, "one"}};
    store.loadStatus = -7;
    CFieldStream read(nullptr, 0, Mode::Read);
    read.AttachStringTable(nullptr, 1, 2, MemoryTableFactory(store));
    EXPECT_EQ(read.TableStatus(), -7);
    CTGString s("x");
    read.Text(s);
    EXPECT_STREQ(s.Text(), "") << "a failed load leaves the table empty";

    store.saveStatus = -40;
    CFieldStream write(nullptr, 0, Mode::Write);
    write.AttachStringTable(nullptr, 1, 2, MemoryTableFactory(store));
    write.Text(s);
    write.Finish();
    EXPECT_EQ(write.TableStatus(), -40);
}

// Strings read where they lie: the same texts and positions as reading them into strings, an
// unterminated last one cut by the end, the table's text in table mode, nothing in other modes.
TEST(FieldStreamText, ViewedTextsAreTheTextsRead) {
    Bytes body = {'a', 'b', 0, 0, 0, 'x', 'y', 'z'};
    CFieldStream read(body.data(), int32_t(body.size()));
    int32_t length = -1;
    const char* text = read.ViewText(length);
    EXPECT_EQ(std::string(text, size_t(length)), "ab");
    EXPECT_EQ(read.Position(), 4) << "padded to an even offset";
    text = read.ViewText(length);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(read.Position(), 6);
    EXPECT_FALSE(read.IsShort());
    text = read.ViewText(length);
    EXPECT_EQ(std::string(text, size_t(length)), "yz");
    EXPECT_TRUE(read.IsShort());
    text = read.ViewText(length);
    EXPECT_EQ(length, 0);
    EXPECT_STREQ(text, "");

    MemoryTableStore store;
    store.strings = {{1, "one"}};
    CFieldStream viaTable(nullptr, 0, Mode::Read);
    viaTable.AttachStringTable(nullptr, 1, 2, MemoryTableFactory(store));
    text = viaTable.ViewText(length);
    EXPECT_EQ(std::string(text, size_t(length)), "one");
    text = viaTable.ViewText(length);
    EXPECT_EQ(length, 0);
    EXPECT_STREQ(text, "");

    CFieldStream measure;
    EXPECT_EQ(measure.ViewText(length), nullptr);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(measure.Position(), 0);
}

TEST(FieldStreamText, NoFactoryMeansStringsAreDropped) {
    CFieldStream write(nullptr, 0, Mode::Write);
    write.AttachStringTable(nullptr, 1, 2, nullptr);
    CTGString s("x");
    write.Text(s);
    write.Finish();
    EXPECT_EQ(write.StringCounter(), 1);
    EXPECT_FALSE(write.IsShort());
}

// The stream never leaves its buffer: reads past the end give zeros, writes are dropped.
TEST(FieldStreamBounds, PlainReadPastTheEndGivesZerosAndMarksShort) {
    Bytes body = {0x01, 0x02, 0x03};
    CFieldStream read(body.data(), 3);
    int16_t w = 0;
    read.Words(&w, 1);
    EXPECT_EQ(w, 0x0201);
    EXPECT_FALSE(read.IsShort());
    int32_t l = 99;
    read.Longs(&l, 1); // one byte left: nothing of the value is read
    EXPECT_EQ(l, 0);
    EXPECT_TRUE(read.IsShort());
    uint8_t b = 99;
    read.Bytes(&b, 1);
    EXPECT_EQ(b, 0);
}

TEST(FieldStreamBounds, PackedReadPastTheEndGivesZeros) {
    Bytes body = {0xFF}; // 1 11 11111 and then nothing
    CFieldStream read(body.data(), 1);
    read.EnablePacking();
    int32_t values[3] = {7, 7, 7};
    read.Longs(values, 3);
    EXPECT_TRUE(read.IsShort());
    EXPECT_EQ(values[0], static_cast<int32_t>(0xF8000000u)) << "the missing low bits are zero";
    EXPECT_EQ(values[1], 0);
    EXPECT_EQ(values[2], 0);

    CFieldStream empty(nullptr, 0, Mode::Read);
    empty.EnablePacking();
    int16_t w = 5;
    empty.Words(&w, 1);
    EXPECT_EQ(w, 0);
    EXPECT_TRUE(empty.IsShort());
}

TEST(FieldStreamBounds, InlineStringWithoutNulStopsAtTheEnd) {
    Bytes body = {0x00, 0x00, 'a', 'b', 'c'};
    CFieldStream read(body.data(), 5);
    int16_t w = 0;
    read.Words(&w, 1);
    CTGString s;
    read.Text(s);
    EXPECT_STREQ(s.Text(), "abc");
    EXPECT_TRUE(read.IsShort());
    CFixedString<8> more("x");
    read.Text(more);
    EXPECT_STREQ(more.Text(), "");
}

TEST(FieldStreamBounds, WritePastTheEndWritesNothingMore) {
    // The stream is given 4 bytes of a larger buffer; the rest must stay untouched.
    Bytes backing = Body(16);
    CFieldStream write(backing.data(), 4, Mode::Write);
    int16_t w = 0x0102;
    int32_t l = 0x0A0B0C0D;
    write.Words(&w, 1);
    EXPECT_FALSE(write.IsShort());
    write.Longs(&l, 1);
    EXPECT_TRUE(write.IsShort());
    CTGString s("hi");
    write.Text(s);
    EXPECT_EQ(backing[0], 0x02);
    EXPECT_EQ(backing[1], 0x01);
    for (size_t i = 2; i < backing.size(); ++i)
        EXPECT_EQ(backing[i], 0xA3) << i;

    Bytes backing2 = Body(8);
    CFieldStream packed(backing2.data(), 1, Mode::Write);
    packed.EnablePacking();
    int32_t big[2] = {INT32_MAX, 1};
    packed.Longs(big, 2);
    EXPECT_TRUE(packed.IsShort());
    EXPECT_EQ(backing2[0], 0b11101111);
    for (size_t i = 1; i < backing2.size(); ++i)
        EXPECT_EQ(backing2[i], 0xA3) << i;
}

// A run of values that only partly fits: those that fit are moved, the rest read as zeros or
// are dropped, and nothing past the end is touched.
TEST(FieldStreamBounds, RunsCutByTheEndMoveWhatFits) {
    Bytes backing = Body(12);
    CFieldStream write(backing.data(), 7, Mode::Write, true);
    int32_t longs[3] = {0x01020304, 0x05060708, 0x090A0B0C};
    write.Longs(longs, 3);
    EXPECT_TRUE(write.IsShort());
    EXPECT_EQ(write.Position(), 12);
    const Bytes expected = {0x01, 0x02, 0x03, 0x04};
    EXPECT_EQ(Bytes(backing.begin(), backing.begin() + 4), expected);
    for (size_t i = 4; i < backing.size(); ++i)
        EXPECT_EQ(backing[i], 0xA3) << i;

    Bytes body = {0x01, 0x02, 0x03, 0x04, 0x05};
    CFieldStream read(body.data(), 5);
    int16_t words[3] = {7, 7, 7};
    read.Words(words, 3);
    EXPECT_TRUE(read.IsShort());
    EXPECT_EQ(words[0], 0x0201);
    EXPECT_EQ(words[1], 0x0403);
    EXPECT_EQ(words[2], 0);
}

TEST(FieldStreamBounds, ExactFitIsNotShort) {
    Bytes body = Body(6);
    CFieldStream write(body.data(), 6, Mode::Write);
    int16_t w = 1;
    int32_t l = 2;
    write.Words(&w, 1);
    write.Longs(&l, 1);
    EXPECT_FALSE(write.IsShort());
    EXPECT_EQ(write.Position(), 6);
}

// Fields put in one go store what the same calls on the stream store, wherever the buffer
// ends, from an odd offset, with or without swapping, and when only measuring.
TEST(FieldStreamBounds, FieldsPutInOneGoMatchTheCallsOneByOne) {
    int32_t l[2] = {0x01020304, -2};
    uint16_t w = 0xBEEF;
    const char* text = "abc";
    const auto fields = [&](auto& out) {
        out.Longs(l, 2);
        out.Words(&w, 1);
        out.PutText(text, 3);
        out.PutText("", 0);
        out.Words(&w, 1);
    };
    for (const bool swap : {false, true}) {
        for (int32_t size = 0; size <= 22; ++size) {
            Bytes one = Body(24), each = Body(24);
            CFieldStream a(one.data(), size, Mode::Write, swap);
            CFieldStream b(each.data(), size, Mode::Write, swap);
            uint8_t first = 7;
            a.Bytes(&first, 1);
            b.Bytes(&first, 1);
            a.PutFields(fields);
            fields(b);
            EXPECT_EQ(one, each) << "swap " << swap << ", size " << size;
            EXPECT_EQ(a.Position(), b.Position()) << size;
            EXPECT_EQ(a.IsShort(), b.IsShort()) << size;
            if (size == 22 && !swap) {
                // The text rule stated on its own: NUL-terminated, padded to an even offset
                // over bytes left as they were.
                const Bytes expected = {7,    0x04, 0x03, 0x02, 0x01, 0xFE, 0xFF, 0xFF,
                                        0xFF, 0xEF, 0xBE, 'a',  'b',  'c',  0,    0xA3,
                                        0,    0xA3, 0xEF, 0xBE, 0xA3, 0xA3, 0xA3, 0xA3};
                EXPECT_EQ(one, expected);
                EXPECT_EQ(a.Position(), 20);
            }
        }
    }
    CFieldStream measure;
    measure.PutFields(fields);
    EXPECT_EQ(measure.Position(), 18);
    EXPECT_FALSE(measure.IsShort());
    // Writing without a buffer stores nothing and runs short, as it would field by field.
    CFieldStream nowhere(nullptr, 0, Mode::Write);
    nowhere.PutFields(fields);
    EXPECT_EQ(nowhere.Position(), 18);
    EXPECT_TRUE(nowhere.IsShort());
    CFieldStream textOnly(nullptr, 0, Mode::Write);
    textOnly.PutText("", 0);
    EXPECT_TRUE(textOnly.IsShort());
}

} // namespace

#include "common/BoundedString.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

namespace {

TEST(BoundedString, AppendsAreCutToCapacityMinusOne) {
    char buffer[8];
    memset(buffer, 'X', sizeof buffer);
    CBoundedString s(buffer, 8);
    EXPECT_EQ(s.Length(), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(s.Append("abcdefghij"), 7);
    EXPECT_STREQ(s.Text(), "abcdefg");
    EXPECT_EQ(buffer[7], '\0');
    EXPECT_EQ(s.Append("z"), 0);
    EXPECT_EQ(s.AppendChar('z'), 0);
    EXPECT_EQ(s.AppendInt(5), 0);
    EXPECT_EQ(s.Length(), 7);

    EXPECT_EQ(s.Assign("ab"), 2);
    EXPECT_EQ(s.Append("cdef", 2), 2);
    EXPECT_STREQ(s.Text(), "abcd");
    EXPECT_EQ(s.Append("xy", 0), 0);
    EXPECT_EQ(s.Append("xy", -3), 0);
    EXPECT_EQ(s.Append(nullptr), 0);
    s.Clear();
    EXPECT_STREQ(s.Text(), "");
}

TEST(BoundedString, TinyCapacities) {
    char one[1] = {'Q'};
    CBoundedString s1(one, 1);
    EXPECT_EQ(s1.Append("abc"), 0);
    EXPECT_STREQ(s1.Text(), "");

    char untouched[1] = {'Q'};
    CBoundedString s0(untouched, 0);
    EXPECT_EQ(s0.Append("abc"), 0);
    EXPECT_STREQ(s0.Text(), "");
    EXPECT_EQ(untouched[0], 'Q');
}

TEST(BoundedString, AppendIntIsDecimal) {
    CFixedString<64> s("n=");
    EXPECT_EQ(s.AppendInt(-42), 3);
    EXPECT_EQ(s.AppendInt(INT32_MIN), 11);
    EXPECT_STREQ(s.Text(), "n=-42-2147483648");

    CFixedString<4> cut;
    EXPECT_EQ(cut.AppendInt(123456), 3);
    EXPECT_STREQ(cut.Text(), "123");
}

TEST(BoundedString, AppendingItselfAndAnother) {
    CFixedString<16> a("abc");
    EXPECT_EQ(a.Append(a), 3);
    EXPECT_STREQ(a.Text(), "abcabc");
    CFixedString<4> small;
    EXPECT_EQ(small.Append(a), 3);
    EXPECT_STREQ(small.Text(), "abc");
    EXPECT_EQ(small.Assign(a), 3);

    CFixedString<16> copy(a);
    a.Assign("changed");
    EXPECT_STREQ(copy.Text(), "abcabc") << "a copy owns its own buffer";
    copy = a;
    EXPECT_STREQ(copy.Text(), "changed");
}

TEST(BoundedString, CompareIsByteWiseUnsigned) {
    CFixedString<16> s("abc");
    EXPECT_EQ(s.Compare("abc"), 0);
    EXPECT_EQ(s.Compare("abd"), -1);
    EXPECT_EQ(s.Compare("ab"), 1);
    EXPECT_EQ(s.Compare("ABC"), 1);
    CFixedString<16> high("\xE9");
    EXPECT_EQ(high.Compare("z"), 1) << "bytes compare as unsigned";
}

TEST(BoundedString, CompareNoCaseFoldsOnlyAsciiLetters) {
    CFixedString<16> s("HeLLo");
    EXPECT_EQ(s.CompareNoCase("hello"), 0);
    EXPECT_EQ(s.CompareNoCase("HELLO!"), -1) << "equal common part: the shorter is less";
    EXPECT_EQ(s.CompareNoCase("hell"), 1);
    // Folding to lower case puts '_' (0x5F) before letters; folding up would put it after.
    CFixedString<4> underscore("_");
    EXPECT_EQ(underscore.CompareNoCase("A"), -1);
    CFixedString<4> accented("\xC9");
    EXPECT_EQ(accented.CompareNoCase("\xE9"), -1) << "non-ASCII bytes are not folded";
    EXPECT_EQ(accented.CompareNoCase("z"), 1);
}

TEST(BoundedString, AtIsZeroOutsideTheString) {
    CFixedString<8> s("ab");
    EXPECT_EQ(s.At(0), 'a');
    EXPECT_EQ(s.At(1), 'b');
    EXPECT_EQ(s.At(2), '\0');
    EXPECT_EQ(s.At(-1), '\0');
    EXPECT_EQ(s.At(100), '\0');
}

} // namespace

#include "common/TGString.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

TEST(TGString, CopiesShareUntilOneChanges) {
    CTGString a("hello");
    CTGString b(a);
    EXPECT_TRUE(a.SharesWith(b));
    EXPECT_EQ(a.ReferenceCount(), 2);
    b.Append(" world");
    EXPECT_FALSE(a.SharesWith(b));
    EXPECT_STREQ(a.Text(), "hello");
    EXPECT_STREQ(b.Text(), "hello world");
    EXPECT_EQ(a.ReferenceCount(), 1);

    CTGString c;
    c = a;
    c.SetAt(0, 'j');
    EXPECT_STREQ(a.Text(), "hello");
    EXPECT_STREQ(c.Text(), "jello");
}

TEST(TGString, UnshareableRepresentationIsCopied) {
    CTGString a("data");
    char* bytes = a.MutableData();
    EXPECT_EQ(a.ReferenceCount(), -1);
    CTGString b(a);
    EXPECT_FALSE(a.SharesWith(b));
    EXPECT_EQ(b.ReferenceCount(), 1);
    bytes[0] = 'D'; // the pointer handed out still addresses a's own bytes only
    EXPECT_STREQ(a.Text(), "Data");
    EXPECT_STREQ(b.Text(), "data");
    CTGString c;
    c = a;
    EXPECT_FALSE(c.SharesWith(a));
    EXPECT_STREQ(c.Text(), "Data");
}

TEST(TGString, MutableDataOfASharedStringDetachesFirst) {
    CTGString a("abc");
    CTGString b(a);
    b.MutableData()[1] = 'X';
    EXPECT_STREQ(a.Text(), "abc");
    EXPECT_STREQ(b.Text(), "aXc");
}

TEST(TGString, SubstringPastTheLengthThrows) {
    CTGString s("abcdef");
    EXPECT_STREQ(s.Substring(2, 3).Text(), "cde");
    EXPECT_STREQ(s.Substring(4).Text(), "ef");
    EXPECT_STREQ(s.Substring(2, 100).Text(), "cdef");
    EXPECT_TRUE(s.Substring(6).Empty());
    try {
        (void)s.Substring(7);
        FAIL() << "no exception";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "Out of range exception occurred");
    }
}

TEST(TGString, ConcatenationPast32BitsThrowsAndChangesNothing) {
    CTGString s("abc");
    const char* never = "x"; // must not be read: the length check comes first
    try {
        s.Append(never, 0xFFFFFFFFu);
        FAIL() << "no exception";
    } catch (const std::length_error& e) {
        EXPECT_STREQ(e.what(), "Length exception occurred");
    }
    EXPECT_STREQ(s.Text(), "abc");
}

TEST(TGString, BytesIncludingNul) {
    CTGString s("a\0b", 3);
    EXPECT_EQ(s.Length(), 3u);
    EXPECT_EQ(s.At(2), 'b');
    EXPECT_EQ(s.At(3), '\0');
    CTGString t("a", 1);
    EXPECT_EQ(t.Compare(s), -1) << "length decides after equal bytes";
    EXPECT_EQ((s + t).Length(), 4u);
}

TEST(TGString, Comparisons) {
    EXPECT_EQ(CTGString("abc").Compare(CTGString("abc")), 0);
    EXPECT_EQ(CTGString("\xE9").Compare(CTGString("z")), 1);
    EXPECT_EQ(CTGString("ab").Compare(CTGString("abc")), -1);
    EXPECT_EQ(CTGString("ObJ.IFF").CompareNoCase(CTGString("obj.iff")), 0);
    EXPECT_EQ(CTGString("_").CompareNoCase(CTGString("A")), -1);
    EXPECT_EQ(CTGString("\xC9").CompareNoCase(CTGString("\xE9")), -1);
    EXPECT_EQ(CTGString("AB").CompareNoCase(CTGString("abc")), -1);
    EXPECT_TRUE(CTGString("x") == CTGString("x"));
    EXPECT_TRUE(CTGString("a") < CTGString("b"));
}

TEST(TGString, AppendingToItselfAndGrowing) {
    CTGString s("ab");
    s.Append(s);
    EXPECT_STREQ(s.Text(), "abab");
    s.Append(s.Text() + 1, 2);
    EXPECT_STREQ(s.Text(), "ababba");
    std::string expected = "ababba";
    for (int i = 0; i < 1000; ++i) {
        s.AppendChar(static_cast<char>('a' + i % 26));
        expected += static_cast<char>('a' + i % 26);
    }
    EXPECT_EQ(std::string(s.Text()), expected);
}

TEST(TGString, EmptyAndNull) {
    CTGString a;
    CTGString b(nullptr);
    EXPECT_STREQ(a.Text(), "");
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(a.ReferenceCount(), 0);
    a = "x";
    a.Clear();
    EXPECT_STREQ(a.Text(), "");
    CTGString moved(std::move(b));
    EXPECT_TRUE(moved.Empty());
}

} // namespace

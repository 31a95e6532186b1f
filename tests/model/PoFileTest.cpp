// The program's own PO reader and writer, and what GNU gettext's tools make of its catalogues and
// it of theirs: every catalogue it writes passes msgfmt --check, and msgcat's rewriting (wrapped
// lines, its own order of comments, sorted messages) reads back to the same messages.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "ScratchDir.h"
#include "model/PoFile.h"

namespace {

namespace fs = std::filesystem;

po::Catalog Read(const std::string& text) {
    po::Catalog c;
    auto error = po::Parse(text, c);
    EXPECT_FALSE(error) << (error ? std::to_string(error->line) + ": " + error->message : "");
    return c;
}

po::ParseError Fails(const std::string& text) {
    po::Catalog c;
    auto error = po::Parse(text, c);
    EXPECT_TRUE(error) << text;
    return error ? *error : po::ParseError{};
}

// A catalogue as the command line exports one, with every feature the writer knows.
po::Catalog Sample() {
    po::Catalog c;
    po::Message header;
    header.translatorComments = {"Names of TTAB 128"};
    header.str = "Project-Id-Version: TTAB 128\n"
                 "PO-Revision-Date: 2024-05-01 10:00+0000\n"
                 "Last-Translator: \n"
                 "Language-Team: \n"
                 "Language: ru\n"
                 "MIME-Version: 1.0\n"
                 "Content-Type: text/plain; charset=UTF-8\n"
                 "Content-Transfer-Encoding: 8bit\n";
    c.header = header;
    po::Message a;
    a.translatorComments = {"a comment", "over two lines"};
    a.extractedComments = {"for translators"};
    a.context = "entry 0, string 0";
    a.id = "Sit Down";
    a.str = "Сесть";
    c.messages.push_back(a);
    po::Message b;
    b.flags = {"fuzzy"};
    b.context = "entry 1, string 1";
    b.id =
        "Say \"hi\" \\ then\ttab, a rather long name that runs on past the width msgcat wraps at";
    b.str = "Dis « salut »"; // fuzzy: msgcat keeps the flag only on a translated message
    c.messages.push_back(b);
    po::Message d;
    d.context = "entry 2, string 2";
    d.id = "two\nlines\n";
    d.str = "две\nстроки\n";
    c.messages.push_back(d);
    po::Message e;
    e.context = "entry 3, string 2";
    e.id = "";
    e.str = "";
    c.messages.push_back(e);
    return c;
}

void ExpectSameMessages(const po::Catalog& a, const po::Catalog& b) {
    ASSERT_EQ(a.messages.size(), b.messages.size());
    for (size_t i = 0; i < a.messages.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(a.messages[i].context, b.messages[i].context);
        EXPECT_EQ(a.messages[i].id, b.messages[i].id);
        EXPECT_EQ(a.messages[i].str, b.messages[i].str);
        EXPECT_EQ(a.messages[i].Fuzzy(), b.messages[i].Fuzzy());
        EXPECT_EQ(a.messages[i].translatorComments, b.messages[i].translatorComments);
        EXPECT_EQ(a.messages[i].extractedComments, b.messages[i].extractedComments);
    }
    EXPECT_EQ(a.HeaderField("Language"), b.HeaderField("Language"));
}

TEST(PoFile, ReadsEntriesCommentsFlagsAndTheHeader) {
    const po::Catalog c = Read("# translator\n"
                               "msgid \"\"\n"
                               "msgstr \"\"\n"
                               "\"Language: fr\\n\"\n"
                               "\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
                               "\n"
                               "#  two spaces\n"
                               "#. extracted\n"
                               "#: file.c:12\n"
                               "#, fuzzy, c-format\n"
                               "#| msgid \"old\"\n"
                               "msgctxt \"ctx\"\n"
                               "msgid \"a\\\"b\\\\c\\n\\t\\101\\x42\"\n"
                               "msgstr \"\"\n"
                               "  \"multi \"\n"
                               "\"line\"\n"
                               "\n"
                               "msgid \"plain\"\n"
                               "msgstr \"texte\"\n");
    ASSERT_TRUE(c.header);
    EXPECT_EQ(c.header->translatorComments, std::vector<std::string>{"translator"});
    EXPECT_EQ(c.HeaderField("language"), "fr");
    EXPECT_EQ(c.Charset(), "UTF-8");
    EXPECT_EQ(c.HeaderField("Last-Translator"), std::nullopt);
    ASSERT_EQ(c.messages.size(), 2u);
    const po::Message& m = c.messages[0];
    EXPECT_EQ(m.line, 7);
    EXPECT_EQ(m.translatorComments, std::vector<std::string>{" two spaces"});
    EXPECT_EQ(m.extractedComments, std::vector<std::string>{"extracted"});
    EXPECT_EQ(m.references, std::vector<std::string>{"file.c:12"});
    EXPECT_EQ(m.flags, (std::vector<std::string>{"fuzzy", "c-format"}));
    EXPECT_TRUE(m.Fuzzy());
    EXPECT_EQ(m.context, "ctx");
    EXPECT_EQ(m.id, "a\"b\\c\n\tAB");
    EXPECT_EQ(m.str, "multi line");
    EXPECT_FALSE(c.messages[1].context);
    EXPECT_FALSE(c.messages[1].Fuzzy());
    EXPECT_EQ(c.messages[1].str, "texte");
}

TEST(PoFile, SkipsObsoleteEntriesWithTheirComments) {
    const po::Catalog c = Read("msgid \"a\"\nmsgstr \"A\"\n\n"
                               "# comment of the obsolete one\n"
                               "#~ msgctxt \"old\"\n#~ msgid \"b\"\n#~ msgstr \"B\"\n\n"
                               "#~| msgid \"x\"\n"
                               "msgid \"c\"\nmsgstr \"C\"\n");
    ASSERT_EQ(c.messages.size(), 2u);
    EXPECT_EQ(c.messages[1].id, "c");
    EXPECT_TRUE(c.messages[1].translatorComments.empty());
}

TEST(PoFile, ReadsWindowsLineEndsAndAByteOrderMark) {
    const po::Catalog c = Read("\xef\xbb\xbfmsgctxt \"k\"\r\nmsgid \"a\"\r\nmsgstr \"b\"\r\n");
    ASSERT_EQ(c.messages.size(), 1u);
    EXPECT_EQ(c.messages[0].str, "b");
    EXPECT_EQ(c.messages[0].context, "k");
}

TEST(PoFile, RefusesMalformedCatalogues) {
    EXPECT_EQ(Fails("msgid \"a\"\n").message, "msgid without msgstr");
    EXPECT_EQ(Fails("msgid \"a\nmsgstr \"\"\n").line, 1);
    EXPECT_EQ(Fails("msgstr \"x\"\n").message, "msgstr without a msgid before it");
    EXPECT_EQ(Fails("msgid \"a\"\nmsgstr \"b\"\nmsgstr \"c\"\n").line, 3);
    EXPECT_EQ(Fails("msgid \"a\"\nmsgid \"b\"\nmsgstr \"\"\n").line, 2);
    EXPECT_EQ(Fails("msgid \"a\"\n# c\nmsgstr \"\"\n").message, "msgid without msgstr");
    EXPECT_EQ(Fails("msgctxt \"a\"\nmsgctxt \"b\"\nmsgid \"\"\nmsgstr \"\"\n").message,
              "msgctxt without msgid");
    EXPECT_EQ(Fails("msgid \"a\"\nmsgstr \"b\"\n\"\n").line, 3);
    EXPECT_EQ(Fails("\"orphan\"\n").line, 1);
    EXPECT_EQ(Fails("msgid \"a\\q\"\nmsgstr \"\"\n").message, "msgid: unknown escape sequence \\q");
    EXPECT_EQ(Fails("msgid \"a\" x\nmsgstr \"\"\n").line, 1);
    EXPECT_EQ(Fails("msgfoo \"a\"\n").message, "unknown keyword \"msgfoo\"");
    EXPECT_EQ(Fails("msgid \"a\"\nmsgid_plural \"as\"\nmsgstr[0] \"\"\n").message,
              "plural forms are not supported");
    EXPECT_EQ(Fails("msgctxt \"k\"\nmsgid \"a\"\nmsgstr \"\"\n\nmsgctxt \"k\"\nmsgid \"a\"\n"
                    "msgstr \"x\"\n")
                  .line,
              7);
    EXPECT_EQ(Fails("msgid \"\"\nmsgstr \"\"\nmsgid \"\"\nmsgstr \"\"\n").message,
              "a second header entry (msgid \"\")");
    // The same id in two contexts is two messages.
    EXPECT_EQ(Read("msgctxt \"1\"\nmsgid \"a\"\nmsgstr \"\"\nmsgctxt \"2\"\nmsgid \"a\"\n"
                   "msgstr \"\"\nmsgid \"a\"\nmsgstr \"\"\n")
                  .messages.size(),
              3u);
}

TEST(PoFile, WritesWhatItReads) {
    const po::Catalog c = Sample();
    const std::string text = po::Write(c);
    ExpectSameMessages(c, Read(text));
    EXPECT_NE(text.find("#, fuzzy\nmsgctxt \"entry 1, string 1\"\n"), std::string::npos);
    EXPECT_NE(text.find("msgid \"\"\n\"two\\n\"\n\"lines\\n\"\n"), std::string::npos);
    EXPECT_NE(text.find("# a comment\n# over two lines\n#. for translators\n"), std::string::npos);
    EXPECT_EQ(po::Quote("a\"\\\n\t\x01"), "\"a\\\"\\\\\\n\\t\\001\"");
}

// ---------------------------------------------------------------- GNU gettext's own tools

#ifdef _WIN32
constexpr bool kGettextToolsHere = false; // they run beside the Linux build, on the same writer
#else
constexpr bool kGettextToolsHere = true;
#endif

class PoGettextTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!kGettextToolsHere) GTEST_SKIP() << "GNU gettext's tools are not on this system";
        for (const char* tool : {"msgfmt", "msgcat"})
            ASSERT_EQ(std::system((std::string("command -v ") + tool + " >/dev/null").c_str()), 0)
                << tool << " is missing (scripts/deps installs gettext)";
    }

    std::string Path(const std::string& name) const { return m_dir / name; }
    void WriteFile(const std::string& name, const std::string& text) {
        std::ofstream(Path(name), std::ios::binary) << text;
    }
    std::string ReadFile(const std::string& name) {
        std::ifstream in(Path(name), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    int Run(const std::string& cmd) { return std::system((cmd + " 2>" + Path("err")).c_str()); }

    ScratchDir m_dir{"tavimet-po"};
};

TEST_F(PoGettextTest, WhatItWritesPassesMsgfmtCheck) {
    WriteFile("a.po", po::Write(Sample()));
    EXPECT_EQ(Run("msgfmt --check -o " + Path("a.mo") + " " + Path("a.po")), 0) << ReadFile("err");
    EXPECT_EQ(ReadFile("err"), ""); // not even a warning
}

TEST_F(PoGettextTest, MsgcatsWrappedAndReorderedCatalogueReadsTheSame) {
    // Comments in an order of our own: msgcat puts them back in its own.
    std::string text = po::Write(Sample());
    const std::string ours = "# a comment\n# over two lines\n#. for translators\n";
    ASSERT_NE(text.find(ours), std::string::npos);
    text.replace(text.find(ours), ours.size(),
                 "#. for translators\n# a comment\n# over two lines\n");
    WriteFile("a.po", text);
    ASSERT_EQ(Run("msgcat --width=24 --sort-output -o " + Path("b.po") + " " + Path("a.po")), 0)
        << ReadFile("err");
    const std::string rewritten = ReadFile("b.po");
    EXPECT_NE(rewritten, text);
    po::Catalog back = Read(rewritten);
    po::Catalog want = Sample();
    // Sorted by msgid: "", "Say...", "Sit Down", "two\nlines\n".
    ASSERT_EQ(back.messages.size(), 4u);
    std::vector<po::Message> sorted = {want.messages[3], want.messages[1], want.messages[0],
                                       want.messages[2]};
    want.messages = sorted;
    ExpectSameMessages(want, back);
    // msgcat wrote long strings over several lines.
    EXPECT_NE(rewritten.find("msgid \"\"\n\"Say"), std::string::npos);
}

} // namespace

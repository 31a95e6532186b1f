// The editor's command line without a window: --version and --help are answered before the
// toolkit starts (so with no display); anything else opens the window.
#include <gtest/gtest.h>

#include <string>

#include "app/CommandLine.h"

namespace {

TEST(EditorCommandLine, VersionIsTheNameAndTheProjectVersion) {
    auto text = app::AnswerWithoutWindow({"--version"});
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, std::string("tavimet ") + TAVIMET_PROJECT_VERSION + "\n");
    EXPECT_EQ(app::VersionLine(), *text);
}

TEST(EditorCommandLine, HelpSaysHowToUseItWithAnExample) {
    for (const char* word : {"--help", "-h"}) {
        auto text = app::AnswerWithoutWindow({word});
        ASSERT_TRUE(text) << word;
        EXPECT_EQ(text->rfind("Usage: tavimet [OBJECT.iff]\n", 0), 0u);
        EXPECT_NE(text->find("--version"), std::string::npos);
        EXPECT_NE(text->find("\nExamples:\n  $ "), std::string::npos);
    }
    // Help wins wherever it stands.
    EXPECT_EQ(app::AnswerWithoutWindow({"a.iff", "--version", "--help"}), app::HelpText());
}

TEST(EditorCommandLine, AnythingElseOpensTheWindow) {
    EXPECT_FALSE(app::AnswerWithoutWindow({}));
    EXPECT_FALSE(app::AnswerWithoutWindow({"sample.iff"}));
    EXPECT_FALSE(app::AnswerWithoutWindow({"a.iff", "b.iff"}));
}

} // namespace

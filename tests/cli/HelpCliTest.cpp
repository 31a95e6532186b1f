// What tavimet-cli says about itself: --version prints the name and project()'s version; every
// command's help starts its description the same way and ends with an example, and every
// example runs as shown (in a folder where `tavimet-cli demo tavimet-demo` was run).
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "ScratchDir.h"
#include "cli/CliUnderTest.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class HelpCliTest : public ::testing::Test {
protected:
    // Runs a shell command line in cwd, with the built tavimet-cli first on PATH.
    Outcome Shell(const std::string& line, const fs::path& cwd) const {
        const std::string cli = CliUnderTest();
        const std::string bin = fs::path(cli).parent_path().string();
        std::string cmd = "cd " + Quote(cwd.string()) + " && PATH=" + Quote(bin) +
                          ":\"$PATH\" sh -c " + Quote(line) + " >" + Quote(m_dir / "out") + " 2>" +
                          Quote(m_dir / "err");
        int raw = std::system(cmd.c_str());
        Outcome o;
        o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        o.out = ReadWholeFile(m_dir / "out");
        o.err = ReadWholeFile(m_dir / "err");
        return o;
    }
    Outcome Cli(const std::string& args) const {
        return Shell("tavimet-cli " + args, m_dir.Path());
    }

    // The names under "Subcommands:" in a help text.
    static std::vector<std::string> Subcommands(const std::string& help) {
        std::vector<std::string> names;
        std::istringstream in(help);
        std::string line;
        bool on = false;
        while (std::getline(in, line)) {
            if (line == "Subcommands:") {
                on = true;
            } else if (on && line.empty()) {
                on = false;
            } else if (on && line.size() > 2 && line.rfind("  ", 0) == 0 &&
                       std::islower(static_cast<unsigned char>(line[2]))) {
                names.push_back(line.substr(2, line.find(' ', 2) - 2));
            }
        }
        return names;
    }
    // The command lines of the Example: (or Examples:) block at the end of a help text.
    static std::vector<std::string> Examples(const std::string& help, const std::string& heading) {
        std::vector<std::string> lines;
        std::size_t at = help.rfind("\n" + heading + "\n");
        if (at == std::string::npos) return lines;
        std::istringstream in(help.substr(at + heading.size() + 2));
        std::string line;
        while (std::getline(in, line) && line.rfind("  $ ", 0) == 0)
            lines.push_back(line.substr(4));
        return lines;
    }
    // Every command path at any depth ("chunks", "po export").
    void Walk(const std::string& path, std::vector<std::string>& paths) {
        Outcome o = Cli(path + " --help");
        ASSERT_EQ(o.status, 0) << path << o.err;
        for (const std::string& sub : Subcommands(o.out)) {
            std::string child = path.empty() ? sub : path + " " + sub;
            paths.push_back(child);
            Walk(child, paths);
        }
    }
    // Runs example lines in a fresh folder holding the demo (unless the example makes it).
    void RunExample(const std::string& path, const std::vector<std::string>& lines) {
        fs::path cwd = m_dir / ("run-" + std::to_string(m_runs++));
        fs::create_directories(cwd);
        if (lines.front().rfind("tavimet-cli demo ", 0) != 0) {
            ASSERT_EQ(Shell("tavimet-cli demo tavimet-demo", cwd).status, 0);
        }
        for (const std::string& line : lines) {
            Outcome o = Shell(line, cwd);
            EXPECT_EQ(o.status, 0) << "the example of \"" << path << "\": " << line << "\n"
                                   << o.err;
        }
    }

    ScratchDir m_dir{"tavimet-help"};
    int m_runs = 0;
};

TEST_F(HelpCliTest, VersionPrintsTheNameAndTheProjectVersion) {
    Outcome o = Cli("--version");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, std::string("tavimet-cli ") + TAVIMET_PROJECT_VERSION + "\n");
    EXPECT_EQ(o.err, "");
    // The overview names the option.
    EXPECT_NE(Cli("--help").out.find("--version"), std::string::npos);
}

TEST_F(HelpCliTest, OverviewListsTheCommandsAndEndsWithExamplesThatRun) {
    Outcome o = Cli("--help");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_FALSE(Subcommands(o.out).empty());
    std::vector<std::string> lines = Examples(o.out, "Examples:");
    ASSERT_FALSE(lines.empty()) << o.out;
    RunExample("", lines);
}

TEST_F(HelpCliTest, EveryCommandIsDescribedAlikeAndShowsAnExampleThatRuns) {
    std::vector<std::string> paths;
    Walk("", paths);
    ASSERT_GE(paths.size(), 9u);
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        Outcome o = Cli(path + " --help");
        ASSERT_EQ(o.status, 0) << o.err;
        // The first line is the description: an imperative verb with a capital ("List every
        // chunk ..."), no full stop at the end.
        std::string description = o.out.substr(0, o.out.find('\n'));
        std::string verb = description.substr(0, description.find(' '));
        ASSERT_FALSE(verb.empty());
        EXPECT_TRUE(std::isupper(static_cast<unsigned char>(verb[0]))) << description;
        EXPECT_NE(verb.back(), 's') << "\"" << verb << "\": the imperative, as the others";
        EXPECT_NE(description.back(), '.') << description;
        // The listing in the parent's help says the same.
        std::string parent =
            path.find(' ') == std::string::npos ? "" : path.substr(0, path.rfind(' '));
        std::string name = path.substr(path.rfind(' ') + 1);
        EXPECT_NE(Cli(parent + " --help").out.find(name), std::string::npos);
        std::vector<std::string> lines = Examples(o.out, "Example:");
        ASSERT_FALSE(lines.empty()) << o.out;
        EXPECT_NE(lines.back().find("tavimet-cli " + path + " "), std::string::npos)
            << "the example uses the command it stands under: " << lines.back();
        RunExample(path, lines);
    }
}

} // namespace

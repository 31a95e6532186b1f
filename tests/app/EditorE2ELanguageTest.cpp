// The real editor under a virtual X server in Russian: select Russian in the Language list, type
// a Cyrillic name into Menu Name (xdotool types Unicode), try a character code page 1251 cannot
// hold, press OK, then read the name back with tavimet-cli as the bytes of code page 1251.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

bool HaveTool(const char* tool) {
    std::string cmd = std::string("command -v ") + tool + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The focus starts on the Menu Items list. Going back from it the tab order runs Cancel, OK,
// Vary by Personality, Language; a focused drop-down list takes Down as the next item, and
// Russian is twelve items below US English. Then forward again to Menu Items and Menu Name.
constexpr const char* kDriver = R"(#!/bin/bash
set -u
export ASAN_OPTIONS=detect_leaks=0
"$TAVIMET" "$SAMPLE" >"$WORK/tavimet.log" 2>&1 &
pid=$!
win=""
for i in $(seq 1 150); do
  win=$(xdotool search --onlyvisible --name '^Tavimet$' 2>/dev/null | head -1)
  [ -n "$win" ] && break
  sleep 0.2
done
if [ -z "$win" ]; then echo "no editor window" >&2; kill $pid; exit 3; fi
sleep 2
xdotool windowfocus --sync "$win" 2>/dev/null || true
sleep 0.5
for k in 1 2 3 4; do xdotool key shift+Tab; sleep 0.3; done
for k in $(seq 1 12); do xdotool key Down; sleep 0.4; done
sleep 1
for k in 1 2 3 4; do xdotool key Tab; sleep 0.3; done
xdotool key Down; sleep 0.8
xdotool key Tab; sleep 0.5
xdotool key ctrl+a; sleep 0.3
xdotool type --delay 200 "Сесть"; sleep 0.8
xdotool type --delay 200 "ñ"; sleep 1
import -window "$win" -strip "$SHOT" || echo "no screenshot" >&2
xdotool key Return
for i in $(seq 1 150); do
  kill -0 $pid 2>/dev/null || break
  sleep 0.2
done
if kill -0 $pid 2>/dev/null; then echo "editor did not close" >&2; kill $pid; exit 4; fi
exit 0
)";

TEST(EditorEndToEndLanguages, TypeACyrillicNameInRussianAndReadItBack) {
    if (!HaveTool("xvfb-run") || !HaveTool("xdotool") || !HaveTool("import") || !HaveTool("xauth"))
        GTEST_SKIP() << "no X server tooling (xvfb-run, xauth, xdotool, import) installed";
    fs::path work = fs::temp_directory_path() / ("tavimet-e2e-ru-" + std::to_string(::getpid()));
    fs::remove_all(work);
    fs::create_directories(work);
    const std::string cli = TAVIMET_CLI_EXE;
    const std::string sample = (work / "demo" / "sample.iff").string();
    ASSERT_EQ(std::system(
                  ("\"" + cli + "\" demo \"" + (work / "demo").string() + "\" >/dev/null").c_str()),
              0);
    fs::path shot = work / "screenshot.png";
    fs::path script = work / "drive.sh";
    std::ofstream(script) << kDriver;
    std::string env = "WORK='" + work.string() + "' TAVIMET='" + TAVIMET_EXE + "' SAMPLE='" +
                      sample + "' SHOT='" + shot.string() + "' TAVIMET_REGISTRY='" +
                      (work / "demo" / "registry.ini").string() + "' XDG_RUNTIME_DIR='" +
                      work.string() + "' LANG=C.UTF-8";
    std::string cmd = env + " timeout 120 xvfb-run -a -s '-screen 0 1024x768x24' bash '" +
                      script.string() + "' >'" + (work / "drive.log").string() + "' 2>&1";
    int rc = std::system(cmd.c_str());
    ASSERT_EQ(rc, 0) << ReadFile(work / "drive.log") << ReadFile(work / "tavimet.log");

    // The bytes of code page 1251, as the command line's 8-bit JSON shows them.
    const std::string json = (work / "ttab.json").string();
    ASSERT_EQ(std::system(
                  ("\"" + cli + "\" ttab \"" + sample + "\" --language 13 --json >\"" + json + "\"")
                      .c_str()),
              0);
    auto doc = nlohmann::json::parse(ReadFile(json));
    EXPECT_EQ(doc.at("entries").at(1).at("name"), "\u00d1\u00e5\u00f1\u00f2\u00fc")
        << "screenshot: " << shot;
    // Read as text: the same Cyrillic name; the other languages keep theirs.
    ASSERT_EQ(std::system(("\"" + cli + "\" ttab \"" + sample +
                           "\" --language 13 --json --text >\"" + json + "\"")
                              .c_str()),
              0);
    EXPECT_EQ(nlohmann::json::parse(ReadFile(json)).at("entries").at(1).at("name"), "Сесть");
    ASSERT_EQ(std::system(("\"" + cli + "\" ttab \"" + sample +
                           "\" --language 3 --json --text >\"" + json + "\"")
                              .c_str()),
              0);
    EXPECT_EQ(nlohmann::json::parse(ReadFile(json)).at("entries").at(1).at("name"),
              "Faire la sieste");
    if (!HasFailure()) fs::remove_all(work);
}

} // namespace

// The real editor under a virtual X server in Russian: select Russian in the Language list, type
// a Cyrillic name into Menu Name (xdotool types Unicode), try a character code page 1251 cannot
// hold, press OK, then read the name back with tavimet-cli as the bytes of code page 1251.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>

#include "app/WindowDriver.h"

namespace {

using namespace window_driver;

// The focus starts on the Menu Items list. Going back from it the tab order runs Cancel, OK,
// Vary by Personality, Language; a focused drop-down list takes Down as the next item, and
// Russian is twelve items below US English. Then forward again to Menu Items and Menu Name.
constexpr const char* kKeys = R"(
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
)";

TEST(EditorEndToEndLanguages, TypeACyrillicNameInRussianAndReadItBack) {
    if (!HaveXTooling())
        GTEST_SKIP() << "no X server tooling (xvfb-run, xauth, xdotool, import) installed";
    const fs::path work = MakeWork("tavimet-e2e-ru");
    ASSERT_FALSE(work.empty());
    const fs::path shot = work / "screenshot.png";
    const std::string sample = Sample(work).string();
    std::string log;
    ASSERT_EQ(RunEditor(work, kKeys, "LANG=C.UTF-8", log), 0) << log;

    // The bytes of code page 1251, as the command line's 8-bit JSON shows them.
    const std::string json = (work / "ttab.json").string();
    ASSERT_EQ(RunCli("ttab \"" + sample + "\" --language 13 --json >\"" + json + "\""), 0);
    auto doc = nlohmann::json::parse(ReadWholeFile(json));
    EXPECT_EQ(doc.at("entries").at(1).at("name"), "\u00d1\u00e5\u00f1\u00f2\u00fc")
        << "screenshot: " << shot;
    // Read as text: the same Cyrillic name; the other languages keep theirs.
    ASSERT_EQ(RunCli("ttab \"" + sample + "\" --language 13 --json --text >\"" + json + "\""), 0);
    EXPECT_EQ(nlohmann::json::parse(ReadWholeFile(json)).at("entries").at(1).at("name"), "Сесть");
    ASSERT_EQ(RunCli("ttab \"" + sample + "\" --language 3 --json --text >\"" + json + "\""), 0);
    EXPECT_EQ(nlohmann::json::parse(ReadWholeFile(json)).at("entries").at(1).at("name"),
              "Faire la sieste");
    if (!HasFailure()) fs::remove_all(work);
}

} // namespace

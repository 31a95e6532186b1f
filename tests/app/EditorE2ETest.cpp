// The real editor under a virtual X server: select an interaction, type a new Max, Apply with
// Alt+A, OK with Enter, then read the file back with tavimet-cli. Checks on the way that every list
// shows the rows its template height holds, whole, and saves a screenshot of the window.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <map>
#include <sstream>
#include <string>

#include "app/WindowDriver.h"

namespace {

using namespace window_driver;

// Drives the window with the keyboard only: the focus starts on the Menu Items list, and the tab
// order runs Menu Items, Menu Name, Motives, Min, Max. Alt+A is Apply; Enter in an edit is OK.
constexpr const char* kKeys = R"(
xdotool key Down; sleep 0.8
xdotool key Tab; sleep 0.3; xdotool key Tab; sleep 0.3; xdotool key Tab; sleep 0.3; xdotool key Tab; sleep 0.5
xdotool key ctrl+a; sleep 0.3
xdotool type --delay 150 "42"; sleep 1
import -window "$win" -strip "$SHOT" || echo "no screenshot" >&2
xdotool key alt+a; sleep 1.5
xdotool key Return
)";

// The window's own measurements of its lists and edits, written while it ran.
void ExpectEveryRowInSight(const std::string& report) {
    ASSERT_FALSE(report.empty()) << "the window wrote no layout report";
    // Rows each list must show whole: what its template height holds, and at least what the
    // sample puts in it (Menu Items 1000, Motives 1010, Flags 1018, Vary by Personality 1021).
    const std::map<int, int> atLeast{{1000, 12}, {1010, 9}, {1018, 5}, {1021, 7}};
    std::istringstream in(report);
    std::string kind;
    int lists = 0, edits = 0;
    while (in >> kind) {
        std::string line;
        std::getline(in, line);
        std::istringstream fields(line);
        int id = 0;
        fields >> id;
        std::map<std::string, int> v;
        std::string key;
        int value = 0;
        while (fields >> key >> value)
            v[key] = value;
        SCOPED_TRACE(kind + " " + std::to_string(id) + line);
        if (kind == "list") {
            ++lists;
            ASSERT_GT(v["rowHeight"], 0);
            EXPECT_GE(v["wholeRows"], v["templateRows"]);
            EXPECT_EQ(v["cut"], 0) << "a row shows only in part at the bottom edge";
            if (atLeast.count(id)) {
                EXPECT_GE(v["wholeRows"], atLeast.at(id));
            }
            EXPECT_GE(v["wholeRows"], std::min(v["items"], v["templateRows"]));
        } else if (kind == "edit") {
            ++edits;
            EXPECT_GE(v["room"], v["needs"]) << "-32768 does not fit";
        }
    }
    EXPECT_EQ(lists, 4);
    EXPECT_EQ(edits, 5);
}

TEST(EditorEndToEnd, EditMaxApplyOkAndReadBack) {
    if (!HaveXTooling())
        GTEST_SKIP() << "no X server tooling (xvfb-run, xauth, xdotool, import) installed";
    const fs::path work = MakeWork("tavimet-e2e");
    ASSERT_FALSE(work.empty());
    const fs::path shot = work / "screenshot.png";
    std::string log;
    ASSERT_EQ(RunEditor(work, kKeys,
                        "TAVIMET_LAYOUT_REPORT='" + (work / "layout.txt").string() + "'", log),
              0)
        << log;

    ExpectEveryRowInSight(ReadWholeFile(work / "layout.txt"));

    const std::string json = (work / "ttab.json").string();
    ASSERT_EQ(RunCli("ttab \"" + Sample(work).string() + "\" --json >\"" + json + "\""), 0);
    auto doc = nlohmann::json::parse(ReadWholeFile(json));
    const auto& entry = doc.at("entries").at(1);
    EXPECT_EQ(entry.at("name"), "Take a Nap");
    // The first motive row is motive 5 (min 20): its max is now 42.
    const auto& m = entry.at("motives").at(5);
    EXPECT_EQ(m.at("min").get<int>(), 20);
    EXPECT_EQ(m.at("min").get<int>() + m.at("delta").get<int>(), 42);
    EXPECT_EQ(doc.at("label"), "Sofa interactions");

    // The README shows the window as the test saw it.
    ASSERT_TRUE(fs::exists(shot));
    if (const char* src = std::getenv("TAVIMET_SOURCE_DIR")) {
        fs::path docs = fs::path(src) / "docs";
        std::error_code ec;
        fs::create_directories(docs, ec);
        fs::copy_file(shot, docs / "screenshot.png", fs::copy_options::overwrite_existing, ec);
    }
    fs::remove_all(work);
}

} // namespace

// The Windows build of the editor under Wine on a virtual X server, driven by xdotool: the
// behaviour folder named in Wine's own registry (in the 32-bit view, where the original program's
// installer writes it), an interaction edited and saved, and the file read back by this build's
// tavimet-cli. Also the refusal of a second copy and a behaviour folder that is not there. Runs
// when TAVIMET_WINDOWS_EXE names the Windows tavimet.exe (scripts/test sets it).
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <string>

#include "app/WindowDriver.h"

namespace {

using namespace window_driver;

// The Windows name of a Linux path, through Wine's drive Z: (the whole file system).
std::string WinePath(const fs::path& p) {
    std::string s = "Z:" + fs::absolute(p).string();
    for (char& c : s)
        if (c == '/') c = '\\';
    return s;
}

// Sets InstallPath, starts the editor on the sample and waits for its window ($win); $pid is
// the Wine process.
constexpr const char* kStart = R"SH(#!/bin/bash
set -u
"$WINE_RUN" reg delete 'HKLM\Software\Orvan\Dwelmoor' /f /reg:64 >/dev/null 2>&1
"$WINE_RUN" reg add 'HKLM\Software\Orvan\Dwelmoor' /v InstallPath /t REG_SZ /d "$INSTALL" /f /reg:32 \
  >/dev/null 2>&1 || { echo "cannot write Wine's registry" >&2; exit 5; }
# A failure leaves a picture of the screen and ends every Wine program of this private prefix.
Fail() {
  echo "$1" >&2
  import -window root "$WORK/failure.png" 2>/dev/null
  [ -n "${TAVIMET_WINESERVER:-}" ] && "$TAVIMET_WINESERVER" -k 2>/dev/null
  exit "${2:-3}"
}
Focus() {
  xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1" 2>/dev/null
  sleep 0.3
}
# Without a window manager only a click activates a window for Wine: one near its bottom right
# corner, where neither the editor nor a message box has a control.
ClickCorner() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  xdotool mousemove $((X + WIDTH - 3)) $((Y + HEIGHT - 3)) click 1
  sleep 0.5
}
"$WINE_RUN" "$TAVIMET" "$SAMPLE" >"$WORK/tavimet.log" 2>&1 &
pid=$!
FindWindow() {
  local w=""
  for i in $(seq 1 300); do
    w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)
    [ -n "$w" ] && break
    sleep 0.2
  done
  echo "$w"
}
win=$(FindWindow '^Tavimet$')
[ -n "$win" ] || Fail "no editor window" 3
sleep 1.5
Focus "$win"
)SH";

constexpr const char* kAwaitClose = R"SH(
for i in $(seq 1 100); do
  kill -0 $pid 2>/dev/null || break
  sleep 0.2
done
kill -0 $pid 2>/dev/null && Fail "editor did not close" 4
exit 0
)SH";

struct WineRun {
    int status = -1;
    std::string log;
};

// Runs start, keys and the wait for the close; skips the test (status 77) without X or Wine.
WineRun RunWindows(const fs::path& work, const fs::path& install, const std::string& keys) {
    const fs::path script = work / "drive.sh";
    std::ofstream(script) << kStart << keys << kAwaitClose;
    const char* src = std::getenv("TAVIMET_SOURCE_DIR");
    const std::string cmd = "WORK='" + work.string() + "' TAVIMET='" +
                            std::getenv("TAVIMET_WINDOWS_EXE") + "' SAMPLE='" +
                            WinePath(Sample(work)) + "' INSTALL='" + WinePath(install) +
                            "' SHOT='" + (work / "screenshot.png").string() + "' timeout 150 '" +
                            std::string(src ? src : ".") + "/tests/app/wine-x-run' --script '" +
                            script.string() + "' >'" + (work / "drive.log").string() + "' 2>&1";
    WineRun r;
    const int rc = std::system(cmd.c_str());
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.log = ReadWholeFile(work / "drive.log") + ReadWholeFile(work / "tavimet.log");
    return r;
}

class WindowsEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("TAVIMET_WINDOWS_EXE"))
            GTEST_SKIP()
                << "TAVIMET_WINDOWS_EXE names no Windows tavimet.exe (scripts/test sets it "
                   "after the Windows build)SH";
        if (!HaveTool("xdotool") || !HaveTool("import"))
            GTEST_SKIP() << "no X tooling (xdotool, import) installed";
        m_work = MakeWork("tavimet-win-e2e");
        ASSERT_FALSE(m_work.empty());
    }
    // A failed test's folder stays, with its pictures of the screen.
    void TearDown() override {
        if (!m_work.empty() && !HasFailure()) fs::remove_all(m_work);
    }
    fs::path m_work;
};

nlohmann::json ReadTable(const fs::path& work) {
    const std::string json = (work / "ttab.json").string();
    EXPECT_EQ(RunCli("ttab \"" + Sample(work).string() + "\" --json >\"" + json + "\""), 0);
    return nlohmann::json::parse(ReadWholeFile(json));
}

// Keyboard only, as on Linux: the focus starts on Menu Items; Tab reaches Max after Menu Name,
// Motives and Min and selects its text; Alt+A is Apply; Enter is OK.
TEST_F(WindowsEndToEnd, EditMaxApplyOkAndReadBackOnLinux) {
    const WineRun r = RunWindows(m_work, m_work / "demo", R"SH(
xdotool key Down; sleep 0.8
for i in 1 2 3 4; do xdotool key Tab; sleep 0.3; done
xdotool type --delay 150 "42"; sleep 1
import -window "$win" -strip "$SHOT" || echo "no screenshot" >&2
xdotool key alt+a; sleep 1.5
xdotool key Return
)SH");
    if (r.status == 77) GTEST_SKIP() << r.log;
    ASSERT_EQ(r.status, 0) << r.log;
    const auto doc = ReadTable(m_work);
    const auto& entry = doc.at("entries").at(1);
    EXPECT_EQ(entry.at("name"), "Take a Nap");
    // The first motive row is motive 5 (min 20): its max is now 42.
    const auto& m = entry.at("motives").at(5);
    EXPECT_EQ(m.at("min").get<int>(), 20);
    EXPECT_EQ(m.at("min").get<int>() + m.at("delta").get<int>(), 42);
    // The README shows the window as the test saw it.
    const fs::path shot = m_work / "screenshot.png";
    ASSERT_TRUE(fs::exists(shot)) << r.log;
    if (const char* src = std::getenv("TAVIMET_SOURCE_DIR")) {
        std::error_code ec;
        fs::copy_file(shot, fs::path(src) / "docs" / "screenshot-windows.png",
                      fs::copy_options::overwrite_existing, ec);
    }
}

// A second copy says why it stops in a message box captioned with the program's name, while the
// first copy goes on; the file stays as it was.
TEST_F(WindowsEndToEnd, SecondCopyIsRefused) {
    const std::string before = ReadWholeFile(Sample(m_work));
    const WineRun r = RunWindows(m_work, m_work / "demo", R"SH(
"$WINE_RUN" "$TAVIMET" "$SAMPLE" >"$WORK/second.log" 2>&1 &
second=$!
box=$(FindWindow '^tavimet$')
[ -n "$box" ] || Fail "no message from the second copy" 6
sleep 1
import -window "$box" "$WORK/refusal.png" 2>/dev/null
kill -0 $pid 2>/dev/null || Fail "the first copy ended" 8
# Synthetic clicks do not reach a Wine message box without a window manager here: the two
# copies are ended from outside once the refusal is seen.
"$TAVIMET_WINESERVER" -k 2>/dev/null
)SH");
    if (r.status == 77) GTEST_SKIP() << r.log;
    ASSERT_EQ(r.status, 0) << r.log;
    EXPECT_EQ(ReadWholeFile(Sample(m_work)), before);
}

// Without the behaviour file the names stay empty, yet the editor opens; Esc closes it and the
// file is left as it was.
TEST_F(WindowsEndToEnd, MissingBehaviourFileStillOpens) {
    fs::create_directories(m_work / "nowhere");
    const std::string before = ReadWholeFile(Sample(m_work));
    const WineRun r = RunWindows(m_work, m_work / "nowhere", R"SH(
xdotool key Escape
)SH");
    if (r.status == 77) GTEST_SKIP() << r.log;
    ASSERT_EQ(r.status, 0) << r.log;
    EXPECT_EQ(ReadWholeFile(Sample(m_work)), before);
}

} // namespace

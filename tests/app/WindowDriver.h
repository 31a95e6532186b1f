// The real editor under a virtual X server, driven by xdotool: a private work folder with the demo
// sample, a shell script that starts the editor, runs the test's keystrokes and waits for the
// window to close, and the command line to read the file back afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "ScratchDir.h"

namespace window_driver {

namespace fs = std::filesystem;

inline bool HaveTool(const char* tool) {
    std::string cmd = std::string("command -v ") + tool + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

inline bool HaveXTooling() {
    return HaveTool("xvfb-run") && HaveTool("xdotool") && HaveTool("import") && HaveTool("xauth");
}

// Runs tavimet-cli with the arguments as given (already quoted); 0 on success.
inline int RunCli(const std::string& args) {
    return std::system(("\"" + std::string(TAVIMET_CLI_EXE) + "\" " + args).c_str());
}

// A fresh folder only its owner may enter (it holds the editor's lock), with the demo sample in
// demo/; empty when the sample cannot be written.
inline fs::path MakeWork(const std::string& name) {
    fs::path work = fs::temp_directory_path() / (name + "-" + std::to_string(::getpid()));
    fs::remove_all(work);
    fs::create_directories(work);
    fs::permissions(work, fs::perms::owner_all, fs::perm_options::replace);
    if (RunCli("demo \"" + (work / "demo").string() + "\" >/dev/null") != 0) return {};
    return work;
}

inline fs::path Sample(const fs::path& work) {
    return work / "demo" / "sample.iff";
}

// Starts the editor on the sample, waits for its window and focuses it; $win names it, $SHOT is
// where a screenshot goes.
constexpr const char* kStart = R"(#!/bin/bash
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
)";

// Waits for the editor to close after the test's last keystroke.
constexpr const char* kAwaitClose = R"(
for i in $(seq 1 150); do
  kill -0 $pid 2>/dev/null || break
  sleep 0.2
done
if kill -0 $pid 2>/dev/null; then echo "editor did not close" >&2; kill $pid; exit 4; fi
exit 0
)";

// Runs the keystrokes between start and close under Xvfb, with extra environment settings
// (NAME='value' ...). Returns the exit status; log holds what the script and the editor printed.
inline int RunEditor(const fs::path& work, const std::string& keystrokes,
                     const std::string& extraEnv, std::string& log) {
    const fs::path script = work / "drive.sh";
    std::ofstream(script) << kStart << keystrokes << kAwaitClose;
    const std::string env = "WORK='" + work.string() + "' TAVIMET='" + TAVIMET_EXE + "' SAMPLE='" +
                            Sample(work).string() + "' SHOT='" +
                            (work / "screenshot.png").string() + "' TAVIMET_REGISTRY='" +
                            (work / "demo" / "registry.ini").string() + "' XDG_RUNTIME_DIR='" +
                            work.string() + "' " + extraEnv;
    const std::string cmd = env + " timeout 120 xvfb-run -a -s '-screen 0 1024x768x24' bash '" +
                            script.string() + "' >'" + (work / "drive.log").string() + "' 2>&1";
    const int rc = std::system(cmd.c_str());
    log = ReadWholeFile(work / "drive.log") + ReadWholeFile(work / "tavimet.log");
    return rc;
}

} // namespace window_driver

// The editor program's entry into its window system: whichever implementation of DialogUi.h the
// build chose (wxWidgets on Linux, Win32 on Windows) starts here.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/DialogUi.h"

namespace ui {

using UiProgramBody = std::function<int(IUiSystem&, const std::vector<std::string>&)>;

// Starts the window system, runs body with its IUiSystem and the program's arguments (without
// the program name), then shuts it down. Returns body's result, or 1 when no window can be
// opened (the reason is written on standard error).
int RunUiProgram(int argc, char** argv, const UiProgramBody& body);

} // namespace ui

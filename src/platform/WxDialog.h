// The user-interface layer on wxWidgets. The toolkit's own headers stay inside the .cpp file.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/DialogUi.h"

namespace ui {

// Starts the toolkit, runs body with the toolkit's IUiSystem and the program's arguments (without
// the program name), then shuts the toolkit down. Returns 1 with a message on standard error when
// the toolkit cannot start (no display), else body's result.
int RunWxProgram(int argc, char** argv,
                 const std::function<int(IUiSystem&, const std::vector<std::string>&)>& body);

} // namespace ui

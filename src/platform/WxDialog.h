// The user-interface layer on wxWidgets. The toolkit's own headers stay inside the .cpp file.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/DialogUi.h"

namespace ui {

// Starts the toolkit, runs body with the toolkit's IUiSystem and the program's arguments (without
// the program name), then shuts the toolkit down. Without a display it writes one line on standard
// error and returns 1 when none is named; when the one named cannot be reached, the process ends
// there with status 1 (the toolkit cannot be shut down cleanly then). Else: body's result.
int RunWxProgram(int argc, char** argv,
                 const std::function<int(IUiSystem&, const std::vector<std::string>&)>& body);

} // namespace ui

// The user-interface layer on wxWidgets. The toolkit's own headers stay inside the .cpp file.
#pragma once

#include "platform/UiProgram.h"

// RunUiProgram on the toolkit: without a display it writes one line on standard error and returns
// 1 when none is named; when the one named cannot be reached, the process ends there with status
// 1 (the toolkit cannot be shut down cleanly then).

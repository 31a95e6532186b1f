// The program's name as the system started it (glibc keeps the base name).
#include "platform/DialogUi.h"

#include <cerrno>

namespace ui {

std::string ProgramName() {
    const char* name = program_invocation_short_name;
    return name && *name ? std::string(name) : std::string("tavimet");
}

} // namespace ui

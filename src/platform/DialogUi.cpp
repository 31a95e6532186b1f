#include "platform/DialogUi.h"

#include <cerrno>

namespace ui {

std::string ProgramName() {
    // The base name of the executable as it was started.
    const char* name = program_invocation_short_name;
    return name && *name ? std::string(name) : std::string("tavimet");
}

std::string ToolkitFilter(const std::string& win32Filter) {
    std::string out = win32Filter;
    while (!out.empty() && out.back() == '|')
        out.pop_back();
    return out;
}

} // namespace ui

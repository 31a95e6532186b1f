#include "platform/DialogUi.h"

#include <cerrno>
#ifdef _WIN32
#include <windows.h>
#endif

namespace ui {

std::string ProgramName() {
#ifdef _WIN32
    // The executable's file name without its folder and ".exe".
    char path[MAX_PATH + 1] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, n < MAX_PATH ? n : 0);
    name = name.substr(name.find_last_of("\\/") + 1);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0)
        name.resize(name.size() - 4);
    return name.empty() ? std::string("tavimet") : name;
#else
    // The base name of the executable as it was started.
    const char* name = program_invocation_short_name;
    return name && *name ? std::string(name) : std::string("tavimet");
#endif
}

std::string ToolkitFilter(const std::string& win32Filter) {
    std::string out = win32Filter;
    while (!out.empty() && out.back() == '|')
        out.pop_back();
    return out;
}

} // namespace ui

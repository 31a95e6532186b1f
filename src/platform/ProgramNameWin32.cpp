// The program's name: the executable's file name without its folder and ".exe", as Windows
// programs name themselves in their message boxes.
#include "platform/DialogUi.h"

#include <windows.h>

#include "common/AsciiCase.h"

namespace ui {

std::string ProgramName() {
    char path[MAX_PATH + 1] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, n > 0 && n < MAX_PATH ? n : 0);
    name = name.substr(name.find_last_of("\\/") + 1);
    if (name.size() > 4 && EqualsNoCase(std::string_view(name).substr(name.size() - 4), ".exe"))
        name.resize(name.size() - 4);
    return name.empty() ? std::string("tavimet") : name;
}

} // namespace ui

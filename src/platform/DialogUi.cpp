#include "platform/DialogUi.h"

namespace ui {

std::string ToolkitFilter(const std::string& win32Filter) {
    std::string out = win32Filter;
    while (!out.empty() && out.back() == '|')
        out.pop_back();
    return out;
}

} // namespace ui

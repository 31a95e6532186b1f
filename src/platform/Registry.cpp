#include "platform/Registry.h"
#include "common/AsciiCase.h"

#include <cstdlib>
#include <fstream>

namespace platform {

namespace {

std::string Trim(const std::string& s) {
    std::size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    std::size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

// Key paths compare with '/' and '\' alike and without leading or trailing separators.
std::string NormaliseKey(std::string k) {
    for (char& c : k)
        if (c == '/') c = '\\';
    while (!k.empty() && k.front() == '\\')
        k.erase(k.begin());
    while (!k.empty() && k.back() == '\\')
        k.pop_back();
    return k;
}

} // namespace

std::string RegistryFilePath() {
    if (const char* p = std::getenv("TAVIMET_REGISTRY"); p && *p) return p;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x)
        return std::string(x) + "/tavimet/registry.ini";
    if (const char* h = std::getenv("HOME"); h && *h)
        return std::string(h) + "/.config/tavimet/registry.ini";
    return {};
}

std::optional<std::string> ReadRegistryValue(const std::string& path, const std::string& key,
                                             const std::string& value) {
    if (path.empty()) return std::nullopt;
    std::ifstream in(path);
    if (!in) return std::nullopt;
    const std::string wantKey = NormaliseKey(key);
    bool inKey = false;
    std::string line;
    while (std::getline(in, line)) {
        std::string t = Trim(line);
        if (t.empty() || t[0] == ';' || t[0] == '#') continue;
        if (t.front() == '[' && t.back() == ']') {
            inKey = EqualsNoCase(NormaliseKey(Trim(t.substr(1, t.size() - 2))), wantKey);
            continue;
        }
        if (!inKey) continue;
        std::size_t eq = t.find('=');
        if (eq == std::string::npos) continue;
        if (!EqualsNoCase(Trim(t.substr(0, eq)), value)) continue;
        std::string v = Trim(t.substr(eq + 1));
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
        return v;
    }
    return std::nullopt;
}

} // namespace platform

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/Registry.h"
#include "platform/RegistryWin32.h"

namespace platform {

namespace {

bool SameRoot(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != b[i]) return false;
    }
    return true;
}

HKEY RootKey(const std::string& name) {
    if (SameRoot(name, "HKEY_LOCAL_MACHINE") || SameRoot(name, "HKLM")) return HKEY_LOCAL_MACHINE;
    if (SameRoot(name, "HKEY_CURRENT_USER") || SameRoot(name, "HKCU")) return HKEY_CURRENT_USER;
    if (SameRoot(name, "HKEY_CLASSES_ROOT") || SameRoot(name, "HKCR")) return HKEY_CLASSES_ROOT;
    if (SameRoot(name, "HKEY_USERS") || SameRoot(name, "HKU")) return HKEY_USERS;
    return nullptr;
}

struct KeyCloser {
    void operator()(HKEY key) const noexcept { RegCloseKey(key); }
};
using KeyHolder = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

std::optional<std::string> ReadFromView(HKEY root, const std::string& subKey,
                                        const std::string& value, REGSAM view) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ | view, &opened) != ERROR_SUCCESS)
        return std::nullopt;
    KeyHolder key(opened);
    // The size first: a value may change between the calls, so a value grown meanwhile is
    // asked again rather than cut.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = 0;
        if (RegQueryValueExA(key.get(), value.c_str(), nullptr, nullptr, nullptr, &size) !=
            ERROR_SUCCESS)
            return std::nullopt;
        std::vector<char> data(std::size_t(size) + 1, '\0');
        DWORD got = size;
        const LONG r = RegQueryValueExA(key.get(), value.c_str(), nullptr, nullptr,
                                        reinterpret_cast<BYTE*>(data.data()), &got);
        if (r == ERROR_MORE_DATA) continue;
        if (r != ERROR_SUCCESS) return std::nullopt;
        if (got > size) got = size;
        std::string text(data.data(), got);
        return text.substr(0, text.find('\0'));
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> ReadSystemRegistryValue(const std::string& key,
                                                   const std::string& value) {
    std::string path = key;
    for (char& c : path)
        if (c == '/') c = '\\';
    while (!path.empty() && path.front() == '\\')
        path.erase(path.begin());
    const std::size_t sep = path.find('\\');
    const HKEY root = RootKey(path.substr(0, sep));
    if (!root) return std::nullopt;
    std::string subKey = sep == std::string::npos ? std::string() : path.substr(sep + 1);
    while (!subKey.empty() && subKey.back() == '\\')
        subKey.pop_back();
    // The program these keys were made for is a 32-bit one: its keys live in the 32-bit view.
    if (auto v = ReadFromView(root, subKey, value, KEY_WOW64_32KEY)) return v;
    return ReadFromView(root, subKey, value, KEY_WOW64_64KEY);
}

std::optional<std::string> ReadRegistryValue(const std::string& key, const std::string& value) {
    if (const char* p = std::getenv("TAVIMET_REGISTRY"); p && *p)
        return ReadRegistryValue(std::string(p), key, value);
    return ReadSystemRegistryValue(key, value);
}

} // namespace platform

// Windows only: reading the system registry.
#pragma once

#include <optional>
#include <string>

namespace platform {

// Reads a value of key ("HKEY_LOCAL_MACHINE\\Software\\X"; HKLM, HKCU, HKEY_CURRENT_USER,
// HKEY_CLASSES_ROOT and HKEY_USERS name the roots) as text up to its first NUL, whatever its
// type. The 32-bit view of the registry is read first, then the 64-bit one. nullopt when the
// key or the value is missing in both.
std::optional<std::string> ReadSystemRegistryValue(const std::string& key,
                                                   const std::string& value);

} // namespace platform

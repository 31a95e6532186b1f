// The registry. On POSIX it is an INI file: sections are key paths, entries are value names; both
// are matched ignoring case. The file is named by TAVIMET_REGISTRY, else
// $XDG_CONFIG_HOME/tavimet/registry.ini, else ~/.config/tavimet/registry.ini. On Windows it is the
// system registry, unless TAVIMET_REGISTRY names such a file (a portable stand-in).
#pragma once

#include <optional>
#include <string>

namespace platform {

// The path of the registry file as the environment names it; empty when nothing names one.
std::string RegistryFilePath();

// Reads a value of key (for example "HKEY_LOCAL_MACHINE\\Software\\X") from the INI file at path.
// nullopt when the file, the key or the value is missing.
std::optional<std::string> ReadRegistryValue(const std::string& path, const std::string& key,
                                             const std::string& value);

// The same, from the registry of this platform (see above).
std::optional<std::string> ReadRegistryValue(const std::string& key, const std::string& value);

} // namespace platform

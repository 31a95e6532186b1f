#include "platform/Registry.h"

namespace platform {

std::optional<std::string> ReadRegistryValue(const std::string& key, const std::string& value) {
    return ReadRegistryValue(RegistryFilePath(), key, value);
}

} // namespace platform

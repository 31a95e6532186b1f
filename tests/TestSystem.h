// What tests need from the operating system beyond the standard library, the same on every
// platform: fresh temporary folders and environment changes.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace testsys {

// Makes a new, empty folder under BASE (default: the system's temporary folder), named
// PREFIX-XXXXXX; "" when
// none could be made. Creation fails on an existing folder, so two tests never share one.
inline std::string MakeTempDirectory(const std::string& prefix = "tavimet",
                                     std::filesystem::path base = {}) {
    std::error_code ec;
    if (base.empty()) base = std::filesystem::temp_directory_path(ec);
    if (ec) return {};
    static thread_local std::mt19937_64 random{std::random_device{}()};
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = prefix + "-";
        for (int i = 0; i < 6; ++i)
            name += kLetters[random() % (sizeof kLetters - 1)];
        const std::filesystem::path dir = base / name;
        if (std::filesystem::create_directory(dir, ec)) return dir.string();
    }
    return {};
}

// Sets (or, with nullptr, removes) an environment variable of this process.
inline void SetEnv(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value ? value : "");
#else
    if (value)
        ::setenv(name, value, 1);
    else
        ::unsetenv(name);
#endif
}

// This process's id, for names no other running test uses.
inline long ProcessId() {
#ifdef _WIN32
    return static_cast<long>(_getpid());
#else
    return static_cast<long>(::getpid());
#endif
}

} // namespace testsys

// What tests need from the operating system beyond the standard library, the same on every
// platform: environment changes and the process id (scratch folders: ScratchDir.h).
#pragma once

#include <cstdlib>
#include <string>
#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace testsys {

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

// A named lock held for the life of the process, so that only one copy of the program runs: on
// POSIX a file in the user's runtime folder held with flock, on Windows a named mutex. The
// operating system drops it when the process ends, however it ends.
#pragma once

#include <string>

namespace platform {

class CInstanceLock {
public:
    enum class Result { Acquired, AlreadyHeld, Failed };

    CInstanceLock() = default;
    ~CInstanceLock();
    CInstanceLock(const CInstanceLock&) = delete;
    CInstanceLock& operator=(const CInstanceLock&) = delete;

    // Takes the lock called name. AlreadyHeld when another process (or another lock object of
    // this process) holds it; Failed when the lock file cannot be made.
    Result Acquire(const std::string& name);
    bool Held() const { return m_fd >= 0 || m_mutex; }

    // $XDG_RUNTIME_DIR, else /tmp/tavimet-UID (made private to the user).
    static std::string RuntimeDirectory();

private:
    int m_fd = -1;
    void* m_mutex = nullptr; // Windows
};

} // namespace platform

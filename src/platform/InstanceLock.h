// A named lock held for the life of the process, so that only one copy of the program runs. The
// operating system drops it when the process ends, however it ends.
//
// On Windows it is the named mutex itself, in the user's session. On POSIX it is a file in a
// folder private to the user, held with flock. A folder is used only when it is safe: a real
// directory (not a symbolic link), owned by the user, with no access for anyone else; the lock
// file in it is opened without following links and must be a regular file of the user's.
// Otherwise the next place is tried:
//   1. $XDG_RUNTIME_DIR, when set;
//   2. TMP/tavimet-UID (TMP being /tmp), made with mode 0700 when missing;
//   3. the user's cache folder: $XDG_CACHE_HOME/tavimet, else ~/.cache/tavimet, made when missing.
// When none is safe, Acquire answers Failed and Problem() says why in one line.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The places a lock file may live, in order of preference (POSIX; a Windows mutex needs none).
// Tests put scratch folders here.
struct LockPlaces {
    std::string runtimeDir; // empty: not set
    std::string tmpBase;    // the shared temporary folder under which tavimet-UID is made
    std::string cacheDir;   // the folder itself (…/tavimet); empty: none known
    std::uint32_t uid = 0;  // the user the folders must belong to

    // $XDG_RUNTIME_DIR, /tmp, $XDG_CACHE_HOME/tavimet or ~/.cache/tavimet, and the real user id;
    // nothing on Windows.
    static LockPlaces FromEnvironment();
};

class CInstanceLock {
public:
    enum class Result { Acquired, AlreadyHeld, Failed };

    CInstanceLock() = default;
    ~CInstanceLock();
    CInstanceLock(const CInstanceLock&) = delete;
    CInstanceLock& operator=(const CInstanceLock&) = delete;

    // Takes the lock called name in the first safe place. AlreadyHeld when another process (or
    // another lock object of this process) holds it there; Failed when no place is safe or the
    // lock file cannot be made (Problem() says why).
    Result Acquire(const std::string& name);
    Result Acquire(const std::string& name, const LockPlaces& places);
    bool Held() const { return m_fd >= 0 || m_mutex; }

    // The lock file (on Windows the mutex name) taken or found held; empty after Failed.
    const std::string& Path() const { return m_path; }
    // After Failed: every place tried and why it was refused, on one line.
    const std::string& Problem() const { return m_problem; }

private:
    int m_fd = -1;
    void* m_mutex = nullptr; // Windows
    std::string m_path;
    std::string m_problem;
};

} // namespace platform

// The single-instance lock as a named mutex in the user's session.
#include "platform/InstanceLock.h"

#include <string>
#include <windows.h>

namespace platform {

LockPlaces LockPlaces::FromEnvironment() {
    return {};
}

CInstanceLock::~CInstanceLock() {
    if (m_mutex) CloseHandle(static_cast<HANDLE>(m_mutex));
}

CInstanceLock::Result CInstanceLock::Acquire(const std::string& name) {
    return Acquire(name, LockPlaces::FromEnvironment());
}

CInstanceLock::Result CInstanceLock::Acquire(const std::string& name, const LockPlaces&) {
    if (m_mutex) return Result::Acquired;
    m_path.clear();
    m_problem.clear();
    HANDLE mutex = CreateMutexA(nullptr, TRUE, name.c_str());
    const DWORD error = GetLastError();
    if (!mutex) {
        m_problem =
            "the mutex " + name + " cannot be made (system error " + std::to_string(error) + ")";
        return Result::Failed;
    }
    m_path = name;
    // The mutex already existed: another copy (or another lock object here) holds the name.
    // Closing our handle keeps the holder's mutex alive and lets it go when the holder ends.
    if (error == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return Result::AlreadyHeld;
    }
    m_mutex = mutex;
    return Result::Acquired;
}

} // namespace platform

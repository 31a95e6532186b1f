// The single-instance lock as a named mutex.
#include "platform/InstanceLock.h"

#include <windows.h>

namespace platform {

CInstanceLock::~CInstanceLock() {
    if (m_mutex) CloseHandle(static_cast<HANDLE>(m_mutex));
}

std::string CInstanceLock::RuntimeDirectory() {
    char buffer[MAX_PATH + 1];
    const DWORD n = GetTempPathA(sizeof buffer, buffer);
    if (n == 0 || n > MAX_PATH) return ".";
    std::string dir(buffer, n);
    while (dir.size() > 1 && (dir.back() == '\\' || dir.back() == '/'))
        dir.pop_back();
    return dir;
}

CInstanceLock::Result CInstanceLock::Acquire(const std::string& name) {
    if (m_mutex) return Result::Acquired;
    HANDLE mutex = CreateMutexA(nullptr, TRUE, name.c_str());
    if (!mutex) return Result::Failed;
    // The mutex already existed: another copy (or another lock object here) holds the name.
    // Closing our handle keeps the holder's mutex alive and lets it go when the holder ends.
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return Result::AlreadyHeld;
    }
    m_mutex = mutex;
    return Result::Acquired;
}

} // namespace platform

// Windows Sockets 1.1, started with WSAStartup and released with WSACleanup.
#include "platform/Sockets.h"

#include <winsock2.h>

namespace platform {

CSocketsLayer::~CSocketsLayer() {
    if (m_started) WSACleanup();
}

bool CSocketsLayer::Start() {
    if (m_started) return true;
    WSADATA data{};
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0) return false;
    // A layer that cannot give exactly 1.1 counts as failed, and is released again.
    if (data.wVersion != MAKEWORD(1, 1)) {
        WSACleanup();
        return false;
    }
    m_started = true;
    return true;
}

} // namespace platform

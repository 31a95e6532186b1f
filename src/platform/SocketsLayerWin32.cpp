#include <winsock2.h>

#include "platform/SocketsLayer.h"

namespace platform {

CSocketsLayer::~CSocketsLayer() {
    if (m_started) WSACleanup();
}

bool CSocketsLayer::Start() {
    if (m_started) return true;
    WSADATA data{};
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0) return false;
    if (data.wVersion != MAKEWORD(1, 1)) {
        WSACleanup();
        return false;
    }
    m_started = true;
    return true;
}

} // namespace platform

#include "platform/SocketsLayer.h"

namespace platform {

// Sockets need no start-up here.
CSocketsLayer::~CSocketsLayer() = default;

bool CSocketsLayer::Start() {
    m_started = true;
    return true;
}

} // namespace platform

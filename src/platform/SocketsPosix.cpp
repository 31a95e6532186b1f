// POSIX sockets need no start-up: the layer is always there.
#include "platform/Sockets.h"

namespace platform {

CSocketsLayer::~CSocketsLayer() = default;

bool CSocketsLayer::Start() {
    m_started = true;
    return true;
}

} // namespace platform

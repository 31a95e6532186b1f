// The system's sockets layer, which the program starts but never uses: where it exists, starting
// it is the first thing the program does, and a failure ends the program before anything else.
#pragma once

namespace platform {

class CSocketsLayer {
public:
    CSocketsLayer() = default;
    CSocketsLayer(const CSocketsLayer&) = delete;
    CSocketsLayer& operator=(const CSocketsLayer&) = delete;
    ~CSocketsLayer();

    // Starts version 1.1 of the layer; false when it cannot be started or offers another
    // version. Platforms without such a layer always succeed.
    bool Start();

private:
    bool m_started = false;
};

} // namespace platform

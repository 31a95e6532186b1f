// The system's sockets layer, started for the life of the object. The program opens no socket;
// it only starts and releases the layer, as the program it follows does.
#pragma once

namespace platform {

class CSocketsLayer {
public:
    CSocketsLayer() = default;
    ~CSocketsLayer();
    CSocketsLayer(const CSocketsLayer&) = delete;
    CSocketsLayer& operator=(const CSocketsLayer&) = delete;

    // Asks for Windows Sockets version 1.1. False, with nothing held, when the layer does not
    // start or offers another version. POSIX has no layer to start: always true there.
    bool Start();
    bool Started() const { return m_started; }

private:
    bool m_started = false;
};

} // namespace platform

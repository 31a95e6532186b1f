#include "platform/InstanceLock.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

CInstanceLock::~CInstanceLock() {
    if (m_fd >= 0) ::close(m_fd);
}

std::string CInstanceLock::RuntimeDirectory() {
    if (const char* d = std::getenv("XDG_RUNTIME_DIR"); d && *d) return d;
    std::string dir = "/tmp/tavimet-" + std::to_string(::getuid());
    ::mkdir(dir.c_str(), 0700);
    return dir;
}

CInstanceLock::Result CInstanceLock::Acquire(const std::string& name) {
    if (m_fd >= 0) return Result::Acquired;
    std::string path = RuntimeDirectory() + "/" + name + ".lock";
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return Result::Failed;
    // flock locks belong to the open file description, so a second open in this process
    // conflicts too, as a second process would.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int err = errno;
        ::close(fd);
        return err == EWOULDBLOCK ? Result::AlreadyHeld : Result::Failed;
    }
    m_fd = fd;
    return Result::Acquired;
}

} // namespace platform

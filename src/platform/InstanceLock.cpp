#include "platform/InstanceLock.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

bool IsAbsolute(const char* p) {
    return p && p[0] == '/';
}

// Makes every missing folder on the way to dir (not dir itself), private to the user.
void MakeParents(const std::string& dir) {
    for (std::size_t at = dir.find('/', 1); at != std::string::npos; at = dir.find('/', at + 1))
        ::mkdir(dir.substr(0, at).c_str(), 0700);
}

std::string ModeText(mode_t mode) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04o", static_cast<unsigned>(mode & 07777));
    return buf;
}

// Opens dir when it is a safe folder for a lock; -1 with why set otherwise. make: the folder is
// made (mode 0700) when missing, with its missing parents too when parents is set.
int OpenSafeFolder(const std::string& dir, uid_t uid, bool make, bool parents, std::string& why) {
    if (make) {
        if (parents) MakeParents(dir);
        if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
            why = std::string("cannot be made (") + std::strerror(errno) + ")";
            return -1;
        }
    }
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        int err = errno;
        struct stat ls {};
        if (::lstat(dir.c_str(), &ls) == 0 && S_ISLNK(ls.st_mode))
            why = "is a symbolic link";
        else if (err == ENOENT)
            why = "does not exist";
        else if (err == ENOTDIR)
            why = "is not a folder";
        else
            why = std::string("cannot be opened (") + std::strerror(err) + ")";
        return -1;
    }
    // Judged on the folder as opened: nothing can swap it between the check and the use.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode)) {
        why = "is not a folder";
    } else if (st.st_uid != uid) {
        why = "belongs to another user";
    } else if ((st.st_mode & 077) != 0) {
        why = "is open to other users (mode " + ModeText(st.st_mode) + ")";
    } else {
        return fd;
    }
    ::close(fd);
    return -1;
}

} // namespace

LockPlaces LockPlaces::FromEnvironment() {
    LockPlaces places;
    places.uid = ::getuid();
    if (const char* d = std::getenv("XDG_RUNTIME_DIR"); d && *d) places.runtimeDir = d;
    places.tmpBase = "/tmp";
    if (const char* c = std::getenv("XDG_CACHE_HOME"); IsAbsolute(c)) {
        places.cacheDir = std::string(c) + "/tavimet";
    } else if (const char* h = std::getenv("HOME"); IsAbsolute(h)) {
        places.cacheDir = std::string(h) + "/.cache/tavimet";
    } else if (const passwd* pw = ::getpwuid(places.uid); pw && IsAbsolute(pw->pw_dir)) {
        places.cacheDir = std::string(pw->pw_dir) + "/.cache/tavimet";
    }
    return places;
}

CInstanceLock::~CInstanceLock() {
    if (m_fd >= 0) ::close(m_fd);
}

CInstanceLock::Result CInstanceLock::Acquire(const std::string& name) {
    return Acquire(name, LockPlaces::FromEnvironment());
}

CInstanceLock::Result CInstanceLock::Acquire(const std::string& name, const LockPlaces& places) {
    if (m_fd >= 0) return Result::Acquired;
    m_path.clear();
    m_problem.clear();

    struct Place {
        std::string dir;
        bool make;
        bool parents;
    };
    Place list[3];
    int count = 0;
    if (!places.runtimeDir.empty()) list[count++] = {places.runtimeDir, false, false};
    if (!places.tmpBase.empty())
        list[count++] = {places.tmpBase + "/tavimet-" + std::to_string(places.uid), true, false};
    if (!places.cacheDir.empty()) list[count++] = {places.cacheDir, true, true};

    const std::string file = name + ".lock";
    std::string refused;
    for (int i = 0; i < count; ++i) {
        const Place& place = list[i];
        std::string why;
        int dir = OpenSafeFolder(place.dir, places.uid, place.make, place.parents, why);
        int fd = -1;
        if (dir >= 0) {
            fd = ::openat(dir, file.c_str(),
                          O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
            int err = errno;
            ::close(dir);
            struct stat st {};
            if (fd < 0) {
                why = err == ELOOP ? "holds " + file + " as a symbolic link"
                                   : "cannot hold " + file + " (" + std::strerror(err) + ")";
            } else if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != places.uid) {
                why = "holds " + file + " that is not a file of the user's";
                ::close(fd);
                fd = -1;
            }
        }
        if (fd >= 0) {
            // flock locks belong to the open file description, so a second open in this
            // process conflicts too, as a second process would.
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
                m_fd = fd;
                m_path = place.dir + "/" + file;
                return Result::Acquired;
            }
            int err = errno;
            ::close(fd);
            if (err == EWOULDBLOCK) {
                m_path = place.dir + "/" + file;
                return Result::AlreadyHeld;
            }
            why = "cannot lock " + file + " (" + std::strerror(err) + ")";
        }
        refused += (refused.empty() ? "" : "; ") + place.dir + " " + why;
    }
    if (places.cacheDir.empty())
        refused += std::string(refused.empty() ? "" : "; ") + "no cache folder is known";
    m_problem = "no safe place for the lock file: " + refused;
    return Result::Failed;
}

} // namespace platform

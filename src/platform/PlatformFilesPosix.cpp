// The POSIX file services.
#include "platform/PlatformFiles.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

PlatformFailure FailureFromErrno(int err) {
    switch (err) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
        return PlatformFailure::NotFound;
    case EISDIR:
        return PlatformFailure::IsDirectory;
    case EWOULDBLOCK:
    case ETXTBSY:
        return PlatformFailure::InUse;
    case EACCES:
    case EPERM:
    case EROFS:
        return PlatformFailure::Denied;
    case ENOSPC:
    case EDQUOT:
        return PlatformFailure::NoSpace;
    case EFBIG:
        return PlatformFailure::TooLarge;
    default:
        return PlatformFailure::Other;
    }
}

// Notes the cause of the call that just failed; returns fail for the caller to hand on.
template <class T> T Failed(T fail, int err) {
    NotePlatformFailure(FailureFromErrno(err));
    return fail;
}

bool PathExists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// The first entry of dir (in byte order) equal to name ignoring ASCII case, or "".
std::string FindIgnoringCase(const std::string& dir, const std::string& name) {
    std::unique_ptr<DIR, int (*)(DIR*)> d(opendir(dir.empty() ? "." : dir.c_str()), closedir);
    if (!d) return {};
    std::string best;
    while (const dirent* e = readdir(d.get())) {
        if (EqualsIgnoringAsciiCase(e->d_name, name.c_str()) && (best.empty() || best > e->d_name))
            best = e->d_name;
    }
    return best;
}

// Sharing as the original platform grants it: a file open for writing admits no other opener
// (except one that shares writing, such as an existence test); files open for reading admit
// other readers but no writer. Filesystems without locks open without them.
bool TakeShareLock(int fd, PlatformAccess access, const PlatformOpenOptions& options) {
    if (options.shareWrite && access == PlatformAccess::Read) return true;
    int operation = (access == PlatformAccess::Read ? LOCK_SH : LOCK_EX) | LOCK_NB;
    int r;
    do {
        r = flock(fd, operation);
    } while (r != 0 && errno == EINTR);
    return r == 0 || errno != EWOULDBLOCK;
}

class CPosixFiles final : public IPlatformFiles {
public:
    PlatformFile Open(const char* path, PlatformAccess access, PlatformOpen how,
                      const PlatformOpenOptions& options) override {
        if (!path || !*path) return Failed(kNoPlatformFile, ENOENT);
        std::string resolved = ResolvePlatformPath(path);
        // Non-blocking so that a FIFO or device cannot hang the open; cleared below.
        int flags = O_CLOEXEC | O_NONBLOCK;
        switch (access) {
        case PlatformAccess::Read:
            flags |= O_RDONLY;
            break;
        case PlatformAccess::Write:
            flags |= O_WRONLY;
            break;
        case PlatformAccess::ReadWrite:
            flags |= O_RDWR;
            break;
        }
        // Truncation waits until the file is known to be free for writing.
        if (how == PlatformOpen::CreateAlways) flags |= O_CREAT;
        int fd;
        do {
            fd = open(resolved.c_str(), flags, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) return Failed(kNoPlatformFile, errno);
        struct stat st;
        if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            // Directories, devices and pipes are not files to this program.
            close(fd);
            return Failed(kNoPlatformFile, EISDIR);
        }
        if (!TakeShareLock(fd, access, options)) {
            close(fd);
            return Failed(kNoPlatformFile, EWOULDBLOCK);
        }
        if (how == PlatformOpen::CreateAlways && ftruncate(fd, 0) != 0) {
            const int err = errno;
            close(fd);
            return Failed(kNoPlatformFile, err);
        }
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        if (options.randomAccess) posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
        return fd;
    }

    int64_t Read(PlatformFile file, void* buf, int64_t count) override {
        if (file < 0 || count < 0) return -1;
        int64_t done = 0;
        auto* p = static_cast<char*>(buf);
        while (done < count) {
            ssize_t n = read(file, p + done, static_cast<size_t>(count - done));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return Failed(done ? done : int64_t(-1), errno);
            if (n == 0) break;
            done += n;
        }
        return done;
    }

    int64_t Write(PlatformFile file, const void* buf, int64_t count) override {
        if (file < 0 || count < 0) return -1;
        int64_t done = 0;
        const auto* p = static_cast<const char*>(buf);
        while (done < count) {
            ssize_t n = write(file, p + done, static_cast<size_t>(count - done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return Failed(done ? done : int64_t(-1), n < 0 ? errno : ENOSPC);
            done += n;
        }
        return done;
    }

    int64_t Seek(PlatformFile file, int64_t offset) override {
        if (file < 0 || offset < 0) return -1;
        off_t r = lseek(file, static_cast<off_t>(offset), SEEK_SET);
        return r < 0 ? Failed(int64_t(-1), errno) : static_cast<int64_t>(r);
    }

    bool SetEnd(PlatformFile file) override {
        if (file < 0) return false;
        off_t at = lseek(file, 0, SEEK_CUR);
        if (at < 0) return false;
        int r;
        do {
            r = ftruncate(file, at);
        } while (r != 0 && errno == EINTR);
        return r == 0 || Failed(false, errno);
    }

    bool Flush(PlatformFile file) override {
        return file >= 0 && (fsync(file) == 0 || Failed(false, errno));
    }

    int64_t Size(PlatformFile file) override {
        struct stat st;
        if (file < 0 || fstat(file, &st) != 0) return -1;
        return static_cast<int64_t>(st.st_size);
    }

    void Close(PlatformFile file) override {
        if (file >= 0) close(file);
    }

    bool Delete(const char* path) override {
        if (!path || !*path) return false;
        std::string resolved = ResolvePlatformPath(path);
        // A file that is open elsewhere in the program is not deleted under its users.
        int fd = open(resolved.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            bool busy = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
            bool deleted = !busy && unlink(resolved.c_str()) == 0;
            close(fd);
            return deleted;
        }
        return unlink(resolved.c_str()) == 0;
    }
};

} // namespace

IPlatformFiles& SystemPlatformFiles() {
    static CPosixFiles files = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        return CPosixFiles();
    }();
    return files;
}

std::string ResolvePlatformPath(const char* path) {
    if (!path) return {};
    std::string posix(path);
    for (char& c : posix)
        if (c == '\\') c = '/';
    if (posix.empty() || PathExists(posix)) return posix;

    // Walk the components; keep separators as written so the result differs only in case.
    std::string resolved;
    size_t i = 0;
    bool matching = true;
    while (i < posix.size()) {
        if (posix[i] == '/') {
            resolved += '/';
            ++i;
            continue;
        }
        size_t end = posix.find('/', i);
        if (end == std::string::npos) end = posix.size();
        std::string component = posix.substr(i, end - i);
        if (matching && component != "." && component != ".." &&
            !PathExists(resolved + component)) {
            std::string found = FindIgnoringCase(resolved, component);
            if (found.empty())
                matching = false; // nothing further can exist; keep the rest as written
            else
                component = found;
        }
        resolved += component;
        i = end;
    }
    return resolved;
}

PathInfo LookAtPath(const char* path) {
    PathInfo info;
    if (!path || !*path) return info;
    struct stat st;
    if (stat(ResolvePlatformPath(path).c_str(), &st) != 0) return info;
    if (S_ISDIR(st.st_mode)) {
        info.kind = PathKind::Folder;
    } else {
        info.kind = PathKind::File;
        info.size = static_cast<int64_t>(st.st_size);
    }
    return info;
}

void WriteStandardStreamsAsBytes() {}

void KeepFreedMemoryForReuse() {
#if defined(__GLIBC__)
    // Buffers up to 32 MiB (the most allowed) come from the heap, and the heap keeps up to
    // 64 MiB it no longer uses.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
}

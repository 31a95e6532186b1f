// The Windows file services, over the kernel's own file calls.
#include "platform/PlatformFiles.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform/Win32Errors.h"

PlatformFailure FailureFromWin32Error(unsigned long error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DIRECTORY:
        return PlatformFailure::NotFound;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return PlatformFailure::InUse;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_NOT_READY:
        return PlatformFailure::Denied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return PlatformFailure::NoSpace;
    case ERROR_FILE_TOO_LARGE:
        return PlatformFailure::TooLarge;
    default:
        return PlatformFailure::Other;
    }
}

namespace {

HANDLE AsHandle(PlatformFile file) {
    return reinterpret_cast<HANDLE>(file);
}

// Notes why the call that just failed failed; returns fail for the caller to hand on.
template <class T> T Failed(T fail, DWORD error = GetLastError()) {
    NotePlatformFailure(FailureFromWin32Error(error));
    return fail;
}

bool IsDirectory(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// ReadFile and WriteFile move at most a DWORD's worth at a time.
constexpr int64_t kMaxChunk = 1 << 30;

class CWin32Files final : public IPlatformFiles {
public:
    PlatformFile Open(const char* path, PlatformAccess access, PlatformOpen how,
                      const PlatformOpenOptions& options) override {
        if (!path || !*path) return Failed(kNoPlatformFile, ERROR_FILE_NOT_FOUND);
        DWORD desired = 0;
        switch (access) {
        case PlatformAccess::Read:
            desired = GENERIC_READ;
            break;
        case PlatformAccess::Write:
            desired = GENERIC_WRITE;
            break;
        case PlatformAccess::ReadWrite:
            desired = GENERIC_READ | GENERIC_WRITE;
            break;
        }
        // Others may read while the file is open; sharing writing too lets an existence test
        // pass whoever holds the file.
        const DWORD share = FILE_SHARE_READ | (options.shareWrite ? FILE_SHARE_WRITE : 0);
        const DWORD disposition = how == PlatformOpen::CreateAlways ? CREATE_ALWAYS : OPEN_EXISTING;
        const DWORD flags = options.randomAccess ? FILE_FLAG_RANDOM_ACCESS : FILE_ATTRIBUTE_NORMAL;
        HANDLE h = CreateFileA(path, desired, share, nullptr, disposition, flags, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            // A directory is refused as "access denied"; say what it really is.
            if (error == ERROR_ACCESS_DENIED && IsDirectory(path)) {
                NotePlatformFailure(PlatformFailure::IsDirectory);
                return kNoPlatformFile;
            }
            return Failed(kNoPlatformFile, error);
        }
        // Devices (NUL, CON, COM1...) and pipes are not files to this program.
        if (GetFileType(h) != FILE_TYPE_DISK) {
            CloseHandle(h);
            NotePlatformFailure(PlatformFailure::IsDirectory);
            return kNoPlatformFile;
        }
        return reinterpret_cast<PlatformFile>(h);
    }

    int64_t Read(PlatformFile file, void* buf, int64_t count) override {
        if (file == kNoPlatformFile || count < 0) return -1;
        int64_t done = 0;
        auto* p = static_cast<char*>(buf);
        while (done < count) {
            const DWORD want =
                static_cast<DWORD>(count - done < kMaxChunk ? count - done : kMaxChunk);
            DWORD got = 0;
            if (!ReadFile(AsHandle(file), p + done, want, &got, nullptr))
                return Failed(done ? done : int64_t(-1));
            if (got == 0) break;
            done += got;
        }
        return done;
    }

    int64_t Write(PlatformFile file, const void* buf, int64_t count) override {
        if (file == kNoPlatformFile || count < 0) return -1;
        int64_t done = 0;
        const auto* p = static_cast<const char*>(buf);
        while (done < count) {
            const DWORD want =
                static_cast<DWORD>(count - done < kMaxChunk ? count - done : kMaxChunk);
            DWORD put = 0;
            if (!WriteFile(AsHandle(file), p + done, want, &put, nullptr))
                return Failed(done ? done : int64_t(-1));
            if (put == 0) return Failed(done ? done : int64_t(-1), ERROR_DISK_FULL);
            done += put;
        }
        return done;
    }

    int64_t Seek(PlatformFile file, int64_t offset) override {
        if (file == kNoPlatformFile || offset < 0) return -1;
        LARGE_INTEGER to, at;
        to.QuadPart = offset;
        if (!SetFilePointerEx(AsHandle(file), to, &at, FILE_BEGIN)) return Failed(int64_t(-1));
        return at.QuadPart;
    }

    bool SetEnd(PlatformFile file) override {
        if (file == kNoPlatformFile) return false;
        return SetEndOfFile(AsHandle(file)) || Failed(false);
    }

    bool Flush(PlatformFile file) override {
        return file != kNoPlatformFile && (FlushFileBuffers(AsHandle(file)) || Failed(false));
    }

    int64_t Size(PlatformFile file) override {
        LARGE_INTEGER size;
        if (file == kNoPlatformFile || !GetFileSizeEx(AsHandle(file), &size)) return -1;
        return size.QuadPart;
    }

    void Close(PlatformFile file) override {
        if (file != kNoPlatformFile) CloseHandle(AsHandle(file));
    }

    bool Delete(const char* path) override {
        // The system refuses to delete a file that is open without delete sharing, which no
        // opener here grants: a file in use is never deleted under its users.
        return path && *path && (DeleteFileA(path) || Failed(false));
    }
};

} // namespace

IPlatformFiles& SystemPlatformFiles() {
    static CWin32Files files;
    return files;
}

std::string ResolvePlatformPath(const char* path) {
    return path ? std::string(path) : std::string();
}

PathInfo LookAtPath(const char* path) {
    PathInfo info;
    if (!path || !*path) return info;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(ResolvePlatformPath(path).c_str(), GetFileExInfoStandard, &data))
        return info;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        info.kind = PathKind::Folder;
    } else {
        info.kind = PathKind::File;
        info.size = static_cast<int64_t>((uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    }
    return info;
}

void WriteStandardStreamsAsBytes() {
    std::fflush(stdout);
    std::fflush(stderr);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

void KeepFreedMemoryForReuse() {} // the process heap keeps freed blocks already
